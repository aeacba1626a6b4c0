#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "core/render/TexturePrimitives.h"
#include "core/render/TextureTable.h"

namespace quorvel {
namespace {

using Px = std::pair<int, int>;  // (x, y)
using PxSet = std::set<Px>;

std::uint32_t At(const TextureTable& table, TextureHandle index, int x, int y) {
    const TextureSlot& slot = table.Slot(index);
    return slot.pixels[static_cast<std::size_t>(y) * slot.width + x];
}

// The pixels of a texture that differ from `background`.
PxSet Painted(const TextureTable& table, TextureHandle index, std::uint32_t background = 0) {
    PxSet set;
    const TextureSlot& slot = table.Slot(index);
    for (int y = 0; y < slot.height; ++y) {
        for (int x = 0; x < slot.width; ++x) {
            if (At(table, index, x, y) != background) {
                set.insert({x, y});
            }
        }
    }
    return set;
}

void Fill(TextureTable& table, TextureHandle index, std::uint32_t value) {
    ASSERT_EQ(table.LockTexture(index), 1);
    const TextureSlot& slot = table.Slot(index);
    std::fill(table.Locked(index).bits, table.Locked(index).bits + slot.width * slot.height, value);
    table.UnlockTexture(index);
}

// A table whose canvas (index 0) is w x h.
TextureTable CanvasOnly(int w, int h) {
    TextureTable table;
    table.ResetTextures(w, h);
    return table;
}

PxSet Offset(const PxSet& set, int dx, int dy) {
    PxSet out;
    for (const Px& p : set) {
        out.insert({p.first + dx, p.second + dy});
    }
    return out;
}

// Every point of `centres` widened to a disc of radius 1 (the 3 x 3 square).
PxSet Widened(const PxSet& centres) {
    PxSet out;
    for (const Px& p : centres) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                out.insert({p.first + dx, p.second + dy});
            }
        }
    }
    return out;
}

TEST(DrawLine, SetsExactlyTheSteppedPixels) {
    struct Case {
        int x0, y0, x1, y1;
        PxSet expected;
    };
    const Case cases[] = {
        {0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        {5, 2, 0, 0, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        {0, 0, 2, 4, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}}},
        {2, 4, 0, 0, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}}},
        {2, 0, 0, 4, {{2, 0}, {1, 1}, {1, 2}, {0, 3}, {0, 4}}},          // x falling as y rises
        {0, 2, 5, 0, {{0, 2}, {1, 2}, {2, 1}, {3, 1}, {4, 0}, {5, 0}}},  // y falling
        {3, 3, 3, 3, {{3, 3}}},
        {1, 2, 4, 2, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {4, 1, 4, 5, {{4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "(" << c.x0 << "," << c.y0 << ")->(" << c.x1 << "," << c.y1 << ")");
        TextureTable table = CanvasOnly(8, 8);
        DrawLine(table, 0, c.x0, c.y0, c.x1, c.y1, kOpaqueWhite);
        EXPECT_EQ(Painted(table, 0), c.expected);
        for (const Px& p : c.expected) {
            EXPECT_EQ(At(table, 0, p.first, p.second), kOpaqueWhite);
        }
    }
}

TEST(FillCircle, SmallRadiiGiveTheKnownDiscs) {
    struct Case {
        int radius;
        PxSet expected;  // around the centre (5, 5)
    };
    PxSet square;
    for (int y = 4; y <= 6; ++y) {
        for (int x = 4; x <= 6; ++x) {
            square.insert({x, y});
        }
    }
    PxSet radius2;  // rows of 3, 5, 5, 5, 3
    for (int y = 3; y <= 7; ++y) {
        const int half = (y == 3 || y == 7) ? 1 : 2;
        for (int x = 5 - half; x <= 5 + half; ++x) {
            radius2.insert({x, y});
        }
    }
    ASSERT_EQ(radius2.size(), 21u);
    const Case cases[] = {{-1, {}}, {INT_MIN, {}}, {0, {{5, 5}}}, {1, square}, {2, radius2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radius);
        TextureTable table = CanvasOnly(11, 11);
        FillCircle(table, 0, 5, 5, c.radius, kOpaqueBlack);
        EXPECT_EQ(Painted(table, 0), c.expected);
    }
}

TEST(FillCircle, TheTargetDiscCoversColumnsAndRowsOneToNinetyNine) {
    constexpr std::uint32_t kBefore = 0x12345678u;
    TextureTable table;
    ASSERT_EQ(table.AddTexture(100, 100, TextureFormat::A8R8G8B8), 0);
    Fill(table, 0, kBefore);
    FillCircle(table, 0, 50, 50, 49, kOpaqueBlack);

    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(At(table, 0, i, 0), kBefore) << "row 0, x " << i;
        EXPECT_EQ(At(table, 0, 0, i), kBefore) << "column 0, y " << i;
    }
    for (int i = 1; i <= 99; ++i) {
        EXPECT_EQ(At(table, 0, i, 50), kOpaqueBlack) << "x " << i;
        EXPECT_EQ(At(table, 0, 50, i), kOpaqueBlack) << "y " << i;
    }
    // Round, not square: the corners of the 99 x 99 box stay as they were.
    EXPECT_EQ(At(table, 0, 1, 1), kBefore);
    EXPECT_EQ(At(table, 0, 99, 99), kBefore);
    // Symmetric about its centre and its diagonals.
    const PxSet disc = Painted(table, 0, kBefore);
    for (const Px& p : disc) {
        const int dx = p.first - 50;
        const int dy = p.second - 50;
        EXPECT_TRUE(disc.count({50 - dx, 50 + dy}) && disc.count({50 + dx, 50 - dy}) &&
                    disc.count({50 + dy, 50 + dx}))
            << dx << "," << dy;
    }
}

