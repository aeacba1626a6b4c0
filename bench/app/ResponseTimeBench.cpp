// The error of the recorded response times, on a quiet machine and on a busy one side by side.
// Real tests run on the real experiment window with the real driver, key state and millisecond
// clock; a separate thread plays the subject: it touches each awaited target at an instant of
// the monotonic clock that it chooses and notes, by handing a touch to the program's event
// queue stamped with that instant in whole milliseconds, as a window system stamps input from a
// touch screen. For every target from the second on, the recorded hit_time is compared with the
// true time from the clock's restart (when the wait for the second target begins) to the touch.
//
// Two kinds of touch: presses held until the next target is drawn (the timing errors), and
// short taps of a fixed length, which the subject repeats when the program has not taken them
// within a second (the taps lost). The busy machine is made by the benchmark itself for the
// loaded condition only (stress-ng on every core if installed, else busy threads).
//
// Every condition is measured with the run's recording (the input journal behind the events
// file) off and on, test by test in turn, so the two are side by side on the same machine state.
#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QMouseEvent>
#include <QWindow>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/experiment/DriveExperiment.h"
#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "core/experiment/MsTimer.h"
#include "gui/experiment/TargetImages.h"
#include "gui/experiment/WindowDriverIo.h"
#include "gui/platform/ClickSound.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/MessagePump.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/render/CTouchWnd.h"
#include "support/BackgroundLoad.h"
#include "support/TouchGeometry.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorvel::kTargetCount;

constexpr int kDefaultTouches = 600;
constexpr int kTaps = 300;
constexpr int kTapMs = 5;
constexpr int kTimedPerTest = kTargetCount - 1;  // targets 2..25
// How long the subject waits for the next target before taking a tap for lost and tapping
// again.
constexpr auto kTapGiveUp = std::chrono::milliseconds(1000);

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// What the driver has drawn, for the subject thread; when the clock restarted.
struct Progress {
    std::atomic<int> drawn{-1};
    std::atomic<std::int64_t> restartNs{0};
};

// The real window I/O, telling the subject thread what has been drawn and noting when the
// driver samples, so that the clock's own part of the error can be told apart.
class ObservedIo : public quorvel::WindowDriverIo {
  public:
    ObservedIo(quorvel::CTouchWnd& window, const quorvel::ExperimentState& state,
               quorvel::KeyState& keys, quorvel::ClickSound& click, Progress& progress)
        : WindowDriverIo(window, state, keys, click), m_progress(progress) {}

    void DrawScene(int completed) override {
        if (completed >= 1) {
            seenAtNs[completed - 1] = m_lastSampleNs;
        }
        WindowDriverIo::DrawScene(completed);
        if (completed == 1) {
            m_progress.restartNs = NowNs();  // the driver sets the clock to 0 right after this
        }
        m_progress.drawn = completed;
    }
    // The driver asks for Escape right after reading the clock at every sample.
    bool KeyPressed(int key) override {
        if (key == kEscape) {
            m_lastSampleNs = NowNs();
        }
        return WindowDriverIo::KeyPressed(key);
    }
    // When the sample that saw each target's correct touch was taken.
    std::array<std::int64_t, kTargetCount> seenAtNs{};

  private:
    Progress& m_progress;
    std::int64_t m_lastSampleNs = 0;
};

