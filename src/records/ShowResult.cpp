#include "records/ShowResult.h"

#include <vector>

#include "records/CResult.h"
#include "records/RankingOrder.h"
#include "records/SummaryReader.h"

namespace quorvel {

void OnShowResult(QWidget* owner) {
    std::vector<SummaryRecord> records;
    if (!ReadSummaryFile(records) || records.empty()) {
        return;
    }
    const SummaryRecord latest = records.back();  // before the sort moves it
    SortByTotalTime(records);
    CResult dialog(records, latest, owner);
    dialog.DoModal();
}

}  // namespace quorvel
