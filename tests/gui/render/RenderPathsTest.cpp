#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QWindow>
#include <QtGlobal>
#include <optional>
#include <vector>

#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "core/render/TexturePrimitives.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/DrawScene.h"
#include "gui/render/OpenWindow.h"
#include "gui/render/RenderPath.h"
#include "gui/render/SceneImages.h"

// The window draws with OpenGL where it can and on the processor where it cannot; the subject
// must see the same picture either way. Every scene of a run is drawn both ways and the frames
// are compared pixel for pixel, at several window shapes. The same tests run a second time with
// Qt's scale factor at 1.5 (QUORVEL_TEST_RATIO names the ratio the windows must then have).

namespace quorvel {
namespace {

// The ratio the windows are expected to have, when the run sets one.
std::optional<double> ExpectedRatio() {
    const QByteArray value = qgetenv("QUORVEL_TEST_RATIO");
    if (value.isEmpty()) {
        return std::nullopt;
    }
    return value.toDouble();
}

// A scattered layout, so that the path runs at every angle.
void ScatteredLayout(ExperimentState& state) {
    LcgRandom rng(20240305u);
    ASSERT_EQ(PlaceTargets(rng, state.stimuli), kTargetCount);
}

// The frames of every scene of a run, 0 to 25 targets reached, drawn through `path`.
std::vector<QImage> RunFrames(RenderPath path, QSize size, TestType type, bool scattered) {
    CTouchWnd window;
    window.ForceRenderPath(path);
    EXPECT_EQ(test::OpenWindow(window, size), 1);
    EXPECT_EQ(window.Path(), path);
    EXPECT_EQ(window.Window()->surfaceType(),
              path == RenderPath::Raster ? QSurface::RasterSurface : QSurface::OpenGLSurface);
    // The OpenGL window really runs on a driver; the raster one has none.
    EXPECT_EQ(window.RendererName().isEmpty(), path == RenderPath::Raster);
    if (const std::optional<double> ratio = ExpectedRatio()) {
        EXPECT_DOUBLE_EQ(window.Window()->devicePixelRatio(), *ratio);
    }
    window.SetFrameCapture(true);
    ExperimentState state;
    state.test_type = type;
    if (scattered) {
        ScatteredLayout(state);
    } else {
        test::GridLayout(state);
    }
    test::BuildSceneImages(window, state);
    std::vector<QImage> frames;
    for (int n = 0; n <= kTargetCount; ++n) {
        DrawScene(window, state, n);
        frames.push_back(window.LastFrame());
    }
    window.DestroyWindow();
    return frames;
}

// The pixels in which two frames of one size differ, with the first few named.
int Differences(const QImage& a, const QImage& b, std::string& where) {
    const QImage ra = a.convertToFormat(QImage::Format_RGB32);
    const QImage rb = b.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < ra.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(ra.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(rb.constScanLine(y));
        for (int x = 0; x < ra.width(); ++x) {
            const QRgb pa = la[x] & 0xFFFFFFu;
            const QRgb pb = lb[x] & 0xFFFFFFu;
            if (pa != pb && ++count <= 5) {
                where += " (" + std::to_string(x) + "," + std::to_string(y) + ") " +
                         QString::number(pa, 16).toStdString() + " vs " +
                         QString::number(pb, 16).toStdString();
            }
        }
    }
    return count;
}

int Coloured(const QImage& frame, QRgb colour) {
    const QImage r = frame.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < r.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(r.constScanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            count += (line[x] & 0xFFFFFFu) == colour ? 1 : 0;
        }
    }
    return count;
}

TEST(RenderPathsTest, EveryScenePresentsTheSamePixelsOnBothPaths) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize full = screen->size() * screen->devicePixelRatio();
    struct Case {
        QSize size;
        TestType type;
        bool scattered;
    };
    const Case cases[] = {
        {full, kPartA, true},                // the whole screen, as a run shows it
        {QSize(1024, 768), kPartB, false},   // scale 1
        {QSize(1280, 1024), kPartA, false},  // bars above and below
        {QSize(1366, 768), kPartB, true},    // bars left and right, an odd offset
        {QSize(800, 600), kPartA, true},     // smaller than stimulus space
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size.width() << " x " << c.size.height());
        const std::vector<QImage> opengl =
            RunFrames(RenderPath::OpenGL, c.size, c.type, c.scattered);
        const std::vector<QImage> raster =
            RunFrames(RenderPath::Raster, c.size, c.type, c.scattered);
        ASSERT_EQ(opengl.size(), raster.size());
        for (std::size_t n = 0; n < opengl.size(); ++n) {
            SCOPED_TRACE(testing::Message() << "after " << n << " targets");
            ASSERT_FALSE(opengl[n].isNull());
            ASSERT_EQ(opengl[n].size(), raster[n].size());
            std::string where;
            EXPECT_EQ(Differences(opengl[n], raster[n], where), 0) << where;
        }
        // The frames compared are real scenes: the path and the ring are in the last one.
        EXPECT_GT(Coloured(raster.back(), 0xFF0000u), 1000);
        EXPECT_GT(Coloured(raster.back(), 0x00FF00u), 100);
    }
}

