#pragma once

#include <QProcess>
#include <QStringList>
#include <QThread>

#include "support/RealDesktop.h"
#include "support/ScreenShot.h"

namespace quorvel::test {

// An X11 desktop, driven through the X server itself (xdotool's synthetic X input).
class XdotoolDesktop : public RealDesktop {
  public:
    static void Run(const QStringList& args) { QProcess::execute(QStringLiteral("xdotool"), args); }
    static QByteArray Output(const QStringList& args) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), args);
        xdotool.waitForFinished();
        return xdotool.readAllStandardOutput().trimmed();
    }

    void Tap(QPoint p, int holdMs) override {
        Run({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
        if (holdMs == 0) {
            Run({QStringLiteral("click"), QStringLiteral("1")});
            return;
        }
        Run({QStringLiteral("mousedown"), QStringLiteral("1")});
        QThread::msleep(static_cast<unsigned long>(holdMs));
        Run({QStringLiteral("mouseup"), QStringLiteral("1")});
    }
    void Press(Key key, int holdMs) override {
        if (holdMs == 0) {
            Run({QStringLiteral("key"), QLatin1String(key.name)});
            return;
        }
        Run({QStringLiteral("keydown"), QLatin1String(key.name)});
        QThread::msleep(static_cast<unsigned long>(holdMs));
        Run({QStringLiteral("keyup"), QLatin1String(key.name)});
    }
    void Chord(Key modifier, Key key) override {
        Run({QStringLiteral("key"),
             QStringLiteral("%1+%2").arg(QLatin1String(modifier.name), QLatin1String(key.name))});
    }
    QImage Screen() override { return ScreenShot(); }
    QRgb Pixel(QPoint p) override { return ScreenPixel(p); }
};

}  // namespace quorvel::test
