#pragma once

#include <cstdint>

#include "core/platform/Clock.h"

namespace quorvel {

// The linear congruential generator behind the classic C runtime's rand/srand pair. Layouts
// depend on its exact sequence, so it is implemented here rather than taken from the
// platform, whose rand may differ.
class LcgRandom {
  public:
    explicit LcgRandom(std::uint32_t seed = 0) : m_state(seed) {}

    void Seed(std::uint32_t seed) { m_state = seed; }

    // Next value, 0..32767.
    int Next() {
        m_state = m_state * 214013u + 2531011u;  // unsigned: wraps modulo 2^32
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

    std::uint32_t State() const { return m_state; }

  private:
    std::uint32_t m_state;
};

// Two draws a, b combined as (a * 32767.0 + b) * 2^-30, in that order, in double precision.
// Lies in [0, 0.999969482421875]: never 1.0. The multiplier is 32767, not 32768, so distinct
// pairs can give the same value; layouts depend on it, so it stays.
double UniformRandom(LcgRandom& rng);

// The seed of a run: the 32-bit pattern of random_seed (-1 gives 4294967295), or, when it is
// 0, the low 32 bits of nowSeconds (calendar time, seconds since 1970-01-01 UTC).
std::uint32_t RunSeed(std::int32_t random_seed, std::int64_t nowSeconds);

// Seeds the generator for a run and throws away two draws; `clock` is read only when
// random_seed is 0. Returns the seed used, which lays the same targets out again.
std::uint32_t SeedForRun(LcgRandom& rng, std::int32_t random_seed,
                         const Clock& clock = SystemClock());

}  // namespace quorvel
