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
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quorvel::test {

// The whole screen as the person in front of it sees it, with every window's stacking as
// the window system composed it. On X11 the root window is read back; a Wayland client cannot
// read the screen, so the compositor's own way takes the picture: the command the test
// desktop script names in QUORVEL_SCREENSHOT (GNOME's mutter: its screen cast), else Weston's
// screenshooter (weston started with --debug, as that script does). Null when none can.
inline QImage ScreenShot() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr ? screen->grabWindow(0).toImage() : QImage();
    }
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    const QString command = qEnvironmentVariable("QUORVEL_SCREENSHOT");
    if (!command.isEmpty()) {
        const QString file = dir.filePath(QStringLiteral("screen.png"));
        shooter.start(command, {file});
        return shooter.waitForFinished() && shooter.exitCode() == 0 ? QImage(file) : QImage();
    }
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

// Where `picture` (a window's own picture) stands in `screen`, found as it is, pixel for pixel:
// the top-left corner of the place where at least nine in ten of a grid of the picture's
// pixels are on the screen. For a Wayland client, which cannot learn where the compositor put
// its window. The search goes from the screen's pixels of the grid's rarest colour (a glyph's
// edge, say), so it looks closely at few places; the tests call it at every look.
inline std::optional<QPoint> FindPicture(const QImage& screen, const QImage& picture) {
    if (screen.isNull() || picture.isNull() || picture.width() > screen.width() ||
        picture.height() > screen.height()) {
        return std::nullopt;
    }
    const QImage shot = screen.convertToFormat(QImage::Format_RGB32);
    const QImage own = picture.convertToFormat(QImage::Format_RGB32);
    constexpr int kAcross = 16;
    constexpr int kDown = 8;
    std::vector<QPoint> grid;
    std::unordered_map<QRgb, int> inGrid;
    for (int i = 0; i < kAcross; ++i) {
        for (int j = 0; j < kDown; ++j) {
            const QPoint at((2 * i + 1) * own.width() / (2 * kAcross),
                            (2 * j + 1) * own.height() / (2 * kDown));
            grid.push_back(at);
            ++inGrid[own.pixel(at) & 0xFFFFFFu];
        }
    }
    const auto rarest = std::min_element(grid.begin(), grid.end(), [&](QPoint a, QPoint b) {
        return inGrid[own.pixel(a) & 0xFFFFFFu] < inGrid[own.pixel(b) & 0xFFFFFFu];
    });
    const QRgb anchor = own.pixel(*rarest) & 0xFFFFFFu;
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
               std::abs(qBlue(a) - qBlue(b)) <= 2;
    };
    const int allowedMisses = static_cast<int>(grid.size()) / 10;
    for (int y = rarest->y(); y <= shot.height() - own.height() + rarest->y(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = rarest->x(); x <= shot.width() - own.width() + rarest->x(); ++x) {
            if ((row[x] & 0xFFFFFFu) != anchor) {
                continue;
            }
            const QPoint corner = QPoint(x, y) - *rarest;
            int misses = 0;
            for (const QPoint& g : grid) {
                misses += near(shot.pixel(corner + g), own.pixel(g)) ? 0 : 1;
                if (misses > allowedMisses) {
                    break;
                }
            }
            if (misses <= allowedMisses) {
                return corner;
            }
        }
    }
    return std::nullopt;
}

// True when `widget` (a dialog) is on the screen and nothing covers it: where it stands, the
// screen holds at least as much of the dialog's background as the dialog's own picture does,
// less a margin for its edges. Only the dialog's own place is read, since a window manager's
// captions (kwin's, GNOME's) and the frame's menu bar may have the very same colour and would
// pass for the dialog while it is still fading in. A Wayland client cannot learn where its
// window stands, so there the dialog's own picture is looked for on the screen first (not
// found while the compositor still animates it in, or while anything covers a part of it).
inline bool ShownOnTop(QWidget& widget) {
    const QRgb background = widget.palette().color(QPalette::Window).rgb();
    const QImage picture = widget.grab().toImage();
    const qint64 own = CountOf(picture, background);
    QImage shown;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        const QImage screen = ScreenShot();
        if (const std::optional<QPoint> at = FindPicture(screen, picture)) {
            shown = screen.copy(QRect(*at, picture.size()));
        }
    } else if (QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        const QPoint at = widget.mapToGlobal(QPoint(0, 0));
        shown = screen->grabWindow(0, at.x(), at.y(), widget.width(), widget.height()).toImage();
    }
    return own > 0 && CountOf(shown, background) >= own * 9 / 10;
}

}  // namespace quorvel::test
