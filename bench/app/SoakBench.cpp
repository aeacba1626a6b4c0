// Soak: the real application object runs many complete tests in a row in one process, driven
// as an operator and a subject would drive it (the Start command, the conditions dialog, the
// instruction and end boxes, 25 touches on the circles as the screen shows them). After the
// first test and after the last it reads what the process holds: resident memory, heap in
// use, threads and open file descriptors. A leak per test shows as growth between the two.
// Prints figures; never fails. Usage: soak_bench [tests] (default 500), in an X display.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QPointingDevice>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "core/experiment/StimulusMapping.h"
#include "gui/app/CMyApp.h"
#include "gui/platform/MessageBoxScript.h"
#include "support/ScriptBot.h"
#include "support/TouchGeometry.h"

namespace quorvel {
namespace {

int g_argc = 1;
char g_arg0[] = "quorvel";
char* g_argv[] = {g_arg0, nullptr};

constexpr std::int32_t kSeed = 7;

// What the process holds at one moment.
struct Snapshot {
    long long rssKb = -1;
    long long heapBytes = -1;  // allocated and not freed, as the C library counts it
    long long threads = -1;
    long long fds = -1;
};

long long CountEntries(const char* dir) {
    std::error_code error;
    long long n = 0;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        ++n;
    }
    return error ? -1 : n;
}

Snapshot Take() {
    Snapshot s;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            s.rssKb = std::atoll(line.c_str() + 6);
        }
    }
#ifdef __GLIBC__
    const struct mallinfo2 info = mallinfo2();
    s.heapBytes = static_cast<long long>(info.uordblks + info.hblkhd);
#endif
    s.threads = CountEntries("/proc/self/task");
    s.fds = CountEntries("/proc/self/fd");
    return s;
}

QWidget* Frame() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("CMainFrame") && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}
QDialog* Modal(const QString& name) {
    QWidget* w = QApplication::activeModalWidget();
    return w != nullptr && w->objectName() == name ? qobject_cast<QDialog*>(w) : nullptr;
}
QWindow* TestScreen() {
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (w->title() == QStringLiteral("Experiment Window") && w->isExposed()) {
            return w;
        }
    }
    return nullptr;
}
bool AtRest() {
    return Frame() != nullptr && QApplication::activeModalWidget() == nullptr &&
           TestScreen() == nullptr;
}
StimulusMapping ScreenMapping() {
    const QSize screen = QGuiApplication::primaryScreen()->size();
    return FitStimulusSpace(screen.width(), screen.height());
}
QRgb ScreenPixel(Stimulus s) {
    const QPoint p = test::PixelFor(ScreenMapping(), s);
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, p.x(), p.y(), 1, 1)
        .toImage()
        .pixel(0, 0);
}
// The scene is up and shows the circle at `c` (its white rim), nothing over it.
bool SceneShows(Stimulus c) {
    const QRgb p = ScreenPixel({c.x + 48, c.y});
    return QApplication::activeModalWidget() == nullptr && TestScreen() != nullptr &&
           qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
}
// The circle at `c` is marked as the last one reached (its green ring).
bool RingOn(Stimulus c) {
    if (TestScreen() == nullptr) {
        return false;
    }
    const QRgb p = ScreenPixel({c.x + 42, c.y});
    return qGreen(p) > 200 && qRed(p) < 60 && qBlue(p) < 60;
}

void Touch(QPointingDevice* device, Stimulus at, bool press) {
    QPointer<QWindow> screen = TestScreen();
    if (screen.isNull()) {
        return;
    }
    const QPoint p = test::PixelFor(ScreenMapping(), at);
    if (press) {
        QTest::touchEvent(screen, device).press(0, p);
    } else {
        QTest::touchEvent(screen, device).release(0, p);
    }
}

// One complete test: Start, the dialog confirmed as it stands, the two boxes answered, the 25
// circles touched in order, each finger lifted once the screen shows the circle reached.
void OneTest(test::ScriptBot& bot, QPointingDevice* device,
             const std::array<Stimulus, kTargetCount>& layout) {
    bot.Then(QStringLiteral("start"), AtRest, [] {
        MessageBoxScript::Answer(QMessageBox::Ok);  // the instruction
        MessageBoxScript::Answer(QMessageBox::Ok);  // the end message
        Frame()->findChild<QAction*>(QStringLiteral("40005"))->trigger();
    });
    bot.Then(
        QStringLiteral("conditions"), [] { return Modal(QStringLiteral("CSubject")) != nullptr; },
        [] {
            QDialog& d = *Modal(QStringLiteral("CSubject"));
            QTest::mouseClick(d.findChild<QAbstractButton*>(QStringLiteral("1")), Qt::LeftButton);
        });
    bot.Then(
        QStringLiteral("scene"), [c = layout[0]] { return SceneShows(c); }, [] {});
    for (int i = 0; i < kTargetCount; ++i) {
        const Stimulus c = layout[i];
        bot.Then(QStringLiteral("press"), [device, c] { Touch(device, c, true); });
        bot.Then(
            QStringLiteral("lift"),
            [c] {
                return RingOn(c) || QApplication::activeModalWidget() != nullptr ||
                       TestScreen() == nullptr;
            },
            [device, c] { Touch(device, c, false); });
    }
}

