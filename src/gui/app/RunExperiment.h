#pragma once

#include <functional>

#include "core/app/Preferences.h"
#include "core/experiment/ExperimentState.h"
#include "core/experiment/LcgRandom.h"
#include "core/platform/MessageBoxService.h"
#include "core/records/WriteRecords.h"

namespace quorvel {

class CMainFrame;
class CTouchWnd;
class KeyState;
}  // namespace quorvel

class QWindow;

namespace quorvel {

// Everything one test run works with. The process-wide objects are borrowed; the run owns
// nothing beyond its own length.
struct RunContext {
    ExperimentState& state;
    CTouchWnd& window;  // the experiment window object; its on-screen window exists per run
    CMainFrame& frame;  // parent of the experiment window, restored after the run
    LcgRandom& rng;     // the layout generator's state
    MessageBoxService& boxes;
    KeyState& keys;
    // Shows the ranking with the run's own summary line, where it was written, as the latest.
    std::function<void(const SummaryLineWritten&)> show_result;
    // Where and how the records are written; an empty directory is taken as the working
    // directory as the run starts.
    RecordsContext records;
    // True once the program has been asked to end: a running test ends as an abort would.
    std::function<bool()> stop_requested = {};
    // Puts the operator's boxes over the given window while a test runs (null: back over the
    // frame); unset: the boxes stay as they are.
    std::function<void(QWindow*)> stack_boxes_over = {};
    // A slot the run fills, while a test runs and its records are not yet written, with the
    // writing of its completed rows (as an abort writes them), for the application to call when
    // the process is ending without returning (the display is gone); null: no such slot.
    std::function<void()>* pending_records = nullptr;
    // The operator's preferences as the run starts: the language (and with it Part B's
    // letters) and whether a practice trail comes before the test.
    Preferences preferences = {};
};

enum class PrepareResult {
    Ready,         // conditions confirmed, layout made, images built: the test can run
    Abandoned,     // the dialog was cancelled or no layout was found (already told)
    ImagesFailed,  // a target image could not be created: the run cannot be shown
};

// The conditions dialog and the set-up of a run on an experiment window whose device is set
// up: on "OK" the conditions are copied back, the generator seeded, the input method closed,
// the log reset, the layout made and the target images built.
PrepareResult PrepareExperiment(RunContext& run);

// One whole test, from the Start command to the restored main frame: the experiment window
// over the whole screen, the conditions, the test, the records and, for a completed test with
// the ranking asked for and its records on disk, the ranking. When the window cannot draw
// (no OpenGL, an image that cannot be made) the operator is told and the run ends with the
// window closed and the main frame restored; nothing is recorded.
void RunExperiment(RunContext& run);

}  // namespace quorvel
