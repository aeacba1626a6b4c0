#include "core/render/SceneComposition.h"

#include <algorithm>

#include "core/render/TexturePrimitives.h"

namespace quorvel {
namespace {

int ClampCompleted(const ExperimentState& state, int completed) {
    return std::clamp(completed, 0, TargetCount(state));
}

}  // namespace

SpriteDraw ImageCorner(const ExperimentState& state, TextureHandle texture, int i) {
    const Stimulus& s = state.stimuli[i];
    return {texture, s.x - kImageHalf, s.y - kImageHalf};
}

void ComposeCanvas(TextureTable& table, const ExperimentState& state, int completed) {
    const int n = ClampCompleted(state, completed);
    ClearTexture(table, kCanvas);
    if (n == 0) {
        const SpriteDraw first = ImageCorner(state, state.target_textures[0], 0);
        CopyToCanvas(table, first.x, first.y, first.texture);
        return;
    }
    // Reached targets but the last go onto the canvas, so that the path runs over them.
    for (int i = 0; i + 1 < n; ++i) {
        const SpriteDraw image = ImageCorner(state, state.target_textures[i], i);
        CopyToCanvas(table, image.x, image.y, image.texture);
    }
    for (int j = 1; j < n; ++j) {
        const Stimulus& from = state.stimuli[j - 1];
        const Stimulus& to = state.stimuli[j];
        DrawThickLine(table, from.x, from.y, to.x, to.y);
    }
}

std::vector<SpriteDraw> SceneSprites(const ExperimentState& state, int completed) {
    const int n = ClampCompleted(state, completed);
    std::vector<SpriteDraw> draws;
    draws.reserve(kTargetCount + 2);
    draws.push_back({kCanvas, 0, 0});
    if (n == 0) {
        for (int i = 1; i < TargetCount(state); ++i) {
            draws.push_back(ImageCorner(state, state.blank_texture, i));
        }
        return draws;
    }
    // The last target reached lies over the path's end and carries the ring; the targets still
    // ahead lie over any part of the path that passes under them.
    draws.push_back(ImageCorner(state, state.target_textures[n - 1], n - 1));
    draws.push_back(ImageCorner(state, state.ring_texture, n - 1));
    for (int i = n; i < TargetCount(state); ++i) {
        draws.push_back(ImageCorner(state, state.target_textures[i], i));
    }
    return draws;
}

}  // namespace quorvel
