#include "core/render/TexturePrimitives.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace quorvel {
namespace {

using I64 = std::int64_t;

// The pixels of one locked texture. Coordinates are 64-bit so that shapes given in 32-bit
// values never overflow on their way to the clip.
struct Surface {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;

    std::uint32_t* Row(I64 y) const {
        return reinterpret_cast<std::uint32_t*>(reinterpret_cast<unsigned char*>(bits) + y * pitch);
    }
    void Set(I64 x, I64 y, std::uint32_t colour) const {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            Row(y)[x] = colour;
        }
    }
    // The pixels x0..x1 of row y (x0 <= x1): the same pixels as a line along the row.
    void Span(I64 x0, I64 x1, I64 y, std::uint32_t colour) const {
        if (y < 0 || y >= height) {
            return;
        }
        const I64 from = std::max<I64>(x0, 0);
        const I64 to = std::min<I64>(x1, I64{width} - 1);
        if (from <= to) {
            std::uint32_t* row = Row(y);
            std::fill(row + from, row + to + 1, colour);
        }
    }
};

// The lock of one operation: takes the texture's lock when nobody holds it and gives it back
// at the end; under a lock already held it draws and leaves the lock alone.
class OperationLock {
  public:
    OperationLock(TextureTable& table, TextureHandle index) : m_table(table), m_index(index) {
        if (!table.IsValid(index)) {
            return;
        }
        if (!table.IsLocked(index)) {
            if (table.LockTexture(index) == 0) {
                return;
            }
            m_taken = true;
        }
        const LockedRect rect = table.Locked(index);
        const TextureSlot& slot = table.Slot(index);
        m_surface = {rect.bits, slot.width, slot.height, rect.pitch};
    }
    ~OperationLock() {
        if (m_taken) {
            m_table.UnlockTexture(m_index);
        }
    }
    OperationLock(const OperationLock&) = delete;
    OperationLock& operator=(const OperationLock&) = delete;

    bool Held() const { return m_surface.bits != nullptr; }
    const Surface& surface() const { return m_surface; }

  private:
    TextureTable& m_table;
    TextureHandle m_index;
    bool m_taken = false;
    Surface m_surface;
};

// Steps from (x0, y0) to (x1, y1) and calls plot(x, y) for every point, both ends included.
// The longer axis always runs upwards and the shorter one moves when the error passes the
// longer span; the error is tested before the first point, with greater-than. Stepping stops
// early once the long axis reaches xStop or yStop, past which nothing can show.
template <typename Plot>
void StepLine(I64 x0, I64 y0, I64 x1, I64 y1, I64 xStop, I64 yStop, Plot plot) {
    const I64 a = (x1 > x0 ? x1 - x0 : x0 - x1) + 1;  // columns spanned
    const I64 b = (y1 > y0 ? y1 - y0 : y0 - y1) + 1;  // rows spanned
    if (a > b) {
        if (x0 > x1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        const I64 step = y0 > y1 ? -1 : 1;
        I64 err = 0;
        I64 y = y0;
        for (I64 x = x0; x <= x1 && x < xStop; ++x) {
            err += b;
            if (err > a) {
                y += step;
                err -= a;
            }
            plot(x, y);
        }
    } else {
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        const I64 step = x0 > x1 ? -1 : 1;
        I64 err = 0;
        I64 x = x0;
        for (I64 y = y0; y <= y1 && y < yStop; ++y) {
            err += a;
            if (err > b) {
                x += step;
                err -= b;
            }
            plot(x, y);
        }
    }
}

// Walks one octant of a circle of the given radius and calls visit(x, y) for each step; the
// other seven octants follow by symmetry.
template <typename Visit>
void StepCircle(I64 radius, Visit visit) {
    I64 x = radius;
    I64 y = 0;
    I64 err = radius;
    while (x >= y) {
        visit(x, y);
        err -= 2 * y + 1;
        y += 1;
        if (err < 0) {
            err += 2 * x;
            x -= 1;
        }
    }
}

void FillDisc(const Surface& s, I64 cx, I64 cy, I64 radius, std::uint32_t colour) {
    if (radius < 0) {
        return;
    }
    if (cx + radius < 0 || cx - radius >= s.width || cy + radius < 0 || cy - radius >= s.height) {
        return;  // wholly outside
    }
    StepCircle(radius, [&](I64 x, I64 y) {
        s.Span(cx - x, cx + x, cy + y, colour);
        s.Span(cx - x, cx + x, cy - y, colour);
        s.Span(cx - y, cx + y, cy + x, colour);
        s.Span(cx - y, cx + y, cy - x, colour);
    });
}

}  // namespace

void ClearTexture(TextureTable& table, TextureHandle index) {
    OperationLock lock(table, index);
    if (!lock.Held()) {
        return;
    }
    const Surface& s = lock.surface();
    for (int y = 0; y < s.height; ++y) {
        std::fill(s.Row(y), s.Row(y) + s.width, kTransparent);
    }
}

