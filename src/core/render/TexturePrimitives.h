#pragma once

#include <cstdint>

#include "core/render/TextureTable.h"

namespace quorvel {

// Drawing into the textures of a table, pixel by pixel on the processor.
//
// Coordinates are pixels of the texture drawn into, x to the right, y downwards. Colours are
// 0xAARRGGBB words written unchanged (no blending). Every pixel is written only when it lies
// inside its texture, so shapes may reach past the edges. An invalid index draws nothing.
//
// Locks: an operation whose texture is not locked locks it for its own length; one whose
// texture is already locked draws under that lock and leaves it locked, so a caller can hold
// one lock around many operations. When the lock cannot be taken, the operation draws nothing.

constexpr TextureHandle kCanvas = 0;

constexpr std::uint32_t kTransparent = 0x00000000u;
constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;
constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kOpaqueGreen = 0xFF00FF00u;
constexpr std::uint32_t kOpaqueRed = 0xFFFF0000u;

// Every pixel becomes 0x00000000.
void ClearTexture(TextureTable& table, TextureHandle index);

// A one-pixel line including both end points. When the texture is not locked, each pixel is
// written under its own lock.
void DrawLine(TextureTable& table, TextureHandle index, int x0, int y0, int x1, int y1,
              std::uint32_t colour);

// A filled disc; nothing when radius < 0. Radius 0 is the centre pixel, 1 the 3 x 3 square.
void FillCircle(TextureTable& table, TextureHandle index, int cx, int cy, int radius,
                std::uint32_t colour);

// A circle outline traced with filled discs of radius `pen`; nothing when radius < 0.
void DrawCircle(TextureTable& table, TextureHandle index, int cx, int cy, int radius, int pen,
                std::uint32_t colour);

// On the canvas only: the line from (x0, y0) to (x1, y1) traced with red discs of radius 1,
// three pixels wide, ends included.
void DrawThickLine(TextureTable& table, int x0, int y0, int x1, int y1);

// The whole texture `index` copied onto the canvas with its top-left pixel at (x, y), all 32
// bits of every pixel: transparent and black pixels overwrite the canvas too.
void CopyToCanvas(TextureTable& table, int x, int y, TextureHandle index);

// Read-only 32-bit 0xAARRGGBB pixels, row y starting at bits + y * pitch bytes.
struct PixelView {
    const std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per row, at least width * 4
};

// The copy rule of rendered text: every pixel of `text` whose colour bits (p & 0x00FFFFFF) are
// not zero is written opaque (top byte 0xFF) at (left + column, top + row) of the texture;
// black pixels leave the texture as it was. `text` is what a rasteriser drew on a black
// 32-bit image (RGB32 carries 0xFF in the top byte, so only the colour bits tell). A view
// without pixels, or with a pitch shorter than its rows, copies nothing.
void CopyTextPixels(TextureTable& table, TextureHandle index, int left, int top,
                    const PixelView& text);

}  // namespace quorvel
