#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QResizeEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "core/render/SceneComposition.h"
#include "core/render/TexturePrimitives.h"
#include "gui/platform/MessagePump.h"
#include "gui/render/CDXWnd.h"
#include "gui/render/OpenWindow.h"
#include "gui/render/TextureFill.h"

namespace quorvel {
namespace {

using test::Fill;

using test::OpenWindow;
using test::ResizeWindow;

QRgb At(const QImage& frame, int x, int y) {
    return frame.pixel(x, y) & 0x00FFFFFFu;
}

// GNOME's compositor (mutter) and KDE's (kwin_wayland) tell a window its size and keep it
// there (kwin configures even a plain window at the size it asked for): a window's own resize
// is never taken, so a test that resizes a window from the program's side has nothing to see
// there and would wait for ever. On a lab's screen the window is full screen and the
// compositor resizes it; the first case of ResizingRemapsOnceTheDeviceExists sends such a size
// itself.
bool CompositorKeepsItsSize() {
    const QList<QByteArray> desktops = qgetenv("XDG_CURRENT_DESKTOP").split(':');
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
           (desktops.contains("GNOME") || desktops.contains("KDE"));
}
constexpr char kKeepsItsSize[] =
    "GNOME's and KDE's compositors keep a window at the size they "
    "gave it";

class DrawingWindowTest : public ::testing::Test {
  protected:
    void TearDown() override { window.DestroyWindow(); }

    // One frame with the canvas and then the given images drawn, read back.
    QImage Present(std::initializer_list<SpriteDraw> sprites) {
        window.SetFrameCapture(true);
        EXPECT_EQ(window.BeginFrame(), 1);
        window.DrawSprite(kCanvas, 0.0f, 0.0f);
        for (const SpriteDraw& s : sprites) {
            window.DrawSprite(s.texture, static_cast<float>(s.x), static_cast<float>(s.y));
        }
        window.EndFrame();
        return window.LastFrame();
    }

    CDXWnd window;
};

TEST_F(DrawingWindowTest, StartsAsConstructed) {
    EXPECT_FALSE(window.m_deviceLost);
    EXPECT_EQ(window.m_scale, 1.0);
    EXPECT_EQ(window.m_offsetX, 0.0);
    EXPECT_EQ(window.m_offsetY, 0.0);
    EXPECT_EQ(window.m_fontFace, "");
    EXPECT_EQ(window.m_fontHeight, 24);
    EXPECT_EQ(window.m_textColor, 0xFFFFFFu);
    EXPECT_EQ(window.m_backColor, 0x000000u);
    EXPECT_EQ(window.m_textures.Count(), 0);
    EXPECT_FALSE(window.IsWindow());
    // Nothing to draw on yet: no frame, no texture operation, no crash.
    EXPECT_EQ(window.BeginFrame(), 0);
    EXPECT_EQ(window.UpdateViewport(), 0);
    EXPECT_EQ(window.InitDirect3D(), 0);
}

TEST_F(DrawingWindowTest, MapsStimulusSpaceOntoEveryWindowShape) {
    struct Case {
        int width, height;
        double scale, offsetX, offsetY;
    };
    const Case cases[] = {
        {1024, 768, 1.0, 0.0, 0.0},
        {1920, 1080, 1.40625, 240.0, 0.0},
        {1280, 1024, 1.25, 0.0, 32.0},
        {2048, 1536, 2.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        ASSERT_EQ(OpenWindow(window, QSize(c.width, c.height)), 1);
        EXPECT_EQ(window.m_windowWidth, c.width);
        EXPECT_EQ(window.m_windowHeight, c.height);
        EXPECT_EQ(window.m_logicalWidth, 1024);
        EXPECT_EQ(window.m_logicalHeight, 768);
        EXPECT_DOUBLE_EQ(window.m_scale, c.scale);
        EXPECT_DOUBLE_EQ(window.m_offsetX, c.offsetX);
        EXPECT_DOUBLE_EQ(window.m_offsetY, c.offsetY);
        // The canvas is index 0 of a fresh table: opaque, the size of stimulus space.
        ASSERT_EQ(window.m_textures.Count(), 1);
        EXPECT_EQ(window.m_textures.Slot(0).width, 1024);
        EXPECT_EQ(window.m_textures.Slot(0).height, 768);
        EXPECT_EQ(window.m_textures.Slot(0).format, TextureFormat::X8R8G8B8);
        window.DestroyWindow();
    }
}

TEST_F(DrawingWindowTest, TheCanvasFillsTheAreaBetweenBlackBars) {
    ASSERT_EQ(OpenWindow(window, QSize(1920, 1080)), 1);
    Fill(window.m_textures, kCanvas, 0xFFFFFFFF);
    const QImage frame = Present({});
    ASSERT_EQ(frame.size(), QSize(1920, 1080));
    for (int y : {0, 540, 1079}) {
        EXPECT_EQ(At(frame, 0, y), 0x000000u);
        EXPECT_EQ(At(frame, 239, y), 0x000000u);
        EXPECT_EQ(At(frame, 240, y), 0xFFFFFFu);
        EXPECT_EQ(At(frame, 1679, y), 0xFFFFFFu);
        EXPECT_EQ(At(frame, 1680, y), 0x000000u);
        EXPECT_EQ(At(frame, 1919, y), 0x000000u);
    }
}

TEST_F(DrawingWindowTest, TheCanvasIsOpaqueAndImagesAreBlendedByTheirAlpha) {
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    // Canvas alpha is ignored: a red with alpha 0 shows as red.
    Fill(window.m_textures, kCanvas, 0x00FF0000);
    const TextureHandle image = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    ASSERT_EQ(image, 1);
    ASSERT_EQ(window.LockTexture(image), 1);
    LockedRect lock = window.m_textures.Locked(image);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            // Left half opaque green, right half a fully transparent white.
            lock.bits[y * (lock.pitch / 4) + x] = x < 50 ? 0xFF00FF00 : 0x00FFFFFF;
        }
    }
    window.UnlockTexture(image);

