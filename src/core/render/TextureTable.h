#pragma once

#include <cstdint>
#include <vector>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// Pixel formats of the texture table. Both are 32-bit 0xAARRGGBB words; the X format's alpha
// is ignored when drawn (the canvas is opaque).
enum class TextureFormat : std::int32_t { A8R8G8B8 = 21, X8R8G8B8 = 22 };

// The largest width or height a texture may have. Larger images are refused as unusable: no
// graphics device we draw with takes them, and their pixels alone would run to gigabytes.
constexpr int kMaxTextureSide = 16384;

// Where a locked texture's pixels are: row y starts at bits + y * pitch bytes.
struct LockedRect {
    std::uint32_t* bits = nullptr;
    int pitch = 0;  // bytes per row
};

// One slot of the table. The pixels live in main memory, where the drawing code can reach them,
// and survive from one lock to the next; the window copies them to the graphics card. `version`
// changes with every unlock, and a value is never given twice within one table (not even to a slot
// that replaces another after a reset), so a window that remembers the version it uploaded knows
// exactly when to upload again.
struct TextureSlot {
    std::vector<std::uint32_t> pixels;  // width * height words, row after row, all zero when new
    int width = 0;
    int height = 0;
    TextureFormat format = TextureFormat::A8R8G8B8;
    bool locked = false;
    std::uint64_t version = 0;
};

// The experiment window's texture table. Index 0 is the canvas once the window is set up.
// Operations report as the rest of the program does: 1 / 0, and -1 for a failed creation.
// Nothing here throws.
class TextureTable {
  public:
    // A new slot of width x height, all pixels zero; its index (the old count), or -1 with the
    // table unchanged when the size is unusable (not 1..kMaxTextureSide on either side) or
    // memory cannot be had.
    TextureHandle AddTexture(int width, int height, TextureFormat format);

    // Drops every slot (unlocking locked ones) and creates a fresh opaque canvas as index 0.
    // 1 when the canvas exists, else 0 (the table is then empty).
    int ResetTextures(int logicalWidth = kLogicalWidth, int logicalHeight = kLogicalHeight);

    // Drops every slot, the canvas included.
    void ReleaseAll();

    // Locks a valid, unlocked slot: 1, or 0 (bad index, already locked, injected failure).
    int LockTexture(TextureHandle index);
    // Unlocks a locked slot and marks it changed; anything else is left alone. Always 1.
    int UnlockTexture(TextureHandle index);

    bool IsValid(TextureHandle index) const;
    bool IsLocked(TextureHandle index) const;
    // The lock of a locked slot; bits is null when the slot is not locked or not valid.
    LockedRect Locked(TextureHandle index);

    int Count() const { return static_cast<int>(m_slots.size()); }
    // The slot at a valid index (check with IsValid first).
    const TextureSlot& Slot(TextureHandle index) const { return m_slots[index]; }

    // Test seams: make the n-th next creation or lock fail (1 = the very next one); 0 = never.
    // Creations refused for their size do not count.
    void FailCreationAfter(int n) { m_failCreationAfter = n; }
    void FailLockAfter(int n) { m_failLockAfter = n; }

  private:
    std::vector<TextureSlot> m_slots;
    std::uint64_t m_lastVersion = 0;
    int m_failCreationAfter = 0;
    int m_failLockAfter = 0;
};

}  // namespace quorvel
