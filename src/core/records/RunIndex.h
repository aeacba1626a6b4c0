#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// The folder of the run records, beside the trial logs, and its index file.
inline constexpr char kRunsFolder[] = "runs";
inline constexpr char kRunIndexName[] = "index.csv";

// What a run's index row says beyond what the state holds: the occasion and the machine.
struct RunFacts {
    QString run_id;
    QDateTime started;  // when the wait for the first target began (its clock's origin)
    QSize screen_px;    // the experiment window, physical pixels
    double device_pixel_ratio = 1.0;
    double stimulus_scale = 1.0;  // window pixels per stimulus unit
    QString version;
    QString platform;   // operating system; Qt version; OpenGL renderer; drawing path
    QString trial_log;  // the trial log's file name, in the folder above
    QString events_file;
    QString picture_file;
    // Microseconds from the run's origin to the start of the wait for the second target, the
    // origin of TotalRT; none when the run never got there.
    std::optional<std::int64_t> total_rt_origin_us;
    std::int64_t events_dropped = 0;
    // The trial log or the summary line was appended without the file's lock (the file
    // system cannot lock): another station writing at that moment could have mixed in.
    bool appended_without_lock = false;
    // The language the run's texts were shown in ("ja", "en").
    QString language = QStringLiteral("ja");
};

// The index file's first bytes: byte-order mark and header row.
QByteArray RunIndexHeader();

// One run's row, and its fields.
QByteArray RunIndexRow(const ExperimentState& state, const RunFacts& facts);
QStringList RunIndexFields(const ExperimentState& state, const RunFacts& facts);

// ISO 8601 local time with its offset from UTC, to the millisecond: 2026-03-01T09:15:02.120+09:00.
QString IsoLocalTime(const QDateTime& when);

}  // namespace quorvel
