#include "gui/app/MeasuredScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

namespace quorvel {

std::int32_t screenWidth = 0;
std::int32_t screenHeight = 0;

namespace {

qreal PrimaryRatio() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

}  // namespace

QSize ScreenToLogical(QSize physical) {
    const qreal ratio = PrimaryRatio();
    return QSize(qRound(physical.width() / ratio), qRound(physical.height() / ratio));
}

}  // namespace quorvel
