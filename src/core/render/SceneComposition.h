#pragma once

#include <vector>

#include "core/experiment/ExperimentState.h"
#include "core/render/TextureTable.h"

namespace quorvel {

// The target images are kImageSize pixels square and placed with their top-left corner
// kImageHalf units up and left of the target centre, so that they are centred on it.
constexpr int kImageSize = 100;
constexpr int kImageHalf = 50;

// One image of a frame: the whole texture drawn with its top-left corner at (x, y) in stimulus
// space, over everything drawn before it.
struct SpriteDraw {
    TextureHandle texture = 0;
    int x = 0;
    int y = 0;
};

inline bool operator==(const SpriteDraw& a, const SpriteDraw& b) {
    return a.texture == b.texture && a.x == b.x && a.y == b.y;
}
inline bool operator!=(const SpriteDraw& a, const SpriteDraw& b) {
    return !(a == b);
}

// The image corner of target i: (stimuli[i].x - 50, stimuli[i].y - 50).
SpriteDraw ImageCorner(const ExperimentState& state, TextureHandle texture, int i);

// Rebuilds the canvas (texture 0) for the frame shown after `completed` correct touches
// (0..25; values outside are taken as the nearest end). The canvas is cleared first, so the
// result never depends on earlier frames. With 0 it holds the first target's image; with n >= 1
// the images of targets 0..n-2 and the red path through the centres of targets 0..n-1.
void ComposeCanvas(TextureTable& table, const ExperimentState& state, int completed);

// The images of that frame in drawing order, the canvas first at (0, 0). With 0: the blank
// circle on targets 1..24. With n >= 1: target n-1 and the ring over it, then targets n..24.
std::vector<SpriteDraw> SceneSprites(const ExperimentState& state, int completed);

}  // namespace quorvel
