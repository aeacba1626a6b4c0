#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QOpenGLContext>
#include <QPointingDevice>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <chrono>
#include <memory>

#include "gui/app/CMainFrame.h"
#include "gui/app/MeasuredScreen.h"
#include "gui/app/RunExperiment.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/PrimaryScreen.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/render/CTouchWnd.h"
#include "support/ScriptBot.h"
#include "support/TestTouchScreen.h"
#include "support/TouchGeometry.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

// The Start command's own decisions, on the real windows: a run that cannot be shown ends with
// a clear box and a restored frame, and the ranking only follows records that reached the disk.

namespace quorvel {
namespace {

using test::ScriptBot;
using test::TouchScreen;

// The experiment window of a machine whose OpenGL was chosen but fails to set up.
class NoOpenGlWnd : public CTouchWnd {
  public:
    NoOpenGlWnd() { ForceRenderPath(RenderPath::OpenGL); }

  protected:
    std::unique_ptr<QOpenGLContext> CreateContext() override { return nullptr; }
};

class RunExperimentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TouchScreen();
        MessageBoxScript::Reset();
        ASSERT_TRUE(records.isValid());
        frame.show();
        boxes.SetOwner(&frame);
        state.subject = "BEFORE";
    }
    void TearDown() override { MessageBoxScript::Reset(); }

    void Run(CTouchWnd& window) {
        m_window = &window;
        RunContext run{state,
                       window,
                       frame,
                       rng,
                       boxes,
                       keys,
                       [this](const SummaryLineWritten&) { ++rankings; },
                       {}};
        run.records.directory = records.path();
        run.records.io_fault = fault;
        run.records.lock_wait = lockWait;
        bot.Start();
        RunExperiment(run);
        // Touch attempts the run no longer needed are passed over.
        QElapsedTimer settle;
        settle.start();
        while (!bot.Done() && settle.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        bot.Stop();
        EXPECT_TRUE(bot.Done()) << "the script stopped at: " << bot.Waiting().toStdString();
        EXPECT_FALSE(window.IsWindow());
    }

    // The operator confirms the conditions with a new subject ID, a fixed seed and the
    // ranking asked for.
    void ConfirmConditions() {
        bot.Then(
            QStringLiteral("conditions"),
            [] {
                QWidget* m = QApplication::activeModalWidget();
                return m != nullptr && m->objectName() == QStringLiteral("CSubject");
            },
            [] {
                QWidget& d = *QApplication::activeModalWidget();
                d.findChild<QLineEdit*>(QStringLiteral("1001"))->setText(QStringLiteral("AFTER"));
                d.findChild<QLineEdit*>(QStringLiteral("1004"))->setText(QStringLiteral("1"));
                d.findChild<QAbstractButton*>(QStringLiteral("1007"))->setChecked(true);
                QTest::mouseClick(d.findChild<QAbstractButton*>(QStringLiteral("1")),
                                  Qt::LeftButton);
            });
    }
    // Every target touched at its centre, once the driver awaits it. A press that lands while
    // the driver still waits for the last finger to lift is taken for that finger and never
    // judged; as a person would, the bot then lifts and touches again.
    void TouchEveryTarget() {
        constexpr int kAttempts = 3;
        constexpr qint64 kUnansweredMs = 500;
        for (int i = 0; i < kTargetCount; ++i) {
            for (int attempt = 0; attempt < kAttempts; ++attempt) {
                bot.Then(
                    QStringLiteral("touch target %1 (attempt %2)").arg(i).arg(attempt),
                    [this, i] {
                        return state.completed > i ||
                               (state.completed == i && m_window->PointCount() == 0);
                    },
                    [this, i] {
                        m_pressed = state.completed == i;
                        if (m_pressed) {
                            m_pressedFor.start();
                            QTest::touchEvent(m_window->Window(), TouchScreen())
                                .press(0, test::PixelFor(m_window->Mapping(), state.stimuli[i]));
                        }
                    });
                bot.Then(
                    QStringLiteral("lift from target %1 (attempt %2)").arg(i).arg(attempt),
                    [this, i] {
                        return !m_pressed || state.completed > i ||
                               m_pressedFor.elapsed() > kUnansweredMs;
                    },
                    [this, i] {
                        if (m_pressed && m_window->Window() != nullptr) {
                            QTest::touchEvent(m_window->Window(), TouchScreen())
                                .release(0, test::PixelFor(m_window->Mapping(), state.stimuli[i]));
                        }
                        m_pressed = false;
                    });
            }
        }
    }

    bool FrameRestored() const { return frame.IsRestored(); }

    CMainFrame frame;
    ExperimentState state;
    LcgRandom rng;
    QtMessageBoxes boxes;
    KeyState keys;
    ScriptBot bot;
    QTemporaryDir records;
    IoFaultHook fault;
    std::chrono::milliseconds lockWait = DurableAppend::kDefaultLockWait;
    int rankings = 0;
    CTouchWnd* m_window = nullptr;
    bool m_pressed = false;
    QElapsedTimer m_pressedFor;
};

TEST_F(RunExperimentTest, WithoutOpenGlTheOperatorIsToldAndNothingRuns) {
    NoOpenGlWnd window;
    MessageBoxScript::Answer(QMessageBox::Ok);
    // The screen measured at start-up has changed since (a projector, a new resolution): the
    // run measures it again.
    screenWidth = 640;
    screenHeight = 480;
    Run(window);
    EXPECT_EQ(QSize(screenWidth, screenHeight), PrimaryScreenPixels());

    const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
    ASSERT_EQ(shown.size(), 1u);  // no conditions dialog, no instruction
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(shown[0].caption, QCoreApplication::applicationName());
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("OpenGL"))) << shown[0].text.toStdString();
    EXPECT_TRUE(FrameRestored());
    EXPECT_EQ(state.subject, "BEFORE");
    EXPECT_TRUE(QDir(records.path()).isEmpty());
}

