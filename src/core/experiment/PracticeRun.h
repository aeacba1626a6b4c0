#pragma once

#include <cstdint>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// The seed of a practice's layout, drawn from the seed of the test it comes before: the same
// test seed always gives the same practice, and never the test's own layout.
std::uint32_t PracticeSeed(std::uint32_t runSeed);

// The practice trail before a test whose conditions, seed and layout are in `test`: the same
// subject, form and letters, its first kPracticeTargetCount targets on a layout of their own,
// the log reset. Its positions are never the test's first ones.
ExperimentState MakePracticeRun(const ExperimentState& test);

}  // namespace quorvel
