#pragma once

#include <QString>

#include "core/experiment/ExperimentState.h"
#include "core/records/RunIndex.h"

namespace quorvel {

// The caption line of a run's picture: who, which form, which run, how far it got, the errors,
// the seed, when it started (local date and time) and how long it took from the run origin,
// target 1 included: "completed in 23.456 s", or for an aborted run "target 7 reached at
// 9.120 s" (nothing when no target was reached).
QString RunCaption(const ExperimentState& state, const RunFacts& facts);

}  // namespace quorvel