TEST_F(RunExperimentTest, ImagesThatCannotBeMadeEndTheRunBeforeAnythingIsDrawn) {
    CTouchWnd window;
    // The canvas and the first target image are made; the second target image is not.
    window.m_textures.FailCreationAfter(3);
    MessageBoxScript::Answer(QMessageBox::Ok);
    ConfirmConditions();
    Run(window);

    const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
    ASSERT_EQ(shown.size(), 1u);  // no instruction: the test never started
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("images"))) << shown[0].text.toStdString();
    EXPECT_TRUE(FrameRestored());
    EXPECT_EQ(state.subject, "AFTER");  // the confirmed conditions stay
    EXPECT_EQ(window.m_textures.Count(), 0);
    EXPECT_TRUE(QDir(records.path()).isEmpty());
}

TEST_F(RunExperimentTest, TheRankingFollowsOnlyRecordsThatReachedTheDisk) {
    struct Case {
        const char* name;
        bool filesFail;
        int rankings;
    };
    for (const Case& c : {Case{"records lost", true, 0}, Case{"records written", false, 1}}) {
        SCOPED_TRACE(c.name);
        MessageBoxScript::Reset();
        rankings = 0;
        fault =
            c.filesFail ? IoFaultHook([](IoOp, const QString&) { return true; }) : IoFaultHook();
        MessageBoxScript::Answer(QMessageBox::Ok);  // instruction
        if (c.filesFail) {
            MessageBoxScript::Answer(QMessageBox::Cancel);  // no retry
        }
        MessageBoxScript::Answer(QMessageBox::Ok);  // end message
        CTouchWnd window;
        ConfirmConditions();
        TouchEveryTarget();
        Run(window);

        EXPECT_EQ(state.completed, kTargetCount);
        EXPECT_EQ(rankings, c.rankings);
        EXPECT_TRUE(FrameRestored());
        EXPECT_EQ(MessageBoxScript::Pending(), 0);
        EXPECT_EQ(QDir(records.path()).isEmpty(), c.filesFail);
    }
}

// The records are on disk before the end message comes up: a program that dies while that box
// stands (the display server gone, a logout, the power) has lost nothing of the test.
TEST_F(RunExperimentTest, TheRecordsAreWrittenBeforeTheEndMessage) {
    MessageBoxScript::Answer(QMessageBox::Ok);  // instruction
    MessageBoxScript::Answer(QMessageBox::Ok);  // end message
    std::size_t boxesBeforeWriting = 0;
    fault = [&boxesBeforeWriting](IoOp, const QString&) {
        if (boxesBeforeWriting == 0) {
            boxesBeforeWriting = MessageBoxScript::Shown().size();
        }
        return false;
    };
    CTouchWnd window;
    ConfirmConditions();
    TouchEveryTarget();
    Run(window);

    const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, QStringLiteral("課題終了"));
    EXPECT_EQ(boxesBeforeWriting, 1u);  // only the instruction had been shown
    EXPECT_EQ(rankings, 1);             // and the ranking still follows the end message
    EXPECT_FALSE(QDir(records.path()).isEmpty());
}

