#include "core/render/TextureTable.h"

#include <cstddef>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace quorvel {
namespace {

static_assert(std::is_nothrow_move_constructible_v<TextureSlot>,
              "growing the table must not be able to fail half-way");

// Counts down an injected failure: true when this call is the one that must fail.
bool InjectedFailure(int& countdown) {
    if (countdown <= 0) {
        return false;
    }
    --countdown;
    return countdown == 0;
}

}  // namespace

TextureHandle TextureTable::AddTexture(int width, int height, TextureFormat format) {
    if (width <= 0 || height <= 0 || width > kMaxTextureSide || height > kMaxTextureSide) {
        return -1;
    }
    if (InjectedFailure(failCreationAfter_)) {
        return -1;
    }
    try {
        TextureSlot slot;
        slot.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
        slot.width = width;
        slot.height = height;
        slot.format = format;
        slot.version = ++lastVersion_;
        // A slot moves without throwing, so a failed growth leaves the table as it was.
        slots_.push_back(std::move(slot));
    } catch (const std::bad_alloc&) {
        return -1;
    } catch (const std::length_error&) {
        return -1;
    }
    return static_cast<TextureHandle>(slots_.size() - 1);
}

int TextureTable::ResetTextures(int logicalWidth, int logicalHeight) {
    ReleaseAll();
    return AddTexture(logicalWidth, logicalHeight, TextureFormat::X8R8G8B8) == -1 ? 0 : 1;
}

void TextureTable::ReleaseAll() {
    // Unlocking leaves nothing to do with the pixels: they go with their slots.
    slots_.clear();
    slots_.shrink_to_fit();
}

int TextureTable::LockTexture(TextureHandle index) {
    if (!IsValid(index) || slots_[index].locked) {
        return 0;
    }
    if (InjectedFailure(failLockAfter_)) {
        return 0;
    }
    slots_[index].locked = true;
    return 1;
}

int TextureTable::UnlockTexture(TextureHandle index) {
    if (IsValid(index) && slots_[index].locked) {
        slots_[index].locked = false;
        slots_[index].version = ++lastVersion_;
    }
    return 1;
}

bool TextureTable::IsValid(TextureHandle index) const {
    return index >= 0 && index < Count();
}

bool TextureTable::IsLocked(TextureHandle index) const {
    return IsValid(index) && slots_[index].locked;
}

LockedRect TextureTable::Locked(TextureHandle index) {
    if (!IsLocked(index)) {
        return {};
    }
    TextureSlot& slot = slots_[index];
    return {slot.pixels.data(), slot.width * static_cast<int>(sizeof(std::uint32_t))};
}

}  // namespace quorvel
