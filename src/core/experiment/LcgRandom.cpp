#include "core/experiment/LcgRandom.h"

namespace quorvel {

double UniformRandom(LcgRandom& rng) {
    constexpr double kCombine = 32767.0;
    constexpr double kNormaliser = 9.313225746154785e-10;  // 2^-30
    const int a = rng.Next();
    const int b = rng.Next();
    return (a * kCombine + b) * kNormaliser;
}

std::uint32_t RunSeed(std::int32_t random_seed, std::int64_t nowSeconds) {
    if (random_seed != 0) {
        return static_cast<std::uint32_t>(random_seed);
    }
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(nowSeconds) & 0xFFFFFFFFu);
}

std::uint32_t SeedForRun(LcgRandom& rng, std::int32_t random_seed, const Clock& clock) {
    const std::uint32_t seed = RunSeed(random_seed, clock.NowSeconds());
    rng.Seed(seed);
    rng.Next();
    rng.Next();
    return seed;
}

}  // namespace quorvel