TEST(DrawCircle, TracesTheOutlineWithThePen) {
    // Radius 3, pen 0: the one-pixel outline.
    PxSet outline;
    for (const Px& o : {Px{3, 0}, Px{3, 1}, Px{2, 2}}) {
        for (int sx : {-1, 1}) {
            for (int sy : {-1, 1}) {
                outline.insert({10 + sx * o.first, 10 + sy * o.second});
                outline.insert({10 + sx * o.second, 10 + sy * o.first});
            }
        }
    }
    ASSERT_EQ(outline.size(), 16u);
    TextureTable thin = CanvasOnly(21, 21);
    DrawCircle(thin, 0, 10, 10, 3, 0, kOpaqueWhite);
    EXPECT_EQ(Painted(thin, 0), outline);

    // Pen 1 widens every outline point to a 3 x 3 square, leaving the middle empty.
    TextureTable thick = CanvasOnly(21, 21);
    DrawCircle(thick, 0, 10, 10, 3, 1, kOpaqueWhite);
    EXPECT_EQ(Painted(thick, 0), Widened(outline));
    EXPECT_EQ(At(thick, 0, 10, 10), 0u);

    // Nothing for a negative radius or pen; radius 0 with pen 0 is the centre alone.
    TextureTable none = CanvasOnly(21, 21);
    DrawCircle(none, 0, 10, 10, -1, 1, kOpaqueWhite);
    DrawCircle(none, 0, 10, 10, 3, -1, kOpaqueWhite);
    EXPECT_TRUE(Painted(none, 0).empty());
    DrawCircle(none, 0, 10, 10, 0, 0, kOpaqueWhite);
    EXPECT_EQ(Painted(none, 0), (PxSet{{10, 10}}));
}

