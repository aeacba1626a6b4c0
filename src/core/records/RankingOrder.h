#pragma once

#include <vector>

#include "core/records/SummaryRecord.h"

namespace quorvel {

// Puts the records in rank order: ascending total time, and records with equal times in the
// reverse of their order in the file, so the latest result comes first among its ties and
// gets the best of the tied ranks. This is the order a pairwise exchange sort (swap i and j
// whenever record i's time is >= record j's) produces, reached in O(n log n).
void SortByTotalTime(std::vector<SummaryRecord>& records);

// The 1-based position of the first record marked latest; 0 when there is none.
int RankOfLatest(const std::vector<SummaryRecord>& records);

}  // namespace quorvel
