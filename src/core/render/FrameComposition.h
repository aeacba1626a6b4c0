#pragma once

#include <cstdint>
#include <vector>

#include "core/experiment/StimulusMapping.h"
#include "core/render/SceneComposition.h"
#include "core/render/TextureTable.h"

namespace quorvel {

// Which stimulus-space cell each window pixel shows: for pixel i, the cell under its centre,
// floor((i + 0.5 - offset) / scale). Cells left of or above the plane are negative, cells past
// it are 1024 / 768 or more. Both ways of drawing a frame take their cells from here, so they
// agree pixel for pixel at every scale.
struct FrameCells {
    std::vector<int> columns;  // one per window column, left to right
    std::vector<int> rows;     // one per window row, top to bottom
};

FrameCells CellsForWindow(int width, int height, const StimulusMapping& mapping);

// A frame as it goes to the screen: width x height opaque 0xFFRRGGBB words, row after row.
struct FramePixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Draws a frame on the processor: black, then every sprite of `draws` in order, each texture
// pixel over the window pixels whose cell it is. The canvas format is opaque; the other
// format's alpha 0 leaves the pixel, 255 replaces it, and anything between blends
// (source x alpha + destination x (255 - alpha), rounded). Invalid slots draw nothing.
// `frame` is resized to the window (its storage is kept between frames of the same size).
void ComposeFrame(const TextureTable& table, const std::vector<SpriteDraw>& draws,
                  const FrameCells& cells, FramePixels& frame);

}  // namespace quorvel
