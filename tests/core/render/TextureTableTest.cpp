#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "core/render/TextureTable.h"

namespace quorvel {
namespace {

bool AllZero(const TextureSlot& slot) {
    for (std::uint32_t p : slot.pixels) {
        if (p != 0) {
            return false;
        }
    }
    return true;
}

TEST(TextureTable, AddTextureAppendsZeroedSlots) {
    TextureTable table;
    EXPECT_EQ(table.AddTexture(1024, 768, TextureFormat::X8R8G8B8), 0);
    EXPECT_EQ(table.AddTexture(100, 100, TextureFormat::A8R8G8B8), 1);
    EXPECT_EQ(table.AddTexture(3, 7, TextureFormat::A8R8G8B8), 2);
    ASSERT_EQ(table.Count(), 3);

    const TextureSlot& slot = table.Slot(2);
    EXPECT_EQ(slot.width, 3);
    EXPECT_EQ(slot.height, 7);
    EXPECT_EQ(slot.format, TextureFormat::A8R8G8B8);
    EXPECT_EQ(slot.pixels.size(), 21u);
    EXPECT_FALSE(slot.locked);
    EXPECT_EQ(table.Slot(0).format, TextureFormat::X8R8G8B8);
    for (int i = 0; i < table.Count(); ++i) {
        EXPECT_TRUE(AllZero(table.Slot(i))) << i;
    }
}

TEST(TextureTable, UnusableSizesAreRefusedWithTheTableUnchanged) {
    struct Case {
        int width;
        int height;
    };
    const Case cases[] = {{0, 10},
                          {10, 0},
                          {-1, 5},
                          {5, -100},
                          {INT_MIN, INT_MIN},
                          {kMaxTextureSide + 1, 1},
                          {1, kMaxTextureSide + 1},
                          {INT_MAX, INT_MAX}};
    TextureTable table;
    ASSERT_EQ(table.AddTexture(4, 4, TextureFormat::A8R8G8B8), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(table.AddTexture(c.width, c.height, TextureFormat::A8R8G8B8), -1);
        EXPECT_EQ(table.Count(), 1);
    }
    // The limit itself is usable.
    EXPECT_EQ(table.AddTexture(kMaxTextureSide, 1, TextureFormat::A8R8G8B8), 1);
}

TEST(TextureTable, FailedCreationLeavesTheTableUnchanged) {
    TextureTable table;
    ASSERT_EQ(table.AddTexture(8, 8, TextureFormat::A8R8G8B8), 0);
    ASSERT_EQ(table.LockTexture(0), 1);
    table.Locked(0).bits[5] = 0xFF123456u;

    table.FailCreationAfter(2);
    // A size refusal is not a creation and does not use up the countdown.
    EXPECT_EQ(table.AddTexture(0, 8, TextureFormat::A8R8G8B8), -1);
    EXPECT_EQ(table.AddTexture(8, 8, TextureFormat::A8R8G8B8), 1);
    EXPECT_EQ(table.AddTexture(8, 8, TextureFormat::A8R8G8B8), -1);
    EXPECT_EQ(table.Count(), 2);
    // The earlier slots, their lock and their pixels are as they were.
    EXPECT_TRUE(table.IsLocked(0));
    EXPECT_EQ(table.Locked(0).bits[5], 0xFF123456u);
    // Only that one creation failed.
    EXPECT_EQ(table.AddTexture(8, 8, TextureFormat::A8R8G8B8), 2);
}

TEST(TextureTable, ResetTexturesLeavesAFreshCanvasOnly) {
    TextureTable table;
    ASSERT_EQ(table.AddTexture(1024, 768, TextureFormat::X8R8G8B8), 0);
    ASSERT_EQ(table.AddTexture(100, 100, TextureFormat::A8R8G8B8), 1);
    ASSERT_EQ(table.LockTexture(0), 1);
    table.Locked(0).bits[0] = 0xFFFFFFFFu;
    ASSERT_EQ(table.LockTexture(1), 1);

    EXPECT_EQ(table.ResetTextures(), 1);
    ASSERT_EQ(table.Count(), 1);
    const TextureSlot& canvas = table.Slot(0);
    EXPECT_EQ(canvas.width, 1024);
    EXPECT_EQ(canvas.height, 768);
    EXPECT_EQ(canvas.format, TextureFormat::X8R8G8B8);
    EXPECT_FALSE(canvas.locked);
    EXPECT_TRUE(AllZero(canvas));
    EXPECT_FALSE(table.IsValid(1));
}

TEST(TextureTable, ResetTexturesReportsAFailedCanvasWithAnEmptyTable) {
    TextureTable table;
    ASSERT_EQ(table.ResetTextures(), 1);
    ASSERT_EQ(table.AddTexture(100, 100, TextureFormat::A8R8G8B8), 1);
    table.FailCreationAfter(1);
    EXPECT_EQ(table.ResetTextures(), 0);
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.LockTexture(0), 0);
    // A later reset recovers.
    EXPECT_EQ(table.ResetTextures(), 1);
    EXPECT_EQ(table.Count(), 1);
}

TEST(TextureTable, PixelsPersistFromOneLockToTheNext) {
    TextureTable table;
    ASSERT_EQ(table.AddTexture(5, 3, TextureFormat::A8R8G8B8), 0);
    ASSERT_EQ(table.LockTexture(0), 1);
    LockedRect lock = table.Locked(0);
    ASSERT_NE(lock.bits, nullptr);
    EXPECT_EQ(lock.pitch, 20);
    // Row 2, column 4: the last pixel.
    reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(lock.bits) + 2 * lock.pitch)[4] =
        0xFF00FF00u;
    EXPECT_EQ(table.UnlockTexture(0), 1);
    EXPECT_FALSE(table.IsLocked(0));
    EXPECT_EQ(table.Locked(0).bits, nullptr);

