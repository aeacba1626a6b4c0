#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <thread>

#include "core/render/TexturePrimitives.h"
#include "gui/platform/MessagePump.h"
#include "gui/render/CDXWnd.h"
#include "gui/render/OpenWindow.h"
#include "gui/render/TextureFill.h"
#include "support/ScreenShot.h"

// What the subject sees of the test screen when a window that stood over it goes. It reads
// the screen, so it runs with the display to itself.

namespace quorvel {
namespace {

using test::Fill;

// Looks at one pixel of the screen until `wanted` holds of it, or `looks` times; the last seen.
template <typename Wanted>
QRgb LookUntil(QPoint where, int looks, Wanted wanted) {
    QRgb seen = 0;
    for (int look = 0; look < looks; ++look) {
        Idle();
        seen = test::ScreenPixel(where) & 0xFFFFFFu;
        if (wanted(seen)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return seen;
}

// Without a compositor nothing keeps a window's picture: whatever stood over the test screen
// (the conditions dialog, a box) stayed in view until the next frame, in front of the subject.
// The last frame is presented again when the window is uncovered.
TEST(UncoverTest, AnUncoveredWindowShowsItsLastFrameAgain) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        GTEST_SKIP() << "uncovering: a Wayland compositor keeps every window's picture, and a "
                        "client cannot place a window over another";
    }
    CDXWnd window;
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_EQ(test::OpenWindow(window, screen->size() * screen->devicePixelRatio()), 1);
    const TextureHandle white = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    Fill(window.m_textures, white, 0xFFFFFFFFu);
    const auto present = [&] {
        ASSERT_EQ(window.BeginFrame(), 1);
        window.DrawSprite(white, 462.0f, 334.0f);
        window.EndFrame();
    };
    present();
    // The middle of the white square, on the screen.
    const QPoint middle(qRound(window.m_offsetX + 512 * window.m_scale),
                        qRound(window.m_offsetY + 384 * window.m_scale));
    const auto isWhite = [](QRgb seen) { return seen == 0xFFFFFFu; };
    // GNOME's window manager (mutter on X11) can drop a frame drawn at the moment the window
    // is mapped, and asks for no other. A program draws its frames later (a box stands over
    // the window first); the test draws its one frame again, so what follows starts from a
    // window that shows it.
    if (!isWhite(LookUntil(middle, 100, isWhite))) {
        present();
    }
    ASSERT_EQ(LookUntil(middle, 200, isWhite), 0xFFFFFFu) << "the frame never reached the screen";

    QWidget cover;
    cover.setWindowFlag(Qt::X11BypassWindowManagerHint);
    cover.setStyleSheet(QStringLiteral("background: #3060c0"));
    cover.setGeometry(QRect(middle - QPoint(200, 200), QSize(400, 400)));
    cover.show();
    for (int i = 0; i < 200 && !cover.windowHandle()->isExposed(); ++i) {
        Idle();
    }
    // Seen in front of the window, unless a compositor keeps the window's picture apart
    // (and then the uncovering below holds anyway).
    LookUntil(middle, 40, [](QRgb seen) { return seen == 0x3060C0u; });
    cover.hide();
    // Looks a few times, as the uncovering reaches the window through the event queue.
    EXPECT_EQ(LookUntil(middle, 200, isWhite), 0xFFFFFFu);
    window.DestroyWindow();
}

}  // namespace
}  // namespace quorvel
