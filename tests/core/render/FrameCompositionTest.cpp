#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/experiment/StimulusMapping.h"
#include "core/render/FrameComposition.h"
#include "core/render/TextureTable.h"

namespace quorvel {
namespace {

TEST(FrameCellsTest, EachPixelShowsTheCellUnderItsCentre) {
    struct Case {
        int width, height;
        int pixel;  // a column
        int cell;
    };
    const Case cases[] = {
        // Scale 1: pixel i is cell i.
        {1024, 768, 0, 0},
        {1024, 768, 1023, 1023},
        // 1920 x 1080: scale 1.40625, bars of 240 pixels left and right.
        {1920, 1080, 239, -1},
        {1920, 1080, 240, 0},
        {1920, 1080, 241, 1},
        {1920, 1080, 242, 1},
        {1920, 1080, 261, 15},
        // 262.5 - 240 = 22.5 = 16 x 1.40625 exactly: the centre on a cell's edge is that cell.
        {1920, 1080, 262, 16},
        {1920, 1080, 1679, 1023},
        {1920, 1080, 1680, 1024},
        // Below scale 1 (800 x 600, 0.78125) cells are skipped.
        {800, 600, 0, 0},
        {800, 600, 1, 1},
        {800, 600, 2, 3},
        {800, 600, 799, 1023},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " pixel " << c.pixel);
        const FrameCells cells =
            CellsForWindow(c.width, c.height, FitStimulusSpace(c.width, c.height));
        ASSERT_EQ(cells.columns.size(), static_cast<std::size_t>(c.width));
        ASSERT_EQ(cells.rows.size(), static_cast<std::size_t>(c.height));
        EXPECT_EQ(cells.columns[c.pixel], c.cell);
    }
    // Bars above and below: 1280 x 1024 at 1.25 has 32 rows of bar at the top.
    const FrameCells tall = CellsForWindow(1280, 1024, FitStimulusSpace(1280, 1024));
    EXPECT_EQ(tall.rows[31], -1);
    EXPECT_EQ(tall.rows[32], 0);
    EXPECT_EQ(tall.rows[991], 767);
    EXPECT_EQ(tall.rows[992], 768);
    // No usable scale: every pixel lies outside the plane.
    const FrameCells none = CellsForWindow(4, 3, StimulusMapping{0.0, 0.0, 0.0});
    EXPECT_EQ(none.columns, std::vector<int>(4, -1));
}

class ComposeFrameTest : public testing::Test {
  protected:
    TextureHandle Image(int width, int height, TextureFormat format,
                        const std::vector<std::uint32_t>& pixels) {
        const TextureHandle h = table.AddTexture(width, height, format);
        EXPECT_EQ(table.LockTexture(h), 1);
        const LockedRect lock = table.Locked(h);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                lock.bits[y * (lock.pitch / 4) + x] =
                    pixels[static_cast<std::size_t>(y * width + x)];
            }
        }
        table.UnlockTexture(h);
        return h;
    }

    // A window of width x height at scale `scale` with no offset.
    static FrameCells Cells(int width, int height, double scale) {
        return CellsForWindow(width, height, StimulusMapping{scale, 0.0, 0.0});
    }

    TextureTable table;
    FramePixels frame;
};

TEST_F(ComposeFrameTest, LaterImagesLieOverEarlierOnesByTheirAlpha) {
    // The opaque format ignores alpha: its alpha-0 red shows red.
    const TextureHandle canvas = Image(2, 1, TextureFormat::X8R8G8B8, {0x00FF0000u, 0x000000FFu});
    // Transparent, opaque green, and a half-transparent white over red.
    const TextureHandle over =
        Image(3, 1, TextureFormat::A8R8G8B8, {0x00FFFFFFu, 0xFF00FF00u, 0x80FFFFFFu});
    ComposeFrame(table, {{canvas, 0, 0}, {over, 1, 0}}, Cells(5, 1, 1.0), frame);
    ASSERT_EQ(frame.width, 5);
    ASSERT_EQ(frame.height, 1);
    const std::vector<std::uint32_t> expected = {
        0xFFFF0000u,  // the canvas
        0xFF0000FFu,  // the canvas, under a transparent pixel
        0xFF00FF00u,  // opaque green
        // white at alpha 128 over black: (255 x 128 + 127) / 255 = 128 per channel
        0xFF808080u,
        0xFF000000u,  // nothing drawn: black
    };
    EXPECT_EQ(frame.pixels, expected);
}

TEST_F(ComposeFrameTest, ImagesAreScaledByTheirCellsAndClippedToTheWindow) {
    const TextureHandle image =
        Image(2, 2, TextureFormat::A8R8G8B8, {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u});
    // Scale 2: each texel covers 2 x 2 pixels; the image at cell (1, 0) of a 5 x 3 window
    // shows its columns from pixel 2 and is cut at the right edge and at the bottom.
    ComposeFrame(table, {{image, 1, 0}, {-1, 0, 0}, {7, 0, 0}}, Cells(5, 3, 2.0), frame);
    const std::uint32_t k = 0xFF000000u;
    const std::vector<std::uint32_t> expected = {
        k, k, k | 1, k | 1, k | 2,  //
        k, k, k | 1, k | 1, k | 2,  //
        k, k, k | 3, k | 3, k | 4,
    };
    EXPECT_EQ(frame.pixels, expected);
    // An image wholly outside the window, or left of it, draws nothing and reads nothing.
    ComposeFrame(table, {{image, -2, 0}, {image, 40, 40}}, Cells(5, 3, 2.0), frame);
    EXPECT_EQ(frame.pixels, std::vector<std::uint32_t>(15, k));
}

}  // namespace
}  // namespace quorvel
