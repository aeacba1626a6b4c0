#include "records/RankingOrder.h"

#include <algorithm>

namespace quorvel {

void SortByTotalTime(std::vector<SummaryRecord>& records) {
    // Reversing first and then sorting stably leaves equal times in reverse file order.
    std::reverse(records.begin(), records.end());
    std::stable_sort(
        records.begin(), records.end(),
        [](const SummaryRecord& a, const SummaryRecord& b) { return a.total_rt < b.total_rt; });
}

int RankOfLatest(const std::vector<SummaryRecord>& records) {
    const auto it = std::find_if(records.begin(), records.end(),
                                 [](const SummaryRecord& r) { return r.latest; });
    return it == records.end() ? 0 : static_cast<int>(it - records.begin()) + 1;
}

}  // namespace quorvel
