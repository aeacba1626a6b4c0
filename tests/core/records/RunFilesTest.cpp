#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "core/input/InputJournal.h"
#include "core/records/CsvText.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/RunEvents.h"
#include "core/records/RunIndex.h"
#include "core/records/WriteRunRecord.h"
#include "support/FakeMessageBoxes.h"

#ifdef __unix__
#include <sys/wait.h>
#include <unistd.h>
#endif

// The run files: their CSV text, the index row, the events rows on the run's clock, and how
// they are written when the disk misbehaves.

namespace quorvel {
namespace {

TEST(RunFiles, FieldsAreQuotedAsRfc4180SaysAndRowsAreUtf8) {
    struct Row {
        QString field;
        QString written;
    };
    const Row rows[] = {
        {QStringLiteral("plain"), QStringLiteral("plain")},
        {QString(), QString()},
        {QStringLiteral("a,b"), QStringLiteral("\"a,b\"")},
        {QStringLiteral("say \"hi\""), QStringLiteral("\"say \"\"hi\"\"\"")},
        {QStringLiteral("two\r\nlines"), QStringLiteral("\"two\r\nlines\"")},
        {QStringLiteral("lf\nonly"), QStringLiteral("\"lf\nonly\"")},
        {QStringLiteral("被験者 1"), QStringLiteral("被験者 1")},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CsvField(row.field), row.written) << row.field.toStdString();
    }
    EXPECT_EQ(CsvRow({QStringLiteral("あ"), QStringLiteral("x,y"), QString()}),
              QByteArray("\xE3\x81\x82,\"x,y\",\r\n"));
}

TEST(RunFiles, TheIndexRowCarriesTheRunAsTheTrialLogHasIt) {
    // Aborted after 3 targets, with a wrong press on the awaited fourth; seed from the clock.
    ExperimentState state = test::MakeRun("\x94\xed\x8c\xb1,1", 2, 3);  // "被験,1" in CP932
    state.records[3].errors = 2;
    state.random_seed = 0;
    state.run_seed = 3000000000u;
    RunFacts facts;
    state.labels = LabelScript::Latin;
    facts.run_id = QStringLiteral("20240305-070809-00af");
    facts.started = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9, 12), QTimeZone(9 * 3600));
    facts.screen_px = QSize(1920, 1080);
    facts.device_pixel_ratio = 1.25;
    facts.stimulus_scale = 1.40625;
    facts.version = QStringLiteral("1.005");
    facts.platform = QStringLiteral("Debian 12; Qt 6.4.2; llvmpipe (LLVM 15, 256 bits)");
    facts.trial_log = QStringLiteral("被験,1.csv");
    facts.events_file = QStringLiteral("20240305-070809-00af.events.csv");
    facts.picture_file = QStringLiteral("20240305-070809-00af.png");
    facts.total_rt_origin_us = 1502117;

    EXPECT_EQ(RunIndexHeader(),
              QByteArray("\xEF\xBB\xBF"
                         "run_id,subject,test_type,test_type_value,seed_setting,seed_used,started,"
                         "completed,targets_completed,total_rt_ms,errors_total,screen_px,"
                         "device_pixel_ratio,stimulus_scale,version,platform,trial_log,"
                         "events_file,picture_file,total_rt_origin_us,events_dropped,"
                         "first_target_ms,completion_ms,trail_length,trail_crossings,"
                         "mean_between_ms,median_between_ms,longest_ms,longest_target,"
                         "appended_without_lock,labels,language,practice\r\n"));
    // TotalRT of the last completed row (target 3: 2000 ms); errors of every target, the
    // awaited one's too (target 4 of the run: 2). The scores: target 1 took 1500 ms; target 3
    // came 1502 ms (the TotalRT origin) + 2000 ms after the run origin; targets 2 and 3 took
    // 1000 ms each; the targets lie on a line, 24 steps of sqrt(35² + 25²) = 43.0116.
    EXPECT_EQ(RunIndexRow(state, facts),
              QStringLiteral("20240305-070809-00af,\"被験,1\",B,2,0,3000000000,"
                             "2024-03-05T07:08:09.012+09:00,0,3,2000,2,1920x1080,1.25,1.40625,"
                             "1.005,\"Debian 12; Qt 6.4.2; llvmpipe (LLVM 15, 256 bits)\","
                             "\"被験,1.csv\",20240305-070809-00af.events.csv,"
                             "20240305-070809-00af.png,1502117,0,"
                             "1500,3502,1032.3,0,1000.0,1000.0,1000,2,0,latin,ja,0\r\n")
                  .toUtf8());
    facts.appended_without_lock = true;
    EXPECT_TRUE(RunIndexRow(state, facts).endsWith(",1000,2,1,latin,ja,0\r\n"));
    facts.appended_without_lock = false;
    // A practice in English: its letters, language and mark.
    ExperimentState practice = state;
    practice.practice = true;
    facts.language = QStringLiteral("en");
    EXPECT_TRUE(RunIndexRow(practice, facts).endsWith(",1000,2,0,latin,en,1\r\n"));
    facts.language = QStringLiteral("ja");

    // One target: TotalRT 0; none: empty, as there is no row; complete: the last target's.
    struct Case {
        int completed;
        const char* totalRt;
    };
    for (const Case& c : {Case{1, ",1,0,"}, Case{0, ",0,,"}, Case{25, ",25,24000,"}}) {
        ExperimentState run = test::MakeRun("S", 0, c.completed);
        EXPECT_TRUE(QString::fromUtf8(RunIndexRow(run, facts)).contains(QLatin1String(c.totalRt)))
            << c.completed;
    }
    EXPECT_EQ(
        IsoLocalTime(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), QTimeZone(-(5 * 3600 + 1800)))),
        QStringLiteral("2024-01-02T03:04:05.000-05:30"));
}

