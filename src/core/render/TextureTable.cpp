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
    if (InjectedFailure(m_failCreationAfter)) {
        return -1;
    }
    try {
        TextureSlot slot;
        slot.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
        slot.width = width;
        slot.height = height;
        slot.format = format;
        slot.version = ++m_lastVersion;
        // A slot moves without throwing, so a failed growth leaves the table as it was.
        m_slots.push_back(std::move(slot));
    } catch (const std::bad_alloc&) {
        return -1;
    } catch (const std::length_error&) {
        return -1;
    }
    return static_cast<TextureHandle>(m_slots.size() - 1);
}

int TextureTable::ResetTextures(int logicalWidth, int logicalHeight) {
    ReleaseAll();
    return AddTexture(logicalWidth, logicalHeight, TextureFormat::X8R8G8B8) == -1 ? 0 : 1;
}

void TextureTable::ReleaseAll() {
    // Unlocking leaves nothing to do with the pixels: they go with their slots.
    m_slots.clear();
    m_slots.shrink_to_fit();
}

int TextureTable::LockTexture(TextureHandle index) {
    if (!IsValid(index) || m_slots[index].locked) {
        return 0;
    }
    if (InjectedFailure(m_failLockAfter)) {
        return 0;
    }
    m_slots[index].locked = true;
    return 1;
}

int TextureTable::UnlockTexture(TextureHandle index) {
    if (IsValid(index) && m_slots[index].locked) {
        m_slots[index].locked = false;
        m_slots[index].version = ++m_lastVersion;
    }
    return 1;
}

bool TextureTable::IsValid(TextureHandle index) const {
    return index >= 0 && index < Count();
}

bool TextureTable::IsLocked(TextureHandle index) const {
    return IsValid(index) && m_slots[index].locked;
}

LockedRect TextureTable::Locked(TextureHandle index) {
    if (!IsLocked(index)) {
        return {};
    }
    TextureSlot& slot = m_slots[index];
    return {slot.pixels.data(), slot.width * static_cast<int>(sizeof(std::uint32_t))};
}

}  // namespace quorvel
