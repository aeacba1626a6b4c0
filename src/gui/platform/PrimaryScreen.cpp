#include "gui/platform/PrimaryScreen.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QtMath>

namespace quorvel {

QSize PrimaryScreenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return QSize();
    }
    const QRect geometry = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return QSize(qRound(geometry.width() * ratio), qRound(geometry.height() * ratio));
}

}  // namespace quorvel
