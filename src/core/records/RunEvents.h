#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/StimulusMapping.h"
#include "core/input/InputJournal.h"

namespace quorvel {

// The events file's first bytes: byte-order mark and header row.
QByteArray RunEventsHeader();

// One row per recorded press and release, in the order they came in. Times are microseconds
// from the journal's first clock reset (the origin of the first target's time); positions are
// mapped into stimulus space with `mapping`, as the driver maps them.
QByteArray RunEventsRows(const InputJournal& journal, const ExperimentState& state,
                         const StimulusMapping& mapping);

// Where the presses the driver judged wrong landed, in stimulus space, in the order made.
std::vector<Stimulus> WrongPresses(const InputJournal& journal, const StimulusMapping& mapping);

// Microseconds from the first clock reset to `at`, rounded down; 0 when the journal has no reset.
std::int64_t MicrosFromOrigin(const InputJournal& journal, EventTime at);

// Microseconds from the first clock reset to the second (the origin of TotalRT); none when the
// run never got to the second target.
std::optional<std::int64_t> TotalRtOriginMicros(const InputJournal& journal);

}  // namespace quorvel