TEST(DrawCircle, TheRimAndRingOfTheTargetImagesStayInsideTheImage) {
    struct Case {
        int radius, pen, reach;
    };
    for (const Case& c : {Case{48, 1, 49}, Case{42, 2, 44}}) {
        SCOPED_TRACE(c.radius);
        TextureTable table;
        ASSERT_EQ(table.AddTexture(100, 100, TextureFormat::A8R8G8B8), 0);
        DrawCircle(table, 0, 50, 50, c.radius, c.pen, kOpaqueGreen);
        const PxSet ring = Painted(table, 0);
        int minX = 100, maxX = -1, minY = 100, maxY = -1;
        for (const Px& p : ring) {
            minX = std::min(minX, p.first);
            maxX = std::max(maxX, p.first);
            minY = std::min(minY, p.second);
            maxY = std::max(maxY, p.second);
            const int dx = p.first - 50;
            const int dy = p.second - 50;
            EXPECT_TRUE(ring.count({50 - dx, 50 + dy}) && ring.count({50 + dx, 50 - dy}) &&
                        ring.count({50 + dy, 50 + dx}))
                << dx << "," << dy;
        }
        EXPECT_EQ(minX, 50 - c.reach);
        EXPECT_EQ(maxX, 50 + c.reach);
        EXPECT_EQ(minY, 50 - c.reach);
        EXPECT_EQ(maxY, 50 + c.reach);
        // A ring: the middle stays clear.
        EXPECT_EQ(At(table, 0, 50, 50), 0u);
        EXPECT_EQ(At(table, 0, 50 - c.radius + c.pen + 1, 50), 0u);
    }
}

TEST(DrawThickLine, IsTheLineWidenedToThreePixelsInRed) {
    struct Case {
        int x0, y0, x1, y1;
    };
    for (const Case& c :
         {Case{2, 5, 8, 5}, Case{3, 3, 15, 9}, Case{14, 2, 6, 16}, Case{7, 7, 7, 7}}) {
        SCOPED_TRACE(testing::Message()
                     << "(" << c.x0 << "," << c.y0 << ")->(" << c.x1 << "," << c.y1 << ")");
        TextureTable line = CanvasOnly(20, 20);
        DrawLine(line, 0, c.x0, c.y0, c.x1, c.y1, kOpaqueWhite);
        TextureTable thick = CanvasOnly(20, 20);
        DrawThickLine(thick, c.x0, c.y0, c.x1, c.y1);
        const PxSet painted = Painted(thick, 0);
        EXPECT_EQ(painted, Widened(Painted(line, 0)));
        for (const Px& p : painted) {
            EXPECT_EQ(At(thick, 0, p.first, p.second), kOpaqueRed);
        }
    }
    // The horizontal case spelled out: rows 4 to 6, columns 1 to 9.
    TextureTable table = CanvasOnly(20, 20);
    DrawThickLine(table, 2, 5, 8, 5);
    PxSet band;
    for (int y = 4; y <= 6; ++y) {
        for (int x = 1; x <= 9; ++x) {
            band.insert({x, y});
        }
    }
    EXPECT_EQ(Painted(table, 0), band);
}

TEST(DrawThickLine, DrawsOnTheCanvasOnly) {
    TextureTable table = CanvasOnly(20, 20);
    ASSERT_EQ(table.AddTexture(20, 20, TextureFormat::A8R8G8B8), 1);
    DrawThickLine(table, 0, 0, 19, 19);
    EXPECT_FALSE(Painted(table, 0).empty());
    EXPECT_TRUE(Painted(table, 1).empty());

    TextureTable empty;
    DrawThickLine(empty, 0, 0, 19, 19);  // no canvas: nothing, and no crash
    EXPECT_EQ(empty.Count(), 0);
}

