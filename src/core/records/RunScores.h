#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// The scores a lab derives from one run, computed from the run's own numbers so that nobody
// has to rebuild them from the trial log: component times on the run origin's scale and how
// long and tangled the layout's trail is. Only completed targets count; a field that has no
// value for the run (no target completed, no second target) is empty in the files.

// A completed target's RT and TotalRT exactly as the trial log prints them (position 0..24).
std::int32_t TrialRtMs(const ExperimentState& state, int position);
std::int32_t TrialTotalRtMs(const ExperimentState& state, int position);

// When a completed target was touched, in whole milliseconds from the run origin: target 1's
// clock reading, or for a later target the TotalRT origin (`totalRtOriginUs`, microseconds
// from the run origin, rounded down to milliseconds) plus its clock reading. None when a later
// target's TotalRT origin is not known.
std::optional<std::int64_t> FromOriginMs(const ExperimentState& state, int position,
                                         std::optional<std::int64_t> totalRtOriginUs);

struct RunScores {
    std::optional<std::int32_t> first_target_ms;  // target 1's RT
    std::optional<std::int64_t> completion_ms;    // run origin to the last completed target
    double trail_length = 0.0;                    // the whole layout's trail, stimulus units
    int trail_crossings = 0;
    // Over targets 2..last completed (their RT, the time between two targets).
    std::optional<double> mean_between_ms;
    std::optional<double> median_between_ms;
    std::optional<std::int32_t> longest_ms;
    std::optional<int> longest_target;  // the earliest of equally slow ones
};

RunScores ScoreRun(const ExperimentState& state, std::optional<std::int64_t> totalRtOriginUs);

// The index's columns for the scores, after its older ones, and one run's values for them.
QStringList RunScoreNames();
QStringList RunScoreFields(const RunScores& scores);

}  // namespace quorvel
