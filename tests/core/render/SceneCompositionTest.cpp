#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "core/render/SceneComposition.h"
#include "core/render/TexturePrimitives.h"
#include "core/render/TextureTable.h"

namespace quorvel {

// How a failing expectation shows a draw (found by GoogleTest next to the type).
void PrintTo(const SpriteDraw& d, std::ostream* os) {
    *os << "{texture " << d.texture << " at " << d.x << "," << d.y << "}";
}

namespace {

// A run's state and images: targets on a 5 x 5 grid, 200 x 140 units apart, visited row by
// row in a snake, so every path segment is a horizontal or vertical band. Each image is one
// colour of its own, with a transparent top-left pixel.
class SceneTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(table.ResetTextures(), 1);
        for (int i = 0; i < kTargetCount; ++i) {
            const int row = i / 5;
            const int col = row % 2 == 0 ? i % 5 : 4 - i % 5;
            state.stimuli[i] = {112 + 200 * col, 104 + 140 * row};
            state.target_textures[i] = MakeImage(TargetColour(i));
        }
        state.blank_texture = MakeImage(0xFF0000F0u);
        state.ring_texture = MakeImage(0xFF0000F1u);
    }

    static std::uint32_t TargetColour(int i) { return 0xFF000100u + static_cast<std::uint32_t>(i); }

    TextureHandle MakeImage(std::uint32_t colour) {
        const TextureHandle h = table.AddTexture(kImageSize, kImageSize, TextureFormat::A8R8G8B8);
        EXPECT_GT(h, 0);
        FillCircle(table, h, 50, 50, 200, colour);  // covers the whole image
        DrawLine(table, h, 0, 0, 0, 0, kTransparent);
        return h;
    }

    std::uint32_t Canvas(int x, int y) const {
        return table.Slot(kCanvas).pixels[static_cast<std::size_t>(y) * kLogicalWidth + x];
    }

    // Pixel (dx, dy) of target i's image area on the canvas.
    std::uint32_t InImageOf(int i, int dx, int dy) const {
        return Canvas(state.stimuli[i].x - kImageHalf + dx, state.stimuli[i].y - kImageHalf + dy);
    }

    int CountCanvas(std::uint32_t value) const {
        int count = 0;
        for (std::uint32_t p : table.Slot(kCanvas).pixels) {
            count += p == value;
        }
        return count;
    }

    // An image copied whole, its transparent corner included, where no path crosses it.
    void ExpectImageOnCanvas(int i) const {
        SCOPED_TRACE(testing::Message() << "image " << i);
        EXPECT_EQ(InImageOf(i, 0, 0), kTransparent);
        EXPECT_EQ(InImageOf(i, 1, 0), TargetColour(i));
        EXPECT_EQ(InImageOf(i, 99, 99), TargetColour(i));
        EXPECT_EQ(InImageOf(i, 10, 90), TargetColour(i));
    }

    TextureTable table;
    ExperimentState state;
};

