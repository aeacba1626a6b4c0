#include "core/records/RankingOrder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

namespace quorvel {

void SortByTotalTime(std::vector<SummaryRecord>& records) {
    // Sort (time, position) keys, later positions first among equal times, then move each
    // record once. A NaN, which the reader never produces, sorts last so the order stays
    // a strict weak ordering whatever the caller passes.
    std::vector<std::pair<double, std::size_t>> keys;
    keys.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const double t = records[i].total_rt;
        keys.emplace_back(std::isnan(t) ? std::numeric_limits<double>::infinity() : t, i);
    }
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        if (a.first < b.first) {
            return true;
        }
        if (b.first < a.first) {
            return false;
        }
        return a.second > b.second;
    });
    std::vector<SummaryRecord> sorted;
    sorted.reserve(records.size());
    for (const auto& key : keys) {
        sorted.push_back(std::move(records[key.second]));
    }
    records = std::move(sorted);
}

int RankOfLatest(const std::vector<SummaryRecord>& records) {
    const auto it = std::find_if(records.begin(), records.end(),
                                 [](const SummaryRecord& r) { return r.latest; });
    return it == records.end() ? 0 : static_cast<int>(it - records.begin()) + 1;
}

}  // namespace quorvel
