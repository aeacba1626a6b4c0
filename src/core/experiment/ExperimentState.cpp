#include "core/experiment/ExperimentState.h"

#include <algorithm>

namespace quorvel {

void ResetLog(ExperimentState& state) {
    for (int i = 0; i < kTargetCount; ++i) {
        TrialRecord& r = state.records[i];
        r.trial = i + 1;
        r.resp = -1;
        r.resp_x = -1;
        r.resp_y = -1;
        r.hit_time = 0;
        r.errors = 0;
    }
    state.completed = 0;
}

int TargetCount(const ExperimentState& state) {
    return std::clamp(state.target_count, 0, kTargetCount);
}

int TotalErrors(const ExperimentState& state) {
    int total = 0;
    for (const TrialRecord& record : state.records) {
        total += record.errors;
    }
    return total;
}

}  // namespace quorvel
