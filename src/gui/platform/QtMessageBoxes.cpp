#include "gui/platform/QtMessageBoxes.h"

#include <QCoreApplication>

#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/WindowStacking.h"

namespace quorvel {

void QtMessageBoxes::ShowPlain(const QString& text, const QString& caption) {
    Run(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
}

void QtMessageBoxes::ShowApp(const QString& text, BoxIcon icon) {
    Run(icon == BoxIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning,
        QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

bool QtMessageBoxes::AskRetry(const QString& text) {
    return Run(QMessageBox::Warning, QCoreApplication::applicationName(), text,
               QMessageBox::Retry | QMessageBox::Cancel) == QMessageBox::Retry;
}

QMessageBox::StandardButton QtMessageBoxes::Run(QMessageBox::Icon icon, const QString& caption,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons) {
    if (m_ending) {
        return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
    }
    QMessageBox box(icon, caption, text, buttons, m_owner.data());
    QWindow* over = m_stackOver.data();
    if (over != nullptr) {
        StackAbove(box, over);
    }
    MessageBoxScript::Attach(box);
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    {
        const OverFullScreen stepAside(over);
        answer = static_cast<QMessageBox::StandardButton>(box.exec());
    }
    // The keyboard goes back to the window the box stood over, not to the box's owner.
    if (over != nullptr && !m_stackOver.isNull() && over->isVisible()) {
        over->raise();
        over->requestActivate();
    }
    return answer;
}

}  // namespace quorvel