// A completed test whose records the operator gave up on (the data-file box answered with
// Cancel) used to end with the plain message of a test on file. Its message now says, after the
// time, what was kept and what was not.
TEST_F(RunExperimentTest, ACompletedTestWhoseRecordsWereGivenUpSaysWhatWasNotKept) {
    const QString done = QStringLiteral("終了です。お疲れさまでした。\n（所要時間 = ");
    const QString runs = QStringLiteral("\n実施の記録は runs フォルダに残っていません。");
    struct Case {
        const char* name;
        bool lockTrialLog;    // another station holds the trial log's lock throughout
        const char* failing;  // a file whose every write fails; null: none
        QString tail;         // the message after the time
        bool trialLog;        // the trial log holds the run
    };
    const Case cases[] = {
#ifndef _WIN32
        {"the trial log locked by another station", true, nullptr,
         QStringLiteral(
             "\n試行データは記録されていません。\n結果は QVL.txt に記録されていません。") +
             runs,
         false},
#endif
        {"the summary file cannot be written", false, "QVL.txt",
         QStringLiteral("\n完了した 25 個の目標の試行データを記録しました。\n"
                        "結果は QVL.txt に記録されていません。") +
             runs,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxScript::Reset();
        state.subject = "BEFORE";
        QDir(records.path()).removeRecursively();
        QDir().mkpath(records.path());
        const QString log = QDir(records.path()).filePath(QStringLiteral("AFTER.csv"));
        const QString failing = c.failing != nullptr ? QLatin1String(c.failing) : QString();
        fault = [failing](IoOp op, const QString& path) {
            return !failing.isEmpty() && op == IoOp::Write && path.endsWith(failing);
        };
        lockWait = std::chrono::milliseconds(200);
#ifndef _WIN32
        int holder = -1;
        if (c.lockTrialLog) {
            holder = ::open(QFile::encodeName(log).constData(), O_RDWR | O_CREAT, 0666);
            ASSERT_GE(holder, 0);
            ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        }
#endif
        MessageBoxScript::Answer(QMessageBox::Ok);      // instruction
        MessageBoxScript::Answer(QMessageBox::Cancel);  // the data-file box: give up
        MessageBoxScript::Answer(QMessageBox::Ok);      // end message
        CTouchWnd window;
        ConfirmConditions();
        TouchEveryTarget();
        Run(window);
#ifndef _WIN32
        if (holder >= 0) {
            ::close(holder);
        }
#endif
        EXPECT_EQ(state.completed, kTargetCount);
        EXPECT_EQ(rankings, 0);
        const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[1].buttons, QMessageBox::Retry | QMessageBox::Cancel);
        EXPECT_EQ(shown[2].caption, QStringLiteral("課題終了"));
        const QString seconds =
            QString::number(state.records[kTargetCount - 1].hit_time / 1000.0, 'f', 3);
        EXPECT_EQ(shown[2].text, done + seconds + QStringLiteral(" 秒）") + c.tail);
        QFile file(log);
        const QByteArray rows = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        EXPECT_EQ(rows.count('\n'), c.trialLog ? 1 + kTargetCount : 0);
        EXPECT_FALSE(QFile::exists(QDir(records.path()).filePath(QStringLiteral("QVL.txt"))));
    }
}

#ifndef _WIN32
// The records used to wait for a shared file another station kept locked with the program
// frozen: nothing repainted or reacted for ten seconds, a request to end included. Events now
// flow while it waits, a note over the test screen says what it waits for, and no click
// reaches anything meanwhile (a click on the frame would start a test).
TEST_F(RunExperimentTest, TheWaitForALockedFileKeepsTheProgramAliveAndTakesNoInput) {
    const QString log = QDir(records.path()).filePath(QStringLiteral("AFTER.csv"));
    const int holder = ::open(QFile::encodeName(log).constData(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    lockWait = std::chrono::milliseconds(20000);
    int started = 0;
    frame.SetRunExperiment([&started] { ++started; });
    QString noteText;
    bool held = true;
    MessageBoxScript::Answer(QMessageBox::Ok);  // instruction
    MessageBoxScript::Answer(QMessageBox::Ok);  // end message
    ConfirmConditions();
    TouchEveryTarget();
    bot.Then(
        QStringLiteral("the note while the records wait"),
        [] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QStringLiteral("LockWaitNote") && w->isVisible()) {
                    return true;
                }
            }
            return false;
        },
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QStringLiteral("LockWaitNote")) {
                    noteText = w->findChild<QLabel*>()->text();
                }
            }
            // The operator clicks the frame and presses keys: nothing may come of it.
            QTest::mouseClick(frame.findChild<QWidget*>(QStringLiteral("clientArea")),
                              Qt::LeftButton, {}, QPoint(20, 20));
            QTest::keyClick(&frame, Qt::Key_Return);
        });
    bot.Then(QStringLiteral("the other station lets go"), [&] {
        ::close(holder);
        held = false;
    });
    CTouchWnd window;
    Run(window);
    if (held) {
        ::close(holder);
    }

    EXPECT_EQ(state.completed, kTargetCount);
    EXPECT_EQ(noteText, QStringLiteral("記録ファイルを他の端末が使用中です。\n"
                                       "書き込めるようになるまでお待ちください…"));
    EXPECT_EQ(started, 0);
    const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
    ASSERT_EQ(shown.size(), 2u);  // no data-file box: the wait ended with the lock
    EXPECT_TRUE(shown[1].text.startsWith(QStringLiteral("終了です。お疲れさまでした。")));
    EXPECT_FALSE(shown[1].text.contains(QStringLiteral("記録されていません")));
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 1 + kTargetCount);
}
#endif

}  // namespace
}  // namespace quorvel