// Hands a touch to the program's event queue from the subject's thread, stamped `stampMs` as
// the window system would stamp it when the finger landed or left: it waits there until the
// program next dispatches its events. It is handed over as a left-button press or release,
// which the experiment window keeps exactly as it keeps a touch: a touch event's point cannot
// be placed, nor its timestamp chosen, through Qt's public interface. (QTest's sequences are
// not used: they pause a millisecond before each delivery, which would count against the
// program, and stamp with a clock of their own.)
void PostTouch(QObject& gui, QWindow* window, bool press, QPoint at, std::uint64_t stampMs) {
    QMetaObject::invokeMethod(
        &gui,
        [window, press, at, stampMs] {
            QMouseEvent event(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                              QPointF(at), QPointF(at), window->mapToGlobal(QPointF(at)),
                              Qt::LeftButton, press ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            event.setTimestamp(stampMs);
            QCoreApplication::sendEvent(window, &event);
        },
        Qt::QueuedConnection);
}

// The window system's clock: whole milliseconds of the monotonic clock.
std::uint64_t StampOf(std::int64_t ns) {
    return static_cast<std::uint64_t>(ns / 1000000);
}

// The subject: waits for each target's scene, touches it after a random pause. A held touch is
// lifted once the next scene is up; a tap is lifted after tapMs, and tapped again when the
// next scene has not come up a second later. Notes the true instant of every touch (the last
// one for a repeated tap) and counts the repeated taps.
void Subject(QObject* gui, QWindow* window, const std::vector<QPoint>& centres, Progress& progress,
             std::mt19937& random, int tapMs, std::vector<std::int64_t>& touchedAtNs, int& lost) {
    std::uniform_int_distribution<int> pauseUs(30000, 90000);
    for (int i = 0; i < kTargetCount; ++i) {
        while (progress.drawn.load() < i) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_until(Clock::now() + std::chrono::microseconds(pauseUs(random)));
        for (;;) {
            touchedAtNs[i] = NowNs();
            PostTouch(*gui, window, true, centres[i], StampOf(touchedAtNs[i]));
            if (tapMs == 0) {
                break;
            }
            std::this_thread::sleep_until(Clock::time_point(std::chrono::nanoseconds(
                touchedAtNs[i] + static_cast<std::int64_t>(tapMs) * 1000000)));
            PostTouch(*gui, window, false, centres[i], StampOf(NowNs()));
            const Clock::time_point giveUp = Clock::now() + kTapGiveUp;
            while (progress.drawn.load() < i + 1 && Clock::now() < giveUp) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (progress.drawn.load() >= i + 1) {
                break;
            }
            ++lost;
        }
        while (progress.drawn.load() < i + 1) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (tapMs == 0) {
            PostTouch(*gui, window, false, centres[i], StampOf(NowNs()));
        }
    }
}

struct Errors {
    std::vector<double> total;  // recorded - true, ms
    std::vector<double> clock;  // recorded - true time of the sample that saw the touch, ms
    int wrong = 0;
    int taps = 0;              // taps made, repeats included
    int lost = 0;              // taps the program never took
    std::size_t recorded = 0;  // presses and releases the journal kept
};

// Recording off ([0]) and on ([1]), `touches` each, alternating test by test.
std::array<Errors, 2> Measure(QApplication& app, quorvel::CTouchWnd& window, int touches, int tapMs,
                              std::mt19937& random) {
    quorvel::KeyState keys;
    quorvel::ClickSound click;
    quorvel::QtMessageBoxes boxes;
    std::array<Errors, 2> both;
    const double ratio = window.Window()->devicePixelRatio();
    const int tests = 2 * ((touches + kTimedPerTest - 1) / kTimedPerTest);
    for (int test = 0; test < tests; ++test) {
        const bool recording = test % 2 == 1;
        Errors& errors = both[recording ? 1 : 0];
        window.Journal().SetEnabled(recording);
        quorvel::ExperimentState state;
        quorvel::LcgRandom rng;
        quorvel::SeedForRun(rng, test + 1);
        if (quorvel::PlaceTargets(rng, state.stimuli) != kTargetCount) {
            continue;
        }
        quorvel::ResetLog(state);
        window.ResetTextures();
        quorvel::BuildTargetImages(window, state);
        std::vector<QPoint> centres;
        for (const quorvel::Stimulus& s : state.stimuli) {
            const QPoint p = quorvel::test::PixelFor(window.Mapping(), s);
            centres.push_back(
                QPoint(static_cast<int>(p.x() / ratio), static_cast<int>(p.y() / ratio)));
        }

        Progress progress;
        ObservedIo io(window, state, keys, click, progress);
        std::vector<std::int64_t> touchedAtNs(kTargetCount, 0);
        int lost = 0;
        std::thread subject(Subject, &app, window.Window(), std::cref(centres), std::ref(progress),
                            std::ref(random), tapMs, std::ref(touchedAtNs), std::ref(lost));
        // The instruction and the end message.
        quorvel::MessageBoxScript::Answer(QMessageBox::Ok);
        quorvel::MessageBoxScript::Answer(QMessageBox::Ok);
        const quorvel::DriveOutcome outcome = quorvel::DriveExperiment(state, io, boxes);
        subject.join();
        quorvel::Pump();  // the last lift
        errors.recorded += window.Journal().Events().size();
        if (tapMs > 0) {
            errors.taps += kTargetCount + lost;
            errors.lost += lost;
        }
        if (outcome != quorvel::DriveOutcome::Completed) {
            continue;
        }
        const std::int64_t restart = progress.restartNs.load();
        for (int i = 1; i < kTargetCount; ++i) {
            if (state.records[i].errors != 0) {
                ++errors.wrong;
                continue;
            }
            const double hit = state.records[i].hit_time;
            errors.total.push_back(hit - (touchedAtNs[i] - restart) / 1e6);
            errors.clock.push_back(hit - (io.seenAtNs[i] - restart) / 1e6);
        }
    }
    window.Journal().SetEnabled(true);
    return both;
}

struct Stats {
    double mean = 0;
    double sd = 0;
    double lo = 0;
    double hi = 0;
    double worst = 0;
    int within = 0;
};

constexpr double kWithinMs = 1.5;

Stats Describe(const std::vector<double>& v) {
    Stats s;
    if (v.empty()) {
        return s;
    }
    s.lo = s.hi = v.front();
    for (double e : v) {
        s.mean += e;
        s.lo = std::min(s.lo, e);
        s.hi = std::max(s.hi, e);
        s.worst = std::max(s.worst, std::fabs(e));
        s.within += std::fabs(e) <= kWithinMs ? 1 : 0;
    }
    s.mean /= v.size();
    for (double e : v) {
        s.sd += (e - s.mean) * (e - s.mean);
    }
    s.sd = v.size() > 1 ? std::sqrt(s.sd / (v.size() - 1)) : 0.0;
    return s;
}

// Columns: quiet with recording off and on, loaded with recording off and on.
void Row(const char* what, const std::array<double, 4>& v) {
    std::printf("  %-40s %10.3f %10.3f %10.3f %10.3f\n", what, v[0], v[1], v[2], v[3]);
}

void RowCount(const char* what, const std::array<int, 4>& n, const std::array<int, 4>& of) {
    std::printf("  %-40s", what);
    for (int k = 0; k < 4; ++k) {
        std::printf(" %5d/%-4d", n[k], of[k]);
    }
    std::printf("\n");
}

void Report(const char* what, const std::array<Errors, 2>& quiet,
            const std::array<Errors, 2>& loaded) {
    const std::array<const Errors*, 4> e = {&quiet[0], &quiet[1], &loaded[0], &loaded[1]};
    std::array<Stats, 4> t;
    std::array<Stats, 4> c;
    std::array<int, 4> sizes{};
    for (int k = 0; k < 4; ++k) {
        t[k] = Describe(e[k]->total);
        c[k] = Describe(e[k]->clock);
        sizes[k] = static_cast<int>(e[k]->total.size());
    }
    const auto of = [&](double Stats::*field, const std::array<Stats, 4>& s) {
        return std::array<double, 4>{s[0].*field, s[1].*field, s[2].*field, s[3].*field};
    };
    std::printf("%s (recorded - true, ms):\n", what);
    std::printf("  %-40s %10s %10s %10s %10s\n", "", "quiet off", "quiet on", "loaded off",
                "loaded on");
    Row("mean", of(&Stats::mean, t));
    Row("SD (goal loaded <= 0.35)", of(&Stats::sd, t));
    Row("lowest", of(&Stats::lo, t));
    Row("highest", of(&Stats::hi, t));
    Row("range (highest - lowest)",
        {t[0].hi - t[0].lo, t[1].hi - t[1].lo, t[2].hi - t[2].lo, t[3].hi - t[3].lo});
    Row("worst |error| (goal loaded <= 1.5)", of(&Stats::worst, t));
    RowCount("within 1.5 ms (goal: all)", {t[0].within, t[1].within, t[2].within, t[3].within},
             sizes);
    RowCount("touches judged wrong", {e[0]->wrong, e[1]->wrong, e[2]->wrong, e[3]->wrong}, sizes);
    Row("recorded - time of the sample: mean", of(&Stats::mean, c));
    Row("recorded - time of the sample: SD", of(&Stats::sd, c));
    if (quiet[0].taps > 0 || loaded[0].taps > 0) {
        RowCount("taps lost (goal: none)", {e[0]->lost, e[1]->lost, e[2]->lost, e[3]->lost},
                 {e[0]->taps, e[1]->taps, e[2]->taps, e[3]->taps});
    }
    std::printf("  %-40s %10zu %10zu %10zu %10zu\n", "presses and releases recorded",
                e[0]->recorded, e[1]->recorded, e[2]->recorded, e[3]->recorded);
}

}  // namespace

