#include "gui/app/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

#include "gui/app/CAboutDlg.h"
#include "gui/app/MeasuredScreen.h"
#include "gui/platform/DialogTemplate.h"
#include "gui/platform/MessagePump.h"
#include "gui/platform/PrimaryScreen.h"
#include "gui/platform/WindowStacking.h"

namespace quorvel {

namespace {

// How long the window manager is given to fit a captioned frame to the screen.
constexpr int kMaximiseWaitMs = 2000;

// The texts this file shows, for translation (translations/*.ts).
struct CMainFrameTexts {
    Q_DECLARE_TR_FUNCTIONS(CMainFrame)
};

// The frame's client area: black, the title line in white with the data folder in grey under it,
// and a left press starts a test.
class ClientArea : public QWidget {
  public:
    explicit ClientArea(CMainFrame& frame) : QWidget(&frame), m_frame(frame) {
        setObjectName(QStringLiteral("clientArea"));
        setAttribute(Qt::WA_InputMethodEnabled, false);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setCursor(Qt::ArrowCursor);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.setPen(Qt::white);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::black);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, CMainFrame::TitleLine());

        // Grey and a little smaller, so the title stays the one white line in the middle; read
        // at each paint, so it always names the folder the files are written to now.
        const int titleBottom = (height() + fontMetrics().height()) / 2;
        QFont small = font();
        if (small.pointSizeF() > 0) {
            small.setPointSizeF(small.pointSizeF() * 0.9);
        } else if (small.pixelSize() > 0) {
            small.setPixelSize(std::max(1, small.pixelSize() * 9 / 10));
        }
        painter.setFont(small);
        painter.setPen(QColor(160, 160, 160));
        const QFontMetrics metrics(small);
        const QRect line(0, titleBottom + metrics.height() / 2, width(), metrics.height());
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                         metrics.elidedText(CMainFrame::DataFolderLine(), Qt::ElideMiddle,
                                            width() - 2 * metrics.averageCharWidth()));
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            m_frame.OnStart();
            return;
        }
        QWidget::mousePressEvent(event);
    }

  private:
    CMainFrame& m_frame;
};

}  // namespace

