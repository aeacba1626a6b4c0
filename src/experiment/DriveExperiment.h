#pragma once

#include "experiment/DriverIo.h"
#include "experiment/ExperimentState.h"
#include "platform/MessageBoxService.h"

namespace quorvel {

// How a test ended.
enum class DriveOutcome {
    Aborted,      // Escape: records of the completed targets stand; result 0 for the records
    Completed,    // all 25 targets: result 1 for the records
    ClockFailed,  // the clock could not be started: the operator was told, nothing was run
                  // and there is nothing to write
};

// The test itself, on a prepared run (layout made, log reset, images built): the instruction,
// the clock, the 25 timed targets, the final scene and the end message. Pumps events itself
// while it waits; returns once the end message is closed.
DriveOutcome DriveExperiment(ExperimentState& state, DriverIo& io, MessageBoxService& boxes);

// Awaits target i (0..24) with i targets completed: 1 after its correct touch, 0 when Escape
// aborted the run. Records the touches in state.records[i]. Each press is judged once, where it
// landed, and a correct one is timed at its press (DriverIo::TakePress) where the window keeps
// presses, else at the look that found it.
int AwaitTarget(ExperimentState& state, DriverIo& io, int i);

}  // namespace quorvel