// Usage: response_time_bench [touches] [taps]   (600 held touches and 300 taps of 5 ms per
// condition and recording setting unless given)
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int touches = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultTouches;
    const int taps = argc > 2 ? std::max(0, std::atoi(argv[2])) : kTaps;
    quorvel::CTouchWnd window;
    window.Create(nullptr, QRect(0, 0, 1920, 1080));
    window.ShowMaximized();
    while (window.Window() == nullptr || !window.Window()->isExposed()) {
        quorvel::Idle();
    }
    window.UpdateWindow();
    if (window.InitDirect3D() == 0) {
        std::printf("response time: no OpenGL, nothing measured\n");
        return 0;
    }

    std::mt19937 random(20240611);
    const std::array<Errors, 2> quiet = Measure(app, window, touches, 0, random);
    const std::array<Errors, 2> quietTaps = Measure(app, window, taps, kTapMs, random);
    std::array<Errors, 2> loaded;
    std::array<Errors, 2> loadedTaps;
    std::string load;
    {
        // Bounded well beyond the measurement; ended as soon as it is done.
        quorvel::bench::BackgroundLoad busy(std::chrono::seconds(600));
        load = busy.What();
        loaded = Measure(app, window, touches, 0, random);
        loadedTaps = Measure(app, window, taps, kTapMs, random);
    }
    std::printf("response time error; loaded: %s; event timestamps trusted: %s\n", load.c_str(),
                window.MouseTimesTrusted() ? "yes" : "no");
    Report("held touches", quiet, loaded);
    Report("taps of 5 ms", quietTaps, loadedTaps);
    window.DestroyWindow();
    return 0;
}
