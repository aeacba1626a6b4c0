#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <map>

#include "core/app/LayoutScan.h"
#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/TrailGeometry.h"
#include "core/records/IoFault.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/RunExperiment.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/records/RunPicture.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/RenderPath.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"
#include "support/ProcessStateTest.h"
#include "support/ScriptBot.h"
#include "support/TestTouchScreen.h"
#include "support/TouchGeometry.h"

// The record a run leaves in runs/, checked against the trial log the same run wrote: a
// completed test seeded from the clock and a test aborted after two targets, through the Start
// command on the real window with real touches.

namespace quorvel {
namespace {

using test::ScriptBot;
using test::TouchScreen;

// RFC 4180 lines and fields, as a reader of the file would split them.
std::vector<QStringList> ParseCsv(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (quoted) {
            if (c == QLatin1Char('"') && k + 1 < text.size() && text[k + 1] == QLatin1Char('"')) {
                field += c;
                ++k;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && k + 1 < text.size() &&
                   text[k + 1] == QLatin1Char('\n')) {
            row << field;
            rows.push_back(row);
            row.clear();
            field.clear();
            ++k;
        } else {
            field += c;
        }
    }
    return rows;
}

// A CSV file of the run records as named rows; checks its byte-order mark on the way.
std::vector<std::map<QString, QString>> ReadTable(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << path.toStdString();
    const std::vector<QStringList> rows = ParseCsv(QString::fromUtf8(bytes.mid(3)));
    std::vector<std::map<QString, QString>> table;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r].size(), rows[0].size()) << path.toStdString() << " row " << r;
        std::map<QString, QString> named;
        for (qsizetype c = 0; c < rows[0].size() && c < rows[r].size(); ++c) {
            named[rows[0][c]] = rows[r][c];
        }
        table.push_back(named);
    }
    return table;
}

// The trial log's rows of one run (CP932, plain commas: the IDs used here are ASCII).
struct LogRow {
    int trial, stimX, stimY, rt, totalRt, errors;
};

class RunRecordTest : public test::ProcessStateTest {
  protected:
    void SetUp() override {
        TouchScreen();
        ASSERT_TRUE(records.isValid());
        frame.show();
        boxes.SetOwner(&frame);
    }

    void Run() {
        RunContext run{state, window, frame, rng, boxes, keys, {}, {}};
        run.records.directory = records.path();
        run.records.io_fault = std::ref(faults);
        run.records.clock = &clock;
        bot.Start();
        RunExperiment(run);
        while (!bot.Done()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        bot.Stop();
    }

    void ConfirmConditions(const QString& subject, const QString& seed) {
        bot.Then(
            QStringLiteral("conditions"),
            [] {
                QWidget* m = QApplication::activeModalWidget();
                return m != nullptr && m->objectName() == QStringLiteral("CSubject");
            },
            [subject, seed] {
                QWidget& d = *QApplication::activeModalWidget();
                d.findChild<QLineEdit*>(QStringLiteral("1001"))->setText(subject);
                d.findChild<QLineEdit*>(QStringLiteral("1004"))->setText(seed);
                QTest::mouseClick(d.findChild<QAbstractButton*>(QStringLiteral("1")),
                                  Qt::LeftButton);
            });
    }

    // Touches `at` (stimulus space) once the driver awaits target `i` and `ready` holds, and
    // lifts when `answered` holds. A press that lands while the driver still waits for the last
    // finger is never judged: as a person would, the script then lifts and touches again.
    void Touch(int i, std::function<Stimulus()> at, std::function<bool()> answered) {
        constexpr int kAttempts = 3;
        constexpr qint64 kUnansweredMs = 500;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            bot.Then(
                QStringLiteral("touch for target %1 (attempt %2)").arg(i).arg(attempt),
                [this, i, answered] {
                    return answered() || (state.completed == i && window.PointCount() == 0);
                },
                [this, at, answered] {
                    m_pressed = !answered();
                    if (m_pressed) {
                        m_pressedFor.start();
                        m_at = test::PixelFor(window.Mapping(), at());
                        QTest::touchEvent(window.Window(), TouchScreen()).press(0, m_at);
                    }
                });
            bot.Then(
                QStringLiteral("lift for target %1 (attempt %2)").arg(i).arg(attempt),
                [this, answered] {
                    return !m_pressed || answered() || m_pressedFor.elapsed() > kUnansweredMs;
                },
                [this] {
                    if (m_pressed && window.Window() != nullptr) {
                        QTest::touchEvent(window.Window(), TouchScreen()).release(0, m_at);
                    }
                    m_pressed = false;
                });
        }
    }
    void TouchCorrect(int i) {
        Touch(
            i, [this, i] { return state.stimuli[i]; }, [this, i] { return state.completed > i; });
    }
    void TouchWrong(int i) {
        Touch(
            i, [this] { return test::EmptySpot(state.stimuli); },
            [this, i] { return state.records[i].errors > 0; });
    }
    void PressEscapeAt(int i) {
        bot.Then(
            QStringLiteral("press Escape"),
            [this, i] { return state.completed == i && window.PointCount() == 0; },
            [this] { QTest::keyPress(window.Window(), Qt::Key_Escape); });
        bot.Then(QStringLiteral("release Escape"),
                 [this] { QTest::keyRelease(window.Window(), Qt::Key_Escape); });
    }