    const QImage frame = Present({{image, 200, 300}});
    EXPECT_EQ(At(frame, 100, 100), 0xFF0000u);
    EXPECT_EQ(At(frame, 220, 350), 0x00FF00u);
    EXPECT_EQ(At(frame, 280, 350), 0xFF0000u);
    EXPECT_EQ(At(frame, 320, 350), 0xFF0000u);
}

TEST_F(DrawingWindowTest, OnlyChangedTexturesAreUploaded) {
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    if (window.Path() != RenderPath::OpenGL) {
        GTEST_SKIP() << "the raster path uploads nothing";
    }
    const TextureHandle image = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    Fill(window.m_textures, image, 0xFFFFFFFF);

    Present({{image, 0, 0}});
    const int afterFirst = window.UploadCount();
    Present({{image, 0, 0}});
    EXPECT_EQ(window.UploadCount(), afterFirst);

    Fill(window.m_textures, image, 0xFF0000FF);
    const QImage frame = Present({{image, 0, 0}});
    EXPECT_EQ(window.UploadCount(), afterFirst + 1);
    EXPECT_EQ(At(frame, 50, 50), 0x0000FFu);

    // A table reset gives the slots new pixels under the same indices: they are uploaded again.
    ASSERT_EQ(window.ResetTextures(), 1);
    const TextureHandle again = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    ASSERT_EQ(again, image);
    Fill(window.m_textures, again, 0xFF00FF00);
    EXPECT_EQ(At(Present({{again, 0, 0}}), 50, 50), 0x00FF00u);
}

TEST_F(DrawingWindowTest, AFailedTextureIsNeverDrawnOrLocked) {
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    window.m_textures.FailCreationAfter(1);
    const TextureHandle failed = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    ASSERT_EQ(failed, -1);
    EXPECT_EQ(window.m_textures.Count(), 1);
    EXPECT_EQ(window.LockTexture(failed), 0);
    EXPECT_EQ(window.UnlockTexture(failed), 1);
    window.DrawTextToTexture(failed, "1", std::nullopt, kDtCenter | kDtVCenter | kDtSingleLine);
    const int uploads = window.UploadCount();
    const QImage frame = Present({{failed, 0, 0}, {7, 0, 0}});
    // Only the canvas went up (on the raster path nothing goes up), and the frame is the
    // black canvas.
    EXPECT_EQ(window.UploadCount(), window.Path() == RenderPath::OpenGL ? uploads + 1 : 0);
    EXPECT_EQ(At(frame, 50, 50), 0x000000u);
}

TEST_F(DrawingWindowTest, ResizingRemapsOnceTheDeviceExists) {
    ASSERT_TRUE(
        window.Create(QStringLiteral("Experiment Window"), nullptr, QRect(0, 0, 1024, 768)));
    // A second on-screen window for the same object is refused.
    EXPECT_FALSE(
        window.Create(QStringLiteral("Experiment Window"), nullptr, QRect(0, 0, 1024, 768)));
    // Sizes that arrive before the device exists change nothing.
    window.ShowMaximized();
    while (!window.Window()->isExposed()) {
        Idle();
    }
    // A compositor keeps a full-screen window at the screen's size (GNOME's never sends
    // another), so the size arrives as the window system would send it.
    QResizeEvent resize(QSize(1280, 1024), window.Window()->size());
    QCoreApplication::sendEvent(window.Window(), &resize);
    EXPECT_EQ(window.m_windowWidth, 0);
    EXPECT_EQ(window.m_scale, 1.0);
    window.DestroyWindow();

    if (CompositorKeepsItsSize()) {
        GTEST_SKIP() << kKeepsItsSize;
    }
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    ResizeWindow(window, QSize(1920, 1080));
    EXPECT_DOUBLE_EQ(window.m_scale, 1.40625);
    EXPECT_DOUBLE_EQ(window.m_offsetX, 240.0);
    Fill(window.m_textures, kCanvas, 0xFFFFFFFF);
    const QImage frame = Present({});
    ASSERT_EQ(frame.size(), QSize(1920, 1080));
    EXPECT_EQ(At(frame, 239, 10), 0x000000u);
    EXPECT_EQ(At(frame, 240, 10), 0xFFFFFFu);

    ResizeWindow(window, QSize(1280, 1024));
    EXPECT_DOUBLE_EQ(window.m_scale, 1.25);
    EXPECT_DOUBLE_EQ(window.m_offsetY, 32.0);
}

TEST_F(DrawingWindowTest, TheUserCannotCloseTheWindow) {
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    EXPECT_FALSE(window.Window()->close());
    EXPECT_TRUE(window.IsWindow());
    EXPECT_TRUE(window.Window()->isVisible());
    EXPECT_EQ(window.BeginFrame(), 1);
    window.EndFrame();
}

TEST_F(DrawingWindowTest, ALostDeviceBeginsNoFrameAndTheScreenKeepsItsPicture) {
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    Fill(window.m_textures, kCanvas, 0xFFFFFFFF);
    const QImage before = Present({});
    window.m_deviceLost = true;
    EXPECT_EQ(window.BeginFrame(), 0);
    Fill(window.m_textures, kCanvas, 0xFF0000FF);
    window.DrawSprite(kCanvas, 0.0f, 0.0f);
    window.EndFrame();
    EXPECT_EQ(window.LastFrame(), before);

    // The next run's set-up starts from a fresh device.
    window.DestroyWindow();
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    EXPECT_FALSE(window.m_deviceLost);
    EXPECT_EQ(window.BeginFrame(), 1);
    window.EndFrame();
}

TEST_F(DrawingWindowTest, DestroyingTheWindowReleasesEverythingForTheNextRun) {
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    window.DestroyWindow();
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(window.Window(), nullptr);
    EXPECT_EQ(window.m_textures.Count(), 0);
    EXPECT_EQ(window.BeginFrame(), 0);
    window.DrawSprite(kCanvas, 0.0f, 0.0f);
    window.EndFrame();

    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    EXPECT_EQ(window.m_textures.Count(), 1);
    EXPECT_EQ(window.AddTexture(100, 100, TextureFormat::A8R8G8B8), 1);
}

// A machine whose OpenGL was chosen but on which no context can then be made.
class NoOpenGLWindow : public CDXWnd {
  public:
    NoOpenGLWindow() { ForceRenderPath(RenderPath::OpenGL); }

