#include <gtest/gtest.h>

#include <QTimeZone>

#include "core/records/CsvReader.h"
#include "core/records/CsvText.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/RunIndex.h"
#include "core/records/SubjectScores.h"

// The per-subject table of --summary: the pairing rule on a folder's worth of runs, and a
// damaged index refused with its line named.

namespace quorvel {
namespace {

// An index row as the program writes it, with the fields the summary reads set by name.
QByteArray Row(const char* runId, const char* subject, const char* form, const char* startedAt,
               bool completed, const char* completion, const char* totalRt, int errors) {
    RunFacts facts;
    facts.run_id = QString::fromUtf8(runId);
    facts.started = QDateTime(QDate(2026, 3, 5), QTime::fromString(QString::fromUtf8(startedAt)),
                              QTimeZone(9 * 3600));
    QStringList fields = RunIndexFields(test::MakeRun("S", 0, kTargetCount), facts);
    const QList<QByteArray> names = RunIndexHeader().mid(3).chopped(2).split(',');
    const auto set = [&](const char* name, const QString& value) {
        fields[names.indexOf(QByteArray(name))] = value;
    };
    set("subject", QString::fromUtf8(subject));
    set("test_type", QString::fromUtf8(form));
    set("completed", completed ? QStringLiteral("1") : QStringLiteral("0"));
    set("completion_ms", QString::fromUtf8(completion));
    set("total_rt_ms", QString::fromUtf8(totalRt));
    set("errors_total", QString::number(errors));
    return CsvRow(fields);
}

// Four subjects: S1 with two completed A runs (the later one counts), a completed B run and an
// aborted B run that started last; S2 with A only; "被験,3" with B only and an aborted A; S4
// with an abort only.
QByteArray LabIndex() {
    return RunIndexHeader() + Row("a1", "S1", "A", "10:00:00", true, "30000", "25000", 1) +
           Row("b1", "S1", "B", "10:30:00", true, "45000", "40000", 2) +
           Row("s2a", "S2", "A", "10:40:00", true, "20000", "18000", 0) +
           Row("a2", "S1", "A", "11:00:00", true, "28000", "24000", 0) +
           Row("b2", "S1", "B", "11:30:00", false, "9000", "7000", 3) +
           Row("s3a", "被験,3", "A", "12:00:00", false, "1000", "0", 0) +
           Row("s3b", "被験,3", "B", "12:10:00", true, "50000", "44000", 4) +
           Row("s4a", "S4", "A", "13:00:00", false, "", "", 1);
}

TEST(SubjectScores, TheLatestCompletedRunOfEachFormIsPairedPerSubject) {
    QString error;
    const std::vector<IndexRun> runs = ReadIndexRuns(LabIndex(), error);
    ASSERT_EQ(error, QString());
    ASSERT_EQ(runs.size(), 8u);
    EXPECT_EQ(runs[3].line, 5);
    EXPECT_EQ(
        SubjectsTable(ScoreSubjects(runs), "\n"),
        QStringLiteral("subject,a_completed_runs,b_completed_runs,a_run_id,a_completion_ms,"
                       "a_total_rt_ms,a_errors,b_run_id,b_completion_ms,b_total_rt_ms,b_errors,"
                       "b_minus_a_ms,b_over_a,b_minus_a_total_rt_ms,b_over_a_total_rt\n"
                       // 45000 - 28000, 45000 / 28000; 40000 - 24000, 40000 / 24000
                       "S1,2,1,a2,28000,24000,0,b1,45000,40000,2,17000,1.607,16000,1.667\n"
                       "S2,1,0,s2a,20000,18000,0,,,,,,,,\n"
                       "\"被験,3\",0,1,,,,,s3b,50000,44000,4,,,,\n"
                       "S4,0,0,,,,,,,,,,,,\n")
            .toUtf8());

    // Equal starts: the later row wins.
    const QByteArray twin = RunIndexHeader() + Row("x", "T", "A", "09:00:00", true, "5", "4", 0) +
                            Row("y", "T", "A", "09:00:00", true, "7", "6", 0);
    EXPECT_EQ(ScoreSubjects(ReadIndexRuns(twin, error))[0].a.latest->run_id, QStringLiteral("y"));

    // An index begun before the completion time was recorded still pairs TotalRT.
    const QByteArray older =
        "run_id,subject,test_type,started,completed,total_rt_ms,errors_total\r\n"
        "p,U,A,2026-03-05T09:00:00.000+09:00,1,20000,0\r\n"
        "q,U,B,2026-03-05T09:10:00.000+09:00,1,30000,1\r\n";
    EXPECT_TRUE(SubjectsTable(ScoreSubjects(ReadIndexRuns(older, error)), "\n")
                    .endsWith("U,1,1,p,,20000,0,q,,30000,1,,,10000,1.500\n"));
    EXPECT_EQ(error, QString());
}

// A practice trail is never a result: even one marked completed is passed over, and a subject
// with practices only does not appear.
TEST(SubjectScores, PracticeRunsAreIgnored) {
    const QList<QByteArray> names = RunIndexHeader().mid(3).chopped(2).split(',');
    const auto practice = [&](QByteArray row) {
        QStringList fields = QString::fromUtf8(row.chopped(2)).split(QLatin1Char(','));
        fields[names.indexOf("practice")] = QStringLiteral("1");
        return CsvRow(fields);
    };
    const QByteArray index = RunIndexHeader() +
                             Row("a1", "S1", "A", "10:00:00", true, "30000", "25000", 1) +
                             practice(Row("p1", "S1", "A", "10:05:00", true, "9000", "8000", 0)) +
                             practice(Row("p2", "P", "B", "10:06:00", true, "9000", "8000", 0));
    QString error;
    const std::vector<IndexRun> runs = ReadIndexRuns(index, error);
    ASSERT_EQ(error, QString());
    ASSERT_EQ(runs.size(), 1u);
    const std::vector<SubjectScores> subjects = ScoreSubjects(runs);
    ASSERT_EQ(subjects.size(), 1u);
    EXPECT_EQ(subjects[0].a.latest->run_id, QStringLiteral("a1"));
}

TEST(SubjectScores, ADamagedIndexIsRefusedWithItsLineNamed) {
    const QByteArray good = LabIndex();
    const qsizetype fourth = good.indexOf("a2,");  // line 5
    struct Case {
        const char* what;
        QByteArray bytes;
        QString error;
    };
    QByteArray shortRow = good.left(fourth) + "a2,S1,A\r\n" + good.mid(fourth);
    QByteArray badForm = good;
    badForm.replace(",S2,A,", ",S2,C,");
    QByteArray openQuote = good + "zz,\"never closed,A\r\n";
    QByteArray badTime = good;
    badTime.replace("2026-03-05T10:40", "2026-13-05T10:40");
    const Case cases[] = {
        {"a row cut short", shortRow,
         QStringLiteral("line 5: 3 fields where the header has %1")
             .arg(RunIndexHeader().count(',') + 1)},
        {"a form that is neither", badForm,
         QStringLiteral("line 4: a run id, form, start, outcome or time cannot be read")},
        {"a start that is no time", badTime,
         QStringLiteral("line 4: a run id, form, start, outcome or time cannot be read")},
        {"a quote never closed", openQuote,
         QStringLiteral("line 10: a quoted field is never closed")},
        {"an empty file", QByteArray(),
         QStringLiteral("line 1: the file is empty, it has no header")},
        {"not an index", "a,b\r\n1,2\r\n",
         QStringLiteral("line 1: the header is not that of a run index")},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_TRUE(ReadIndexRuns(c.bytes, error).empty()) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

TEST(SubjectScores, CsvIsReadBackAsItIsWritten) {
    const CsvTable table = ReadCsv(
        "\xEF\xBB\xBF"
        "a,\"b,\"\"c\"\"\",\r\n\"two\r\nlines\",x,y\r\nlast,,no line end");
    ASSERT_EQ(table.error, QString());
    ASSERT_EQ(table.records.size(), 3u);
    EXPECT_EQ(table.records[0].fields,
              (QStringList{QStringLiteral("a"), QStringLiteral("b,\"c\""), QString()}));
    EXPECT_EQ(table.records[1].fields.front(), QStringLiteral("two\r\nlines"));
    EXPECT_EQ(table.records[2].line, 4);
    EXPECT_EQ(table.records[2].fields.size(), 3);
    EXPECT_EQ(ReadCsv("a,b\"c\r\n").error, QStringLiteral("a quote stands inside a field"));
}

}  // namespace
}  // namespace quorvel
