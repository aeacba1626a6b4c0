// Several stations (processes) and threads writing runs of the same subject into the same
// directory at once, through the real record writer: every trial log block and summary line
// must land whole, exactly once, in some order, with each file's header once at its top.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/records/RecordFormat.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/WriteRecords.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"

#ifdef __unix__
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quorvel {
namespace {

const char kSubject[] = "MW1";

// Writer `w`'s run `i` is told apart from every other by its record time.
std::int64_t RunTime(int writer, int run) {
    return test::kRecordTime + writer * 1000 + run;
}

// Writes `runs` completed runs as writer `writer`; the number that failed.
int WriteRuns(const QString& dir, int writer, int runs) {
    int failed = 0;
    for (int i = 0; i < runs; ++i) {
        ExperimentState s = test::MakeRun(kSubject, kPartA, kTargetCount);
        test::FakeMessageBoxes boxes;  // cancels at once: a failure is counted, not retried
        RecordsContext context;
        context.directory = dir;
        const std::int64_t when = RunTime(writer, i);
        const test::FixedClock clock(when);
        context.clock = &clock;
        failed += WriteRecords(s, true, boxes, context) ? 0 : 1;
    }
    return failed;
}

// How each file lays out its lines: the field separator and where the date is (the time of
// day follows it).
struct Layout {
    char separator;
    int dateField;
};
constexpr Layout kLogLayout{',', 2};
constexpr Layout kSummaryLayout{'\t', 1};

// The date and time a row or line carries: what tells the runs apart.
QByteArray TimeKey(const QByteArray& line, Layout layout) {
    const QList<QByteArray> fields = line.split(layout.separator);
    return fields.size() > layout.dateField + 1
               ? fields[layout.dateField] + ' ' + fields[layout.dateField + 1]
               : QByteArray();
}

struct Check {
    int expected = 0;     // blocks that should be in the file
    int found = 0;        // blocks found whole
    int duplicated = 0;   // blocks found more than once
    int stray = 0;        // lines that are no whole expected block's
    bool header = false;  // the header is at the top, and only there
};

// Walks `file` block by block. `blocks` maps each run's time key to the bytes it adds.
Check CheckFile(const QByteArray& file, const QByteArray& header,
                const std::map<QByteArray, QByteArray>& blocks, Layout layout) {
    Check c;
    c.expected = static_cast<int>(blocks.size());
    c.header = file.startsWith(header) && file.count(header) == 1;
    std::map<QByteArray, int> seen;
    qsizetype pos = c.header ? header.size() : 0;
    while (pos < file.size()) {
        qsizetype lineEnd = file.indexOf('\n', pos);
        lineEnd = lineEnd < 0 ? file.size() : lineEnd + 1;
        const auto block = blocks.find(TimeKey(file.mid(pos, lineEnd - pos), layout));
        if (block != blocks.end() && file.mid(pos, block->second.size()) == block->second) {
            ++seen[block->first];
            pos += block->second.size();
        } else {
            ++c.stray;
            pos = lineEnd;
        }
    }
    for (const auto& [key, count] : seen) {
        c.found += 1;
        c.duplicated += count - 1;
    }
    return c;
}

struct Writers {
    const char* name;
    int processes;
    int threads;  // in each process
    int runs;     // by each writer
    int rounds;   // each in a fresh directory: the files are created at once every time
};

// Process `process`'s writers, its threads, started together; the runs that failed.
int WriteInThreads(const QString& dir, int process, const Writers& w) {
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < w.threads; ++t) {
        threads.emplace_back([&, t] { failed += WriteRuns(dir, process * w.threads + t, w.runs); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    return failed;
}

TEST(ConcurrentAppend, EveryStationsRunsLandWholeAndOnce) {
    test::UseUtc();
    // Threads of one process run everywhere; separate processes are made with fork(), so the
    // Windows build has the threads' rows (its locks are per handle, as a thread's are here).
    const Writers table[] = {
#ifdef __unix__
        {"2 processes", 2, 1, 100, 1},
        {"4 processes", 4, 1, 50, 1},
        {"8 processes", 8, 1, 25, 1},
        {"2 processes of 2 threads", 2, 2, 25, 1},
        {"3 processes creating the files", 3, 1, 1, 40},
#endif
        {"4 threads", 1, 4, 50, 1},
        {"3 threads creating the files", 1, 3, 1, 40},
    };
    for (const Writers& w : table) {
        SCOPED_TRACE(w.name);
        const int writers = w.processes * w.threads;
        int appends = 0;
        int lostLines = 0;
        int extraLines = 0;
        for (int round = 0; round < w.rounds; ++round) {
            QTemporaryDir dir;
            ASSERT_TRUE(dir.isValid());
            if (w.processes == 1) {
                EXPECT_EQ(WriteInThreads(dir.path(), 0, w), 0) << "a writer was refused the file";
            } else {
#ifdef __unix__
                // Every writer waits at the pipe until all are there, then they start at once.
                int gate[2];
                ASSERT_EQ(::pipe(gate), 0);
                std::vector<pid_t> children;
                for (int p = 0; p < w.processes; ++p) {
                    const pid_t pid = ::fork();
                    ASSERT_GE(pid, 0);
                    if (pid == 0) {
                        ::close(gate[1]);
                        char byte = 0;
                        while (::read(gate[0], &byte, 1) > 0) {
                        }
                        ::_exit(WriteInThreads(dir.path(), p, w) == 0 ? 0 : 1);
                    }
                    children.push_back(pid);
                }
                ::close(gate[0]);
                ::close(gate[1]);
                for (const pid_t pid : children) {
                    int status = 0;
                    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
                    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                        << "a writer was refused the file";
                }
#endif
            }

            std::map<QByteArray, QByteArray> logBlocks;
            std::map<QByteArray, QByteArray> summaryLines;
            for (int writer = 0; writer < writers; ++writer) {
                for (int i = 0; i < w.runs; ++i) {
                    ExperimentState s = test::MakeRun(kSubject, kPartA, kTargetCount);
                    const RecordTimeText when = FormatRecordTime(RunTime(writer, i));
                    const QByteArray rows = QByteArray::fromStdString(TrialLogRows(s, when));
                    const QByteArray line = QByteArray::fromStdString(SummaryLine(s, when));
                    logBlocks[TimeKey(rows.left(rows.indexOf('\n')), kLogLayout)] = rows;
                    summaryLines[TimeKey(line, kSummaryLayout)] = line;
                }
            }
            ASSERT_EQ(static_cast<int>(summaryLines.size()), writers * w.runs);
            ASSERT_EQ(static_cast<int>(logBlocks.size()), writers * w.runs);
            const Check log =
                CheckFile(test::FileBytes(dir.filePath(QStringLiteral("MW1.csv"))).value_or(""),
                          kTrialLogHeader, logBlocks, kLogLayout);
            const Check summary =
                CheckFile(test::FileBytes(dir.filePath(QStringLiteral("QVL.txt"))).value_or(""),
                          kSummaryHeader, summaryLines, kSummaryLayout);
            for (const Check& c : {log, summary}) {
                EXPECT_TRUE(c.header);
                EXPECT_EQ(c.found, c.expected);
                EXPECT_EQ(c.duplicated, 0);
                EXPECT_EQ(c.stray, 0);
            }
            appends += writers * w.runs;
            lostLines +=
                (log.expected - log.found) * kTargetCount + summary.expected - summary.found;
            extraLines += log.stray + summary.stray;
        }
        std::printf(
            "%s: %d runs appended (%d trial log rows, %d summary lines), %d lines lost, "
            "%d damaged or extra\n",
            w.name, appends, appends * kTargetCount, appends, lostLines, extraLines);
    }
}

}  // namespace
}  // namespace quorvel
