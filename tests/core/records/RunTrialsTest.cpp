#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/records/RecordFormat.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/RunIndex.h"
#include "core/records/RunIndexColumns.h"
#include "core/records/RunTrials.h"
#include "core/records/WriteRunRecord.h"
#include "support/FakeMessageBoxes.h"

// runs/trials.csv: the trial log's numbers keyed by run, with the labels as drawn; written with
// the rest of the run's record, whole or not at all.

namespace quorvel {
namespace {

TEST(RunTrials, RowsCarryTheTrialLogsNumbersTheLabelsAsDrawnAndTheRunOriginsTimes) {
    // Part B, aborted after 3 targets; the fourth target had drawn a touch on no circle.
    ExperimentState state = test::MakeRun("\x94\xed,1", 1, 4);  // "被,1" in CP932
    state.completed = 3;
    EXPECT_EQ(RunTrialsHeader(),
              QByteArray("\xEF\xBB\xBFrun_id,subject,test_type,target,label,stim_x,stim_y,rt_ms,"
                         "total_rt_ms,from_origin_ms,errors,resp,resp_x,resp_y,run_completed\r\n"));
    const QByteArray rows = RunTrialsRows(state, QStringLiteral("r-1"), 1502999);
    EXPECT_EQ(rows, QStringLiteral("r-1,\"被,1\",B,1,1,70,697,1500,0,1500,0,1,73,695,0\r\n"
                                   "r-1,\"被,1\",B,2,あ,105,672,1000,1000,2502,0,2,108,670,0\r\n"
                                   "r-1,\"被,1\",B,3,2,140,647,1000,2000,3502,0,3,143,645,0\r\n")
                        .toUtf8());
    // Without the TotalRT origin only target 1 is placed on the run origin's scale.
    EXPECT_TRUE(
        RunTrialsRows(state, QStringLiteral("r-1"), std::nullopt).contains(",1000,1000,,0,2,"));
    EXPECT_TRUE(RunTrialsRows(test::MakeRun("S", 0, 0), QStringLiteral("r"), 0).isEmpty());

    // The same numbers as the trial log, row for row.
    const ExperimentState full = test::MakeRun("S", 0, kTargetCount);
    const QList<QByteArray> logRows =
        QByteArray::fromStdString(TrialLogRows(full, {"2024/03/05", "07:08:09"})).split('\n');
    const QList<QByteArray> ours = RunTrialsRows(full, QStringLiteral("r"), 0).split('\n');
    ASSERT_EQ(ours.size(), kTargetCount + 1);
    for (int i = 0; i < kTargetCount; ++i) {
        const QList<QByteArray> log = logRows[i].trimmed().split(',');
        const QList<QByteArray> row = ours[i].trimmed().split(',');
        // Trial, StimX, StimY, RT, TotalRT, Error, Resp, RespX, RespY.
        const int logColumns[] = {4, 5, 6, 10, 11, 12, 7, 8, 9};
        const int ourColumns[] = {3, 5, 6, 7, 8, 10, 11, 12, 13};
        for (int c = 0; c < 9; ++c) {
            EXPECT_EQ(row[ourColumns[c]], log[logColumns[c]]) << "row " << i << " column " << c;
        }
        EXPECT_EQ(row[14], "1");
    }
}

// An index begun by an earlier version keeps its shorter header: rows appended to it keep to its
// columns, so the file stays readable; a new or current index gets every column.
TEST(RunTrials, AnIndexWithAnOlderHeaderGetsRowsOfItsOwnWidth) {
    const QByteArray current = RunIndexHeader().mid(3).chopped(2);
    const QList<QByteArray> names = current.split(',');
    const QByteArray older = names.mid(0, 21).join(',');
    QStringList fields;
    for (qsizetype i = 0; i < names.size(); ++i) {
        fields << QString::number(i);
    }
    EXPECT_EQ(FieldsForIndexHeader(fields, QByteArray()), fields);
    EXPECT_EQ(FieldsForIndexHeader(fields, current), fields);
    EXPECT_EQ(FieldsForIndexHeader(fields, older), fields.mid(0, 21));
    EXPECT_EQ(FieldsForIndexHeader(fields, "something,else"), fields);  // not ours: leave it

    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("index.csv"));
    EXPECT_EQ(ExistingIndexHeader(path), QByteArray());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF" + older + "\r\nrow\r\n");
    file.close();
    EXPECT_EQ(ExistingIndexHeader(path), older);
}

class RunTrialsWriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        context.directory = m_dir.path();
    }
    RunRecordBytes Bytes(const QString& id) const {
        return {id, "events\r\n", "png", "row of " + id.toUtf8() + "\r\n",
                "trial of " + id.toUtf8() + "\r\n"};
    }
    QString Runs(const QString& name) const {
        return QDir(m_dir.path()).filePath(QStringLiteral("runs/") + name);
    }
    std::optional<QByteArray> Trials() const {
        return test::FileBytes(Runs(QStringLiteral("trials.csv")));
    }

    QTemporaryDir m_dir;
    RecordsContext context;
    test::FakeMessageBoxes boxes;
};