// Times count from the first target's clock reset in microseconds, rounded down (before it
// too); positions are mapped into stimulus space as the driver maps them and named by the
// circle under them; releases have no verdict.
TEST(RunFiles, EventsRowsUseTheRunsClockAndTheDriversMapping) {
    ExperimentState state = test::MakeRun("S", 0, 0);  // target 1 at (70, 697)
    state.stimuli[1] = {300, 400};
    const StimulusMapping mapping{2.0, 16.0, 8.0};
    const EventTime origin{std::chrono::seconds(500)};
    InputJournal journal;
    journal.NoteClockReset(origin);
    journal.SetAwaited(0);
    const auto px = [&](int x, int y) { return std::pair<int, int>{x * 2 + 16, y * 2 + 8}; };
    const auto add = [&](bool press, InputSource source, int id, std::pair<int, int> p,
                         std::chrono::nanoseconds after) {
        return journal.Add(press, source, id, p.first, p.second, origin + after);
    };
    using std::chrono::nanoseconds;
    const std::int32_t wrong = add(true, InputSource::Touch, 3, px(500, 20), nanoseconds(-1500));
    add(false, InputSource::Touch, 3, px(500, 20), nanoseconds(812345678));
    journal.SetVerdict(wrong, false);
    const std::int32_t correct =
        add(true, InputSource::Mouse, 1, px(70 + 20, 697), nanoseconds(1200000999));
    journal.SetVerdict(correct, true);
    journal.SetAwaited(1);
    journal.NoteClockReset(origin + std::chrono::milliseconds(1300));
    add(true, InputSource::Touch, 4, px(300, 449), nanoseconds(1400000000));

    EXPECT_EQ(
        RunEventsHeader(),
        QByteArray("\xEF\xBB\xBFtime_us,event,source,source_id,x,y,circle,awaited,verdict\r\n"));
    EXPECT_EQ(RunEventsRows(journal, state, mapping),
              QByteArray("-2,press,touch,3,500,20,0,1,wrong\r\n"
                         "812345,release,touch,3,500,20,0,1,\r\n"
                         "1200000,press,mouse,1,90,697,1,1,correct\r\n"
                         "1400000,press,touch,4,300,449,2,2,not_counted\r\n"));
    EXPECT_EQ(TotalRtOriginMicros(journal), std::optional<std::int64_t>(1300000));
    const std::vector<Stimulus> marks = WrongPresses(journal, mapping);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].x, 500);
    EXPECT_EQ(marks[0].y, 20);
}

class WriteRunRecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        context.directory = m_dir.path();
        context.io_fault = std::ref(faults);
    }
    RunRecordBytes Bytes(const QString& id) const {
        return {id, RunEventsHeader() + "1,press,touch,0,1,1,0,1,wrong\r\n",
                QByteArray("\x89PNG picture bytes", 18), "row of " + id.toUtf8() + "\r\n",
                QByteArray()};
    }
    QString Runs(const QString& name = QString()) const {
        return QDir(m_dir.path()).filePath(QStringLiteral("runs/") + name);
    }
    std::optional<QByteArray> File(const QString& name) const {
        return test::FileBytes(Runs(name));
    }
    QStringList Listing() const { return QDir(Runs()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir m_dir;
    RecordsContext context;
    IoFaultInjector faults;
    test::FakeMessageBoxes boxes;
};

TEST_F(WriteRunRecordTest, TheFolderIsMadeWhenFirstNeededAndTheIndexGrowsByARowPerRun) {
    EXPECT_FALSE(QFileInfo::exists(Runs()));
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("r1")), boxes, context));
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("r2")), boxes, context));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Listing(), (QStringList{QStringLiteral("index.csv"), QStringLiteral("r1.events.csv"),
                                      QStringLiteral("r1.png"), QStringLiteral("r2.events.csv"),
                                      QStringLiteral("r2.png")}));
    EXPECT_EQ(File(QStringLiteral("index.csv")), RunIndexHeader() + "row of r1\r\nrow of r2\r\n");
    EXPECT_EQ(File(QStringLiteral("r2.events.csv")), Bytes(QStringLiteral("r2")).events);
    EXPECT_EQ(File(QStringLiteral("r1.png")), Bytes(QStringLiteral("r1")).picture);

    const QString id = NewRunId(Runs(), QStringLiteral("20240305-070809"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^20240305-070809-[0-9a-f]{4}$")).match(id).hasMatch())
        << id.toStdString();
}

// Any operation on any of the files (and making the folder) may fail: the operator is told in
// the data-file box naming it; Retry then leaves exactly the record a clean write leaves, and
// giving up leaves nothing of the run (an earlier run's index row stays as it was).
TEST_F(WriteRunRecordTest, AFailureIsReportedAndEndsWithTheWholeRecordOrNone) {
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("before")), boxes, context));
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("run")), boxes, context));
    const QStringList cleanListing = Listing();
    const std::optional<QByteArray> cleanIndex = File(QStringLiteral("index.csv"));

    struct Target {
        QString file;
        std::vector<IoOp> ops;
    };
    const std::vector<IoOp> fileOps = {IoOp::Open,  IoOp::Lock, IoOp::Write,
                                       IoOp::Flush, IoOp::Sync, IoOp::Close};
    const Target targets[] = {{QStringLiteral("runs"), {IoOp::Open}},
                              {QStringLiteral("run.events.csv"), fileOps},
                              {QStringLiteral("run.png"), fileOps},
                              {QStringLiteral("index.csv"), fileOps}};
    for (const Target& target : targets) {
        for (const IoOp op : target.ops) {
            for (const bool retry : {true, false}) {
                SCOPED_TRACE(testing::Message()
                             << static_cast<int>(op) << " fails on " << target.file.toStdString()
                             << (retry ? ", retry" : ", give up"));
                QFile::remove(Runs(QStringLiteral("run.events.csv")));
                QFile::remove(Runs(QStringLiteral("run.png")));
                {
                    QFile index(Runs(QStringLiteral("index.csv")));
                    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
                    index.write(RunIndexHeader() + "row of before\r\n");
                }
                boxes.shown.clear();
                boxes.retryAnswers = {retry};
                faults = IoFaultInjector({{1, false, op, target.file}});

                EXPECT_EQ(WriteRunRecord(Bytes(QStringLiteral("run")), boxes, context), retry);
                ASSERT_EQ(boxes.shown.size(), 1u);
                EXPECT_EQ(boxes.shown[0].kind, test::FakeMessageBoxes::Shown::Retry);
                const QString path =
                    target.file == QLatin1String("runs") ? Runs().chopped(1) : Runs(target.file);
                EXPECT_EQ(boxes.shown[0].text, DataFileErrorText(path));
                if (retry) {
                    EXPECT_EQ(Listing(), cleanListing);
                    EXPECT_EQ(File(QStringLiteral("index.csv")), cleanIndex);
                } else {
                    EXPECT_EQ(Listing(), (QStringList{QStringLiteral("before.events.csv"),
                                                      QStringLiteral("before.png"),
                                                      QStringLiteral("index.csv")}));
                    EXPECT_EQ(File(QStringLiteral("index.csv")),
                              RunIndexHeader() + "row of before\r\n");
                }
            }
        }
    }
}

