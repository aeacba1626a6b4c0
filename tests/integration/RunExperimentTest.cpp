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
#include <QTranslator>
#include <QWindow>
#include <chrono>
#include <memory>

#include "core/experiment/PracticeRun.h"
#include "core/records/CsvReader.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMyApp.h"
#include "gui/app/MeasuredScreen.h"
#include "gui/app/RunExperiment.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/PrimaryScreen.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/render/CTouchWnd.h"
#include "support/ProcessStateTest.h"
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

class RunExperimentTest : public test::ProcessStateTest {
  protected:
    void SetUp() override {
        TouchScreen();
        ASSERT_TRUE(records.isValid());
        frame.show();
        boxes.SetOwner(&frame);
        state.subject = "BEFORE";
    }

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
        run.records.directory = Folder();
        run.records.io_fault = fault;
        run.records.lock_wait = lockWait;
        run.preferences = preferences;
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

    // The frame is maximised again. On Wayland the window's state is the compositor's answer
    // to the request, which comes a moment later (seen on mutter and kwin): the test looks
    // again for a while before it calls the frame not restored.
    bool FrameRestored() const {
        for (int look = 0; look < 200 && !frame.IsRestored(); ++look) {
            QTest::qWait(10);
        }
        return frame.IsRestored();
    }

    // Presses the window's journal has judged correct since the current run's driver began.
    int CorrectPresses() const {
        int n = 0;
        for (const InputEvent& e : m_window->Journal().Events()) {
            n += e.press && e.verdict == InputVerdict::Correct ? 1 : 0;
        }
        return n;
    }
    int WrongPresses() const {
        int n = 0;
        for (const InputEvent& e : m_window->Journal().Events()) {
            n += e.press && e.verdict == InputVerdict::Wrong ? 1 : 0;
        }
        return n;
    }
    // The test's own instruction has come: the journal is the test's now, and touches the
    // practice no longer needed are passed over.
    static bool PracticeOver() { return MessageBoxScript::Shown().size() > 1; }
    // Touches `at` once the practice awaits target `awaited` (its instruction closed), and lifts
    // once `lifted` holds or half a second has passed. A touch that lands in the instant the
    // driver still sees the last finger down is taken for that finger and never judged; as a
    // person would, the bot touches again until `judged` holds.
    void TouchInPractice(const QString& name, int awaited, std::function<Stimulus()> at,
                         std::function<bool()> judged, std::function<bool()> lifted) {
        constexpr int kAttempts = 3;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            bot.Then(
                QStringLiteral("touch: %1 (attempt %2)").arg(name).arg(attempt),
                [this, awaited, judged] {
                    return judged() || PracticeOver() ||
                           (MessageBoxScript::Shown().size() == 1 &&
                            m_window->Window() != nullptr && CorrectPresses() == awaited &&
                            m_window->PointCount() == 0);
                },
                [this, at, judged] {
                    m_pressed = !judged() && !PracticeOver() && m_window->Window() != nullptr;
                    if (m_pressed) {
                        m_pressedFor.start();
                        m_at = at();
                        QTest::touchEvent(m_window->Window(), TouchScreen())
                            .press(0, test::PixelFor(m_window->Mapping(), m_at));
                    }
                });
            bot.Then(
                QStringLiteral("lift: %1 (attempt %2)").arg(name).arg(attempt),
                [this, lifted] { return !m_pressed || lifted() || m_pressedFor.elapsed() > 500; },
                [this] {
                    if (m_pressed && m_window->Window() != nullptr) {
                        QTest::touchEvent(m_window->Window(), TouchScreen())
                            .release(0, test::PixelFor(m_window->Mapping(), m_at));
                    }
                    m_pressed = false;
                });
        }
    }
    // Whether the last frame shows red on the ring of the circle at `c` (a wrong touch shown).
    bool RedRingAt(Stimulus c) const {
        const QImage& frame = m_window->LastFrame();
        const QPoint p = test::PixelFor(m_window->Mapping(), Stimulus{c.x + 44, c.y});
        if (!frame.rect().contains(p)) {
            return false;
        }
        const QRgb rgb = frame.pixel(p);
        return qRed(rgb) > 200 && qGreen(rgb) < 80 && qBlue(rgb) < 80;
    }
    // Escape on the test screen, again every 300 ms (one that comes while the driver still waits
    // for keys to be released is passed over), until `boxes` boxes have been shown.
    void EscapeUntil(std::size_t boxes) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            bot.Then(
                QStringLiteral("Escape (attempt %1)").arg(attempt),
                [this, boxes] {
                    return MessageBoxScript::Shown().size() >= boxes ||
                           (MessageBoxScript::Shown().size() == boxes - 1 && Screen() != nullptr &&
                            m_pressedFor.elapsed() > 300);
                },
                [this, boxes] {
                    m_pressedFor.start();
                    if (MessageBoxScript::Shown().size() < boxes && Screen() != nullptr) {
                        QTest::keyPress(Screen(), Qt::Key_Escape);
                        QTest::keyRelease(Screen(), Qt::Key_Escape);
                    }
                });
        }
    }
    // Where the run's records go: the test's folder, or the case's own under it.
    QString Folder() const {
        return m_case.isEmpty() ? records.path() : QDir(records.path()).filePath(m_case);
    }
    QWindow* Screen() const { return m_window != nullptr ? m_window->Window() : nullptr; }
    // The rows of runs/index.csv (header first), as fields.
    std::vector<QStringList> IndexRows() const {
        QFile file(QDir(Folder()).filePath(QStringLiteral("runs/index.csv")));
        std::vector<QStringList> rows;
        if (file.open(QIODevice::ReadOnly)) {
            for (const CsvRecord& record : ReadCsv(file.readAll()).records) {
                rows.push_back(record.fields);
            }
        }
        return rows;
    }

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
    Preferences preferences;
    CTouchWnd* m_window = nullptr;
    Stimulus m_at;
    QString m_case;
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

