// What the operator waits for and what the program costs: the time from starting the program
// to its main frame on the screen, next to a bare Qt window's start-up measured in the same
// run, and the peak memory (VmHWM) of the program after start-up and over a whole test.
// Each figure comes from a fresh process, so dynamic loading and first-use costs count.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointingDevice>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "gui/app/CMyApp.h"
#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/MessagePump.h"
#include "support/ScriptBot.h"
#include "support/TouchGeometry.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 12;

Clock::time_point g_processStart;

// Peak resident memory of this process in kB, from /proc/self/status; -1 when unknown.
long PeakKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

double MsSinceStart() {
    return std::chrono::duration<double, std::milli>(Clock::now() - g_processStart).count();
}

// --- children: each prints one line "<ms in main until shown> <VmHWM kB>" and exits ---

int ChildApp(int argc, char** argv) {
    argc = 1;  // the program takes no arguments
    quorvel::CMyApp app(argc, argv);
    app.InitInstance();  // returns with the frame on the screen and painted
    std::printf("%.3f %ld\n", MsSinceStart(), PeakKb());
    std::fflush(stdout);
    return app.ExitInstance(0);
}

int ChildBare(int argc, char** argv) {
    argc = 1;
    QApplication app(argc, argv);
    // The same size as the program's frame, so both paint the same number of pixels.
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.move(0, 0);
    window.resize(QGuiApplication::primaryScreen()->size());
    window.showMaximized();
    QWindow* handle = window.windowHandle();
    while (handle != nullptr && !handle->isExposed()) {
        quorvel::Idle();
    }
    window.repaint();
    quorvel::Pump();
    std::printf("%.3f %ld\n", MsSinceStart(), PeakKb());
    std::fflush(stdout);
    return 0;
}

bool IsGreen(QRgb c) {
    return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60;
}

QWindow* TestScreen() {
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (w->title() == QStringLiteral("Experiment Window") && w->isExposed()) {
            return w;
        }
    }
    return nullptr;
}

QWidget* Frame() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("CMainFrame") && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

// One whole Part A test with seed 1, every target touched at its centre, then Exit.
int ChildRun(int argc, char** argv) {
    argc = 1;
    quorvel::CMyApp app(argc, argv);
    QPointingDevice* touch = QTest::createTouchDevice();
    std::array<quorvel::Stimulus, quorvel::kTargetCount> layout{};
    quorvel::LcgRandom rng;
    quorvel::SeedForRun(rng, 1);
    quorvel::PlaceTargets(rng, layout);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const quorvel::StimulusMapping mapping =
        quorvel::FitStimulusSpace(screen.width(), screen.height());
    const auto ringOn = [&](int i) {
        const QPoint p = quorvel::test::PixelFor(mapping, {layout[i].x + 42, layout[i].y});
        return TestScreen() == nullptr || IsGreen(QGuiApplication::primaryScreen()
                                                      ->grabWindow(0, p.x(), p.y(), 1, 1)
                                                      .toImage()
                                                      .pixel(0, 0));
    };

    quorvel::test::ScriptBot bot;
    bot.SetPace(20);
    const auto atRest = [] {
        return Frame() != nullptr && QApplication::activeModalWidget() == nullptr &&
               TestScreen() == nullptr;
    };
    bot.Then(QStringLiteral("start"), atRest, [] {
        quorvel::MessageBoxScript::Answer(QMessageBox::Ok);
        quorvel::MessageBoxScript::Answer(QMessageBox::Ok);
        Frame()->findChild<QAction*>(QStringLiteral("40005"))->trigger();
    });
    bot.Then(
        QStringLiteral("conditions"),
        [] {
            QWidget* m = QApplication::activeModalWidget();
            return m != nullptr && m->objectName() == QStringLiteral("CSubject");
        },
        [] {
            QWidget* d = QApplication::activeModalWidget();
            d->findChild<QLineEdit*>(QStringLiteral("1004"))->setText(QStringLiteral("1"));
            QTest::mouseClick(d->findChild<QAbstractButton*>(QStringLiteral("1")), Qt::LeftButton);
        });
    for (int i = 0; i < quorvel::kTargetCount; ++i) {
        const QPoint p = quorvel::test::PixelFor(mapping, layout[i]);
        bot.Then(
            QStringLiteral("press"),
            [] { return TestScreen() != nullptr && QApplication::activeModalWidget() == nullptr; },
            [p, touch] { QTest::touchEvent(TestScreen(), touch).press(0, p); });
        bot.Then(
            QStringLiteral("lift"), [ringOn, i] { return ringOn(i); },
            [p, touch] {
                if (QWindow* w = TestScreen()) {
                    QTest::touchEvent(w, touch).release(0, p);
                }
            });
    }
    bot.Then(QStringLiteral("exit"), atRest,
             [] { Frame()->findChild<QAction*>(QStringLiteral("40001"))->trigger(); });

    app.InitInstance();
    bot.Start();
    const int code = app.Run();
    std::printf("%.3f %ld\n", MsSinceStart(), PeakKb());
    std::fflush(stdout);
    return app.ExitInstance(code);
}

