#include "gui/app/AppIdentity.h"

#include <QGuiApplication>

namespace quorvel {

QIcon AppIcon() {
    QIcon builtIn;
    for (const int size : {48, 128, 256}) {
        builtIn.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    }
    return QIcon::fromTheme(QLatin1String(kDesktopFileName), builtIn);
}

void ApplyAppIdentity() {
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopFileName));
    QGuiApplication::setWindowIcon(AppIcon());
}

}  // namespace quorvel