  protected:
    std::unique_ptr<QOpenGLContext> CreateContext() override { return nullptr; }
};

TEST(DrawingWindowWithoutOpenGL, ReportsFailureAndNeverDraws) {
    NoOpenGLWindow window;
    window.SetFrameCapture(true);
    EXPECT_EQ(OpenWindow(window, QSize(1024, 768)), 0);
    EXPECT_EQ(window.m_textures.Count(), 0);
    EXPECT_EQ(window.BeginFrame(), 0);
    window.DrawSprite(kCanvas, 0.0f, 0.0f);
    window.EndFrame();
    EXPECT_TRUE(window.LastFrame().isNull());
    // Texture work on the missing canvas does nothing.
    ClearTexture(window.m_textures, kCanvas);
    EXPECT_EQ(window.LockTexture(kCanvas), 0);
    window.DestroyWindow();
}

// A window whose size changes during a test (the screen changed) maps touches with its new
// size at once; the picture must follow at once too, or the subject sees the circles where
// they are no longer taken to be.
TEST_F(DrawingWindowTest, AResizedWindowShowsItsLastFrameAtTheNewMapping) {
    if (CompositorKeepsItsSize()) {
        GTEST_SKIP() << kKeepsItsSize;
    }
    ASSERT_EQ(OpenWindow(window, QSize(1024, 768)), 1);
    const TextureHandle white = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    Fill(window.m_textures, white, 0xFFFFFFFFu);
    Present({{white, 462, 334}});
    ResizeWindow(window, QSize(1920, 1080));
    const QImage frame = window.LastFrame();
    ASSERT_EQ(frame.size(), QSize(1920, 1080));
    // The square's middle, stimulus (512, 384), now at 240 + 512 x 1.40625.
    EXPECT_EQ(At(frame, 960, 540), 0xFFFFFFu);
    EXPECT_EQ(At(frame, 239, 540), 0x000000u);  // the black bar
}

}  // namespace
}  // namespace quorvel
