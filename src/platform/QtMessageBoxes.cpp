#include "platform/QtMessageBoxes.h"

#include <QCoreApplication>

#include "platform/MessageBoxScript.h"

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
    QMessageBox box(icon, caption, text, buttons, owner_.data());
    MessageBoxScript::Attach(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace quorvel
