#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <limits>
#include <vector>

#include "core/records/RecordFormat.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/WriteRecords.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"

namespace quorvel {
namespace {

const QByteArray kLogHeader =
    "Subject,Type,Date,Time,Trial,StimX,StimY,Resp,RespX,RespY,RT,TotalRT,Error\r\n";
const QByteArray kSumHeader = "Type\tDate\tTime\tSubject\tTotalRT\r\n";

class WriteRecordsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::UseUtc();
        ASSERT_TRUE(m_dir.isValid());
        m_context.directory = m_dir.path();
        m_clock.OnRead([this] { m_events.push_back("clock"); });
        m_context.clock = &m_clock;
    }

    bool Write(ExperimentState& s, bool complete) {
        return WriteRecords(s, complete, m_boxes, m_context);
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    std::optional<QByteArray> Bytes(const QString& name) const {
        return test::FileBytes(Path(name));
    }
    std::optional<QByteArray> Summary() const { return Bytes(QStringLiteral("QVL.txt")); }

    QTemporaryDir m_dir;
    test::FakeMessageBoxes m_boxes;
    RecordsContext m_context;
    test::FixedClock m_clock{test::kRecordTime};
    std::vector<std::string> m_events;
};

TEST_F(WriteRecordsTest, CompletedRunCreatesBothFilesWithTheirHeaders) {
    ExperimentState s = test::MakeRun("SBJ0000", kPartA, kTargetCount);
    ASSERT_TRUE(Write(s, true));

    const QByteArray log = Bytes(QStringLiteral("SBJ0000.csv")).value_or("missing");
    const QList<QByteArray> lines = log.split('\n');
    ASSERT_EQ(lines.size(), 1 + kTargetCount + 1);  // header, 25 rows, nothing after the last end
    EXPECT_TRUE(lines.back().isEmpty());
    for (int i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith('\r')) << "line " << i;
        EXPECT_EQ(lines[i].count('\r'), 1) << "line " << i;
    }
    EXPECT_TRUE(
        log.startsWith(kLogHeader +
                       "SBJ0000,A,2024/03/05,07:08:09,1,70,697,1,73,695,1500,0,0\r\n"
                       "SBJ0000,A,2024/03/05,07:08:09,2,105,672,2,108,670,1000,1000,0\r\n"
                       "SBJ0000,A,2024/03/05,07:08:09,3,140,647,3,143,645,1000,2000,0\r\n"
                       "SBJ0000,A,2024/03/05,07:08:09,4,175,622,0,178,620,1000,3000,1\r\n"));
    EXPECT_TRUE(
        log.endsWith("\r\nSBJ0000,A,2024/03/05,07:08:09,25,910,97,25,913,95,1000,24000,0\r\n"));
    EXPECT_EQ(Summary(), kSumHeader + "A\t2024/03/05\t07:08:09\tSBJ0000\t24.000\r\n");
    EXPECT_TRUE(m_boxes.shown.empty());
}

TEST_F(WriteRecordsTest, LaterRunsAppendWithoutASecondHeader) {
    ExperimentState first = test::MakeRun("S1", kPartA, kTargetCount);
    ASSERT_TRUE(Write(first, true));
    const QByteArray logAfterFirst = Bytes(QStringLiteral("S1.csv")).value_or("");

    m_clock.Set(test::kRecordTime + 3600);
    ExperimentState second = test::MakeRun("S1", 2, kTargetCount);
    ASSERT_TRUE(Write(second, true));
    ExperimentState other = test::MakeRun("S2", kPartA, kTargetCount);
    other.records[24].hit_time = 31002;
    ASSERT_TRUE(Write(other, true));

    const QByteArray log = Bytes(QStringLiteral("S1.csv")).value_or("");
    ASSERT_TRUE(log.startsWith(logAfterFirst));
    const QByteArray added = log.mid(logAfterFirst.size());
    EXPECT_EQ(added.count('\n'), kTargetCount);
    EXPECT_FALSE(added.contains("Subject"));
    EXPECT_TRUE(added.startsWith("S1,B,2024/03/05,08:08:09,1,70,697,"));
    EXPECT_EQ(Summary(), kSumHeader +
                             "A\t2024/03/05\t07:08:09\tS1\t24.000\r\n"
                             "B\t2024/03/05\t08:08:09\tS1\t24.000\r\n"
                             "A\t2024/03/05\t08:08:09\tS2\t31.002\r\n");
}