// A shape partly outside a small texture shows exactly the part that the same shape, moved
// into the middle of a large texture, has in the matching window.
TEST(Clipping, ShapesPartlyOutsideShowTheirInsidePartOnly) {
    struct Case {
        const char* name;
        std::function<void(TextureTable&, int dx, int dy)> draw;
    };
    const Case cases[] = {
        {"line", [](TextureTable& t, int dx,
                    int dy) { DrawLine(t, 0, -6 + dx, -2 + dy, 9 + dx, 11 + dy, kOpaqueWhite); }},
        {"steep line",
         [](TextureTable& t, int dx, int dy) {
             DrawLine(t, 0, 3 + dx, -9 + dy, -2 + dx, 12 + dy, kOpaqueWhite);
         }},
        {"disc", [](TextureTable& t, int dx,
                    int dy) { FillCircle(t, 0, 7 + dx, 1 + dy, 5, kOpaqueWhite); }},
        {"circle", [](TextureTable& t, int dx,
                      int dy) { DrawCircle(t, 0, 1 + dx, 6 + dy, 6, 1, kOpaqueWhite); }},
        {"thick line", [](TextureTable& t, int dx,
                          int dy) { DrawThickLine(t, -3 + dx, 8 + dy, 12 + dx, -1 + dy); }},
    };
    constexpr int kSmall = 8;
    constexpr int kShift = 16;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureTable small = CanvasOnly(kSmall, kSmall);
        c.draw(small, 0, 0);
        TextureTable large = CanvasOnly(kSmall + 2 * kShift, kSmall + 2 * kShift);
        c.draw(large, kShift, kShift);

        PxSet window;
        for (const Px& p : Offset(Painted(large, 0), -kShift, -kShift)) {
            if (p.first >= 0 && p.first < kSmall && p.second >= 0 && p.second < kSmall) {
                window.insert(p);
            }
        }
        EXPECT_FALSE(window.empty());
        EXPECT_EQ(Painted(small, 0), window);
    }
}

TEST(Clipping, ShapesFarOutsideOrAtTheLimitsOfIntDrawNothing) {
    TextureTable table = CanvasOnly(8, 8);
    DrawLine(table, 0, INT_MAX, INT_MAX, INT_MAX - 3, INT_MAX - 5, kOpaqueWhite);
    DrawLine(table, 0, INT_MAX, INT_MIN, INT_MAX, INT_MIN + 2, kOpaqueWhite);
    FillCircle(table, 0, INT_MAX, INT_MIN, 5, kOpaqueWhite);
    FillCircle(table, 0, -1000, 4, 999, kOpaqueWhite);
    DrawCircle(table, 0, INT_MIN, INT_MAX, 3, 2, kOpaqueWhite);
    DrawThickLine(table, INT_MAX - 1, 0, INT_MAX, 0);
    CopyToCanvas(table, INT_MAX, INT_MAX, 0);
    CopyToCanvas(table, INT_MIN, INT_MIN, 0);
    EXPECT_TRUE(Painted(table, 0).empty());
    // A large disc reaching in by one column shows that column (its side is flat for dozens
    // of rows).
    FillCircle(table, 0, -1000, 4, 1000, kOpaqueWhite);
    PxSet column;
    for (int y = 0; y < 8; ++y) {
        column.insert({0, y});
    }
    EXPECT_EQ(Painted(table, 0), column);
}

TEST(ClearTexture, MakesEveryPixelTransparent) {
    TextureTable table;
    ASSERT_EQ(table.AddTexture(7, 5, TextureFormat::A8R8G8B8), 0);
    Fill(table, 0, 0xFFABCDEFu);
    ClearTexture(table, 0);
    EXPECT_TRUE(Painted(table, 0).empty());
}

class CopyToCanvasTest : public testing::Test {
  protected:
    static constexpr std::uint32_t kCanvasBefore = 0xFF0000AAu;

    void SetUp() override {
        ASSERT_EQ(table.ResetTextures(), 1);
        Fill(table, kCanvas, kCanvasBefore);
        ASSERT_EQ(table.AddTexture(100, 100, TextureFormat::A8R8G8B8), 1);
        // Every source pixel tells where it came from; the left half of row 0 and the whole
        // of column 50 are transparent, as around a disc.
        ASSERT_EQ(table.LockTexture(1), 1);
        std::uint32_t* bits = table.Locked(1).bits;
        for (int r = 0; r < 100; ++r) {
            for (int c = 0; c < 100; ++c) {
                const bool clear = (r == 0 && c < 50) || c == 50;
                bits[r * 100 + c] = clear ? 0u : Source(c, r);
            }
        }
        table.UnlockTexture(1);
    }

    static std::uint32_t Source(int c, int r) {
        return 0xFF000000u | static_cast<std::uint32_t>(r << 8 | c);
    }

