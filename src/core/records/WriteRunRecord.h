#pragma once

#include <QByteArray>
#include <QString>

#include "core/platform/MessageBoxService.h"
#include "core/records/WriteRecords.h"

namespace quorvel {

// The bytes of one run's record, composed before anything is written.
struct RunRecordBytes {
    QString run_id;
    QByteArray events;     // the whole events file
    QByteArray picture;    // the whole PNG
    QByteArray index_row;  // the run's index row (the index's header is added when it is new)
    QByteArray trials;     // the run's rows of trials.csv; empty: none (no target completed)
};

// The events file and picture names of a run.
QString RunEventsFileName(const QString& runId);
QString RunPictureFileName(const QString& runId);

// A run id no file in `runsPath` uses yet: `stem` (the start time, yyyyMMdd-HHmmss) and four
// random hex digits, so stations sharing the folder never pick the same one.
QString NewRunId(const QString& runsPath, const QString& stem);

// Writes a run's record into the runs folder of `context.directory` (made when missing): the
// events file and the picture, the run's rows of trials.csv, then the index row that names
// them, so a row never points at a file (or rows) that is not there. Each file is written as the
// trial log is (DurableAppend: locked, checked, whole or not at all); a failure is reported in the
// data-file box with Retry. When the operator gives up, the files this call already wrote are taken
// away again, and its rows of trials.csv taken back, so nothing of the run is left. True when the
// whole record is on disk.
//
// The events file and the picture are written under a temporary name and take their own name
// only if no file has it yet: another writer that drew the same run id keeps its files, and this
// call writes nothing, says nothing and sets `id_taken`; the caller draws a new id.
bool WriteRunRecord(const RunRecordBytes& bytes, MessageBoxService& boxes,
                    const RecordsContext& context, bool* id_taken = nullptr);

}  // namespace quorvel