TEST_F(SceneTest, SpritesComeInDrawingOrder) {
    auto at = [&](TextureHandle texture, int i) { return ImageCorner(state, texture, i); };
    auto targetsFrom = [&](std::vector<SpriteDraw> draws, int first) {
        for (int i = first; i < kTargetCount; ++i) {
            draws.push_back(at(state.target_textures[i], i));
        }
        return draws;
    };
    const SpriteDraw canvas{kCanvas, 0, 0};

    std::vector<SpriteDraw> start{canvas};
    for (int i = 1; i < kTargetCount; ++i) {
        start.push_back(at(state.blank_texture, i));
    }
    struct Case {
        int completed;
        std::vector<SpriteDraw> expected;
    };
    const Case cases[] = {
        {0, start},
        {1, targetsFrom({canvas, at(state.target_textures[0], 0), at(state.ring_texture, 0)}, 1)},
        {2, targetsFrom({canvas, at(state.target_textures[1], 1), at(state.ring_texture, 1)}, 2)},
        {25, {canvas, at(state.target_textures[24], 24), at(state.ring_texture, 24)}},
        {-1, start},
        {26, {canvas, at(state.target_textures[24], 24), at(state.ring_texture, 24)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.completed);
        EXPECT_EQ(SceneSprites(state, c.completed), c.expected);
    }

    // Positions are the image corners, 50 up and left of the centres.
    EXPECT_EQ(at(7, 3), (SpriteDraw{7, state.stimuli[3].x - 50, state.stimuli[3].y - 50}));
}

TEST_F(SceneTest, BeforeTheFirstTouchTheCanvasHoldsTheFirstImageOnly) {
    ComposeCanvas(table, state, 0);
    ExpectImageOnCanvas(0);
    EXPECT_EQ(CountCanvas(TargetColour(0)), 100 * 100 - 1);
    EXPECT_EQ(CountCanvas(kTransparent), 1024 * 768 - (100 * 100 - 1));
    EXPECT_EQ(CountCanvas(kOpaqueRed), 0);
    EXPECT_FALSE(table.IsLocked(kCanvas));
}

TEST_F(SceneTest, AfterOneTouchTheCanvasIsEmpty) {
    ComposeCanvas(table, state, 0);
    ComposeCanvas(table, state, 1);
    EXPECT_EQ(CountCanvas(kTransparent), 1024 * 768);
}

TEST_F(SceneTest, AfterTwoTouchesOnePathSegmentRunsOverTheFirstImage) {
    ComposeCanvas(table, state, 2);
    // Targets 0 and 1 lie side by side on row 104: the path is rows 103..105 from x 111 to 313.
    ASSERT_EQ(state.stimuli[0].y, state.stimuli[1].y);
    int red = 0;
    for (int y = 0; y < kLogicalHeight; ++y) {
        for (int x = 0; x < kLogicalWidth; ++x) {
            const bool onPath = y >= 103 && y <= 105 && x >= 111 && x <= 313;
            red += onPath;
            if ((Canvas(x, y) == kOpaqueRed) != onPath) {
                ADD_FAILURE() << "pixel " << x << "," << y;
                return;
            }
        }
    }
    EXPECT_EQ(CountCanvas(kOpaqueRed), red);
    ExpectImageOnCanvas(0);
    EXPECT_EQ(InImageOf(0, 50, 50), kOpaqueRed);  // over the first label
    // The second target is drawn as a sprite over the path's end, not on the canvas.
    EXPECT_EQ(CountCanvas(TargetColour(1)), 0);
    EXPECT_EQ(CountCanvas(TargetColour(0)), 100 * 100 - 1 - 3 * 51);
}

TEST_F(SceneTest, AfterTheLastTouchTheWholePathRunsThroughTwentyFourImages) {
    ComposeCanvas(table, state, 25);
    for (int i = 0; i < 24; ++i) {
        ExpectImageOnCanvas(i);
        EXPECT_EQ(InImageOf(i, 50, 50), kOpaqueRed) << i;
    }
    EXPECT_EQ(CountCanvas(TargetColour(24)), 0);
    // The path ends at the last centre: the last segment comes from target 23 on its left and
    // stops one pixel (the pen) past the centre.
    const Stimulus last = state.stimuli[24];
    ASSERT_EQ(state.stimuli[23].y, last.y);
    ASSERT_LT(state.stimuli[23].x, last.x);
    EXPECT_EQ(Canvas(last.x + 1, last.y + 1), kOpaqueRed);
    EXPECT_EQ(Canvas(last.x + 2, last.y), kTransparent);
    EXPECT_EQ(Canvas(last.x, last.y + 2), kTransparent);
    // Every one of the 24 segments is drawn: the middle of each is red.
    for (int j = 1; j < kTargetCount; ++j) {
        const int mx = (state.stimuli[j - 1].x + state.stimuli[j].x) / 2;
        const int my = (state.stimuli[j - 1].y + state.stimuli[j].y) / 2;
        EXPECT_EQ(Canvas(mx, my), kOpaqueRed) << j;
    }
}

TEST_F(SceneTest, AFrameDoesNotDependOnTheFramesBeforeIt) {
    for (int n : {0, 2, 13}) {
        SCOPED_TRACE(n);
        ComposeCanvas(table, state, n);
        const std::vector<std::uint32_t> alone = table.Slot(kCanvas).pixels;
        ComposeCanvas(table, state, 25);
        ComposeCanvas(table, state, n);
        EXPECT_TRUE(table.Slot(kCanvas).pixels == alone);
    }
}

TEST(ComposeCanvas, WithoutImagesOrCanvasItDrawsWhatItCanAndNeverCrashes) {
    ExperimentState state;
    for (int i = 0; i < kTargetCount; ++i) {
        state.stimuli[i] = {100 + 30 * i, 200};
        state.target_textures[i] = 40 + i;  // not in the table
    }
    TextureTable table;
    ASSERT_EQ(table.ResetTextures(), 1);
    ComposeCanvas(table, state, 25);
    EXPECT_EQ(table.Slot(kCanvas).pixels[200 * kLogicalWidth + 100], kOpaqueRed);
    EXPECT_FALSE(table.IsLocked(kCanvas));

    TextureTable empty;
    ComposeCanvas(empty, state, 25);
    EXPECT_EQ(empty.Count(), 0);
}

}  // namespace
}  // namespace quorvel