TEST_F(RunTrialsWriteTest, TheRowsGoWithTheIndexRowOrNotAtAll) {
    // The first run makes the file with its header; a run with no rows leaves it alone.
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("r1")), boxes, context));
    RunRecordBytes none = Bytes(QStringLiteral("r0"));
    none.trials.clear();
    ASSERT_TRUE(WriteRunRecord(none, boxes, context));
    const QByteArray before = RunTrialsHeader() + "trial of r1\r\n";
    EXPECT_EQ(Trials(), before);

    // The index row cannot be written and the operator gives up: the run's rows go again, and
    // a trials file this run made goes altogether.
    IoFaultInjector faults({{1, true, IoOp::Open, QStringLiteral("index.csv")}});
    context.io_fault = std::ref(faults);
    boxes.retryAnswers = {false};
    EXPECT_FALSE(WriteRunRecord(Bytes(QStringLiteral("r2")), boxes, context));
    EXPECT_EQ(Trials(), before);
    EXPECT_FALSE(QFileInfo::exists(Runs(QStringLiteral("r2.events.csv"))));
    QFile::remove(Runs(QStringLiteral("trials.csv")));
    boxes.retryAnswers = {false};
    EXPECT_FALSE(WriteRunRecord(Bytes(QStringLiteral("r3")), boxes, context));
    EXPECT_EQ(Trials(), std::nullopt);

    // Retry: the whole record, once.
    faults = IoFaultInjector({{1, false, IoOp::Write, QStringLiteral("trials.csv")}});
    boxes.retryAnswers = {true};
    EXPECT_TRUE(WriteRunRecord(Bytes(QStringLiteral("r4")), boxes, context));
    EXPECT_EQ(Trials(), RunTrialsHeader() + "trial of r4\r\n");

    // Another station appended its rows after this run's before the index failed: cutting the
    // file back would take theirs too, so this run's rows stay, naming a run the index has no
    // row for (readers join on the index).
    context.io_fault = [this](IoOp op, const QString& path) {
        if (op == IoOp::Open && path.endsWith(QLatin1String("/index.csv"))) {
            QFile trials(Runs(QStringLiteral("trials.csv")));
            EXPECT_TRUE(trials.open(QIODevice::Append));
            trials.write("trial of another station\r\n");
            return true;
        }
        return false;
    };
    boxes.retryAnswers = {false};
    EXPECT_FALSE(WriteRunRecord(Bytes(QStringLiteral("r5")), boxes, context));
    EXPECT_EQ(Trials(),
              RunTrialsHeader() + "trial of r4\r\ntrial of r5\r\ntrial of another station\r\n");
    EXPECT_EQ(test::FileBytes(Runs(QStringLiteral("index.csv"))),
              RunIndexHeader() + "row of r1\r\nrow of r0\r\nrow of r4\r\n");
}

}  // namespace
}  // namespace quorvel
