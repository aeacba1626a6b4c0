#include "gui/app/RunExperiment.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QObject>
#include <QRect>
#include <QWindow>
#include <chrono>

#include "core/experiment/DriveExperiment.h"
#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/PracticeRun.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CSubject.h"
#include "gui/app/MeasuredScreen.h"
#include "gui/app/RecordRun.h"
#include "gui/experiment/TargetImages.h"
#include "gui/experiment/WindowDriverIo.h"
#include "gui/platform/ClickSound.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/PrimaryScreen.h"
#include "gui/records/LockWaitNote.h"
#include "gui/render/CTouchWnd.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct RunExperimentTexts {
    Q_DECLARE_TR_FUNCTIONS(RunExperiment)
};

QString NoDisplayText() {
    return RunExperimentTexts::tr(
        "The experiment screen could not be set up (OpenGL is not available), so the test "
        "cannot be shown.\nThe test was not run and nothing was recorded.");
}

QString NoImagesText() {
    return RunExperimentTexts::tr(
        "The images of the test could not be created (not enough graphics memory), so the "
        "test cannot be shown.\nThe test was not run and nothing was recorded.");
}

// While a test runs, the main frame lies under the experiment window but may still get the
// keyboard (a message box hands it back to its owner when it closes). Its own Escape handling
// would then bring the frame up over the running test, so the frame's key presses are
// swallowed for the run's length. The key state, an application-wide filter, still sees them
// first, so Escape still aborts the test.
class FrameKeyGuard : public QObject {
  public:
    explicit FrameKeyGuard(QObject& frame) : m_frame(frame) { m_frame.installEventFilter(this); }
    ~FrameKeyGuard() override { m_frame.removeEventFilter(this); }
    FrameKeyGuard(const FrameKeyGuard&) = delete;
    FrameKeyGuard& operator=(const FrameKeyGuard&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QObject& m_frame;
};

// While a test runs, the test's boxes stand over the experiment window; after it, over the
// frame again.
class BoxesOverWindow {
  public:
    BoxesOverWindow(std::function<void(QWindow*)> stack, QWindow* window)
        : m_stack(std::move(stack)) {
        if (m_stack) {
            m_stack(window);
        }
    }
    ~BoxesOverWindow() {
        if (m_stack) {
            m_stack(nullptr);
        }
    }
    BoxesOverWindow(const BoxesOverWindow&) = delete;
    BoxesOverWindow& operator=(const BoxesOverWindow&) = delete;

  private:
    std::function<void(QWindow*)> m_stack;
};

// Closes any input method on the main frame, so that keys typed during the test (Escape)
// reach the program rather than a composition window left open by the subject field.
void SwitchInputMethodOff(CMainFrame& frame) {
    frame.setAttribute(Qt::WA_InputMethodEnabled, false);
    QInputMethod* method = QGuiApplication::inputMethod();
    if (method != nullptr) {
        method->reset();
        method->hide();
    }
}

// How long after the run's end its record waits for the last finger (or button) to lift, so the
// events file has the release of the last target's press. A subject who rests a finger on the
// screen holds the record back no longer than this.
constexpr std::chrono::milliseconds kLastLiftWait{1000};

// Pumps events until no contact is down, the wait from `ended` is over, or the program is asked
// to end.
void AwaitLastLift(WindowDriverIo& io, const CTouchWnd& window,
                   std::chrono::steady_clock::time_point ended) {
    while (window.PointCount() > 0 && !io.StopRequested() &&
           std::chrono::steady_clock::now() - ended < kLastLiftWait) {
        io.Idle();
    }
}

// Ends a run that cannot be shown: the window goes, the frame comes back, then the operator
// is told, so the box stands over the frame rather than over a black window.
void EndUnshowableRun(RunContext& run, const QString& text) {
    run.window.DestroyWindow();
    run.frame.RestoreFrame();
    run.boxes.ShowApp(text, BoxIcon::Stop);
}

enum class PracticeResult { Done, Ended, ImagesFailed };

// The practice trail before the test, on its own layout and images: its instruction, its
// targets with every wrong touch shown, and its run record (nothing else is written). Escape
// (or the end of the program) ends it, and with it the whole Start.
PracticeResult RunPractice(RunContext& run, const RecordsContext& records, ClickSound& click) {
    ExperimentState practice = MakePracticeRun(run.state);
    if (!BuildTargetImages(run.window, practice)) {
        return PracticeResult::ImagesFailed;
    }
    WindowDriverIo io(run.window, practice, run.keys, click);
    io.SetStopRequest(run.stop_requested);
    const DriveOutcome outcome = DriveExperiment(practice, io, run.boxes, [&](DriveOutcome) {
        AwaitLastLift(io, run.window, std::chrono::steady_clock::now());
        KeptRecords kept;
        kept.run_record = RecordRun(practice, run.window, run.boxes, records, kept,
                                    LanguageCode(run.preferences.language));
        run.window.Journal().SetAwaited(-1);
        return kept;
    });
    const bool ending = run.stop_requested && run.stop_requested();
    return outcome == DriveOutcome::Completed && !ending ? PracticeResult::Done
                                                         : PracticeResult::Ended;
}

}  // namespace

