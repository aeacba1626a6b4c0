#pragma once

#include <functional>

#include "core/experiment/DriverIo.h"
#include "core/experiment/EndMessage.h"
#include "core/experiment/ExperimentState.h"
#include "core/platform/MessageBoxService.h"

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
//
// `finished`, when given, is called with the outcome once the final scene is up and before
// the end message: the run's records are written there, so a completed test is on disk even
// if the program never gets past the end message (the display server dies, the user logs
// out, the power goes). What it reports kept is what the end message of an aborted run tells;
// without it nothing was kept.
DriveOutcome DriveExperiment(ExperimentState& state, DriverIo& io, MessageBoxService& boxes,
                             const std::function<KeptRecords(DriveOutcome)>& finished = {});

// Awaits target i (0..24) with i targets completed: 1 after its correct touch, 0 when Escape
// aborted the run. Records the touches in state.records[i]. Each press is judged once, where it
// landed, and a correct one is timed at its press (DriverIo::TakePress) where the window keeps
// presses, else at the look that found it.
int AwaitTarget(ExperimentState& state, DriverIo& io, int i);

}  // namespace quorvel