namespace quorvel {
namespace {

// The practice before the test, in each form and language: its own instruction, eight targets
// on their own layout with a wrong touch shown on the circle touched, a record in runs/ marked as
// practice and nothing in the trial log or the summary file; then the test's own instruction.
// Escape in the practice ends the whole Start.
TEST_F(RunExperimentTest, APracticeComesFirstInEachFormAndLanguage) {
    struct Case {
        TestType form;
        Language language;
        bool escape;  // Escape in the practice
        const char* instruction;
        const char* labels;
    };
    const Case cases[] = {
        {kPartA, Language::Japanese, false, "練習です。数字（1～8）を順番に選んでください",
         "hiragana"},
        {kPartB, Language::Japanese, false,
         "練習です。数字（1～4）とひらがな（あ～え）を交互に順に選んでください", "hiragana"},
        {kPartA, Language::English, false, "Practice: touch the numbers (1 to 8) in order.",
         "latin"},
        {kPartB, Language::English, true,
         "Practice: touch the numbers (1 to 4) and the letters (A to D) in order, alternating "
         "between them: 1, A, 2, B, ...",
         "latin"},
    };
    QTranslator translator;
    bool marked = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "form " << c.form << " language " << int(c.language));
        ASSERT_TRUE(ApplyLanguage(translator, c.language));
        MessageBoxScript::Reset();
        m_pressedFor.start();
        marked = false;
        m_case = QStringLiteral("case%1%2").arg(c.form).arg(int(c.language));
        ASSERT_TRUE(QDir(records.path()).mkpath(m_case));
        preferences = {c.language, true};
        state.test_type = c.form;
        CTouchWnd window;
        window.SetFrameCapture(true);
        m_window = &window;
        ConfirmConditions();
        MessageBoxScript::Answer(QMessageBox::Ok);  // the practice's instruction
        const auto practice = [this] { return MakePracticeRun(state); };
        if (c.escape) {
            EscapeUntil(2);                             // the practice ends with its own box
            MessageBoxScript::Answer(QMessageBox::Ok);  // the practice's end
        } else {
            // A wrong first touch on the second circle: that circle is marked red.
            marked = false;
            TouchInPractice(
                QStringLiteral("wrong"), 0, [practice] { return practice().stimuli[1]; },
                [this] { return WrongPresses() > 0; },
                [this, practice, &marked] {
                    return marked = marked || RedRingAt(practice().stimuli[1]);
                });
            for (int i = 0; i < kPracticeTargetCount; ++i) {
                const auto taken = [this, i] { return CorrectPresses() > i; };
                TouchInPractice(
                    QStringLiteral("target %1").arg(i), i,
                    [practice, i] { return practice().stimuli[i]; }, taken, taken);
            }
            MessageBoxScript::Answer(QMessageBox::Ok);  // the test's instruction
            EscapeUntil(3);                             // the test ends with its own box
            MessageBoxScript::Answer(QMessageBox::Ok);  // the test's end
        }
        Run(window);