CMainFrame::CMainFrame() {
    const QSize screen = PrimaryScreenPixels().expandedTo(QSize(0, 0));
    screenWidth = screen.width();
    screenHeight = screen.height();

    setObjectName(QStringLiteral("CMainFrame"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (m_captioned) {
        // Some window managers (xfwm4) maximise only a window that has the maximise function,
        // which X11 grants with the maximise box.
        setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    }
    setWindowTitle(QStringLiteral("Quorvel"));
    setAttribute(Qt::WA_InputMethodEnabled, false);

    BuildMenu();
    setCentralWidget(new ClientArea(*this));
    PlaceOverScreen();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(ControlName(kMenuId));
    auto addItem = [this](QMenu* menu, int id, void (CMainFrame::*handler)()) {
        QAction* action = menu->addAction(QString());
        action->setData(id);
        action->setObjectName(ControlName(id));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file = bar->addMenu(QString());
    file->setObjectName(QStringLiteral("fileMenu"));
    addItem(file, kCmdExit, &CMainFrame::OnExit);
    QMenu* experiment = bar->addMenu(QString());
    experiment->setObjectName(QStringLiteral("experimentMenu"));
    addItem(experiment, kCmdStart, &CMainFrame::OnStart);
    addItem(experiment, kCmdShowResult, &CMainFrame::OnShowResult);
    experiment->addSeparator();
    addItem(experiment, kCmdPracticeFirst, &CMainFrame::OnPreferenceItem)->setCheckable(true);
    QMenu* language = experiment->addMenu(QString());
    language->setObjectName(QStringLiteral("languageMenu"));
    auto* languages = new QActionGroup(language);
    for (const int id : {kCmdLanguageJapanese, kCmdLanguageEnglish}) {
        QAction* item = addItem(language, id, &CMainFrame::OnPreferenceItem);
        item->setCheckable(true);
        languages->addAction(item);
    }
    // Each language is named in itself, so an operator can find their own in any language.
    CommandAction(kCmdLanguageJapanese)->setText(QStringLiteral("日本語"));
    CommandAction(kCmdLanguageEnglish)->setText(QStringLiteral("English"));
    CommandAction(kCmdLanguageJapanese)->setChecked(true);
    QMenu* help = bar->addMenu(QString());
    help->setObjectName(QStringLiteral("helpMenu"));
    addItem(help, kCmdAbout, &CMainFrame::OnAbout);
    RetranslateMenu();
}

void CMainFrame::RetranslateMenu() {
    const auto title = [this](const char* name, const QString& text) {
        if (auto* menu = menuBar()->findChild<QMenu*>(QLatin1String(name))) {
            menu->setTitle(text);
        }
    };
    title("fileMenu", CMainFrameTexts::tr("&File"));
    title("experimentMenu", CMainFrameTexts::tr("&Experiment"));
    title("languageMenu", CMainFrameTexts::tr("&Language"));
    title("helpMenu", CMainFrameTexts::tr("&Help"));
    CommandAction(kCmdExit)->setText(CMainFrameTexts::tr("E&xit"));
    CommandAction(kCmdStart)->setText(CMainFrameTexts::tr("&Start"));
    CommandAction(kCmdShowResult)->setText(CMainFrameTexts::tr("Show &Result"));
    CommandAction(kCmdPracticeFirst)->setText(CMainFrameTexts::tr("&Practice first"));
    CommandAction(kCmdAbout)->setText(CMainFrameTexts::tr("&About"));
}

void CMainFrame::SetPreferencesChanged(std::function<void(const Preferences&)> hook) {
    m_preferencesChanged = std::move(hook);
}

void CMainFrame::ShowPreferences(const Preferences& preferences) {
    CommandAction(kCmdPracticeFirst)->setChecked(preferences.practice_first);
    CommandAction(preferences.language == Language::English ? kCmdLanguageEnglish
                                                            : kCmdLanguageJapanese)
        ->setChecked(true);
}

void CMainFrame::OnPreferenceItem() {
    Preferences preferences;
    preferences.practice_first = CommandAction(kCmdPracticeFirst)->isChecked();
    preferences.language =
        CommandAction(kCmdLanguageEnglish)->isChecked() ? Language::English : Language::Japanese;
    if (m_preferencesChanged) {
        m_preferencesChanged(preferences);
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        RetranslateMenu();
        centralWidget()->update();
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::SetRunExperiment(std::function<void()> hook) {
    m_runExperiment = std::move(hook);
}

void CMainFrame::SetShowResult(std::function<void()> hook) {
    m_showResult = std::move(hook);
}

void CMainFrame::OnExit() {
    close();
}

void CMainFrame::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::OnStart() {
    // A test pumps events while it runs; a click or menu command reaching the frame then must
    // not start a second test inside the first.
    if (m_testRunning || !m_runExperiment) {
        return;
    }
    m_testRunning = true;
    m_runExperiment();
    m_testRunning = false;
}

void CMainFrame::OnShowResult() {
    if (m_showResult) {
        m_showResult();
    }
}

void CMainFrame::PlaceOverScreen() {
    // Where the window system places windows itself, a size forced onto the maximised frame
    // is a protocol error that ends the program: the frame is given its state only.
    if (WindowSystemPlacesWindows()) {
        return;
    }
    if (m_captioned) {
        // A window manager cannot maximise a frame of fixed size: the frame at the screen's
        // size plus the caption it adds would run past an edge of the screen (or sit off
        // centre). The frame has the screen's size until it is shown; the window manager then
        // fits it, caption included, to the screen.
        if (!isVisible()) {
            resize(ScreenToLogical(QSize(screenWidth, screenHeight)));
        }
        setWindowState((windowState() & ~Qt::WindowFullScreen) | Qt::WindowMaximized);
        return;
    }
    // The whole frame, caption and border included, covers the screen. Its size is fixed,
    // which is how a window manager learns that the frame has no sizing border and cannot
    // be maximised.
    const QSize margins = frameGeometry().size() - geometry().size();
    move(0, 0);
    setFixedSize(ScreenToLogical(QSize(screenWidth, screenHeight)) - margins);
}

void CMainFrame::FitToScreen() {
    if (!m_captioned || !isVisible()) {
        return;
    }
    // The window manager answers the maximise request with a new geometry; nothing may be
    // placed or measured over the frame before it has it.
    const QScreen* screen = this->screen();
    QWindow* window = windowHandle();
    if (screen == nullptr || window == nullptr) {
        return;
    }
    // At a fractional scale factor the frame's edges, in device-independent pixels, may be
    // rounded a pixel off the screen's.
    const auto fitted = [&] {
        const QRect frame = frameGeometry();
        const QRect area = screen->availableGeometry();
        return std::abs(frame.left() - area.left()) <= 1 &&
               std::abs(frame.top() - area.top()) <= 1 &&
               std::abs(frame.right() - area.right()) <= 1 &&
               std::abs(frame.bottom() - area.bottom()) <= 1;
    };
    const auto waitUntilFitted = [&] {
        QDeadlineTimer deadline(kMaximiseWaitMs);
        while (!fitted() && !deadline.hasExpired()) {
            Idle();
        }
    };
    waitUntilFitted();
    if (fitted()) {
        return;
    }
    // A window manager that let the request pass (it came while the frame was being mapped) is
    // asked once more.
    window->setWindowStates(window->windowStates() & ~Qt::WindowMaximized);
    window->setWindowStates(window->windowStates() | Qt::WindowMaximized);
    waitUntilFitted();
}

void CMainFrame::RestoreFrame() {
    if (WindowSystemPlacesWindows()) {
        // No window can make itself topmost there; maximised is the frame over the screen.
        showMaximized();
    } else {
        m_topmost.MakeTopmost();
        PlaceOverScreen();
        show();
        FitToScreen();
    }
    raise();
    activateWindow();
    update();
    centralWidget()->update();
}

bool CMainFrame::IsRestored() const {
    return WindowSystemPlacesWindows() ? windowState().testFlag(Qt::WindowMaximized)
                                       : m_topmost.Wanted();
}

QAction* CMainFrame::CommandAction(int id) const {
    // The items of the popups and of their submenus.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        for (QAction* action : menu->actions()) {
            if (action->menu() == nullptr && action->data().toInt() == id) {
                return action;
            }
        }
    }
    return nullptr;
}

QString CMainFrame::TitleLine() {
    return CMainFrameTexts::tr(
        "Quorvel  -  click here or choose Experiment > Start to begin a test");
}

QString CMainFrame::DataFolderLine() {
    return CMainFrameTexts::tr("Data folder: ") + QDir::toNativeSeparators(QDir::currentPath());
}

void CMainFrame::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        RestoreFrame();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace quorvel
