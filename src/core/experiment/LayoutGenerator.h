#pragma once

#include <array>
#include <cstdint>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/LcgRandom.h"
#include "core/platform/MessageBoxService.h"

namespace quorvel {

// Candidates that may be rejected for one position before the layout is given up. The count
// starts again at every position; there is no overall limit and no backtracking.
constexpr int kLayoutRejectionLimit = 10000;
// A candidate closer than this to a placed centre is rejected; exactly this far is accepted.
constexpr double kLayoutMinDistance = 128.0;

// Places positions 0..24 in order, each candidate drawn as x then y from UniformRandom and
// tested against the placed positions in increasing order. Returns the number of positions
// placed: kTargetCount on success; less means the rejection limit was reached while placing
// that position, and the entries from it on keep whatever they held before. With `count`, only
// positions 0..count-1 are placed (a practice's shorter trail).
int PlaceTargets(LcgRandom& rng, std::array<Stimulus, kTargetCount>& stimuli,
                 int count = kTargetCount);

// The layout of a run into state.stimuli: 1 on success, 0 when it could not be made; the
// operator is then told so in a plain box captioned "Error" and the run must not start.
int LayoutGenerator(ExperimentState& state, LcgRandom& rng, MessageBoxService& boxes);

}  // namespace quorvel
