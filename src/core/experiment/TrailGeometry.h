#pragma once

#include <array>
#include <cstddef>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// How hard a layout is to walk, measured on the trail through the target centres in sequence
// order (1 -> 2 -> ... -> last). With random layouts the length of that trail, more than the
// form of the test, decides how long a run takes, so labs compare and match layouts by it.
// Every function takes the centres in sequence order, `count` of them (0 is allowed).

// Sum of the straight distances between consecutive centres, in stimulus units.
double TrailLength(const Stimulus* centres, std::size_t count);

// Pairs of segments of the trail that are not next to each other in it (segment k and k + 1
// share a target by construction) and have a point in common: crossing, or one touching the
// other. Exact: integer arithmetic on the integer centres.
int TrailCrossings(const Stimulus* centres, std::size_t count);

// Whether the closed segments a-b and c-d have a point in common.
bool SegmentsMeet(const Stimulus& a, const Stimulus& b, const Stimulus& c, const Stimulus& d);

// The smallest distance between two centres, in stimulus units; 0 with fewer than two.
double ShortestCentreDistance(const Stimulus* centres, std::size_t count);

// The same, for a run's whole layout.
inline double TrailLength(const std::array<Stimulus, kTargetCount>& layout) {
    return TrailLength(layout.data(), layout.size());
}
inline int TrailCrossings(const std::array<Stimulus, kTargetCount>& layout) {
    return TrailCrossings(layout.data(), layout.size());
}
inline double ShortestCentreDistance(const std::array<Stimulus, kTargetCount>& layout) {
    return ShortestCentreDistance(layout.data(), layout.size());
}

}  // namespace quorvel
