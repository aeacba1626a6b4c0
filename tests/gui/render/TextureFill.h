#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "core/render/TextureTable.h"

namespace quorvel::test {

// Fills a whole texture with one pixel value, under its own lock.
inline void Fill(TextureTable& table, TextureHandle index, std::uint32_t value) {
    ASSERT_EQ(table.LockTexture(index), 1);
    const LockedRect lock = table.Locked(index);
    const TextureSlot& slot = table.Slot(index);
    for (int y = 0; y < slot.height; ++y) {
        for (int x = 0; x < slot.width; ++x) {
            lock.bits[y * (lock.pitch / 4) + x] = value;
        }
    }
    table.UnlockTexture(index);
}

}  // namespace quorvel::test
