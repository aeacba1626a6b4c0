// Time to lay out a run, over the seeds 1..3000: the slowest one (the operator waits for it
// between the conditions dialog and the first target) and the mean.
#include <chrono>
#include <cstdio>

#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"

int main() {
    using Clock = std::chrono::steady_clock;
    double total = 0.0;
    double slowest = 0.0;
    int slowestSeed = 0;
    int failures = 0;
    constexpr int kSeeds = 3000;
    for (int seed = 1; seed <= kSeeds; ++seed) {
        quorvel::LcgRandom rng;
        std::array<quorvel::Stimulus, quorvel::kTargetCount> stimuli{};
        const auto start = Clock::now();
        quorvel::SeedForRun(rng, seed);
        const int placed = quorvel::PlaceTargets(rng, stimuli);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        total += ms;
        if (placed != quorvel::kTargetCount) {
            ++failures;
        }
        if (ms > slowest) {
            slowest = ms;
            slowestSeed = seed;
        }
    }
    std::printf("layout: seeds 1..%d, %d failed\n", kSeeds, failures);
    std::printf("layout: slowest %.3f ms (seed %d, goal < 20 ms), mean %.4f ms\n", slowest,
                slowestSeed, total / kSeeds);
    return 0;
}
