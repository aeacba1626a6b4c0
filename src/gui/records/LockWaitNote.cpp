#include "gui/records/LockWaitNote.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <utility>

#include "gui/platform/WindowStacking.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct LockWaitNoteTexts {
    Q_DECLARE_TR_FUNCTIONS(LockWaitNote)
};

bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
    }
}

}  // namespace

LockWaitNote::LockWaitNote(QWindow* over, std::function<bool()> stopRequested)
    : m_over(over), m_stopRequested(std::move(stopRequested)) {}

LockWaitNote::~LockWaitNote() {
    Hide();
}

bool LockWaitNote::OnWait(bool waiting) {
    if (!waiting) {
        Hide();
        return true;
    }
    if (m_note == nullptr) {
        Show();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !(m_stopRequested && m_stopRequested());
}

void LockWaitNote::Show() {
    m_note = std::make_unique<QWidget>(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    m_note->setObjectName(QStringLiteral("LockWaitNote"));
    auto* layout = new QVBoxLayout(m_note.get());  // owned by the note
    auto* text = new QLabel(LockWaitNoteTexts::tr("記録ファイルを他の端末が使用中です。\n"
                                                  "書き込めるようになるまでお待ちください…"),
                            m_note.get());
    text->setAlignment(Qt::AlignCenter);
    text->setMargin(24);
    layout->addWidget(text);
    StackAbove(*m_note, m_over.data());
    m_aside = std::make_unique<OverFullScreen>(m_over.data());
    qApp->installEventFilter(this);
    m_note->show();
    m_note->raise();
}

void LockWaitNote::Hide() {
    if (m_note == nullptr) {
        return;
    }
    qApp->removeEventFilter(this);
    m_note.reset();
    m_aside.reset();
}

bool LockWaitNote::eventFilter(QObject* watched, QEvent* event) {
    if (IsInput(event->type())) {
        // Touches on the test screen let its contacts lift; every other input waits for
        // nothing and answers nothing.
        const bool testScreen = !m_over.isNull() && watched == m_over.data();
        const bool touch = event->type() == QEvent::TouchBegin ||
                           event->type() == QEvent::TouchUpdate ||
                           event->type() == QEvent::TouchEnd;
        return !(testScreen && touch);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quorvel
