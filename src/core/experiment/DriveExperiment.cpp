#include "core/experiment/DriveExperiment.h"

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <chrono>
#include <optional>

#include "core/experiment/HitTest.h"
#include "core/experiment/MsTimer.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct DriveExperimentTexts {
    Q_DECLARE_TR_FUNCTIONS(DriveExperiment)
};

QString InstructionText(const ExperimentState& state) {
    if (state.practice) {
        return IsPartA(state.test_type)
                   ? DriveExperimentTexts::tr("練習です。数字（1～8）を順番に選んでください")
                   : DriveExperimentTexts::tr(
                         "練習です。数字（1～4）とひらがな（あ～え）を交互に順に選んでください");
    }
    return IsPartA(state.test_type)
               ? DriveExperimentTexts::tr("数字（1～25）を順番に選んでください")
               : DriveExperimentTexts::tr("数字（1～13）とひらがな（あ～し）を順に選んでください");
}

QString InstructionCaption(const ExperimentState& state) {
    return state.practice ? DriveExperimentTexts::tr("練習") : DriveExperimentTexts::tr("実験開始");
}

// Spins until `key` is reported released. The key state is fed by events, so the spin pumps
// them; it does not sleep. A request to end the program ends the wait.
void WaitForKeyRelease(DriverIo& io, int key) {
    while (io.KeyPressed(key) && !io.StopRequested()) {
        io.Pump();
    }
}

}  // namespace

DriveOutcome DriveExperiment(ExperimentState& state, DriverIo& io, MessageBoxService& boxes,
                             const std::function<KeptRecords(DriveOutcome)>& finished) {
    boxes.ShowPlain(InstructionText(state), InstructionCaption(state));

    state.completed = 0;
    if (timer_id == 0 && !MsTimerStart()) {
        // Every time of the run would read 0: refuse rather than record it.
        boxes.ShowApp(
            DriveExperimentTexts::tr("MsTimer could not be started, so responses cannot be "
                                     "timed.\nThe test was not run and nothing was recorded."),
            BoxIcon::Stop);
        return DriveOutcome::ClockFailed;
    }
    MsTimerReset();  // the clock of the first target starts here
    io.ClockReset();

    int r = 0;
    for (int i = 0; i < TargetCount(state); ++i) {
        r = AwaitTarget(state, io, i);
        if (r == 0) {
            break;
        }
        ++state.completed;
    }

    io.Awaiting(-1);
    if (timer_id != 0) {
        MsTimerStop();
    }

    io.DrawScene(state.completed);
    io.Idle();
    const DriveOutcome outcome = r == 1 ? DriveOutcome::Completed : DriveOutcome::Aborted;
    const KeptRecords kept = finished ? finished(outcome) : KeptRecords{};
    // A finished practice goes straight on to the test's instruction.
    if (state.practice && outcome == DriveOutcome::Completed) {
        return outcome;
    }
    boxes.ShowPlain(EndText(state, kept), DriveExperimentTexts::tr("課題終了"));
    return outcome;
}

int AwaitTarget(ExperimentState& state, DriverIo& io, int i) {
    io.Awaiting(i);
    io.DrawScene(i);
    if (i == 1) {
        MsTimerReset();  // from here on every target is timed from the start of this wait
        io.ClockReset();
    }

    WaitForKeyRelease(io, DriverIo::kEscape);
    WaitForKeyRelease(io, DriverIo::kEnter);

    // A finger or button still down, for instance from the previous correct touch.
    while (io.PointCount() > 0 && !io.StopRequested()) {
        io.Idle();
    }
    // Presses made before the driver looks for this target's touch answer nothing, just as a
    // contact held through the waits above does not: drop the one latched meanwhile.
    io.TakePress();

    TrialRecord& record = state.records[i];
    for (;;) {
        const std::int32_t t = MsTimerNow();
        // Ending the program (logout, shutdown) aborts like Escape.
        if (io.KeyPressed(DriverIo::kEscape) || io.StopRequested()) {
            WaitForKeyRelease(io, DriverIo::kEscape);
            return 0;
        }

        // The press to judge and its count on the clock: the earliest since the last look,
        // where it landed and when it happened, even if it was lifted before this look (a quick
        // tap on a busy machine); otherwise a contact down now, timed now.
        std::optional<Press> press = io.TakePress();
        std::int32_t ms = t;
        if (press) {
            // Never before this target's clock was reset, never after this look.
            ms = std::max(0, std::min(io.CountAt(press->at), t));
        } else if (io.PointCount() > 0) {
            press = Press{io.FirstPoint(), std::chrono::steady_clock::now(), false,
                          io.FirstPointEvent()};
        } else {
            io.Idle();
            continue;
        }

        const Stimulus touch = ToStimulus(io.Mapping(), press->point.x, press->point.y);
        const bool correct = IsOnCircle(state.stimuli[i], touch);
        io.Judged(*press, correct);
        if (correct) {
            io.PlayClick();
            // resp tells whether a first touch was kept: a wrong first touch in a bar can
            // legitimately sit at x or y = -1 and must not be taken for "no touch yet".
            if (record.resp == -1) {
                record.resp = i + 1;
                record.resp_x = touch.x;
                record.resp_y = touch.y;
            }
            record.hit_time = ms;
            return 1;
        }

        // A wrong press counts once, however long it is held; Escape waits for its release.
        // A press already lifted has no release to wait for; a contact down now is another
        // press and is judged at the next look.
        ++record.errors;
        if (record.resp == -1) {
            record.resp_x = touch.x;
            record.resp_y = touch.y;
            record.resp = CircleNumberAt(state.stimuli, touch, TargetCount(state));
        }
        // A practice shows the subject the touch was wrong; the test itself shows nothing.
        if (state.practice) {
            io.ShowWrongTouch(i, touch);
        }
        if (press->released) {
            continue;
        }
        do {
            io.Idle();
        } while (io.PointCount() > 0 && !io.StopRequested());
        io.Idle();
    }
}

}  // namespace quorvel
