#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "core/experiment/EndMessage.h"
#include "core/experiment/ExperimentState.h"
#include "core/platform/Clock.h"
#include "core/platform/MessageBoxService.h"
#include "core/records/DurableAppend.h"
#include "core/records/IoFault.h"
#include "core/records/SummaryRecord.h"

namespace quorvel {

// What the record writer needs from around it: where to write, and seams that default to the
// real thing (the clock, faults, the lock's wait).
struct RecordsContext {
    // The directory the files are written to; empty: the process's working directory, as it is
    // when WriteRecords starts.
    QString directory;
    // The calendar time the rows are stamped with.
    const Clock* clock = &SystemClock();
    // Consulted before every file operation; empty: no faults.
    IoFaultHook io_fault;
    // How long to wait for other writers (other stations) to finish with a file before the
    // operator is told it cannot be written.
    std::chrono::milliseconds lock_wait = DurableAppend::kDefaultLockWait;
    // Told of every wait for another writer's lock (keeps the window alive); empty: none.
    LockWaitHook lock_wait_hook;
    // True once the program is asked to end (logout, shutdown, SIGTERM): a file another station
    // keeps locked is then appended to without the lock rather than lost; empty: never.
    std::function<bool()> ending;

    // The clock to read: `clock`, or the system's where a caller has cleared it.
    const Clock& Calendar() const { return clock != nullptr ? *clock : SystemClock(); }
};

// The text of the data-file error, naming the file by its full path, and on a line of its own
// the reason the system gave, when there is one (a full disk and a read-only folder call for
// different fixes).
QString DataFileErrorText(const QString& path, const QString& reason = QString());

// The directory records are written to, named in full: `directory`, or the process's working
// directory when that is empty. Empty when the working directory is gone (removed) and cannot
// be named.
QString ResolveRecordsDirectory(const QString& directory);

// Writes the finished run: its completed trials to the subject's trial log and, when
// `run_complete`, its line to the summary file. Reads the calendar once, at the start, and
// stamps every row with that time.
//
// A file that cannot be opened or written is reported to the operator, who may retry after
// fixing the cause; cancelling stops the writing (a failed trial log leaves the summary file
// alone). Whatever happens, each file holds either the whole of this run's bytes or exactly
// what it held before. A subject ID that would name a file outside the directory is refused
// like a file that cannot be opened. True when everything the run had to write is on disk.
// When the summary line was written and `written` is given, it says where the line went. When
// `kept` is given, its trial_log and summary_line say which of the two files took the run, and
// without_lock whether either was appended without its lock (the file system has none).
bool WriteRecords(ExperimentState& state, bool run_complete, MessageBoxService& boxes,
                  const RecordsContext& context, SummaryLineWritten* written = nullptr,
                  KeptRecords* kept = nullptr);

}  // namespace quorvel