    // The canvas holds the source at (x, y) where they overlap and its old value elsewhere.
    void ExpectCopiedAt(int x, int y) {
        int copied = 0;
        for (int cy = 0; cy < 768; ++cy) {
            for (int cx = 0; cx < 1024; ++cx) {
                const int c = cx - x;
                const int r = cy - y;
                const bool inside = c >= 0 && c < 100 && r >= 0 && r < 100;
                const std::uint32_t expected =
                    inside ? At(table, 1, c, r) : static_cast<std::uint32_t>(kCanvasBefore);
                if (At(table, kCanvas, cx, cy) != expected) {
                    ADD_FAILURE() << "canvas (" << cx << "," << cy << ")";
                    return;
                }
                copied += inside;
            }
        }
        copiedPixels = copied;
    }

    TextureTable table;
    int copiedPixels = -1;
};

TEST_F(CopyToCanvasTest, CopiesEveryBitTransparentPixelsIncluded) {
    CopyToCanvas(table, 200, 300, 1);
    ExpectCopiedAt(200, 300);
    EXPECT_EQ(copiedPixels, 100 * 100);
    EXPECT_EQ(At(table, kCanvas, 200, 300), 0u);  // a transparent pixel overwrote the canvas
    EXPECT_EQ(At(table, kCanvas, 250, 310), 0u);
    EXPECT_EQ(At(table, kCanvas, 299, 399), Source(99, 99));
}

