// The error of the recorded response times. Real tests run on the real experiment window with
// the real driver, key state and millisecond clock; a separate thread plays the subject: it
// touches each awaited target at an instant of the monotonic clock that it chooses and notes,
// by handing a touch to the program's event queue, as input from a touch screen arrives from
// outside the program. For every target from the second on, the recorded hit_time is compared
// with the true time from the clock's restart (when the wait for the second target begins) to
// the touch.
//
// The program's own idle (which wakes for input) is measured over the full count; the literal
// "pump, then sleep 1 ms" idle is measured beside it over fewer touches, for comparison.
#include <QtGui/qtestsupport_gui.h>
#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointingDevice>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "experiment/DriveExperiment.h"
#include "experiment/LayoutGenerator.h"
#include "experiment/LcgRandom.h"
#include "experiment/MsTimer.h"
#include "experiment/TargetImages.h"
#include "experiment/WindowDriverIo.h"
#include "platform/ClickSound.h"
#include "platform/KeyState.h"
#include "platform/MessageBoxScript.h"
#include "platform/MessagePump.h"
#include "platform/QtMessageBoxes.h"
#include "render/CTouchWnd.h"
#include "support/TouchGeometry.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorvel::kTargetCount;

constexpr int kDefaultTouches = 2000;
constexpr int kComparisonTouches = 500;
constexpr int kTimedPerTest = kTargetCount - 1;  // targets 2..25

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
               quorvel::KeyState& keys, quorvel::ClickSound& click, Progress& progress,
               bool sleepingIdle)
        : WindowDriverIo(window, state, keys, click),
          progress_(progress),
          sleepingIdle_(sleepingIdle) {}

    void DrawScene(int completed) override {
        if (completed >= 1) {
            seenAtNs[completed - 1] = lastSampleNs_;
        }
        WindowDriverIo::DrawScene(completed);
        if (completed == 1) {
            progress_.restartNs = NowNs();  // the driver sets the clock to 0 right after this
        }
        progress_.drawn = completed;
    }
    // The driver asks for Escape right after reading the clock at every sample.
    bool KeyPressed(int key) override {
        if (key == kEscape) {
            lastSampleNs_ = NowNs();
        }
        return WindowDriverIo::KeyPressed(key);
    }
    void Idle() override {
        if (sleepingIdle_) {
            quorvel::Idle();  // pump, then sleep 1 ms
        } else {
            WindowDriverIo::Idle();
        }
    }

    // When the sample that saw each target's correct touch was taken.
    std::array<std::int64_t, kTargetCount> seenAtNs{};

  private:
    Progress& progress_;
    bool sleepingIdle_;
    std::int64_t lastSampleNs_ = 0;
};

// Hands a touch to the program's event queue from the subject's thread: it waits there until
// the program next dispatches its events, and goes through the window system layer like a
// real touch. (QTest's touch sequence is not used: it pauses a millisecond before each
// delivery, which would count against the program.)
void PostTouch(QObject& gui, QWindow* window, QPointingDevice* device, bool press, QPoint at) {
    QMetaObject::invokeMethod(
        &gui,
        [window, device, press, at] {
            const QEventPoint point(0, press ? QEventPoint::Pressed : QEventPoint::Released,
                                    QPointF(at), window->mapToGlobal(QPointF(at)));
            qt_handleTouchEventv2(window, device, QList<QEventPoint>{point});
        },
        Qt::QueuedConnection);
}

// The subject: waits for each target's scene, touches it after a random pause, lifts once the
// next scene is up. Notes the true instant of every touch.
void Subject(QObject* gui, QWindow* window, QPointingDevice* device,
             const std::vector<QPoint>& centres, Progress& progress, std::mt19937& random,
             std::vector<std::int64_t>& touchedAtNs) {
    std::uniform_int_distribution<int> pauseUs(30000, 90000);
    for (int i = 0; i < kTargetCount; ++i) {
        while (progress.drawn.load() < i) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_until(Clock::now() + std::chrono::microseconds(pauseUs(random)));
        touchedAtNs[i] = NowNs();
        PostTouch(*gui, window, device, true, centres[i]);
        while (progress.drawn.load() < i + 1) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        PostTouch(*gui, window, device, false, centres[i]);
    }
}

struct Errors {
    std::vector<double> total;  // recorded - true, ms
    std::vector<double> clock;  // recorded - true time of the sample that saw the touch, ms
    int wrong = 0;
};

Errors Measure(QApplication& app, QPointingDevice* device, quorvel::CTouchWnd& window, int touches,
               bool sleepingIdle, std::mt19937& random) {
    quorvel::KeyState keys;
    quorvel::ClickSound click;
    quorvel::QtMessageBoxes boxes;
    Errors errors;
    const double ratio = window.Window()->devicePixelRatio();
    const int tests = (touches + kTimedPerTest - 1) / kTimedPerTest;
    for (int test = 0; test < tests; ++test) {
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
        ObservedIo io(window, state, keys, click, progress, sleepingIdle);
        std::vector<std::int64_t> touchedAtNs(kTargetCount, 0);
        std::thread subject(Subject, &app, window.Window(), device, std::cref(centres),
                            std::ref(progress), std::ref(random), std::ref(touchedAtNs));
        // The instruction and the end message.
        quorvel::MessageBoxScript::Answer(QMessageBox::Ok);
        quorvel::MessageBoxScript::Answer(QMessageBox::Ok);
        const quorvel::DriveOutcome outcome = quorvel::DriveExperiment(state, io, boxes);
        subject.join();
        quorvel::Pump();  // the last lift
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
    return errors;
}

struct Stats {
    double mean = 0;
    double sd = 0;
    double lo = 0;
    double hi = 0;
    double worst = 0;
    int within2 = 0;
};

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
        s.within2 += std::fabs(e) <= 2.0 ? 1 : 0;
    }
    s.mean /= v.size();
    for (double e : v) {
        s.sd += (e - s.mean) * (e - s.mean);
    }
    s.sd = v.size() > 1 ? std::sqrt(s.sd / (v.size() - 1)) : 0.0;
    return s;
}

void Report(const char* what, const Errors& e) {
    const Stats t = Describe(e.total);
    const Stats c = Describe(e.clock);
    std::printf("%s, %zu touches:\n", what, e.total.size());
    std::printf(
        "  mean %+.3f ms, SD %.3f ms (goal <= 0.3), range %+.3f .. %+.3f ms, worst %.3f ms\n",
        t.mean, t.sd, t.lo, t.hi, t.worst);
    std::printf("  within 2 ms: %d of %zu (goal: all); touches judged wrong: %d\n", t.within2,
                e.total.size(), e.wrong);
    std::printf(
        "  of which the clock (recorded - true time of the sample that saw the touch): "
        "mean %+.3f ms, SD %.3f ms\n",
        c.mean, c.sd);
}

}  // namespace

// Usage: response_time_bench [touches]   (2000 unless given)
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int touches = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultTouches;
    QPointingDevice* device = QTest::createTouchDevice();
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
    const Errors program = Measure(app, device, window, touches, false, random);
    const Errors sleeping =
        Measure(app, device, window, std::min(touches, kComparisonTouches), true, random);
    std::printf("response time error (recorded - true):\n");
    Report("the program's idle (wakes for input, at most 1 ms)", program);
    Report("for comparison, an idle of pump then sleep 1 ms", sleeping);
    window.DestroyWindow();
    return 0;
}
