#pragma once

#include <QString>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// What the records of a finished run kept, so the end message can say so.
struct KeptRecords {
    bool trial_log = false;   // the completed targets' rows reached the subject's trial log
    bool run_record = false;  // the run's own record (index row, events, picture) reached the disk
    bool summary_line = false;  // a completed test's line reached the summary file
    // The trial log or the summary line went in without the file's lock: the file system
    // cannot lock (NFS without its lock service). Told in the run's record, not the message.
    bool without_lock = false;
};

// The end message: the total time of a completed test; for an aborted one, what of it was kept.
// A completed test whose records were not all kept (the operator gave up on a file) says, after
// its time, what was kept and what was not; with everything kept it is the message it always
// was. The operator reads it before the next run, so it must never claim data is gone that is
// on disk, nor the reverse.
QString EndText(const ExperimentState& state, const KeptRecords& kept);

}  // namespace quorvel
