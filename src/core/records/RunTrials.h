#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// The tidy table of every completed target of every run, in the runs folder: one row per
// trial-log row, with the same numbers, keyed by the run's id and carrying the label the
// subject saw, so a lab loads one file instead of joining trial logs to the index by time.
inline constexpr char kRunTrialsName[] = "trials.csv";

// The file's first bytes: byte-order mark and header row.
QByteArray RunTrialsHeader();

// The run's rows, one per completed target in order; empty when none was completed.
// `totalRtOriginUs` places the later targets on the run origin's scale (as in the index).
QByteArray RunTrialsRows(const ExperimentState& state, const QString& runId,
                         std::optional<std::int64_t> totalRtOriginUs);

}  // namespace quorvel
