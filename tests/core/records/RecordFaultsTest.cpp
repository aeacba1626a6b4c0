#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <vector>

#include "core/records/IoFault.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/WriteRecords.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"

#ifdef __unix__
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cstddef>
#endif

namespace quorvel {
namespace {

const QString kLog = QStringLiteral("F01.csv");
const QString kSummary = QStringLiteral("QVL.txt");

const char* OpName(IoOp op) {
    switch (op) {
        case IoOp::Open:
            return "open";
        case IoOp::Lock:
            return "lock";
        case IoOp::Write:
            return "write";
        case IoOp::Flush:
            return "flush";
        case IoOp::Sync:
            return "sync";
        case IoOp::Close:
            return "close";
        case IoOp::Truncate:
            return "truncate";
        case IoOp::Remove:
            return "remove";
    }
    return "?";
}

// One directory of records: optionally an earlier run already in both files, then the run
// under test with a fault plan and the operator's answers.
struct Scene {
    QTemporaryDir dir;
    test::FakeMessageBoxes boxes;
    IoFaultInjector faults;
    bool result = false;

    explicit Scene(bool earlierRun) {
        test::UseUtc();
        if (earlierRun) {
            ExperimentState s = test::MakeRun("F01", kPartA, kTargetCount);
            s.records[24].hit_time = 40000;
            Run(s, test::kRecordTime - 86400, true);
        }
    }