void DrawLine(TextureTable& table, TextureHandle index, int x0, int y0, int x1, int y1,
              std::uint32_t colour) {
    if (!table.IsValid(index)) {
        return;
    }
    const TextureSlot& slot = table.Slot(index);
    const I64 xStop = slot.width;
    const I64 yStop = slot.height;
    if (table.IsLocked(index)) {
        OperationLock lock(table, index);
        const Surface& s = lock.surface();
        StepLine(x0, y0, x1, y1, xStop, yStop, [&](I64 x, I64 y) { s.Set(x, y, colour); });
        return;
    }
    StepLine(x0, y0, x1, y1, xStop, yStop, [&](I64 x, I64 y) {
        OperationLock lock(table, index);
        if (lock.Held()) {
            lock.surface().Set(x, y, colour);
        }
    });
}

void FillCircle(TextureTable& table, TextureHandle index, int cx, int cy, int radius,
                std::uint32_t colour) {
    if (radius < 0) {
        return;
    }
    OperationLock lock(table, index);
    if (lock.Held()) {
        FillDisc(lock.surface(), cx, cy, radius, colour);
    }
}

void DrawCircle(TextureTable& table, TextureHandle index, int cx, int cy, int radius, int pen,
                std::uint32_t colour) {
    if (radius < 0) {
        return;
    }
    OperationLock lock(table, index);
    if (!lock.Held()) {
        return;
    }
    const Surface& s = lock.surface();
    const I64 x0 = cx;
    const I64 y0 = cy;
    StepCircle(radius, [&](I64 x, I64 y) {
        FillDisc(s, x0 + x, y0 + y, pen, colour);
        FillDisc(s, x0 + y, y0 + x, pen, colour);
        FillDisc(s, x0 - x, y0 + y, pen, colour);
        FillDisc(s, x0 - y, y0 + x, pen, colour);
        FillDisc(s, x0 + x, y0 - y, pen, colour);
        FillDisc(s, x0 + y, y0 - x, pen, colour);
        FillDisc(s, x0 - x, y0 - y, pen, colour);
        FillDisc(s, x0 - y, y0 - x, pen, colour);
    });
}

void DrawThickLine(TextureTable& table, int x0, int y0, int x1, int y1) {
    constexpr I64 kRadius = 1;
    OperationLock lock(table, kCanvas);
    if (!lock.Held()) {
        return;
    }
    const Surface& s = lock.surface();
    StepLine(x0, y0, x1, y1, s.width + kRadius, s.height + kRadius,
             [&](I64 x, I64 y) { FillDisc(s, x, y, kRadius, kOpaqueRed); });
}

void CopyToCanvas(TextureTable& table, int x, int y, TextureHandle index) {
    OperationLock canvasLock(table, kCanvas);
    if (!canvasLock.Held()) {
        return;
    }
    OperationLock sourceLock(table, index);
    if (!sourceLock.Held()) {
        return;  // the canvas lock taken here is given back on the way out
    }
    const Surface& dst = canvasLock.surface();
    const Surface& src = sourceLock.surface();

    // Clipped at every edge: the right and bottom by shortening the copy, the left and top by
    // skipping what lies before the canvas.
    const I64 w = std::min<I64>(src.width, I64{dst.width} - x);
    const I64 h = std::min<I64>(src.height, I64{dst.height} - y);
    const I64 c0 = std::max<I64>(0, -I64{x});
    const I64 r0 = std::max<I64>(0, -I64{y});
    if (c0 >= w || r0 >= h) {
        return;
    }
    const I64 n = w - c0;
    for (I64 r = r0; r < h; ++r) {
        const std::uint32_t* from = src.Row(r) + c0;
        std::uint32_t* to = dst.Row(y + r) + (x + c0);
        if (index == kCanvas) {
            // The canvas onto itself: pixel by pixel in reading order, as the copy is defined.
            for (I64 c = 0; c < n; ++c) {
                to[c] = from[c];
            }
        } else {
            std::copy(from, from + n, to);
        }
    }
}

void CopyTextPixels(TextureTable& table, TextureHandle index, int left, int top,
                    const PixelView& text) {
    if (text.bits == nullptr || text.width <= 0 || text.height <= 0 ||
        I64{text.pitch} < I64{text.width} * 4) {
        return;
    }
    OperationLock lock(table, index);
    if (!lock.Held()) {
        return;
    }
    const Surface& s = lock.surface();
    for (I64 r = 0; r < text.height; ++r) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            reinterpret_cast<const unsigned char*>(text.bits) + r * text.pitch);
        for (I64 c = 0; c < text.width; ++c) {
            const std::uint32_t p = row[c];
            if ((p & 0x00FFFFFFu) != 0) {
                s.Set(left + c, top + r, p | 0xFF000000u);
            }
        }
    }
}

}  // namespace quorvel
