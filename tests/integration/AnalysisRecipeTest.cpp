#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <map>

#include "core/app/SummaryCommand.h"
#include "core/input/InputJournal.h"
#include "core/records/RunEvents.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/RunExperiment.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/render/CTouchWnd.h"
#include "support/ProcessStateTest.h"
#include "support/ScriptBot.h"
#include "support/TestTouchScreen.h"
#include "support/TouchGeometry.h"

// The analysis recipe (docs/analysis.md) cannot rot: its pandas code, run with Debian's
// python3-pandas on the files of real runs, must give each subject the times the runs
// themselves measured, and the same scores as `quorvel --summary`.

namespace quorvel {
namespace {

using test::ScriptBot;
using test::TouchScreen;

// What a run measured, read from the program's own state right after it.
struct Measured {
    std::int64_t total_rt_ms = 0;    // target 25's clock reading after the restart
    std::int64_t completion_ms = 0;  // the TotalRT origin (ms, rounded down) + that
};

// A CSV file as rows of named fields (plain fields: what pandas writes here has no quotes).
std::vector<std::map<QString, QString>> ReadPlainCsv(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QList<QByteArray> lines = file.readAll().split('\n');
    std::vector<std::map<QString, QString>> rows;
    if (lines.isEmpty()) {
        return rows;
    }
    QString header = QString::fromUtf8(lines[0]);
    if (header.startsWith(QChar(0xFEFF))) {
        header.remove(0, 1);
    }
    const QStringList names = header.trimmed().split(QLatin1Char(','));
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const QString line = QString::fromUtf8(lines[k]).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const QStringList fields = line.split(QLatin1Char(','));
        std::map<QString, QString> row;
        for (qsizetype c = 0; c < names.size() && c < fields.size(); ++c) {
            row[names[c]] = fields[c];
        }
        rows.push_back(row);
    }
    return rows;
}

double Number(const std::map<QString, QString>& row, const char* name) {
    const auto found = row.find(QLatin1String(name));
    EXPECT_NE(found, row.end()) << name;
    return found == row.end() ? -1.0 : found->second.toDouble();
}

class AnalysisRecipeTest : public test::ProcessStateTest {
  protected:
    void SetUp() override {
        TouchScreen();
        ASSERT_TRUE(data.isValid());
        ASSERT_TRUE(output.isValid());
        frame.show();
        boxes.SetOwner(&frame);
    }

    // One run through the Start command on the real window: `targets` touched correctly, then
    // Escape unless all 25 were.
    Measured Run(const QString& subject, bool partB, int targets) {
        MessageBoxScript::Answer(QMessageBox::Ok);  // instruction
        MessageBoxScript::Answer(QMessageBox::Ok);  // end message
        bot.Then(
            QStringLiteral("conditions"),
            [] {
                QWidget* m = QApplication::activeModalWidget();
                return m != nullptr && m->objectName() == QStringLiteral("CSubject");
            },
            [subject, partB] {
                QWidget& d = *QApplication::activeModalWidget();
                d.findChild<QLineEdit*>(QStringLiteral("1001"))->setText(subject);
                d.findChild<QLineEdit*>(QStringLiteral("1004"))->setText(QStringLiteral("21"));
                d.findChild<QAbstractButton*>(partB ? QStringLiteral("1006")
                                                    : QStringLiteral("1005"))
                    ->click();
                QTest::mouseClick(d.findChild<QAbstractButton*>(QStringLiteral("1")),
                                  Qt::LeftButton);
            });
        for (int i = 0; i < targets; ++i) {
            Touch(i);
        }
        if (targets < kTargetCount) {
            bot.Then(
                QStringLiteral("press Escape"),
                [this, targets] { return state.completed == targets && window.PointCount() == 0; },
                [this] { QTest::keyPress(window.Window(), Qt::Key_Escape); });
            bot.Then(QStringLiteral("release Escape"),
                     [this] { QTest::keyRelease(window.Window(), Qt::Key_Escape); });
        }
        RunContext run{state, window, frame, rng, boxes, keys, {}, {}};
        run.records.directory = data.path();
        bot.Start();
        RunExperiment(run);
        while (!bot.Done()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        bot.Stop();
        EXPECT_EQ(state.completed, targets);
        Measured measured;
        measured.total_rt_ms = state.records[kTargetCount - 1].hit_time;
        measured.completion_ms =
            TotalRtOriginMicros(window.Journal()).value_or(-1000000) / 1000 + measured.total_rt_ms;
        return measured;
    }

    // Touches target i's centre once it is awaited, lifts once it is answered; a press the
    // driver never judged (a finger it still took for the last one) is lifted and made again.
    void Touch(int i) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            bot.Then(
                QStringLiteral("touch %1").arg(i),
                [this, i] {
                    return state.completed > i ||
                           (state.completed == i && window.PointCount() == 0);
                },
                [this, i] {
                    m_pressed = state.completed == i;
                    if (m_pressed) {
                        m_pressedFor.start();
                        m_at = test::PixelFor(window.Mapping(), state.stimuli[i]);
                        QTest::touchEvent(window.Window(), TouchScreen()).press(0, m_at);
                    }
                });
            bot.Then(
                QStringLiteral("lift %1").arg(i),
                [this, i] {
                    return !m_pressed || state.completed > i || m_pressedFor.elapsed() > 500;
                },
                [this] {
                    if (m_pressed && window.Window() != nullptr) {
                        QTest::touchEvent(window.Window(), TouchScreen()).release(0, m_at);
                    }
                    m_pressed = false;
                });
        }
    }

