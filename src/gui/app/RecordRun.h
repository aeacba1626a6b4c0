#pragma once

#include "core/experiment/ExperimentState.h"
#include "core/platform/MessageBoxService.h"
#include "core/records/WriteRecords.h"

namespace quorvel {

class CTouchWnd;

// Writes the record of a run that reached its first target, completed or aborted, into the
// runs folder: its index row (conditions, seed used, start, outcome, screen, version, platform),
// its events file (every press and release the window's journal kept) and its picture. Called
// once the driver is done and while the experiment window still exists (its mapping and size
// are part of the record). `kept` is what the trial log and summary file took, as WriteRecords
// reported it; `language` the code of the language the run was shown in. A practice has no
// trial log and no rows in trials.csv. True when the whole record is on disk; a failure has been
// reported.
bool RecordRun(const ExperimentState& state, const CTouchWnd& window, MessageBoxService& boxes,
               const RecordsContext& records, const KeptRecords& kept = {},
               const QString& language = QStringLiteral("ja"));

}  // namespace quorvel