// A real failure, not an injected one: a file where the folder should be. The box gives the
// system's reason under the path, as the trial log's does, and nothing is written.
TEST_F(WriteRunRecordTest, AFileInPlaceOfTheFolderIsReportedWithTheReason) {
    {
        QFile blocker(Runs().chopped(1));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
    }
    boxes.retryAnswers = {true, false};
    EXPECT_FALSE(WriteRunRecord(Bytes(QStringLiteral("run")), boxes, context));
    ASSERT_EQ(boxes.shown.size(), 2u);
    const QString text = boxes.shown[0].text;
    EXPECT_TRUE(text.startsWith(DataFileErrorText(Runs().chopped(1)) + QLatin1Char('\n')))
        << text.toStdString();
    EXPECT_EQ(test::FileBytes(Runs().chopped(1)), QByteArray("not a folder"));
}

// An index holding only its byte-order mark, or only line ends, has no header row: it gets
// the header like a new index, and no second mark.
TEST_F(WriteRunRecordTest, AnIndexWithNoDataLineGetsItsHeader) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("runs")));
    int n = 0;
    for (const QByteArray& blank : {QByteArray("\xEF\xBB\xBF"), QByteArray("\r\n")}) {
        SCOPED_TRACE(blank.toHex().toStdString());
        {
            QFile index(Runs(QStringLiteral("index.csv")));
            ASSERT_TRUE(index.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(index.write(blank), blank.size());
        }
        const QString id = QStringLiteral("r%1").arg(++n);
        ASSERT_TRUE(WriteRunRecord(Bytes(id), boxes, context));
        EXPECT_EQ(File(QStringLiteral("index.csv")),
                  RunIndexHeader() + "row of " + id.toUtf8() + "\r\n");
    }
}

// Two writers that drew the same run id once merged their files (an events file with two
// headers, two PNGs back to back, two index rows with one id) and both succeeded. The files are
// now put in place only under names not yet taken: the second writer writes nothing, asks
// nothing, and is told to draw another id.
TEST_F(WriteRunRecordTest, ARunIdAnotherWriterHasTakenIsNeverWrittenOver) {
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("r1")), boxes, context));
    const QStringList listing = Listing();
    RunRecordBytes other = Bytes(QStringLiteral("r1"));
    other.events += "2,release,touch,0,1,1,0,1,\r\n";
    other.picture += "other";
    other.index_row = "other row of r1\r\n";
    // Both files taken; then only the picture (the other writer is between its two files).
    for (const bool eventsTaken : {true, false}) {
        SCOPED_TRACE(eventsTaken ? "both taken" : "the picture taken");
        if (!eventsTaken) {
            ASSERT_TRUE(QFile::remove(Runs(QStringLiteral("r1.events.csv"))));
        }
        bool taken = false;
        EXPECT_FALSE(WriteRunRecord(other, boxes, context, &taken));
        EXPECT_TRUE(taken);
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(File(QStringLiteral("r1.png")), Bytes(QStringLiteral("r1")).picture);
        EXPECT_EQ(File(QStringLiteral("index.csv")), RunIndexHeader() + "row of r1\r\n");
        if (eventsTaken) {
            EXPECT_EQ(File(QStringLiteral("r1.events.csv")), Bytes(QStringLiteral("r1")).events);
            EXPECT_EQ(Listing(), listing);
        } else {
            EXPECT_FALSE(QFile::exists(Runs(QStringLiteral("r1.events.csv"))));  // not left
        }
    }
}