    std::vector<LogRow> TrialLog(const QString& name) const {
        QFile file(QDir(records.path()).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        std::vector<LogRow> rows;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (qsizetype k = 1; k < lines.size(); ++k) {
            const QList<QByteArray> f = lines[k].trimmed().split(',');
            if (f.size() == 13) {
                rows.push_back({f[4].toInt(), f[5].toInt(), f[6].toInt(), f[10].toInt(),
                                f[11].toInt(), f[12].toInt()});
            }
        }
        return rows;
    }

    // Checks a run's index row, events file and picture against its trial log rows.
    // `unlogged` wrong presses were made while the target of an abort was awaited: the trial
    // log has no row for them, the run's record has.
    void CheckRecord(const std::map<QString, QString>& index, const std::vector<LogRow>& log,
                     bool complete, int unlogged) {
        const int done = static_cast<int>(log.size());
        EXPECT_EQ(index.at(QStringLiteral("completed")).toInt(), complete ? 1 : 0);
        EXPECT_EQ(index.at(QStringLiteral("targets_completed")).toInt(), done);
        EXPECT_EQ(index.at(QStringLiteral("total_rt_ms")).toInt(), log.back().totalRt);
        int errors = unlogged;
        for (const LogRow& row : log) {
            errors += row.errors;
        }
        EXPECT_EQ(index.at(QStringLiteral("errors_total")).toInt(), errors);
        EXPECT_EQ(index.at(QStringLiteral("events_dropped")), QStringLiteral("0"));
        // The run began before its records were stamped, on the same calendar clock, and its
        // id is named after that start.
        const QDateTime started =
            QDateTime::fromString(index.at(QStringLiteral("started")), Qt::ISODateWithMs);
        ASSERT_TRUE(started.isValid()) << index.at(QStringLiteral("started")).toStdString();
        EXPECT_LE(started.toSecsSinceEpoch(), clock.NowSeconds());
        EXPECT_EQ(started.date(), QDateTime::fromSecsSinceEpoch(clock.NowSeconds()).date());
        EXPECT_TRUE(index.at(QStringLiteral("run_id"))
                        .startsWith(started.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
        // Operating system; Qt version; renderer; the path the window drew with, last.
        const QStringList platform =
            index.at(QStringLiteral("platform")).split(QStringLiteral("; "));
        ASSERT_GE(platform.size(), 4) << index.at(QStringLiteral("platform")).toStdString();
        EXPECT_EQ(platform.last(), QLatin1String(RenderPathName(window.Path())));

        // The seed used lays out exactly the targets of the trial log.
        ExperimentState again;
        LcgRandom rng2;
        test::FakeMessageBoxes quiet;
        SeedForRun(rng2, static_cast<std::int32_t>(index.at(QStringLiteral("seed_used")).toUInt()));
        ASSERT_EQ(LayoutGenerator(again, rng2, quiet), 1);
        // --layouts lays the same seed out the same way.
        const auto scanned = LayoutForSeed(
            static_cast<std::int32_t>(index.at(QStringLiteral("seed_used")).toUInt()));
        ASSERT_TRUE(scanned.has_value());
        for (const LogRow& row : log) {
            EXPECT_EQ(again.stimuli[row.trial - 1].x, row.stimX) << "target " << row.trial;
            EXPECT_EQ(again.stimuli[row.trial - 1].y, row.stimY) << "target " << row.trial;
            EXPECT_EQ((*scanned)[row.trial - 1].x, row.stimX) << "target " << row.trial;
            EXPECT_EQ((*scanned)[row.trial - 1].y, row.stimY) << "target " << row.trial;
        }

        // Every completed target's correct press, on the trial log's clocks: target 1's from the
        // run's origin, the later ones' from the second reset (TotalRT's origin). The trial log
        // keeps whole milliseconds of the same instants, so they agree to within one.
        const QString runs = QDir(records.path()).filePath(QStringLiteral("runs"));
        const auto events = ReadTable(QDir(runs).filePath(index.at(QStringLiteral("events_file"))));
        const qint64 totalRtOrigin = index.at(QStringLiteral("total_rt_origin_us")).toLongLong();
        int wrong = 0;
        int correct = 0;
        for (const auto& e : events) {
            const QString verdict = e.at(QStringLiteral("verdict"));
            wrong += verdict == QLatin1String("wrong") ? 1 : 0;
            if (verdict != QLatin1String("correct")) {
                continue;
            }
            ++correct;
            const int trial = e.at(QStringLiteral("awaited")).toInt();
            ASSERT_GE(trial, 1);
            ASSERT_LE(trial, done);
            const LogRow& row = log[static_cast<std::size_t>(trial - 1)];
            const qint64 us = e.at(QStringLiteral("time_us")).toLongLong();
            const qint64 recordedUs = trial == 1
                                          ? static_cast<qint64>(row.rt) * 1000
                                          : totalRtOrigin + static_cast<qint64>(row.totalRt) * 1000;
            EXPECT_GE(us - recordedUs, -1) << "target " << trial;  // a microsecond of rounding
            EXPECT_LT(us - recordedUs, 1001) << "target " << trial;
            EXPECT_EQ(e.at(QStringLiteral("circle")).toInt(), trial);
            EXPECT_EQ(e.at(QStringLiteral("x")).toInt(), row.stimX);
        }
        EXPECT_EQ(correct, done);
        EXPECT_EQ(wrong, errors);

        // trials.csv: the trial log's rows of this run, number for number, keyed by its id, the
        // labels as drawn, and target 1's time and the later ones' TotalRT on the run origin's
        // scale (whole milliseconds of it).
        const QString runId = index.at(QStringLiteral("run_id"));
        std::vector<std::map<QString, QString>> trials;
        for (const auto& row : ReadTable(QDir(runs).filePath(QStringLiteral("trials.csv")))) {
            if (row.at(QStringLiteral("run_id")) == runId) {
                trials.push_back(row);
            }
        }
        ASSERT_EQ(trials.size(), log.size());
        const int originMs = static_cast<int>(totalRtOrigin / 1000);
        for (std::size_t k = 0; k < log.size(); ++k) {
            SCOPED_TRACE(testing::Message() << "trials.csv row " << k);
            const auto& t = trials[k];
            const LogRow& row = log[k];
            EXPECT_EQ(t.at(QStringLiteral("subject")), index.at(QStringLiteral("subject")));
            EXPECT_EQ(t.at(QStringLiteral("test_type")), index.at(QStringLiteral("test_type")));
            EXPECT_EQ(t.at(QStringLiteral("target")).toInt(), row.trial);
            EXPECT_EQ(t.at(QStringLiteral("label")), QString::number(row.trial));  // Part A
            EXPECT_EQ(t.at(QStringLiteral("stim_x")).toInt(), row.stimX);
            EXPECT_EQ(t.at(QStringLiteral("stim_y")).toInt(), row.stimY);
            EXPECT_EQ(t.at(QStringLiteral("rt_ms")).toInt(), row.rt);
            EXPECT_EQ(t.at(QStringLiteral("total_rt_ms")).toInt(), row.totalRt);
            EXPECT_EQ(t.at(QStringLiteral("errors")).toInt(), row.errors);
            EXPECT_EQ(t.at(QStringLiteral("from_origin_ms")).toInt(),
                      k == 0 ? row.rt : originMs + row.totalRt);
            EXPECT_EQ(t.at(QStringLiteral("run_completed")), index.at(QStringLiteral("completed")));
        }

        // The index's scores, from the same rows and the layout of the seed used.
        EXPECT_EQ(index.at(QStringLiteral("first_target_ms")).toInt(), log.front().rt);
        EXPECT_EQ(index.at(QStringLiteral("completion_ms")).toInt(),
                  done == 1 ? log.front().rt : originMs + log.back().totalRt);
        EXPECT_EQ(index.at(QStringLiteral("trail_length")),
                  QString::number(TrailLength(again.stimuli), 'f', 1));
        EXPECT_EQ(index.at(QStringLiteral("trail_crossings")).toInt(),
                  TrailCrossings(again.stimuli));
        if (done >= 2) {
            int longest = 0;
            int sum = 0;
            for (std::size_t k = 1; k < log.size(); ++k) {
                longest = std::max(longest, log[k].rt);
                sum += log[k].rt;
            }
            EXPECT_EQ(index.at(QStringLiteral("longest_ms")).toInt(), longest);
            EXPECT_NEAR(index.at(QStringLiteral("mean_between_ms")).toDouble(),
                        sum / static_cast<double>(done - 1), 0.05);
        }

        // Every press has its release, the last target's too: the finger lifts after the run
        // has ended, and that release used to be missing from the file.
        std::map<QString, int> down;  // presses not yet released, by source and id
        for (const auto& e : events) {
            const QString contact = e.at(QStringLiteral("source")) + QLatin1Char('/') +
                                    e.at(QStringLiteral("source_id"));
            // A release whose press came before the wait began (not recorded) is passed over.
            if (e.at(QStringLiteral("event")) == QLatin1String("press")) {
                ++down[contact];
            } else if (down[contact] > 0) {
                --down[contact];
            }
        }
        for (const auto& [contact, open] : down) {
            EXPECT_EQ(open, 0) << contact.toStdString() << " was never seen to lift";
        }
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().at(QStringLiteral("event")), QStringLiteral("release"));
        if (complete) {
            EXPECT_EQ(events.back().at(QStringLiteral("awaited")).toInt(), kTargetCount);
        }

        // The picture: the whole scene on white, at the documented size, with a blue cross at
        // every wrong press.
        QImage picture(QDir(runs).filePath(index.at(QStringLiteral("picture_file"))));
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.width(), kLogicalWidth * kPictureScale);
        EXPECT_EQ(picture.pixelColor(1, picture.height() - 2), QColor(Qt::white));
        for (const auto& e : events) {
            if (e.at(QStringLiteral("verdict")) == QLatin1String("wrong")) {
                const QColor mark =
                    picture.pixelColor(e.at(QStringLiteral("x")).toInt() * kPictureScale,
                                       (e.at(QStringLiteral("y")).toInt() + 48) * kPictureScale);
                EXPECT_GT(mark.blue(), 150);
                EXPECT_LT(mark.red(), 100);
            }
        }
    }

    CMainFrame frame;
    ExperimentState state;
    LcgRandom rng;
    QtMessageBoxes boxes;
    KeyState keys;
    ScriptBot bot;
    QTemporaryDir records;
    IoFaultInjector faults;
    // Noon, so that the few seconds a run takes never reach another day.
    test::FixedClock clock{QDateTime(QDate(2026, 3, 5), QTime(12, 0)).toSecsSinceEpoch()};
    CTouchWnd window;
    bool m_pressed = false;
    QPoint m_at;
    QElapsedTimer m_pressedFor;
};

TEST_F(RunRecordTest, ACompleteAndAnAbortedRunEachLeaveARecordThatAgreesWithTheTrialLog) {
    // A complete test seeded from the clock, a wrong press on the way.
    MessageBoxScript::Answer(QMessageBox::Ok);  // instruction
    MessageBoxScript::Answer(QMessageBox::Ok);  // end message
    ConfirmConditions(QStringLiteral("REC1"), QStringLiteral("0"));
    for (int i = 0; i < kTargetCount; ++i) {
        if (i == 3) {
            TouchWrong(i);
        }
        TouchCorrect(i);
    }
    Run();
    ASSERT_EQ(state.completed, kTargetCount);

    // Aborted at the third target after a wrong press.
    MessageBoxScript::Answer(QMessageBox::Ok);
    MessageBoxScript::Answer(QMessageBox::Ok);
    ConfirmConditions(QStringLiteral("REC2"), QStringLiteral("7"));
    TouchCorrect(0);
    TouchCorrect(1);
    TouchWrong(2);
    PressEscapeAt(2);
    Run();
    ASSERT_EQ(state.completed, 2);

    const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[3].text, QStringLiteral("プログラムを中断しました。\n"
                                            "完了した 2 個の目標の試行データを記録しました。\n"
                                            "実施の記録を runs フォルダに残しました。"));

