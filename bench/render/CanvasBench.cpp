// The canvas work of one frame of the test: ComposeCanvas (clear, image copies, path) and the
// sprite list, for every number of completed targets, on realistic images and a random
// layout. Prints the median and the maximum time per frame; never fails.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "core/experiment/ExperimentState.h"
#include "core/render/SceneComposition.h"
#include "core/render/TexturePrimitives.h"
#include "core/render/TextureTable.h"

namespace {

using quorvel::ExperimentState;
using quorvel::TextureHandle;
using quorvel::TextureTable;

// Targets at least 128 units apart and 70 from the edges, as the layout generator places them.
void PlaceTargets(ExperimentState& state) {
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> xs(70, quorvel::kLogicalWidth - 70);
    std::uniform_int_distribution<int> ys(70, quorvel::kLogicalHeight - 70);
    int placed = 0;
    while (placed < quorvel::kTargetCount) {
        const quorvel::Stimulus s{xs(random), ys(random)};
        bool apart = true;
        for (int i = 0; i < placed; ++i) {
            const int dx = s.x - state.stimuli[i].x;
            const int dy = s.y - state.stimuli[i].y;
            apart = apart && dx * dx + dy * dy >= 128 * 128;
        }
        if (apart) {
            state.stimuli[placed++] = s;
        }
    }
}

TextureHandle MakeImage(TextureTable& table, bool disc, bool label, bool ring) {
    const TextureHandle h = table.AddTexture(quorvel::kImageSize, quorvel::kImageSize,
                                             quorvel::TextureFormat::A8R8G8B8);
    quorvel::ClearTexture(table, h);
    if (disc) {
        quorvel::FillCircle(table, h, 50, 50, 49, quorvel::kOpaqueBlack);
        quorvel::DrawCircle(table, h, 50, 50, 48, 1, quorvel::kOpaqueWhite);
    }
    if (label) {
        // A stand-in for rendered glyphs: a white block with grey edges on black.
        std::vector<std::uint32_t> text(100 * 100, 0xFF000000u);
        for (int y = 25; y < 75; ++y) {
            for (int x = 35; x < 65; ++x) {
                const bool edge = y == 25 || y == 74 || x == 35 || x == 64;
                text[y * 100 + x] = edge ? 0xFF808080u : 0xFFFFFFFFu;
            }
        }
        quorvel::CopyTextPixels(table, h, 0, 0, quorvel::PixelView{text.data(), 100, 100, 400});
    }
    if (ring) {
        quorvel::DrawCircle(table, h, 50, 50, 42, 2, quorvel::kOpaqueGreen);
    }
    return h;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

}  // namespace

int main() {
    constexpr int kRounds = 200;
    using Clock = std::chrono::steady_clock;

    TextureTable table;
    if (table.ResetTextures() != 1) {
        std::printf("canvas_bench: no canvas\n");
        return 0;
    }
    ExperimentState state;
    PlaceTargets(state);
    const Clock::time_point buildStart = Clock::now();
    for (int i = 0; i < quorvel::kTargetCount; ++i) {
        state.target_textures[i] = MakeImage(table, true, true, false);
    }
    state.blank_texture = MakeImage(table, true, false, false);
    state.ring_texture = MakeImage(table, false, false, true);
    const double buildMs =
        std::chrono::duration<double, std::milli>(Clock::now() - buildStart).count();

    std::vector<std::vector<double>> perN(quorvel::kTargetCount + 1);
    std::size_t sink = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int n = 0; n <= quorvel::kTargetCount; ++n) {
            const Clock::time_point t0 = Clock::now();
            quorvel::ComposeCanvas(table, state, n);
            sink += quorvel::SceneSprites(state, n).size();
            const Clock::time_point t1 = Clock::now();
            perN[n].push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
    }

    std::printf("canvas_bench: canvas work of one frame, %d rounds (microseconds)\n", kRounds);
    std::printf("  images (27) built in %.2f ms\n", buildMs);
    std::printf("  %4s %10s %10s\n", "n", "median", "max");
    std::vector<double> all;
    for (int n = 0; n <= quorvel::kTargetCount; ++n) {
        std::printf("  %4d %10.1f %10.1f\n", n, Median(perN[n]),
                    *std::max_element(perN[n].begin(), perN[n].end()));
        all.insert(all.end(), perN[n].begin(), perN[n].end());
    }
    std::printf("  all frames: median %.1f us, max %.1f us (goal: median < 1000 us)\n", Median(all),
                *std::max_element(all.begin(), all.end()));
    std::printf("  sprite draws listed: %zu\n", sink);
    return 0;
}
