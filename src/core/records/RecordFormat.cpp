#include "core/records/RecordFormat.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace quorvel {

namespace {

bool ToLocalTime(std::int64_t seconds, std::tm& out) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    if (static_cast<std::int64_t>(t) != seconds) {
        return false;
    }
#ifdef _WIN32
    return localtime_s(&out, &t) == 0;
#else
    return localtime_r(&t, &out) != nullptr;
#endif
}

const char* TypeLetter(TestType type) {
    return IsPartA(type) ? "A" : "B";
}

}  // namespace

RecordTimeText FormatRecordTime(std::int64_t seconds) {
    int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
    std::tm tm{};
    if (ToLocalTime(seconds, tm)) {
        year = tm.tm_year + 1900;
        month = tm.tm_mon + 1;
        day = tm.tm_mday;
        hour = tm.tm_hour;
        minute = tm.tm_min;
        second = tm.tm_sec;
    }
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", year, month, day);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", hour, minute, second);
    return {date, time};
}

std::string TrialLogRows(const ExperimentState& state, const RecordTimeText& when) {
    // A count outside 0..25 can only come from a corrupted state; never read past the arrays.
    const int completed = std::clamp(state.completed, 0, kTargetCount);
    const std::string lead =
        state.subject + ',' + TypeLetter(state.test_type) + ',' + when.date + ',' + when.time + ',';
    std::string rows;
    for (int i = 0; i < completed; ++i) {
        const TrialRecord& r = state.records[i];
        // The target is entry trial - 1; after the log reset that is always entry i.
        const int target = (r.trial >= 1 && r.trial <= kTargetCount) ? r.trial - 1 : i;
        const Stimulus& stim = state.stimuli[target];
        // The clock restarts when trial 2 begins: trial 1 stands alone, trial 2 starts the total.
        std::int64_t rt = r.hit_time;
        std::int64_t total = r.hit_time;
        if (i == 0) {
            total = 0;
        } else if (i >= 2) {
            rt = static_cast<std::int64_t>(r.hit_time) - state.records[i - 1].hit_time;
        }
        rows += lead;
        for (std::int64_t field :
             {std::int64_t{r.trial}, std::int64_t{stim.x}, std::int64_t{stim.y},
              std::int64_t{r.resp}, std::int64_t{r.resp_x}, std::int64_t{r.resp_y}, rt, total}) {
            rows += std::to_string(field);
            rows += ',';
        }
        rows += std::to_string(r.errors);
        rows += kLineEnd;
    }
    return rows;
}

std::string SummaryLine(const ExperimentState& state, const RecordTimeText& when) {
    return std::string(TypeLetter(state.test_type)) + '\t' + when.date + '\t' + when.time + '\t' +
           state.subject + '\t' + FormatSeconds(state.records[kTargetCount - 1].hit_time) +
           kLineEnd;
}

std::string FormatSeconds(std::int32_t milliseconds) {
    const std::int64_t ms = milliseconds;
    const std::int64_t magnitude = ms < 0 ? -ms : ms;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%lld.%03lld", ms < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 1000),
                  static_cast<long long>(magnitude % 1000));
    return buffer;
}

}  // namespace quorvel
