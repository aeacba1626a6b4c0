#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdlib>

namespace quorvel::test {

// The whole screen as the person in front of it sees it, with every window's stacking as
// the window system composed it. On X11 the root window is read back; a Wayland client cannot
// read the screen, so Weston's screenshooter (weston started with --debug, as the test
// desktop script does) takes the picture. Null when neither can.
inline QImage ScreenShot() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr ? screen->grabWindow(0).toImage() : QImage();
    }
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished() || shooter.exitCode() != 0) {
        return QImage();
    }
    const QStringList shots = QDir(dir.path()).entryList({QStringLiteral("*.png")});
    return shots.isEmpty() ? QImage() : QImage(dir.filePath(shots.front()));
}

// One pixel of the screen, read as ScreenShot reads the whole.
inline QRgb ScreenPixel(QPoint p) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr ? screen->grabWindow(0, p.x(), p.y(), 1, 1).toImage().pixel(0, 0)
                                 : QRgb();
    }
    // A screenshot takes a quarter of a second there; a script polling pixels every few
    // milliseconds would keep the program's event pump busy for ever. A recent one serves.
    static QImage shot;
    static QElapsedTimer age;
    constexpr qint64 kFreshMs = 300;
    if (!age.isValid() || age.elapsed() > kFreshMs) {
        shot = ScreenShot();
        age.start();
    }
    return shot.valid(p) ? shot.pixel(p) : QRgb();
}

// The number of pixels of `image` within `tolerance` of `colour` in each channel.
inline qint64 CountOf(const QImage& image, QRgb colour, int tolerance = 2) {
    if (image.isNull()) {
        return 0;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 matching = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = row[x];
            matching += (std::abs(qRed(p) - qRed(colour)) <= tolerance &&
                         std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                         std::abs(qBlue(p) - qBlue(colour)) <= tolerance)
                            ? 1
                            : 0;
        }
    }
    return matching;
}

// True when `widget` (a dialog) is on the screen and nothing covers it: where it stands, the
// screen holds at least as much of the dialog's background as the dialog's own picture does,
// less a margin for its edges. Only the dialog's own place is read on X11, since a window
// manager's captions (kwin's, the frame's menu bar) may have the very same colour and would
// pass for the dialog while it is still fading in. A Wayland client cannot learn where its
// window stands, so there the whole screen is counted; the black frame and test screen hold
// none of that colour, and Weston draws no captions.
inline bool ShownOnTop(QWidget& widget) {
    const QRgb background = widget.palette().color(QPalette::Window).rgb();
    const qint64 own = CountOf(widget.grab().toImage(), background);
    QImage shown;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        shown = ScreenShot();
    } else if (QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        const QPoint at = widget.mapToGlobal(QPoint(0, 0));
        shown = screen->grabWindow(0, at.x(), at.y(), widget.width(), widget.height()).toImage();
    }
    return own > 0 && CountOf(shown, background) >= own * 9 / 10;
}

}  // namespace quorvel::test