    bool Run(ExperimentState& s, std::int64_t when, bool complete) {
        RecordsContext context;
        context.directory = dir.path();
        const test::FixedClock clock(when);
        context.clock = &clock;
        context.io_fault = std::ref(faults);
        return WriteRecords(s, complete, boxes, context);
    }
    void RunTheTest(bool complete = true) {
        ExperimentState s = test::MakeRun("F01", kPartA, kTargetCount);
        result = Run(s, test::kRecordTime, complete);
    }
    std::optional<QByteArray> Log() const { return test::FileBytes(dir.filePath(kLog)); }
    std::optional<QByteArray> Summary() const { return test::FileBytes(dir.filePath(kSummary)); }
    QString Message(const QString& file) const {
        return QStringLiteral("データファイルを開くことができません\n") +
               QDir::toNativeSeparators(dir.filePath(file));
    }
};

// Every operation that can fail, on either file, for a new file and for one with earlier
// records: retrying after the fault leaves exactly what a run without faults leaves;
// cancelling leaves the failed file (and, for the trial log, the summary) as it was.
TEST(RecordFaults, RetryWritesOneCopyAndCancelRestoresTheFile) {
    for (const bool earlier : {false, true}) {
        Scene clean(earlier);
        clean.RunTheTest();
        ASSERT_TRUE(clean.result);
        for (const QString& file : {kLog, kSummary}) {
            for (const IoOp op :
                 {IoOp::Open, IoOp::Lock, IoOp::Write, IoOp::Flush, IoOp::Sync, IoOp::Close}) {
                for (const bool retry : {true, false}) {
                    SCOPED_TRACE(testing::Message()
                                 << OpName(op) << " fails on " << file.toStdString()
                                 << (earlier ? ", earlier records" : ", new files")
                                 << (retry ? ", retry" : ", cancel"));
                    Scene scene(earlier);
                    const std::optional<QByteArray> logBefore = scene.Log();
                    const std::optional<QByteArray> summaryBefore = scene.Summary();
                    scene.faults = IoFaultInjector({{1, false, op, file}});
                    scene.boxes.retryAnswers = {retry};
                    scene.RunTheTest();

                    EXPECT_EQ(scene.result, retry);
                    ASSERT_EQ(scene.boxes.shown.size(), 1u);
                    EXPECT_EQ(scene.boxes.shown[0].kind, test::FakeMessageBoxes::Shown::Retry);
                    EXPECT_EQ(scene.boxes.shown[0].text, scene.Message(file));
                    if (retry) {
                        EXPECT_EQ(scene.Log(), clean.Log());
                        EXPECT_EQ(scene.Summary(), clean.Summary());
                    } else {
                        EXPECT_EQ(scene.Log(), file == kLog ? logBefore : clean.Log());
                        EXPECT_EQ(scene.Summary(), summaryBefore);
                    }
                }
            }
        }
    }
}

// The write fails part way and then putting the file back fails too: the next attempt
// finishes the repair before it appends, so the retry still leaves one clean copy.
TEST(RecordFaults, RetryRepairsAFileThatCouldNotBePutBack) {
    for (const bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "earlier records" : "new files");
        Scene clean(earlier);
        clean.RunTheTest();
        Scene fixed(earlier);
        // Putting an existing file back fails both by handle and by name; removing a new one
        // fails.
        if (earlier) {
            fixed.faults = IoFaultInjector({{1, false, IoOp::Write, kLog},
                                            {1, false, IoOp::Truncate, kLog},
                                            {2, false, IoOp::Truncate, kLog}});
        } else {
            fixed.faults =
                IoFaultInjector({{1, false, IoOp::Write, kLog}, {1, false, IoOp::Remove, kLog}});
        }
        fixed.boxes.retryAnswers = {true};
        fixed.RunTheTest();
        EXPECT_TRUE(fixed.result);
        EXPECT_EQ(fixed.boxes.shown.size(), 1u);
        EXPECT_EQ(fixed.faults.FailureCount(), earlier ? 3 : 2);
        EXPECT_EQ(fixed.Log(), clean.Log());
        EXPECT_EQ(fixed.Summary(), clean.Summary());
    }
}

TEST(RecordFaults, OperatorMayRetryAsOftenAsTheFaultLasts) {
    Scene clean(true);
    clean.RunTheTest();
    Scene scene(true);
    const std::optional<QByteArray> summaryBefore = scene.Summary();
    scene.faults = IoFaultInjector({{1, true, IoOp::Write, kSummary}});
    scene.boxes.retryAnswers = {true, true, false};
    scene.RunTheTest();
    EXPECT_FALSE(scene.result);
    EXPECT_EQ(scene.boxes.shown.size(), 3u);
    EXPECT_EQ(scene.Log(), clean.Log());  // the trial log was already safe
    EXPECT_EQ(scene.Summary(), summaryBefore);
}

// The data-file box: the message, the file, and the system's reason. POSIX gives the C
// library's text for the error; Windows words it itself (in its own language), so there only a
// reason being given is checked.
void ExpectBoxWithReason(const QString& text, const QString& path, int error) {
    const QString head = QStringLiteral("データファイルを開くことができません\n") +
                         QDir::toNativeSeparators(path) + QLatin1Char('\n');
    ASSERT_TRUE(text.startsWith(head)) << text.toStdString();
#ifdef _WIN32
    static_cast<void>(error);
    EXPECT_FALSE(text.mid(head.size()).trimmed().isEmpty()) << text.toStdString();
#else
    EXPECT_EQ(text.mid(head.size()), qt_error_string(error));
#endif
}

TEST(RecordFaults, AFileThatCannotBeOpenedForRealIsReportedWithTheSystemsReason) {
    Scene scene(false);
    RecordsContext context;
    context.directory = scene.dir.filePath(QStringLiteral("missing"));
    ExperimentState s = test::MakeRun("F01", kPartA, kTargetCount);
    EXPECT_FALSE(WriteRecords(s, true, scene.boxes, context));
    ASSERT_EQ(scene.boxes.shown.size(), 1u);
    ExpectBoxWithReason(scene.boxes.shown[0].text, context.directory + QStringLiteral("/F01.csv"),
                        ENOENT);
    EXPECT_FALSE(QDir(context.directory).exists());
}

// A directory in the file's place and a folder the lab made read-only call for different
// fixes: the box says which, in the system's words, under the message and the path.
TEST(RecordFaults, EachRealFailureSaysWhy) {
    const struct {
        const char* what;
        int error;
        std::function<void(const QString& dir)> make;
    } rows[] = {
        {"a directory named like the trial log", EISDIR,
         [](const QString& dir) { QDir(dir).mkdir(QStringLiteral("F01.csv")); }},
#ifdef __unix__
        {"a read-only folder", EACCES,
         [](const QString& dir) {
             QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
         }},
#endif
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
#ifdef __unix__
        if (r.error == EACCES && ::geteuid() == 0) {
            continue;  // root writes into a read-only folder anyway
        }
#endif
        QTemporaryDir dir;
        r.make(dir.path());
        test::FakeMessageBoxes boxes;
        RecordsContext context;
        context.directory = dir.path();
        ExperimentState s = test::MakeRun("F01", kPartA, kTargetCount);
        const bool written = WriteRecords(s, true, boxes, context);
        QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(written);
        ASSERT_EQ(boxes.shown.size(), 1u);
        ExpectBoxWithReason(boxes.shown[0].text, dir.filePath(QStringLiteral("F01.csv")), r.error);
    }
}

#ifdef __unix__
// Another station holds the summary file's lock for longer than the writer waits: the operator
// gets the data-file box, and a retry once the other station is done writes the line once.
TEST(RecordFaults, AFileAnotherWriterKeepsLockedIsReportedAndRetried) {
    Scene clean(true);
    clean.RunTheTest();
    Scene scene(true);
    const std::optional<QByteArray> summaryBefore = scene.Summary();
    const QByteArray path = QFile::encodeName(scene.dir.filePath(kSummary));
    const int other = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);

