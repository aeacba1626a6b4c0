#include "core/render/FrameComposition.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace quorvel {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::vector<int> Cells(int pixels, double offset, double scale) {
    std::vector<int> cells(static_cast<std::size_t>(std::max(pixels, 0)));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const double cell = std::floor((static_cast<double>(i) + 0.5 - offset) / scale);
        // A window larger than any screen at a tiny scale still gives cells far outside the
        // plane, never an overflow.
        cells[i] = static_cast<int>(std::clamp(cell, -1.0e6, 1.0e6));
    }
    return cells;
}

// The window indices [first, last) whose cells lie in [from, to); cells never decrease.
std::pair<std::size_t, std::size_t> Span(const std::vector<int>& cells, int from, int to) {
    const auto first = std::lower_bound(cells.begin(), cells.end(), from);
    const auto last = std::lower_bound(first, cells.end(), to);
    return {static_cast<std::size_t>(first - cells.begin()),
            static_cast<std::size_t>(last - cells.begin())};
}

std::uint32_t Blend(std::uint32_t source, std::uint32_t destination, std::uint32_t alpha) {
    std::uint32_t out = kOpaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t s = (source >> shift) & 0xFFu;
        const std::uint32_t d = (destination >> shift) & 0xFFu;
        out |= ((s * alpha + d * (255u - alpha) + 127u) / 255u) << shift;
    }
    return out;
}

}  // namespace

FrameCells CellsForWindow(int width, int height, const StimulusMapping& mapping) {
    if (!(mapping.scale > 0.0)) {
        return {std::vector<int>(static_cast<std::size_t>(std::max(width, 0)), -1),
                std::vector<int>(static_cast<std::size_t>(std::max(height, 0)), -1)};
    }
    return {Cells(width, mapping.offsetX, mapping.scale),
            Cells(height, mapping.offsetY, mapping.scale)};
}

void ComposeFrame(const TextureTable& table, const std::vector<SpriteDraw>& draws,
                  const FrameCells& cells, FramePixels& frame) {
    frame.width = static_cast<int>(cells.columns.size());
    frame.height = static_cast<int>(cells.rows.size());
    const std::size_t width = cells.columns.size();
    frame.pixels.assign(width * cells.rows.size(), kOpaque);
    for (const SpriteDraw& draw : draws) {
        if (!table.IsValid(draw.texture)) {
            continue;
        }
        const TextureSlot& slot = table.Slot(draw.texture);
        if (slot.width <= 0 || slot.height <= 0 ||
            slot.pixels.size() < static_cast<std::size_t>(slot.width) * slot.height) {
            continue;
        }
        const bool opaque = slot.format == TextureFormat::X8R8G8B8;
        const auto [left, right] = Span(cells.columns, draw.x, draw.x + slot.width);
        const auto [top, bottom] = Span(cells.rows, draw.y, draw.y + slot.height);
        for (std::size_t r = top; r < bottom; ++r) {
            const std::uint32_t* source =
                slot.pixels.data() + static_cast<std::size_t>(cells.rows[r] - draw.y) * slot.width;
            std::uint32_t* target = frame.pixels.data() + r * width;
            for (std::size_t c = left; c < right; ++c) {
                const std::uint32_t p = source[cells.columns[c] - draw.x];
                const std::uint32_t alpha = opaque ? 255u : p >> 24;
                if (alpha == 255u) {
                    target[c] = p | kOpaque;
                } else if (alpha != 0u) {
                    target[c] = Blend(p, target[c], alpha);
                }
            }
        }
    }
}

}  // namespace quorvel
