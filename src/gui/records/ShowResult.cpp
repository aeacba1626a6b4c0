#include "gui/records/ShowResult.h"

#include <algorithm>
#include <vector>

#include "core/records/RankingOrder.h"
#include "core/records/SummaryReader.h"
#include "gui/records/CResult.h"

namespace quorvel {

namespace {

// `records` in file order, one of them marked latest.
void ShowRanking(std::vector<SummaryRecord>& records, QWidget* owner) {
    const auto latest = std::find_if(records.begin(), records.end(),
                                     [](const SummaryRecord& r) { return r.latest; });
    if (latest == records.end()) {
        return;
    }
    const SummaryRecord copy = *latest;  // before the sort moves it
    SortByTotalTime(records);
    CResult dialog(records, copy, owner);
    dialog.DoModal();
}

}  // namespace

void OnShowResult(const QString& directory, QWidget* owner) {
    std::vector<SummaryRecord> records;
    if (!ReadSummaryFile(directory, records) || records.empty()) {
        return;
    }
    ShowRanking(records, owner);
}

void OnShowRunResult(const SummaryLineWritten& written, QWidget* owner) {
    std::vector<SummaryRecord> records;
    if (!ReadRunResult(written, records)) {
        return;
    }
    ShowRanking(records, owner);
}

}  // namespace quorvel
