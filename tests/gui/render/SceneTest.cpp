#include <gtest/gtest.h>

#include <QImage>
#include <QOpenGLContext>
#include <cmath>

#include "gui/experiment/TargetImages.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/DrawScene.h"
#include "gui/render/OpenWindow.h"
#include "gui/render/SceneImages.h"

namespace quorvel {
namespace {

constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kGreen = 0x00FF00;
constexpr QRgb kWhite = 0xFFFFFF;

QRgb At(const QImage& frame, int x, int y) {
    return frame.pixel(x, y) & 0x00FFFFFFu;
}

bool IsLabelPixel(QRgb p) {
    return qRed(p) >= 0x80 && qGreen(p) >= 0x80 && qBlue(p) >= 0x80;
}

class SceneTest : public ::testing::Test {
  protected:
    void Open(QSize size, TestType type = kPartA) {
        ASSERT_EQ(test::OpenWindow(window, size), 1);
        window.SetFrameCapture(true);
        state.test_type = type;
        test::GridLayout(state);
        test::BuildSceneImages(window, state);
    }

    QImage Scene(int completed) {
        DrawScene(window, state, completed);
        return window.LastFrame();
    }

    // Label-coloured pixels within `radius` of target i's centre (scale 1).
    int LabelPixels(const QImage& frame, int i, int radius = 30) const {
        const Stimulus c = state.stimuli[i];
        int count = 0;
        for (int y = c.y - radius; y <= c.y + radius; ++y) {
            for (int x = c.x - radius; x <= c.x + radius; ++x) {
                if ((x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= radius * radius &&
                    IsLabelPixel(At(frame, x, y))) {
                    ++count;
                }
            }
        }
        return count;
    }

    // Whether every pixel matching `colour` lies within `radius` of a target in [first, last].
    bool OnlyNear(const QImage& frame, QRgb colour, int first, int last, int radius) const {
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                if (At(frame, x, y) != colour) {
                    continue;
                }
                bool nearTarget = false;
                for (int i = first; i <= last && !nearTarget; ++i) {
                    const Stimulus c = state.stimuli[i];
                    nearTarget = std::hypot(x - c.x, y - c.y) <= radius;
                }
                if (!nearTarget) {
                    return false;
                }
            }
        }
        return true;
    }

    void TearDown() override { window.DestroyWindow(); }

