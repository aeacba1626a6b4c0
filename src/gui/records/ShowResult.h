#pragma once

#include "core/records/SummaryRecord.h"

class QWidget;

namespace quorvel {

// The ranking: reads "QVL.txt" in `directory`, sorts its results by total time
// and shows them in the results dialog, modal over `owner` (the main frame; may be null),
// with the file's last result line as the latest. Returns when the dialog has closed. A
// missing or unreadable file, or one without result lines, shows nothing and says nothing.
void OnShowResult(const QString& directory, QWidget* owner = nullptr);

// The ranking after a run, as OnShowResult, from the summary file the run wrote to and with the
// run's own line as the latest, even when other stations have added lines after it. Shows
// nothing when that line cannot be found where it was written.
void OnShowRunResult(const SummaryLineWritten& written, QWidget* owner = nullptr);

}  // namespace quorvel