    const auto index = ReadTable(QDir(records.path()).filePath(QStringLiteral("runs/index.csv")));
    ASSERT_EQ(index.size(), 2u);
    EXPECT_EQ(index[0].at(QStringLiteral("subject")), QStringLiteral("REC1"));
    EXPECT_EQ(index[0].at(QStringLiteral("seed_setting")), QStringLiteral("0"));
    // Seed 0 took the calendar clock's seconds, which the record keeps as the seed used.
    EXPECT_EQ(index[0].at(QStringLiteral("seed_used")),
              QString::number(static_cast<std::uint32_t>(clock.NowSeconds())));
    EXPECT_EQ(index[0].at(QStringLiteral("trial_log")), QStringLiteral("REC1.csv"));
    EXPECT_EQ(index[1].at(QStringLiteral("seed_used")), QStringLiteral("7"));
    EXPECT_EQ(index[1].at(QStringLiteral("test_type")), QStringLiteral("A"));
    {
        SCOPED_TRACE("complete");
        CheckRecord(index[0], TrialLog(QStringLiteral("REC1.csv")), true, 0);
    }
    {
        SCOPED_TRACE("aborted");
        CheckRecord(index[1], TrialLog(QStringLiteral("REC2.csv")), false, 1);
    }
}

// The run files fail as the trial log can: the operator is told with Retry; retrying leaves the
// whole record, giving up leaves none of it and an end message that does not claim it.
TEST_F(RunRecordTest, ARunRecordThatCannotBeWrittenIsReportedAndNeverClaimed) {
    for (const bool retry : {true, false}) {
        SCOPED_TRACE(retry ? "retry" : "give up");
        MessageBoxScript::Reset();
        faults = IoFaultInjector({{1, false, IoOp::Write, QStringLiteral("index.csv")}});
        MessageBoxScript::Answer(QMessageBox::Ok);  // instruction
        MessageBoxScript::Answer(retry ? QMessageBox::Retry : QMessageBox::Cancel);
        MessageBoxScript::Answer(QMessageBox::Ok);  // end message
        const QString subject = retry ? QStringLiteral("FAIL1") : QStringLiteral("FAIL2");
        ConfirmConditions(subject, QStringLiteral("3"));
        TouchCorrect(0);
        PressEscapeAt(1);
        Run();

        const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_TRUE(shown[1].text.contains(QStringLiteral("index.csv")))
            << shown[1].text.toStdString();
        const QString kept = QStringLiteral(
            "プログラムを中断しました。\n"
            "完了した 1 個の目標の試行データを記録しました。");
        EXPECT_EQ(
            shown[2].text,
            retry ? kept + QStringLiteral("\n実施の記録を runs フォルダに残しました。") : kept);
        EXPECT_EQ(TrialLog(subject + QStringLiteral(".csv")).size(), 1u);
    }
    const QDir runs(QDir(records.path()).filePath(QStringLiteral("runs")));
    const auto index = ReadTable(runs.filePath(QStringLiteral("index.csv")));
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0].at(QStringLiteral("subject")), QStringLiteral("FAIL1"));
    // The index, trials.csv and the one run's two files; the run given up on left no row.
    EXPECT_EQ(runs.entryList(QDir::Files).size(), 4);
    const auto trials = ReadTable(runs.filePath(QStringLiteral("trials.csv")));
    ASSERT_EQ(trials.size(), 1u);
    EXPECT_EQ(trials[0].at(QStringLiteral("subject")), QStringLiteral("FAIL1"));
}

}  // namespace
}  // namespace quorvel