TEST(RenderPathsTest, ForcedPathsAreReadFromTheEnvironment) {
    struct Case {
        const char* value;
        std::optional<RenderPath> path;
    };
    const Case cases[] = {
        {"raster", RenderPath::Raster},
        {" Raster\n", RenderPath::Raster},
        {"opengl", RenderPath::OpenGL},
        {"OPENGL", RenderPath::OpenGL},
        {"", std::nullopt},
        {"gl", std::nullopt},
        {"software", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ForcedRenderPath(QByteArray(c.value)), c.path) << '"' << c.value << '"';
    }
    const QByteArray saved = qgetenv(kRenderPathVariable);
    qputenv(kRenderPathVariable, "raster");
    EXPECT_EQ(ChooseRenderPath(), RenderPath::Raster);
    qputenv(kRenderPathVariable, "opengl");
    EXPECT_EQ(ChooseRenderPath(), RenderPath::OpenGL);
    // Left to the machine, which here has OpenGL 2.
    qunsetenv(kRenderPathVariable);
    EXPECT_TRUE(OpenGLCanBeHad());
    EXPECT_EQ(ChooseRenderPath(), RenderPath::OpenGL);
    if (!saved.isNull()) {
        qputenv(kRenderPathVariable, saved);
    }
    EXPECT_STREQ(RenderPathName(RenderPath::OpenGL), "opengl");
    EXPECT_STREQ(RenderPathName(RenderPath::Raster), "raster");
}

// A machine without OpenGL 2: the window takes the raster path of its own accord and the
// test is shown.
class NoOpenGL2Window : public CTouchWnd {
  protected:
    RenderPath ChoosePath() const override { return RenderPath::Raster; }
};

TEST(RenderPathsTest, WithoutOpenGL2TheSceneIsDrawnOnTheRasterPath) {
    NoOpenGL2Window window;
    ASSERT_EQ(test::OpenWindow(window, QSize(1024, 768)), 1);
    EXPECT_EQ(window.Path(), RenderPath::Raster);
    EXPECT_EQ(window.Window()->surfaceType(), QSurface::RasterSurface);
    window.SetFrameCapture(true);
    ExperimentState state;
    test::GridLayout(state);
    test::BuildSceneImages(window, state);
    DrawScene(window, state, 2);
    const QImage frame = window.LastFrame();
    // At a ratio of 1.5 the window's 682.67 device-independent pixels come to 1025 pixels.
    ASSERT_EQ(frame.size(), QSize(window.m_windowWidth, window.m_windowHeight));
    ASSERT_GE(frame.width(), 1024);
    // The path between the first two circles, the ring on the second.
    EXPECT_EQ(frame.pixel(200, 100) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(frame.pixel(342, 100) & 0xFFFFFFu, 0x00FF00u);
    window.DestroyWindow();
}

}  // namespace
}  // namespace quorvel