    CTouchWnd window;
    ExperimentState state;
};

TEST_F(SceneTest, BeforeTheFirstTouchOnlyTheFirstCircleIsLabelled) {
    Open(QSize(1024, 768));
    const QImage frame = Scene(0);
    ASSERT_EQ(frame.size(), QSize(1024, 768));
    EXPECT_GT(LabelPixels(frame, 0), 20);
    for (int i = 1; i < kTargetCount; ++i) {
        EXPECT_EQ(LabelPixels(frame, i), 0) << "target " << i;
        // Every circle shows its white rim.
        EXPECT_EQ(At(frame, state.stimuli[i].x + 48, state.stimuli[i].y), kWhite) << i;
    }
    // No path, no ring, and nothing at all away from the circles.
    EXPECT_TRUE(OnlyNear(frame, kRed, 0, -1, 0));
    EXPECT_TRUE(OnlyNear(frame, kGreen, 0, -1, 0));
    EXPECT_TRUE(OnlyNear(frame, kWhite, 0, 24, 50));
}

TEST_F(SceneTest, AfterOneTouchEveryCircleIsLabelledAndTheFirstCarriesTheRing) {
    Open(QSize(1024, 768));
    const QImage frame = Scene(1);
    for (int i = 0; i < kTargetCount; ++i) {
        EXPECT_GT(LabelPixels(frame, i), 20) << "target " << i;
    }
    EXPECT_EQ(At(frame, state.stimuli[0].x + 42, state.stimuli[0].y), kGreen);
    EXPECT_TRUE(OnlyNear(frame, kGreen, 0, 0, 45));
    EXPECT_TRUE(OnlyNear(frame, kRed, 0, -1, 0));
}

TEST_F(SceneTest, ThePathRunsOverTheFirstLabelAndUnderTheSecondCircle) {
    Open(QSize(1024, 768));
    const QImage frame = Scene(2);
    // Targets 0 (100, 100) and 1 (300, 100): the red line between their discs, three wide.
    for (int y = 99; y <= 101; ++y) {
        EXPECT_EQ(At(frame, 200, y), kRed) << y;
    }
    EXPECT_NE(At(frame, 200, 98), kRed);
    EXPECT_NE(At(frame, 200, 102), kRed);
    // Over the first circle, where its label is.
    EXPECT_EQ(At(frame, 100, 100), kRed);
    EXPECT_EQ(At(frame, 120, 100), kRed);
    // Hidden by the second circle's disc, up to its centre.
    for (int x = 255; x <= 300; ++x) {
        EXPECT_NE(At(frame, x, 100), kRed) << x;
    }
    // The ring has moved to the second circle.
    EXPECT_EQ(At(frame, 342, 100), kGreen);
    EXPECT_TRUE(OnlyNear(frame, kGreen, 1, 1, 45));
}

TEST_F(SceneTest, TheFinalFrameShowsTheWholePathAndTheRingOnTheLastCircle) {
    Open(QSize(1024, 768));
    const QImage frame = Scene(25);
    for (int j = 1; j < kTargetCount; ++j) {
        const Stimulus a = state.stimuli[j - 1];
        const Stimulus b = state.stimuli[j];
        EXPECT_EQ(At(frame, (a.x + b.x) / 2, (a.y + b.y) / 2), kRed) << "segment " << j;
    }
    // The last circle lies over the path's end, its ring over everything.
    const Stimulus last = state.stimuli[24];
    EXPECT_EQ(At(frame, last.x + 42, last.y), kGreen);
    EXPECT_GT(LabelPixels(frame, 24), 20);
    EXPECT_TRUE(OnlyNear(frame, kGreen, 24, 24, 45));
}

TEST_F(SceneTest, TheSceneIsScaledBetweenBlackBars) {
    Open(QSize(1920, 1080));
    const QImage frame = Scene(25);
    ASSERT_EQ(frame.size(), QSize(1920, 1080));
    int coloured = 0;
    for (int y = 0; y < 1080; ++y) {
        for (int x = 0; x < 240; ++x) {
            coloured += At(frame, x, y) != 0 ? 1 : 0;
            coloured += At(frame, 1919 - x, y) != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(coloured, 0);
    // The last circle's centre (900, 660) lands at (240 + 900 * 1.40625, 660 * 1.40625); the
    // ring, 42 units out, at 59 pixels from it.
    EXPECT_EQ(At(frame, 240 + 1266 + 59, 928), kGreen);
    EXPECT_EQ(At(frame, 240 + 1266 - 59, 928), kGreen);
    // A segment's midpoint, (200, 100) between the first two circles.
    EXPECT_EQ(At(frame, 240 + 281, 141), kRed);
}

TEST_F(SceneTest, PartBKanaLabelsAreDrawn) {
    Open(QSize(1024, 768), kPartB);
    const QImage frame = Scene(1);
    for (int i = 1; i < kTargetCount; i += 2) {
        EXPECT_GT(LabelPixels(frame, i), 50) << "kana at position " << i;
    }
}

// In English Part B shows the Latin letters: each circle's image is exactly that letter drawn on
// the circle (and not the kana of the same place), and the screen shows them.
TEST_F(SceneTest, PartBLatinLabelsAreDrawnInEnglish) {
    ASSERT_EQ(test::OpenWindow(window, QSize(1024, 768)), 1);
    window.SetFrameCapture(true);
    state.test_type = kPartB;
    state.labels = LabelScript::Latin;
    test::GridLayout(state);
    ASSERT_TRUE(BuildTargetImages(window, state));
    TextureTable& table = window.m_textures;
    const auto drawn = [&](const std::string& label) {
        const TextureHandle h = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
        ClearTexture(table, h);
        FillCircle(table, h, 50, 50, 49, kOpaqueBlack);
        DrawCircle(table, h, 50, 50, 48, 1, kOpaqueWhite);
        window.m_textColor = 0xFFFFFF;
        window.m_fontHeight = 50;
        window.DrawTextToTexture(h, label, std::nullopt, kDtCenter | kDtVCenter | kDtSingleLine);
        return table.Slot(h).pixels;
    };
    const char* kana[12] = {"\x82\xA0", "\x82\xA2", "\x82\xA4", "\x82\xA6", "\x82\xA8", "\x82\xA9",
                            "\x82\xAB", "\x82\xAD", "\x82\xAF", "\x82\xB1", "\x82\xB3", "\x82\xB5"};
    for (int k = 0; k < 12; ++k) {
        const int i = 2 * k + 1;
        const std::vector<std::uint32_t> image = table.Slot(state.target_textures[i]).pixels;
        EXPECT_EQ(image, drawn(std::string(1, static_cast<char>('A' + k)))) << "position " << i;
        EXPECT_NE(image, drawn(kana[k])) << "position " << i;
    }
    const QImage frame = Scene(1);
    for (int i = 1; i < kTargetCount; i += 2) {
        EXPECT_GT(LabelPixels(frame, i), 30) << "letter at position " << i;
    }
}

TEST_F(SceneTest, ImagesThatCouldNotBeMadeAreLeftOut) {
    Open(QSize(1024, 768));
    state.target_textures[3] = -1;
    state.ring_texture = -1;
    const QImage frame = Scene(5);
    // Target 3 is neither copied onto the canvas nor drawn: no rim, only the path over it.
    const Stimulus gone = state.stimuli[3];
    EXPECT_NE(At(frame, gone.x + 48, gone.y), kWhite);
    EXPECT_EQ(At(frame, gone.x + 20, gone.y), kRed);
    EXPECT_TRUE(OnlyNear(frame, kGreen, 0, -1, 0));
    EXPECT_EQ(At(frame, state.stimuli[10].x + 48, state.stimuli[10].y), kWhite);
}

// A machine whose OpenGL was chosen but on which no context can then be made.
class NoOpenGLWindow : public CTouchWnd {
  public:
    NoOpenGLWindow() { ForceRenderPath(RenderPath::OpenGL); }

  protected:
    std::unique_ptr<QOpenGLContext> CreateContext() override { return nullptr; }
};

TEST(SceneWithoutOpenGL, DrawsNothingAndDoesNotFail) {
    NoOpenGLWindow window;
    window.SetFrameCapture(true);
    ASSERT_EQ(test::OpenWindow(window, QSize(1024, 768)), 0);
    ExperimentState state;
    test::GridLayout(state);
    test::BuildSceneImages(window, state);
    for (int n : {0, 1, 25}) {
        DrawScene(window, state, n);
    }
    EXPECT_TRUE(window.LastFrame().isNull());
    window.DestroyWindow();
}

}  // namespace
}  // namespace quorvel