TEST_F(CopyToCanvasTest, IsClippedAtEveryEdge) {
    struct Case {
        int x, y, copied;
    };
    const Case cases[] = {
        {980, 10, 44 * 100},                         // only the left 44 columns
        {10, 700, 100 * 68},                         // only the top 68 rows
        {924, 668, 100 * 100},                       // exactly fits in the corner
        {990, 740, 34 * 28},   {-30, -10, 70 * 90},  // left and top
        {-99, 5, 1 * 100},     {1024, 0, 0},        {0, 768, 0}, {-100, 0, 0}, {0, -100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        Fill(table, kCanvas, kCanvasBefore);
        CopyToCanvas(table, c.x, c.y, 1);
        ExpectCopiedAt(c.x, c.y);
        EXPECT_EQ(copiedPixels, c.copied);
    }
}

TEST_F(CopyToCanvasTest, BadSourcesAndFailedLocksCopyNothingAndHoldNoLock) {
    struct Case {
        const char* name;
        TextureHandle source;
        int failLock;  // which lock fails: 1 the canvas's, 2 the source's
    };
    const Case cases[] = {{"index -1", -1, 0},
                          {"index past the table", 2, 0},
                          {"canvas lock fails", 1, 1},
                          {"source lock fails", 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        table.FailLockAfter(c.failLock);
        CopyToCanvas(table, 0, 0, c.source);
        table.FailLockAfter(0);
        EXPECT_FALSE(table.IsLocked(kCanvas));
        EXPECT_FALSE(table.IsLocked(1));
        EXPECT_TRUE(Painted(table, kCanvas, kCanvasBefore).empty());
    }
}

TEST(CopyToCanvas, TheCanvasOntoItselfCopiesInReadingOrder) {
    TextureTable table = CanvasOnly(4, 2);
    ASSERT_EQ(table.LockTexture(kCanvas), 1);
    const std::uint32_t start[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::copy(start, start + 8, table.Locked(kCanvas).bits);
    table.UnlockTexture(kCanvas);

    CopyToCanvas(table, 1, 0, kCanvas);  // each pixel read after its left neighbour was written
    const std::vector<std::uint32_t> expected = {1, 1, 1, 1, 5, 5, 5, 5};
    EXPECT_EQ(table.Slot(kCanvas).pixels, expected);
    EXPECT_FALSE(table.IsLocked(kCanvas));
}

TEST(LockDiscipline, AnOperationUnderAnOuterLockDrawsAndLeavesItLocked) {
    struct Case {
        const char* name;
        std::function<void(TextureTable&)> draw;
    };
    const Case cases[] = {
        {"ClearTexture", [](TextureTable& t) { ClearTexture(t, 0); }},
        {"DrawLine", [](TextureTable& t) { DrawLine(t, 0, 0, 0, 9, 3, kOpaqueWhite); }},
        {"FillCircle", [](TextureTable& t) { FillCircle(t, 0, 5, 5, 3, kOpaqueWhite); }},
        {"DrawCircle", [](TextureTable& t) { DrawCircle(t, 0, 5, 5, 3, 1, kOpaqueWhite); }},
        {"DrawThickLine", [](TextureTable& t) { DrawThickLine(t, 1, 1, 8, 8); }},
        {"CopyToCanvas", [](TextureTable& t) { CopyToCanvas(t, 2, 2, 1); }},
        {"CopyTextPixels",
         [](TextureTable& t) {
             const std::uint32_t white[2] = {kOpaqueWhite, kOpaqueWhite};
             CopyTextPixels(t, 0, 3, 3, PixelView{white, 2, 1, 8});
         }},
    };
    constexpr std::uint32_t kBefore = 0xFF123456u;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Not locked beforehand: locked for the operation, unlocked after, marked changed.
        TextureTable own = CanvasOnly(10, 10);
        ASSERT_EQ(own.AddTexture(3, 3, TextureFormat::A8R8G8B8), 1);
        Fill(own, 0, kBefore);
        const std::uint64_t before = own.Slot(0).version;
        c.draw(own);
        EXPECT_FALSE(own.IsLocked(0));
        EXPECT_FALSE(own.IsLocked(1));
        EXPECT_NE(own.Slot(0).version, before);
        const PxSet drawn = Painted(own, 0, kBefore);
        EXPECT_FALSE(drawn.empty());

        // Under the caller's lock: the same pixels, and the lock is still the caller's.
        TextureTable outer = CanvasOnly(10, 10);
        ASSERT_EQ(outer.AddTexture(3, 3, TextureFormat::A8R8G8B8), 1);
        Fill(outer, 0, kBefore);
        ASSERT_EQ(outer.LockTexture(0), 1);
        const std::uint64_t locked = outer.Slot(0).version;
        c.draw(outer);
        EXPECT_TRUE(outer.IsLocked(0));
        EXPECT_EQ(outer.Slot(0).version, locked);
        EXPECT_EQ(Painted(outer, 0, kBefore), drawn);
    }
}

TEST(LockDiscipline, AFailedLockDrawsNothing) {
    struct Case {
        const char* name;
        std::function<void(TextureTable&)> draw;
    };
    const Case cases[] = {
        {"ClearTexture", [](TextureTable& t) { ClearTexture(t, 0); }},
        {"FillCircle", [](TextureTable& t) { FillCircle(t, 0, 5, 5, 3, kOpaqueWhite); }},
        {"DrawCircle", [](TextureTable& t) { DrawCircle(t, 0, 5, 5, 3, 1, kOpaqueWhite); }},
        {"DrawThickLine", [](TextureTable& t) { DrawThickLine(t, 1, 1, 8, 8); }},
        {"CopyTextPixels",
         [](TextureTable& t) {
             const std::uint32_t white[2] = {kOpaqueWhite, kOpaqueWhite};
             CopyTextPixels(t, 0, 3, 3, PixelView{white, 2, 1, 8});
         }},
    };
    constexpr std::uint32_t kBefore = 0xFF123456u;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureTable table = CanvasOnly(10, 10);
        Fill(table, 0, kBefore);
        table.FailLockAfter(1);
        c.draw(table);
        EXPECT_FALSE(table.IsLocked(0));
        EXPECT_TRUE(Painted(table, 0, kBefore).empty());
    }
}

TEST(LockDiscipline, AnUnlockedLineLocksForEachPixel) {
    TextureTable table = CanvasOnly(8, 8);
    const std::uint64_t before = table.Slot(0).version;
    table.FailLockAfter(3);  // the third pixel's lock fails; the others are drawn
    DrawLine(table, 0, 0, 0, 5, 2, kOpaqueWhite);
    EXPECT_EQ(Painted(table, 0), (PxSet{{0, 0}, {1, 0}, {3, 1}, {4, 2}, {5, 2}}));
    EXPECT_FALSE(table.IsLocked(0));
    EXPECT_NE(table.Slot(0).version, before);
}

TEST(LockDiscipline, InvalidIndexesDrawNothing) {
    TextureTable table = CanvasOnly(10, 10);
    const std::uint32_t white[1] = {kOpaqueWhite};
    for (TextureHandle bad : {-1, 1, 50, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(bad);
        ClearTexture(table, bad);
        DrawLine(table, bad, 0, 0, 9, 9, kOpaqueWhite);
        FillCircle(table, bad, 5, 5, 3, kOpaqueWhite);
        DrawCircle(table, bad, 5, 5, 3, 1, kOpaqueWhite);
        CopyToCanvas(table, 0, 0, bad);
        CopyTextPixels(table, bad, 0, 0, PixelView{white, 1, 1, 4});
    }
    EXPECT_EQ(table.Count(), 1);
    EXPECT_FALSE(table.IsLocked(0));
    EXPECT_TRUE(Painted(table, 0).empty());
}

TEST(CopyTextPixels, WritesColouredPixelsOpaqueAndSkipsBlack) {
    constexpr std::uint32_t kDisc = kOpaqueBlack;
    TextureTable table;
    ASSERT_EQ(table.AddTexture(6, 4, TextureFormat::A8R8G8B8), 0);
    Fill(table, 0, kDisc);
    // Two rows of four, with a padded pitch of six words.
    const std::uint32_t text[2 * 6] = {
        0xFFFFFFFFu, 0xFF000000u, 0xFF404040u, 0x00000000u, 0xDEADBEEFu, 0xDEADBEEFu,
        0x00010203u, 0x7F000000u, 0xFF000001u, 0x80FFFFFFu, 0xDEADBEEFu, 0xDEADBEEFu,
    };
    CopyTextPixels(table, 0, 1, 2, PixelView{text, 4, 2, 6 * 4});

    const std::uint32_t expected[4 * 6] = {
        kDisc, kDisc,       kDisc, kDisc,       kDisc,       kDisc,  //
        kDisc, kDisc,       kDisc, kDisc,       kDisc,       kDisc,  //
        kDisc, 0xFFFFFFFFu, kDisc, 0xFF404040u, kDisc,       kDisc,  //
        kDisc, 0xFF010203u, kDisc, 0xFF000001u, 0xFFFFFFFFu, kDisc,
    };
    for (int i = 0; i < 4 * 6; ++i) {
        EXPECT_EQ(table.Slot(0).pixels[i], expected[i]) << "pixel " << i % 6 << "," << i / 6;
    }
}

TEST(CopyTextPixels, IsClippedAndRefusesMalformedViews) {
    TextureTable table;
    ASSERT_EQ(table.AddTexture(4, 4, TextureFormat::A8R8G8B8), 0);
    std::vector<std::uint32_t> white(6 * 6, kOpaqueWhite);
    CopyTextPixels(table, 0, -3, 2, PixelView{white.data(), 6, 6, 6 * 4});
    PxSet expected;
    for (int y = 2; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) {
            expected.insert({x, y});
        }
    }
    EXPECT_EQ(Painted(table, 0), expected);

    ClearTexture(table, 0);
    CopyTextPixels(table, 0, 0, 0, PixelView{nullptr, 6, 6, 24});
    CopyTextPixels(table, 0, 0, 0, PixelView{white.data(), 6, 6, 20});  // pitch too short
    CopyTextPixels(table, 0, 0, 0, PixelView{white.data(), 0, 6, 24});
    CopyTextPixels(table, 0, 0, 0, PixelView{white.data(), 6, -1, 24});
    CopyTextPixels(table, 0, INT_MAX, INT_MIN, PixelView{white.data(), 6, 6, 24});
    EXPECT_TRUE(Painted(table, 0).empty());
}

}  // namespace
}  // namespace quorvel