    ASSERT_EQ(table.LockTexture(0), 1);
    EXPECT_EQ(table.Locked(0).bits[14], 0xFF00FF00u);
    EXPECT_EQ(table.Slot(0).pixels[14], 0xFF00FF00u);
}

TEST(TextureTable, LockIsRefusedForBadIndexesLockedSlotsAndInjectedFailures) {
    TextureTable table;
    ASSERT_EQ(table.AddTexture(2, 2, TextureFormat::A8R8G8B8), 0);
    ASSERT_EQ(table.AddTexture(2, 2, TextureFormat::A8R8G8B8), 1);
    for (TextureHandle bad : {-1, 2, 3, 1000, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(table.LockTexture(bad), 0);
        EXPECT_FALSE(table.IsLocked(bad));
        EXPECT_EQ(table.Locked(bad).bits, nullptr);
        EXPECT_EQ(table.UnlockTexture(bad), 1);
    }

    ASSERT_EQ(table.LockTexture(0), 1);
    EXPECT_EQ(table.LockTexture(0), 0);
    EXPECT_TRUE(table.IsLocked(0));  // the refused second lock leaves the first in place

    table.FailLockAfter(2);
    EXPECT_EQ(table.LockTexture(1), 1);
    EXPECT_EQ(table.UnlockTexture(1), 1);
    EXPECT_EQ(table.LockTexture(1), 0);
    EXPECT_FALSE(table.IsLocked(1));
    EXPECT_EQ(table.LockTexture(1), 1);
}

TEST(TextureTable, VersionsMarkEveryChangeAndAreNeverReused) {
    TextureTable table;
    ASSERT_EQ(table.ResetTextures(), 1);
    const std::uint64_t created = table.Slot(0).version;

    ASSERT_EQ(table.LockTexture(0), 1);
    EXPECT_EQ(table.Slot(0).version, created);  // locking alone changes nothing
    table.UnlockTexture(0);
    const std::uint64_t drawn = table.Slot(0).version;
    EXPECT_NE(drawn, created);
    table.UnlockTexture(0);  // not locked: no change
    EXPECT_EQ(table.Slot(0).version, drawn);

    // The canvas of the next run must not pass for the one already uploaded.
    ASSERT_EQ(table.ResetTextures(), 1);
    EXPECT_NE(table.Slot(0).version, created);
    EXPECT_NE(table.Slot(0).version, drawn);
    ASSERT_EQ(table.LockTexture(0), 1);
    table.UnlockTexture(0);
    EXPECT_NE(table.Slot(0).version, drawn);
}

TEST(TextureTable, ReleaseAllEmptiesTheTable) {
    TextureTable table;
    ASSERT_EQ(table.ResetTextures(), 1);
    ASSERT_EQ(table.AddTexture(100, 100, TextureFormat::A8R8G8B8), 1);
    ASSERT_EQ(table.LockTexture(1), 1);
    table.ReleaseAll();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_FALSE(table.IsValid(0));
    EXPECT_EQ(table.LockTexture(0), 0);
    EXPECT_EQ(table.AddTexture(4, 4, TextureFormat::A8R8G8B8), 0);
}

}  // namespace
}  // namespace quorvel
