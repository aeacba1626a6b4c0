#pragma once

#include <cstdint>
#include <vector>

#include "experiment/ExperimentState.h"

namespace quorvel {

// Pixel formats of the texture table. Both are 32-bit 0xAARRGGBB words; the X format's alpha
// is ignored when drawn (the canvas is opaque).
enum class TextureFormat : std::int32_t { A8R8G8B8 = 21, X8R8G8B8 = 22 };

// Where a locked texture's pixels are: row y starts at bits + y * pitch bytes.
struct LockedRect {
    std::uint32_t* bits = nullptr;
    int pitch = 0;  // bytes per row
};

// One slot of the table. The pixels live on the processor (the managed pool) and survive from
// one lock to the next; `version` grows with every unlock so the window knows to upload.
struct TextureSlot {
    std::vector<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
    TextureFormat format = TextureFormat::A8R8G8B8;
    bool locked = false;
    std::uint64_t version = 0;
};

// The experiment window's texture table. Index 0 is the canvas once the window is set up.
// Operations report as the rest of the program does: 1 / 0, and -1 for a failed creation.
class TextureTable {
public:
    // A new slot of width x height; its index (the old count), or -1 with the table unchanged
    // when the size is unusable or memory cannot be had.
    TextureHandle AddTexture(int width, int height, TextureFormat format);

    // Drops every slot (unlocking locked ones) and creates a fresh opaque canvas as index 0.
    // 1 when the canvas exists, else 0.
    int ResetTextures(int logicalWidth = kLogicalWidth, int logicalHeight = kLogicalHeight);

    // Drops every slot, the canvas included.
    void ReleaseAll();

    // Locks a valid, unlocked slot: 1, or 0 (bad index, already locked, injected failure).
    int LockTexture(TextureHandle index);
    // Unlocks a locked slot and marks it changed. Always 1.
    int UnlockTexture(TextureHandle index);

    bool IsValid(TextureHandle index) const;
    bool IsLocked(TextureHandle index) const;
    // The lock of a locked slot; bits is null when the slot is not locked.
    LockedRect Locked(TextureHandle index);

    int Count() const { return static_cast<int>(slots_.size()); }
    const TextureSlot& Slot(TextureHandle index) const { return slots_[index]; }

    // Test seams: make the n-th next creation or lock fail (1 = the very next one); 0 = never.
    void FailCreationAfter(int n) { failCreationAfter_ = n; }
    void FailLockAfter(int n) { failLockAfter_ = n; }

private:
    std::vector<TextureSlot> slots_;
    int failCreationAfter_ = 0;
    int failLockAfter_ = 0;
};

}  // namespace quorvel