PrepareResult PrepareExperiment(RunContext& run) {
    // The frame owns the dialog, as the main window owns a dialog given no parent.
    if (!EditConditions(run.state, run.boxes, &run.frame, run.window.Window())) {
        return PrepareResult::Abandoned;
    }
    run.state.labels = LabelsFor(run.preferences.language);
    // The run's one calendar clock: a seed of 0 takes its time, as the records' stamp does.
    run.state.run_seed = SeedForRun(run.rng, run.state.random_seed, run.records.Calendar());
    SwitchInputMethodOff(run.frame);
    ResetLog(run.state);
    if (LayoutGenerator(run.state, run.rng, run.boxes) == 0) {
        return PrepareResult::Abandoned;
    }
    if (!BuildTargetImages(run.window, run.state)) {
        return PrepareResult::ImagesFailed;
    }
    return PrepareResult::Ready;
}

void RunExperiment(RunContext& run) {
    // The records go where the working directory is as the test starts, named in full: a
    // folder removed during the test is then named by its path in the data-file box, and a
    // retry writes into a folder of that name made again.
    RecordsContext records = run.records;
    records.directory = ResolveRecordsDirectory(records.directory);

    // The screen as it is now, not as it was at start-up: a resolution changed or a projector
    // plugged in since then would leave part of the layout off the screen.
    const QSize screen = PrimaryScreenPixels();
    if (!screen.isEmpty()) {
        screenWidth = screen.width();
        screenHeight = screen.height();
    }

    CTouchWnd& window = run.window;
    if (!window.Create(&run.frame, QRect(0, 0, screenWidth, screenHeight))) {
        return;
    }
    window.ShowMaximized();
    window.UpdateWindow();
    if (window.InitDirect3D() == 0) {
        EndUnshowableRun(run, NoDisplayText());
        return;
    }

    const FrameKeyGuard guard(run.frame);
    const BoxesOverWindow boxesOver(run.stack_boxes_over, window.Window());
    switch (PrepareExperiment(run)) {
        case PrepareResult::Ready:
            break;
        case PrepareResult::Abandoned:
            window.DestroyWindow();
            return;
        case PrepareResult::ImagesFailed:
            EndUnshowableRun(run, NoImagesText());
            return;
    }

    // The dialog took the keyboard; the subject's keys belong to the experiment window.
    if (QWindow* surface = window.Window()) {
        surface->raise();
        surface->requestActivate();
    }
    ClickSound click;
    click.Load(records.directory);
    // A shared file another station keeps locked must not freeze the program while it waits.
    LockWaitNote waitNote(window.Window(), run.stop_requested);
    if (!records.ending) {
        records.ending = run.stop_requested;
    }
    if (!records.lock_wait_hook) {
        records.lock_wait_hook = [&waitNote](bool waiting) { return waitNote.OnWait(waiting); };
    }
    if (run.preferences.practice_first) {
        switch (RunPractice(run, records, click)) {
            case PracticeResult::Done:
                break;
            case PracticeResult::Ended:  // as an abort before the test: nothing more is written
                window.ResetTextures();
                window.DestroyWindow();
                run.frame.RestoreFrame();
                return;
            case PracticeResult::ImagesFailed:
                EndUnshowableRun(run, NoImagesText());
                return;
        }
    }
    WindowDriverIo io(window, run.state, run.keys, click);
    io.SetStopRequest(run.stop_requested);
    // The records are written as soon as the run ends, before the end message: a completed
    // test must not depend on anyone closing that box. A test whose clock never ran has no
    // times worth keeping and never gets there: nothing is written. The run's images stay
    // until the end message has gone, so the final scene behind it can be shown again.
    // The run's own record follows the trial log and summary file; an operator who gave up on
    // those has stopped the writing, as with the summary file after a failed trial log.
    bool written = false;
    SummaryLineWritten line;
    // Should the display go before the records are written, the process ends without coming
    // back here; the rows completed so far are written then, as an abort would write them.
    // The run's own record needs the window and is not written.
    struct PendingRecords {
        std::function<void()>* slot;
        ~PendingRecords() {
            if (slot != nullptr) {
                *slot = nullptr;
            }
        }
    } pending{run.pending_records};
    if (pending.slot != nullptr) {
        *pending.slot = [&run, &records] {
            if (run.state.completed > 0) {
                WriteRecords(run.state, run.state.completed == kTargetCount, run.boxes, records);
            }
        };
    }
    const DriveOutcome outcome =
        DriveExperiment(run.state, io, run.boxes, [&](DriveOutcome finished) {
            if (pending.slot != nullptr) {
                *pending.slot = nullptr;  // written here and now
            }
            const auto ended = std::chrono::steady_clock::now();
            KeptRecords kept;
            written = WriteRecords(run.state, finished == DriveOutcome::Completed, run.boxes,
                                   records, &line, &kept);
            if (written) {
                AwaitLastLift(io, window, ended);
            }
            kept.run_record = written && RecordRun(run.state, window, run.boxes, records, kept,
                                                   LanguageCode(run.preferences.language));
            window.Journal().SetAwaited(-1);  // the end box comes next
            return kept;
        });
    window.ResetTextures();

    window.DestroyWindow();
    run.frame.RestoreFrame();

    // The ranking shows this run's own line: other stations may have added theirs after it.
    // When the records could not be written there is no such line, so it stays shut.
    if (outcome == DriveOutcome::Completed && run.state.flag_ranking != 0 && written &&
        line.offset >= 0 && run.show_result) {
        run.show_result(line);
    }
}

}  // namespace quorvel