void Print(const char* when, const Snapshot& s) {
    std::printf("%-26s rss %8lld kB   heap %10lld B   threads %3lld   fds %3lld\n", when, s.rssKb,
                s.heapBytes, s.threads, s.fds);
}

double Percent(long long later, long long first) {
    return first > 0 ? 100.0 * static_cast<double>(later - first) / static_cast<double>(first)
                     : 0.0;
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
    using namespace quorvel;
    const int tests = argc > 1 ? std::max(2, std::atoi(argv[1])) : 500;
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    // The conditions are the settings file's: a fixed seed, so the layout is known.
    {
        std::ofstream ini("QVL.ini", std::ios::binary);
        ini << "subject = SOAK\r\nrandom_seed = " << kSeed
            << "\r\ntest_type = 0\r\nflag_ranking = 0\r\n";
    }
    std::array<Stimulus, kTargetCount> layout{};
    LcgRandom rng;
    SeedForRun(rng, kSeed);
    PlaceTargets(rng, layout);

    Snapshot before;
    Snapshot afterFirst;
    Snapshot afterLast;
    int done = 0;
    auto firstDone = std::chrono::steady_clock::now();
    auto lastDone = firstDone;
    {
        CMyApp app(g_argc, g_argv);
        QPointingDevice* device = QTest::createTouchDevice();
        test::ScriptBot bot;
        bot.SetPace(20);
        app.InitInstance();
        before = Take();
        for (int t = 0; t < tests; ++t) {
            OneTest(bot, device, layout);
            bot.Then(QStringLiteral("count"), AtRest, [&, t] {
                ++done;
                if (t == 0) {
                    afterFirst = Take();
                    firstDone = std::chrono::steady_clock::now();
                } else if (t == tests - 1) {
                    afterLast = Take();
                    lastDone = std::chrono::steady_clock::now();
                }
                if ((t + 1) % 50 == 0) {
                    std::printf("%d tests\n", t + 1);
                    std::fflush(stdout);
                }
            });
        }
        bot.Then(QStringLiteral("exit"), AtRest,
                 [] { Frame()->findChild<QAction*>(QStringLiteral("40001"))->trigger(); });
        bot.Start();
        const int code = app.Run();
        bot.Stop();
        app.ExitInstance(code);
        if (!bot.Done()) {
            std::printf("the script stalled at: %s\n", qPrintable(bot.Waiting()));
        }
    }
    const Snapshot end = Take();
    // Nothing lost: every test's rows and summary line are in the files.
    const auto lines = [](const char* name) {
        std::ifstream in(name, std::ios::binary);
        long long n = 0;
        for (std::string line; std::getline(in, line);) {
            ++n;
        }
        return n - 1;  // the header
    };
    const long long rows = lines("SOAK.csv");
    const long long results = lines("QVL.txt");
    QDir::setCurrent(previous);

    std::printf("soak: %d of %d complete tests in one process\n", done, tests);
    std::printf("trial log rows %lld (expected %d), summary lines %lld (expected %d)\n", rows,
                tests * kTargetCount, results, tests);
    Print("started", before);
    Print("after the first test", afterFirst);
    Print("after the last test", afterLast);
    Print("application destroyed", end);
    if (done == tests) {
        const double seconds = std::chrono::duration<double>(lastDone - firstDone).count();
        std::printf("%.2f s per test after the first\n", seconds / (tests - 1));
        std::printf("first -> last: rss %+.1f %%, heap %+.1f %%, threads %+lld, fds %+lld\n",
                    Percent(afterLast.rssKb, afterFirst.rssKb),
                    Percent(afterLast.heapBytes, afterFirst.heapBytes),
                    afterLast.threads - afterFirst.threads, afterLast.fds - afterFirst.fds);
    }
    return 0;
}