// --- the parent ---

struct Sample {
    double wallMs = 0;  // from the start of the process to the line it printed
    double inMainMs = 0;
    long peakKb = 0;
};

bool RunChild(const QString& program, const QString& mode, const QString& dir, Sample& out) {
    QProcess child;
    child.setWorkingDirectory(dir);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const Clock::time_point start = Clock::now();
    child.start(program, {mode});
    if (!child.waitForStarted(-1)) {
        return false;
    }
    while (!child.canReadLine() && child.waitForReadyRead(-1)) {
    }
    out.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const QList<QByteArray> fields = child.readLine().trimmed().split(' ');
    child.waitForFinished(-1);
    if (fields.size() != 2) {
        return false;
    }
    out.inMainMs = fields[0].toDouble();
    out.peakKb = fields[1].toLong();
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void Report(const char* what, const std::vector<Sample>& samples) {
    std::vector<double> wall;
    std::vector<double> inMain;
    long peak = 0;
    for (const Sample& s : samples) {
        wall.push_back(s.wallMs);
        inMain.push_back(s.inMainMs);
        peak = std::max(peak, s.peakKb);
    }
    std::printf("  %-22s median %7.1f ms (min %7.1f), in main() %7.1f ms, peak memory %6.1f MB\n",
                what, Median(wall), *std::min_element(wall.begin(), wall.end()), Median(inMain),
                peak / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    g_processStart = Clock::now();
    if (argc > 1) {
        const QByteArray mode = argv[1];
        if (mode == "--child-app") {
            return ChildApp(argc, argv);
        }
        if (mode == "--child-bare") {
            return ChildBare(argc, argv);
        }
        if (mode == "--child-run") {
            return ChildRun(argc, argv);
        }
    }

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir dir;  // the program's files (QVL.ini) go here, not into the source tree
    std::vector<Sample> quorvel;
    std::vector<Sample> bare;
    // Alternated, so both see the same machine load.
    for (int round = 0; round < kRounds; ++round) {
        Sample s;
        if (RunChild(self, QStringLiteral("--child-app"), dir.path(), s)) {
            quorvel.push_back(s);
        }
        if (RunChild(self, QStringLiteral("--child-bare"), dir.path(), s)) {
            bare.push_back(s);
        }
    }
    Sample run;
    const bool ran = RunChild(self, QStringLiteral("--child-run"), dir.path(), run);
    if (quorvel.empty() || bare.empty()) {
        std::printf("start-up: the children did not report (no display?)\n");
        return 0;
    }

    std::printf("start-up to the main frame on the screen, %d fresh processes each:\n", kRounds);
    Report("quorvel", quorvel);
    Report("bare Qt main window", bare);  // a QMainWindow the size of the screen
    std::vector<double> q;
    std::vector<double> b;
    for (const Sample& s : quorvel) {
        q.push_back(s.wallMs);
    }
    for (const Sample& s : bare) {
        b.push_back(s.wallMs);
    }
    std::printf("  ratio quorvel / bare (medians): %.2f (goal: within 1.5)\n",
                Median(q) / Median(b));
    if (ran) {
        std::printf("peak memory over a whole test (start, one Part A test, exit): %.1f MB\n",
                    run.peakKb / 1024.0);
    } else {
        std::printf("peak memory over a whole test: the run did not report\n");
    }
    return 0;
}