    struct ReleasingBoxes : test::FakeMessageBoxes {
        int held = -1;
        std::optional<QByteArray> summaryWhileHeld;
        QString summaryPath;
        bool AskRetry(const QString& text) override {
            summaryWhileHeld = test::FileBytes(summaryPath);
            ::close(held);  // the other station finishes while the box is up
            return FakeMessageBoxes::AskRetry(text);
        }
    } boxes;
    boxes.held = other;
    boxes.summaryPath = scene.dir.filePath(kSummary);
    boxes.retryAnswers = {true};
    RecordsContext context;
    context.directory = scene.dir.path();
    const test::FixedClock clock(test::kRecordTime);
    context.clock = &clock;
    context.lock_wait = std::chrono::milliseconds(50);
    ExperimentState s = test::MakeRun("F01", kPartA, kTargetCount);
    EXPECT_TRUE(WriteRecords(s, true, boxes, context));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, test::FakeMessageBoxes::Shown::Retry);
    EXPECT_EQ(boxes.shown[0].text,
              scene.Message(kSummary) +
                  QStringLiteral("\nAnother program (another station) kept the file locked "
                                 "for 0.05 s."));
    EXPECT_EQ(boxes.summaryWhileHeld, summaryBefore);  // nothing written without the lock
    EXPECT_EQ(scene.Log(), clean.Log());
    EXPECT_EQ(scene.Summary(), clean.Summary());
}
#endif

#ifdef __unix__
// A request to end (logout, SIGTERM) while another station keeps the file locked used to lose
// the completed test without a trace: the wait ran out or the data-file box was closed as
// cancelled, and nothing was written. Nobody is left to answer: the rows go in without the lock,
// and the writer says so for the run's record.
TEST(RecordFaults, ARequestToEndWhileAFileIsLockedWritesTheRunWithoutTheLock) {
    for (const bool duringTheBox : {false, true}) {
        SCOPED_TRACE(duringTheBox ? "the request comes while the box is up"
                                  : "the request comes during the wait");
        Scene clean(true);
        clean.RunTheTest();
        Scene scene(true);
        const QByteArray path = QFile::encodeName(scene.dir.filePath(kLog));
        const int other = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(other, 0);
        ASSERT_EQ(::flock(other, LOCK_EX), 0);

        bool ending = false;
        struct EndingBoxes : test::FakeMessageBoxes {
            bool* ending = nullptr;
            bool AskRetry(const QString& text) override {
                *ending = true;  // the request closes the box as cancelled
                return FakeMessageBoxes::AskRetry(text);
            }
        } boxes;
        boxes.ending = &ending;
        RecordsContext context;
        context.directory = scene.dir.path();
        const test::FixedClock clock(test::kRecordTime);
        context.clock = &clock;
        context.lock_wait = std::chrono::milliseconds(50);
        context.ending = [&ending] { return ending; };
        if (!duringTheBox) {
            context.lock_wait = std::chrono::milliseconds(60000);
            context.lock_wait_hook = [&ending](bool waiting) {
                ending = ending || waiting;  // the request comes as the wait begins
                return !ending;
            };
        }
        ExperimentState s = test::MakeRun("F01", kPartA, kTargetCount);
        KeptRecords kept;
        EXPECT_TRUE(WriteRecords(s, true, boxes, context, nullptr, &kept));
        EXPECT_TRUE(kept.trial_log);
        EXPECT_TRUE(kept.summary_line);
        EXPECT_TRUE(kept.without_lock);
        EXPECT_EQ(boxes.shown.size(), duringTheBox ? 1u : 0u);
        EXPECT_EQ(scene.Log(), clean.Log());
        EXPECT_EQ(scene.Summary(), clean.Summary());
        ::close(other);
    }
}
#endif

