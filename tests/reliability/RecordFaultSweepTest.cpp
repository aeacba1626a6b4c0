// Every file operation of writing a run's records, made to fail in turn: the first, the
// second, ... until a run completes without meeting the fault. After each run nothing may be
// lost, nothing partial may stay in a file, and nothing may be reported as written that was
// not: each file holds either what it held before or that plus the whole run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "core/records/IoFault.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/WriteRecords.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"

namespace quorvel {
namespace {

const QString kLog = QStringLiteral("R07.csv");
const QString kSummary = QStringLiteral("QVL.txt");
constexpr std::int64_t kNextRun = test::kRecordTime + 3600;

struct Files {
    std::optional<QByteArray> log;
    std::optional<QByteArray> summary;
};

Files Read(const QTemporaryDir& dir) {
    return {test::FileBytes(dir.filePath(kLog)), test::FileBytes(dir.filePath(kSummary))};
}

bool Write(const QTemporaryDir& dir, std::int64_t when, bool complete,
           test::FakeMessageBoxes& boxes, IoFaultHook hook = {}) {
    ExperimentState s = test::MakeRun("R07", kPartB, complete ? kTargetCount : 11);
    RecordsContext context;
    context.directory = dir.path();
    const test::FixedClock clock(when);
    context.clock = &clock;
    context.io_fault = std::move(hook);
    return WriteRecords(s, complete, boxes, context);
}

// A directory with the files as an earlier run left them (or none).
void Prepare(const QTemporaryDir& dir, bool earlier) {
    if (earlier) {
        test::FakeMessageBoxes boxes;
        ASSERT_TRUE(Write(dir, test::kRecordTime - 600, true, boxes));
    }
}

// The file holds what it held before, then at most the beginning of what the run adds.
bool KeepsEarlierRows(const std::optional<QByteArray>& now, const std::optional<QByteArray>& before,
                      const std::optional<QByteArray>& after) {
    if (!now) {
        return !before;
    }
    return now->startsWith(before.value_or(QByteArray())) && after && after->startsWith(*now);
}

// `file` is `before` followed by `added` (a new file's bytes, header included): when `before`
// was there, by the rows of `added` alone, on lines of their own.
bool AppendedOnItsOwnLines(const std::optional<QByteArray>& file,
                           const std::optional<QByteArray>& before,
                           const std::optional<QByteArray>& added) {
    if (!file || !added) {
        return false;
    }
    if (!before) {
        return *file == *added;
    }
    const QByteArray rows = added->mid(added->indexOf('\n') + 1);
    return file->startsWith(*before) && file->endsWith(rows) &&
           file->size() >= before->size() + rows.size() &&
           file->at(file->size() - rows.size() - 1) == '\n';
}

bool IsRepair(IoOp op) {
    return op == IoOp::Truncate || op == IoOp::Remove;
}

struct Sweep {
    const char* name;
    bool earlier;              // the files hold an earlier run
    bool complete;             // the run under test was completed (else aborted: trial log only)
    bool sticky;               // the fault lasts for every later operation too...
    int clearsAfterBoxes;      // ...until the operator has seen this many boxes (0: never clears)
    std::deque<bool> answers;  // the operator's answers to the retry box
};

TEST(RecordFaultSweep, EveryFailingOperationLeavesWholeFilesAndTellsTheOperator) {
    const std::vector<Sweep> sweeps = {
        {"new files, fault once, retry", false, true, false, 0, {true}},
        {"earlier run, fault once, retry", true, true, false, 0, {true}},
        {"earlier run, fault once, cancel", true, true, false, 0, {}},
        {"earlier run, aborted run, fault once, retry", true, false, false, 0, {true}},
        {"new files, lasting fault, cleared before the second retry",
         false,
         true,
         true,
         2,
         {true, true}},
        {"earlier run, lasting fault, cleared before the retry", true, true, true, 1, {true}},
        {"new files, lasting fault, retry twice then cancel",
         false,
         true,
         true,
         0,
         {true, true, false}},
        {"earlier run, lasting fault, retry then cancel", true, true, true, 0, {true, false}},
        {"earlier run, aborted run, lasting fault, cancel", true, false, true, 0, {}},
    };
    for (const Sweep& sweep : sweeps) {
        // What the same run leaves without faults.
        QTemporaryDir cleanDir;
        Prepare(cleanDir, sweep.earlier);
        const Files before = Read(cleanDir);
        test::FakeMessageBoxes cleanBoxes;
        ASSERT_TRUE(Write(cleanDir, test::kRecordTime, sweep.complete, cleanBoxes));
        const Files after = Read(cleanDir);

        // What a later run adds to each file.
        QTemporaryDir nextDir;
        test::FakeMessageBoxes nextBoxes;
        ASSERT_TRUE(Write(nextDir, kNextRun, true, nextBoxes));
        const Files nextRun = Read(nextDir);

        int n = 1;
        int partialLeft = 0;
        for (;; ++n) {
            SCOPED_TRACE(testing::Message() << sweep.name << ", operation " << n << " fails");
            QTemporaryDir dir;
            Prepare(dir, sweep.earlier);
            IoFaultInjector faults({{n, sweep.sticky, std::nullopt, QString()}});
            test::FakeMessageBoxes boxes;
            boxes.retryAnswers = sweep.answers;
            const std::size_t clearsAfter = static_cast<std::size_t>(sweep.clearsAfterBoxes);
            auto hook = [&](IoOp op, const QString& path) {
                return (clearsAfter == 0 || boxes.shown.size() < clearsAfter) && faults(op, path);
            };
            const bool saved = Write(dir, test::kRecordTime, sweep.complete, boxes, hook);
            const Files now = Read(dir);
            if (faults.FailureCount() == 0) {
                // Past the last operation: the run went through untouched.
                EXPECT_TRUE(saved);
                EXPECT_TRUE(boxes.shown.empty());
                EXPECT_EQ(now.log, after.log);
                EXPECT_EQ(now.summary, after.summary);
                break;
            }
            // The operator heard of it, with the data-file box.
            ASSERT_FALSE(boxes.shown.empty());
            for (const auto& box : boxes.shown) {
                EXPECT_EQ(box.kind, test::FakeMessageBoxes::Shown::Retry);
                EXPECT_TRUE(
                    box.text.startsWith(QStringLiteral("データファイルを開くことができません")));
            }
            // A fault that goes away while the operator retries costs nothing.
            const bool retries = !sweep.answers.empty() && sweep.answers.front();
            if (retries && (!sweep.sticky || sweep.clearsAfterBoxes > 0)) {
                EXPECT_TRUE(saved);
            }
            // Saved means both files hold the whole run.
            if (saved) {
                EXPECT_EQ(now.log, after.log);
                EXPECT_EQ(now.summary, after.summary);
            }
            // Each file is as it was or holds the whole run, never a part of it; the summary
            // is not touched before the trial log is safe. A fault that lasts through the
            // repair itself (the file cannot even be cut back) is the one way to leave a part
            // behind: the appending writer cannot undo a write the file system refuses to undo.
            const bool repairRefused = std::any_of(
                faults.Log().begin(), faults.Log().end(),
                [](const IoFaultInjector::Seen& s) { return s.failed && IsRepair(s.op); });
            if (!repairRefused) {
                EXPECT_TRUE(now.log == before.log || now.log == after.log);
                EXPECT_TRUE(now.summary == before.summary || now.summary == after.summary);
            } else {
                // Even then every earlier row is kept and nothing but a beginning of this
                // run's bytes follows them.
                EXPECT_TRUE(KeepsEarlierRows(now.log, before.log, after.log));
                EXPECT_TRUE(KeepsEarlierRows(now.summary, before.summary, after.summary));
                const bool whole = (now.log == before.log || now.log == after.log) &&
                                   (now.summary == before.summary || now.summary == after.summary);
                partialLeft += whole ? 0 : 1;
            }
            if (now.log == before.log) {
                EXPECT_EQ(now.summary, before.summary);
            }
            // Once the fault is gone, the next run's rows follow everything the files held, each
            // on a line of its own, even after a part that could not be taken out.
            test::FakeMessageBoxes laterBoxes;
            ASSERT_TRUE(Write(dir, kNextRun, true, laterBoxes));
            const Files next = Read(dir);
            EXPECT_TRUE(AppendedOnItsOwnLines(next.log, now.log, nextRun.log));
            EXPECT_TRUE(AppendedOnItsOwnLines(next.summary, now.summary, nextRun.summary));
            // Nothing else was left in the directory.
            for (const QString& entry : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
                EXPECT_TRUE(entry == kLog || entry == kSummary) << entry.toStdString();
            }
            if (n > 200) {
                ADD_FAILURE() << "the writer never got past the fault";
                break;
            }
        }
        // The sweep reached past both files' operations.
        EXPECT_GE(n, sweep.complete ? 11 : 6) << sweep.name;
        if (partialLeft > 0) {
            std::printf("%s: %d of %d faults also refused the repair and left a part\n", sweep.name,
                        partialLeft, n - 1);
        }
    }
}

// A trial log or summary file whose last line lost its line end (edited by hand, or cut short
// by a failure that could not be undone) gets it back before the next run's rows, so its last
// line and the new first row stay apart.
TEST(RecordFaultSweep, AnUnfinishedLastLineIsEndedBeforeTheNextRun) {
    QTemporaryDir runDir;
    test::FakeMessageBoxes boxes;
    ASSERT_TRUE(Write(runDir, kNextRun, true, boxes));
    const Files run = Read(runDir);
    const QByteArray logRows = run.log->mid(run.log->indexOf('\n') + 1);
    const QByteArray summaryLine = run.summary->mid(run.summary->indexOf('\n') + 1);

    const struct {
        const char* what;
        QByteArray log, summary;  // before the run
        const char* added;        // what ends the last line
    } rows[] = {
        {"no line end", "Subject,Type\r\nR07,A,1", "Type\tDate\r\nA\t2024/01/01", "\r\n"},
        {"CR without LF", "Subject,Type\r\nR07,A,1\r", "Type\tDate\r\nA\t2024/01/01\r", "\n"},
        {"whole lines", "Subject,Type\r\nR07,A,1\r\n", "Type\tDate\r\nA\t1\r\n", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        QTemporaryDir dir;
        QFile log(dir.filePath(kLog));
        QFile summary(dir.filePath(kSummary));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly) && log.write(r.log) == r.log.size());
        ASSERT_TRUE(summary.open(QIODevice::WriteOnly) &&
                    summary.write(r.summary) == r.summary.size());
        log.close();
        summary.close();
        ASSERT_TRUE(Write(dir, kNextRun, true, boxes));
        const Files now = Read(dir);
        EXPECT_EQ(now.log, r.log + r.added + logRows);
        EXPECT_EQ(now.summary, r.summary + r.added + summaryLine);
    }
}

}  // namespace
}  // namespace quorvel