// An empty file (left by a station killed right after making it, or made by hand) gets its
// header like a new one: whether the header is due goes by what the file holds.
TEST_F(WriteRecordsTest, EmptyFilesGetTheirHeader) {
    for (const char* name : {"E1.csv", "QVL.txt"}) {
        QFile f(Path(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ExperimentState s = test::MakeRun("E1", kPartA, kTargetCount);
    ASSERT_TRUE(Write(s, true));
    const QByteArray log = Bytes(QStringLiteral("E1.csv")).value_or("");
    EXPECT_TRUE(
        log.startsWith(kLogHeader + "E1,A,2024/03/05,07:08:09,1,70,697,1,73,695,1500,0,0\r\n"));
    EXPECT_EQ(log.count('\n'), 1 + kTargetCount);
    EXPECT_EQ(Summary(), kSumHeader + "A\t2024/03/05\t07:08:09\tE1\t24.000\r\n");
}

// A file holding no data line, only a byte-order mark (an editor's UTF-8) or only line ends,
// is as good as empty: it gets its header at the top. Appending after those bytes left the
// trial log without a header and hid the summary file's lines from its reader.
TEST_F(WriteRecordsTest, FilesWithNoDataLineGetTheirHeader) {
    const QByteArray blanks[] = {"\xEF\xBB\xBF", "\r\n", "\r\n\r\n", "\xEF\xBB\xBF\r\n", " \t\n"};
    int n = 0;
    for (const QByteArray& blank : blanks) {
        SCOPED_TRACE(blank.toHex().toStdString());
        const std::string subject = "B" + std::to_string(++n);
        const QString logName = QString::fromStdString(subject) + QStringLiteral(".csv");
        for (const QString& name : {logName, QStringLiteral("QVL.txt")}) {
            QFile f(Path(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(f.write(blank), blank.size());
        }
        ExperimentState s = test::MakeRun(subject, kPartA, kTargetCount);
        ASSERT_TRUE(Write(s, true));
        const QByteArray log = Bytes(logName).value_or("");
        EXPECT_TRUE(log.startsWith(kLogHeader + QByteArray::fromStdString(subject) +
                                   ",A,2024/03/05,07:08:09,1,70,697,1,73,695,1500,0,0\r\n"));
        EXPECT_EQ(log.count('\n'), 1 + kTargetCount);
        EXPECT_EQ(Summary(), kSumHeader + "A\t2024/03/05\t07:08:09\t" +
                                 QByteArray::fromStdString(subject) + "\t24.000\r\n");
    }
    // A mark followed by a data line is a file with data: it keeps its bytes and gets no header.
    const QByteArray withData = "\xEF\xBB\xBFType\tDate\tTime\tSubject\tTotalRT\r\n";
    {
        QFile f(Path(QStringLiteral("QVL.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(withData), withData.size());
    }
    ExperimentState s = test::MakeRun("D1", kPartA, kTargetCount);
    ASSERT_TRUE(Write(s, true));
    EXPECT_EQ(Summary(), withData + "A\t2024/03/05\t07:08:09\tD1\t24.000\r\n");
}

// When the append into such a file fails and the operator gives up, the file holds what it
// held before.
TEST_F(WriteRecordsTest, AFailedAppendPutsBackWhatAFileWithNoDataLineHeld) {
    const QByteArray blank = "\xEF\xBB\xBF\r\n";
    {
        QFile f(Path(QStringLiteral("QVL.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(blank), blank.size());
    }
    IoFaultInjector faults({IoFault{1, true, IoOp::Write, QStringLiteral("QVL.txt")}});
    m_context.io_fault = std::ref(faults);
    ExperimentState s = test::MakeRun("F1", kPartA, kTargetCount);
    EXPECT_FALSE(Write(s, true));
    EXPECT_EQ(Summary(), blank);
}

TEST_F(WriteRecordsTest, AbortedRunAddsItsRowsAndNoSummaryLine) {
    for (const bool summaryExists : {false, true}) {
        for (const int k : {0, 3}) {
            SCOPED_TRACE(testing::Message() << "k=" << k << " summary exists=" << summaryExists);
            QDir(m_dir.path()).removeRecursively();
            QDir().mkpath(m_dir.path());
            if (summaryExists) {
                ExperimentState earlier = test::MakeRun("E", kPartA, kTargetCount);
                ASSERT_TRUE(Write(earlier, true));
            }
            const std::optional<QByteArray> summaryBefore = Summary();

            ExperimentState s = test::MakeRun("AB", kPartA, k);
            ASSERT_TRUE(Write(s, false));
            QByteArray expected = kLogHeader;
            if (k == 3) {
                expected +=
                    "AB,A,2024/03/05,07:08:09,1,70,697,1,73,695,1500,0,0\r\n"
                    "AB,A,2024/03/05,07:08:09,2,105,672,2,108,670,1000,1000,0\r\n"
                    "AB,A,2024/03/05,07:08:09,3,140,647,3,143,645,1000,2000,0\r\n";
            }
            EXPECT_EQ(Bytes(QStringLiteral("AB.csv")), expected);
            EXPECT_EQ(Summary(), summaryBefore);
        }
    }
}

TEST_F(WriteRecordsTest, SubjectIdIsWrittenUnchanged) {
    const struct {
        std::string subject;   // CP932 bytes
        const char* fileName;  // UTF-8
    } cases[] = {
        {"", ".csv"},
        {"a,b", "a,b.csv"},
        {"a b", "a b.csv"},  // (a tab is refused: it would split the summary line)
        {"\x94\xed\x8c\xb1\x8e\xd2\x83\x5c\x95\x5c", "被験者ソ表.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        const std::optional<QByteArray> summaryBefore = Summary();
        ExperimentState s = test::MakeRun(c.subject, kPartA, kTargetCount);
        ASSERT_TRUE(Write(s, true));
        const QByteArray id = QByteArray::fromStdString(c.subject);
        const QByteArray log = Bytes(QString::fromUtf8(c.fileName)).value_or("missing");
        EXPECT_TRUE(log.startsWith(kLogHeader + id + ",A,2024/03/05,07:08:09,1,70,697,"));
        EXPECT_EQ(Summary()->mid(summaryBefore.value_or(kSumHeader).size()),
                  "A\t2024/03/05\t07:08:09\t" + id + "\t24.000\r\n");
    }
}

TEST_F(WriteRecordsTest, TakesTheTimeOnce) {
    ExperimentState s = test::MakeRun("T", kPartA, kTargetCount);
    ASSERT_TRUE(Write(s, true));
    EXPECT_EQ(m_events, (std::vector<std::string>{"clock"}));

    // Every row and the summary line carry the one time, also when it cannot be converted.
    m_clock.Set(std::numeric_limits<std::int64_t>::max());
    ASSERT_TRUE(Write(s, true));
    const QByteArray log = Bytes(QStringLiteral("T.csv")).value_or("");
    EXPECT_EQ(log.count(",2024/03/05,07:08:09,"), kTargetCount);
    EXPECT_EQ(log.count(",0000/00/00,-1:-1:-1,"), kTargetCount);
    EXPECT_TRUE(Summary()->endsWith("A\t0000/00/00\t-1:-1:-1\tT\t24.000\r\n"));
}

TEST_F(WriteRecordsTest, UnsafeSubjectIdWritesNothingAndSaysWhichFile) {
    for (const std::string subject : {"../escape", "sub/dir", "C:drive", "NUL", "x\r\ny"}) {
        SCOPED_TRACE(subject);
        m_boxes.shown.clear();
        m_events.clear();
        ExperimentState s = test::MakeRun(subject, kPartA, kTargetCount);
        EXPECT_FALSE(Write(s, true));
        EXPECT_EQ(m_events, (std::vector<std::string>{"clock"}));
        ASSERT_EQ(m_boxes.shown.size(), 1u);
        EXPECT_EQ(m_boxes.shown[0].kind, test::FakeMessageBoxes::Shown::App);
        EXPECT_EQ(m_boxes.shown[0].icon, BoxIcon::Exclamation);
        EXPECT_EQ(
            m_boxes.shown[0].text,
            QStringLiteral("データファイルを開くことができません\n") +
                QDir::toNativeSeparators(m_dir.path() + QLatin1Char('/') +
                                         QString::fromStdString(subject) + QStringLiteral(".csv")) +
                QStringLiteral("\nThe subject ID cannot be used as a file name."));
        EXPECT_TRUE(QDir(m_dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
        EXPECT_TRUE(QDir(m_dir.path() + QStringLiteral("/.."))
                        .entryList({QStringLiteral("escape*")})
                        .isEmpty());
    }
}

// The working directory is removed while a test runs (someone tidies the lab's folders, a
// network drive drops). The run named it in full as it started: the box names the file it
// tried there, and once a folder of that name exists again, Retry writes into it. Where nothing
// named the folder before it went, the box gives the name tried, never one in the root.
TEST_F(WriteRecordsTest, AFolderRemovedDuringTheTestIsNamedAndRetried) {
    struct BackToStart {
        QString path = QDir::currentPath();
        ~BackToStart() { QDir::setCurrent(path); }
    } backToStart;
    struct RemakingBoxes : test::FakeMessageBoxes {
        QString folder;  // made again while the box is up
        bool AskRetry(const QString& text) override {
            QDir().mkpath(folder);
            return FakeMessageBoxes::AskRetry(text);
        }
    };
    const QString lab = QFileInfo(m_dir.path()).canonicalFilePath() + QStringLiteral("/lab");
    const QString message = QStringLiteral("データファイルを開くことができません\n");
    for (const bool namedAtStart : {true, false}) {
        SCOPED_TRACE(namedAtStart ? "named as the run started" : "not named before");
        ASSERT_TRUE(QDir().mkpath(lab));
        ASSERT_TRUE(QDir::setCurrent(lab));
        m_context.directory = namedAtStart ? ResolveRecordsDirectory(QString()) : QString();
        ASSERT_TRUE(QDir(lab).removeRecursively());

        RemakingBoxes boxes;
        boxes.folder = lab;
        boxes.retryAnswers = {namedAtStart};
        ExperimentState s = test::MakeRun("FS", kPartA, kTargetCount);
        EXPECT_EQ(WriteRecords(s, true, boxes, m_context), namedAtStart);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text,
                  message +
                      (namedAtStart ? QDir::toNativeSeparators(lab + QStringLiteral("/FS.csv"))
                                    : QStringLiteral("FS.csv")) +
                      QLatin1Char('\n') + qt_error_string(ENOENT));
        EXPECT_EQ(test::FileBytes(lab + QStringLiteral("/FS.csv")).has_value(), namedAtStart);
        EXPECT_EQ(test::FileBytes(lab + QStringLiteral("/QVL.txt")).has_value(), namedAtStart);
        ASSERT_TRUE(QDir::setCurrent(backToStart.path));
        ASSERT_TRUE(QDir(lab).removeRecursively());
    }
}

TEST_F(WriteRecordsTest, WorkingDirectoryIsTheDefault) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    m_context.directory.clear();
    ExperimentState s = test::MakeRun("CWD", kPartA, kTargetCount);
    const bool ok = Write(s, true);
    QDir::setCurrent(before);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Bytes(QStringLiteral("CWD.csv")).has_value());
    EXPECT_TRUE(Summary().has_value());
}

}  // namespace
}  // namespace quorvel