#ifdef __linux__
// Makes every flock() of this process fail with `error`, as on a file system that cannot lock
// (NFS without its lock service gives ENOLCK, some others EOPNOTSUPP). For ever: only in a child.
bool FlockFailsWith(int error) {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_flock, 0, 1),
        BPF_STMT(BPF_RET | BPF_K,
                 SECCOMP_RET_ERRNO | (static_cast<unsigned>(error) & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0) == 0;
}

// On a file system that cannot lock, every write failed and Retry could never help. The rows
// now go in without the lock, and the writer says so for the run's record.
TEST(RecordFaults, AFileSystemWithoutLocksIsWrittenWithoutTheLockAndSaysSo) {
    for (const bool earlier : {true, false})
        for (const int error : {ENOLCK, EOPNOTSUPP}) {
            SCOPED_TRACE(testing::Message()
                         << "errno " << error << (earlier ? ", earlier run" : ""));
            Scene clean(earlier);
            clean.RunTheTest();
            Scene scene(earlier);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                // Exit codes: 0 written and told; 1 no filter; 2 not written; 3 written, not told.
                if (!FlockFailsWith(error)) {
                    ::_exit(1);
                }
                test::FakeMessageBoxes boxes;
                RecordsContext context;
                context.directory = scene.dir.path();
                const test::FixedClock clock(test::kRecordTime);
                context.clock = &clock;
                context.lock_wait = std::chrono::milliseconds(50);
                ExperimentState s = test::MakeRun("F01", kPartA, kTargetCount);
                KeptRecords kept;
                if (!WriteRecords(s, true, boxes, context, nullptr, &kept) ||
                    !boxes.shown.empty()) {
                    ::_exit(2);
                }
                ::_exit(kept.without_lock && kept.trial_log && kept.summary_line ? 0 : 3);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(scene.Log(), clean.Log());
            EXPECT_EQ(scene.Summary(), clean.Summary());
        }
}
#endif

TEST(RecordFaults, EachFileIsSyncedBeforeItIsClosedAndTheLogComesFirst) {
    for (const bool complete : {true, false}) {
        Scene scene(true);
        scene.faults = IoFaultInjector();
        scene.RunTheTest(complete);
        ASSERT_TRUE(scene.result);
        std::vector<std::pair<QString, IoOp>> seen;
        for (const auto& s : scene.faults.Log()) {
            seen.emplace_back(QFileInfo(s.path).fileName(), s.op);
        }
        std::vector<std::pair<QString, IoOp>> expected;
        for (const QString& file : {kLog, kSummary}) {
            if (file == kSummary && !complete) {
                break;
            }
            for (const IoOp op :
                 {IoOp::Open, IoOp::Lock, IoOp::Write, IoOp::Flush, IoOp::Sync, IoOp::Close}) {
                expected.emplace_back(file, op);
            }
        }
        EXPECT_EQ(seen, expected) << (complete ? "complete" : "aborted");
    }
}

}  // namespace
}  // namespace quorvel