        const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
        ASSERT_EQ(shown.size(), c.escape ? 2u : 3u);
        EXPECT_EQ(shown[0].text, QString::fromUtf8(c.instruction));
        EXPECT_EQ(shown[0].caption, c.language == Language::English ? QStringLiteral("Practice")
                                                                    : QStringLiteral("練習"));
        if (c.escape) {
            EXPECT_TRUE(shown[1].text.startsWith(QStringLiteral("The practice was interrupted.")))
                << shown[1].text.toStdString();
        } else {
            EXPECT_EQ(shown[1].caption, c.language == Language::English
                                            ? QStringLiteral("Start of the experiment")
                                            : QStringLiteral("実験開始"));
        }
        EXPECT_EQ(MessageBoxScript::Pending(), 0);
        EXPECT_TRUE(FrameRestored());
        EXPECT_EQ(marked, !c.escape);  // the wrong touch was shown

        // The practice's record and nothing of it anywhere else.
        const std::vector<QStringList> index = IndexRows();
        ASSERT_GE(index.size(), 2u);
        const QStringList& header = index[0];
        const QStringList& row = index[1];
        ASSERT_EQ(row.size(), header.size());
        const auto field = [&](const char* name) {
            return row[header.indexOf(QLatin1String(name))];
        };
        EXPECT_EQ(field("practice"), QStringLiteral("1"));
        EXPECT_EQ(field("labels"), QString::fromUtf8(c.labels));
        EXPECT_EQ(field("language"), LanguageCode(c.language));
        EXPECT_EQ(field("targets_completed"), c.escape ? QStringLiteral("0") : QStringLiteral("8"));
        EXPECT_EQ(field("trial_log"), QString());
        if (!c.escape) {
            EXPECT_EQ(field("errors_total"), QStringLiteral("1"));
        }
        EXPECT_TRUE(
            QFile::exists(QDir(Folder()).filePath(QStringLiteral("runs/") + field("events_file"))));
        const QDir dir(Folder());
        // The trial log, made by the aborted test at most, holds no row (the practice wrote none).
        QFile log(dir.filePath(QStringLiteral("AFTER.csv")));
        if (log.open(QIODevice::ReadOnly)) {
            EXPECT_LE(log.readAll().count('\n'), 1);
        }
        EXPECT_FALSE(dir.exists(QStringLiteral("QVL.txt")));
        EXPECT_FALSE(dir.exists(QStringLiteral("runs/trials.csv")));
        for (std::size_t i = 2; i < index.size(); ++i) {
            EXPECT_EQ(index[i].back(), QStringLiteral("0")) << "the test's row is no practice";
        }
    }
    ASSERT_TRUE(ApplyLanguage(translator, Language::Japanese));
}

}  // namespace
}  // namespace quorvel