// Eight writers with one run id at the same moment: one record, the others told the id is taken.
TEST_F(WriteRunRecordTest, OfWritersWithOneRunIdAtOnceExactlyOneKeepsIt) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("runs")));
    constexpr int kWriters = 8;
    // The writers start together, behind a gate that waits without spinning.
    std::mutex gate;
    std::condition_variable opened;
    int ready = 0;
    std::vector<int> outcome(kWriters, -1);  // 1 written, 0 taken, 2 failed otherwise
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            RunRecordBytes bytes = Bytes(QStringLiteral("same"));
            bytes.events += QByteArray::number(w);
            bytes.picture += QByteArray::number(w);
            RecordsContext mine;
            mine.directory = m_dir.path();
            test::FakeMessageBoxes quiet;
            {
                std::unique_lock<std::mutex> lock(gate);
                if (++ready == kWriters) {
                    opened.notify_all();
                }
                opened.wait(lock, [&] { return ready == kWriters; });
            }
            bool taken = false;
            const bool written = WriteRunRecord(bytes, quiet, mine, &taken);
            outcome[static_cast<std::size_t>(w)] = written ? 1 : taken ? 0 : 2;
        });
    }
    for (std::thread& t : writers) {
        t.join();
    }
    int winner = -1;
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_NE(outcome[static_cast<std::size_t>(w)], 2) << "writer " << w;
        if (outcome[static_cast<std::size_t>(w)] == 1) {
            EXPECT_EQ(winner, -1) << "two writers kept the id";
            winner = w;
        }
    }
    ASSERT_GE(winner, 0);
    EXPECT_EQ(File(QStringLiteral("same.events.csv")),
              Bytes(QStringLiteral("same")).events + QByteArray::number(winner));
    EXPECT_EQ(File(QStringLiteral("same.png")),
              Bytes(QStringLiteral("same")).picture + QByteArray::number(winner));
    EXPECT_EQ(File(QStringLiteral("index.csv")), RunIndexHeader() + "row of same\r\n");
    EXPECT_EQ(Listing(),
              (QStringList{QStringLiteral("index.csv"), QStringLiteral("same.events.csv"),
                           QStringLiteral("same.png")}));
}

#ifdef __unix__
// A writer killed at any step of its record (power, a crash, kill -9) once left events files,
// pictures and a cut PNG that no index row names, for ever. Each file now takes its name only
// whole, and the next record clears away what earlier ones left (temporary files, files no row
// names) once they are old enough not to be another station's record in the making.
TEST_F(WriteRunRecordTest, AWriterKilledAtAnyStepLeavesNothingTheNextRecordKeeps) {
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("before")), boxes, context));
    int kill = 1;
    for (;; ++kill) {
        SCOPED_TRACE(testing::Message() << "killed at step " << kill);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RecordsContext dying;
            dying.directory = m_dir.path();
            int step = 0;
            dying.io_fault = [&step, kill](IoOp, const QString&) {
                if (++step == kill) {
                    ::_exit(0);
                }
                return false;
            };
            test::FakeMessageBoxes quiet;
            WriteRunRecord(Bytes(QStringLiteral("killed%1").arg(kill)), quiet, dying);
            ::_exit(1);  // never reached step `kill`: every step is covered
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 1) {
            break;
        }
        // What the killed writer left belongs to an earlier run by the time the next comes.
        const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
        for (const QFileInfo& file : QDir(Runs()).entryInfoList(QDir::Files | QDir::Hidden)) {
            QFile f(file.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(hourAgo, QFileDevice::FileModificationTime));
        }
        const QString next = QStringLiteral("next%1").arg(kill);
        ASSERT_TRUE(WriteRunRecord(Bytes(next), boxes, context));

        // Every file is the index or a whole file of a run the index names, and every run the
        // index names has both its files.
        const QByteArray index = File(QStringLiteral("index.csv")).value_or(QByteArray());
        for (const QString& name : Listing()) {
            if (name == QLatin1String("index.csv")) {
                continue;
            }
            const QString id = name.section(QLatin1Char('.'), 0, 0);
            EXPECT_TRUE(index.contains("row of " + id.toUtf8() + "\r\n")) << name.toStdString();
            EXPECT_EQ(File(name),
                      name.endsWith(QLatin1String(".png")) ? Bytes(id).picture : Bytes(id).events)
                << name.toStdString();
        }
        for (const QByteArray& row : index.split('\n')) {
            if (row.startsWith("row of ")) {
                const QString id = QString::fromUtf8(row.mid(7).trimmed());
                EXPECT_TRUE(QFile::exists(Runs(RunEventsFileName(id)))) << id.toStdString();
                EXPECT_TRUE(QFile::exists(Runs(RunPictureFileName(id)))) << id.toStdString();
            }
        }
    }
    EXPECT_GT(kill, 10);  // the steps of the three files

    // Leftovers that are new may be another station's record in the making: they stay.
    QFile fresh(Runs(QStringLiteral("elsewhere.events.csv.partial-1")));
    ASSERT_TRUE(fresh.open(QIODevice::WriteOnly));
    fresh.close();
    ASSERT_TRUE(WriteRunRecord(Bytes(QStringLiteral("last")), boxes, context));
    EXPECT_TRUE(fresh.exists());
}
#endif

}  // namespace
}  // namespace quorvel
