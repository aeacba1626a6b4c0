#pragma once

#include <array>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// A touch is on a circle when it is at most this far from the centre, in stimulus units.
constexpr double kHitRadius = 50.0;

// Distance between two stimulus points, in double precision (no integer overflow, whatever
// the points).
double StimulusDistance(const Stimulus& a, const Stimulus& b);

// True when `touch` is within the hit radius of `centre`, the radius itself included.
bool IsOnCircle(const Stimulus& centre, const Stimulus& touch);

// The 1-based number of the first circle, in layout order, that `touch` is on; 0 for none.
// Only the first `count` circles are on the screen.
int CircleNumberAt(const std::array<Stimulus, kTargetCount>& stimuli, const Stimulus& touch,
                   int count = kTargetCount);

}  // namespace quorvel