    CMainFrame frame;
    ExperimentState state;
    LcgRandom rng;
    QtMessageBoxes boxes;
    KeyState keys;
    ScriptBot bot;
    QTemporaryDir data;
    QTemporaryDir output;
    CTouchWnd window;
    bool m_pressed = false;
    QPoint m_at;
    QElapsedTimer m_pressedFor;
};

TEST_F(AnalysisRecipeTest, ThePandasRecipeGivesEachSubjectTheTimesTheRunsMeasured) {
    // K1: Part A, then Part B; K2: Part A aborted after two targets, then Part A completed.
    const Measured a1 = Run(QStringLiteral("K1"), false, kTargetCount);
    const Measured b1 = Run(QStringLiteral("K1"), true, kTargetCount);
    Run(QStringLiteral("K2"), false, 2);
    const Measured a2 = Run(QStringLiteral("K2"), false, kTargetCount);
    ASSERT_FALSE(HasFailure());

    const SummaryOutcome summary = RunSummaryCommand(data.path());
    ASSERT_EQ(summary.exit_code, 0) << summary.error.toStdString();

    QProcess python;
    python.setProcessChannelMode(QProcess::MergedChannels);
    python.start(
        QStringLiteral(QUORVEL_PYTHON),
        {QStringLiteral(QUORVEL_SOURCE_DIR "/tests/integration/run_analysis_recipe.py"),
         QStringLiteral(QUORVEL_SOURCE_DIR "/docs/analysis.md"), data.path(), output.path()});
    ASSERT_TRUE(python.waitForFinished(-1));
    const QByteArray said = python.readAll();
    ASSERT_EQ(python.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(python.exitCode(), 0) << said.toStdString();

    // Part B's rows carry the labels the subject saw.
    QFile trials(data.filePath(QStringLiteral("runs/trials.csv")));
    ASSERT_TRUE(trials.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(trials.readAll()).contains(QStringLiteral(",K1,B,2,あ,")));

    // The index's scores, as pandas computed them from the recipe.
    std::map<QString, std::map<QString, QString>> scores;
    for (const auto& row : ReadPlainCsv(output.filePath(QStringLiteral("scores.csv")))) {
        scores[row.at(QStringLiteral("subject"))] = row;
    }
    ASSERT_EQ(scores.size(), 2u) << said.toStdString();
    const auto& k1 = scores[QStringLiteral("K1")];
    EXPECT_EQ(Number(k1, "A_ms"), a1.completion_ms);
    EXPECT_EQ(Number(k1, "B_ms"), b1.completion_ms);
    EXPECT_EQ(Number(k1, "A_total_rt_ms"), a1.total_rt_ms);
    EXPECT_EQ(Number(k1, "B_total_rt_ms"), b1.total_rt_ms);
    EXPECT_EQ(Number(k1, "B_minus_A_ms"), b1.completion_ms - a1.completion_ms);
    EXPECT_NEAR(Number(k1, "B_over_A"),
                static_cast<double>(b1.completion_ms) / static_cast<double>(a1.completion_ms),
                1e-9);
    EXPECT_EQ(Number(k1, "B_minus_A_total_rt_ms"), b1.total_rt_ms - a1.total_rt_ms);
    const auto& k2 = scores[QStringLiteral("K2")];
    EXPECT_EQ(Number(k2, "A_ms"), a2.completion_ms);  // the completed run, not the abort
    EXPECT_EQ(k2.at(QStringLiteral("B_ms")), QString());
    EXPECT_EQ(k2.at(QStringLiteral("B_over_A")), QString());

    // The same as --summary's table.
    const QString table = QString::fromUtf8(summary.table);
    EXPECT_TRUE(table.contains(QStringLiteral(",%1,%2,%3,%4,%5,")
                                   .arg(k1.at(QStringLiteral("B_run_id")))
                                   .arg(b1.completion_ms)
                                   .arg(b1.total_rt_ms)
                                   .arg(0)
                                   .arg(b1.completion_ms - a1.completion_ms)))
        << table.toStdString();
    EXPECT_TRUE(table.contains(QString::number(
        static_cast<double>(b1.completion_ms) / static_cast<double>(a1.completion_ms), 'f', 3)));

    // From the Windows program's own files (trial logs and QVL.txt): the same TotalRT.
    std::map<QString, std::map<QString, QString>> qvl;
    for (const auto& row : ReadPlainCsv(output.filePath(QStringLiteral("qvl_scores.csv")))) {
        qvl[row.at(QStringLiteral("Subject"))] = row;
    }
    EXPECT_EQ(Number(qvl[QStringLiteral("K1")], "A"), a1.total_rt_ms);
    EXPECT_EQ(Number(qvl[QStringLiteral("K1")], "B"), b1.total_rt_ms);
    EXPECT_EQ(Number(qvl[QStringLiteral("K1")], "B_minus_A_ms"), b1.total_rt_ms - a1.total_rt_ms);
    EXPECT_EQ(Number(qvl[QStringLiteral("K2")], "A"), a2.total_rt_ms);

    // Per run from trials.csv: the completed runs' completion times.
    const auto perRun = ReadPlainCsv(output.filePath(QStringLiteral("per_run.csv")));
    ASSERT_EQ(perRun.size(), 3u);
    std::vector<double> completions;
    for (const auto& row : perRun) {
        completions.push_back(Number(row, "completion_ms"));
    }
    for (const Measured& m : {a1, b1, a2}) {
        EXPECT_NE(
            std::find(completions.begin(), completions.end(), static_cast<double>(m.completion_ms)),
            completions.end())
            << m.completion_ms;
    }
}

}  // namespace
}  // namespace quorvel
