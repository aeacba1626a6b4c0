// Real short writes: the process's file-size limit stops every file at a given byte, as a
// full disk would, for every stopping point across what a save or a run's records add. The
// settings file and both record files must come out either as they were or whole, and a
// save or write that did not complete must say so.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>
#include <set>
#include <string>

#include "core/app/CSettingsFile.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/WriteRecords.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"

#ifdef __unix__
#include <sys/resource.h>
#include <csignal>
#endif

namespace quorvel {
namespace {

#ifdef __unix__

// Files cannot grow past `bytes` while the object lives: a write that would is cut short and
// then fails with EFBIG (the signal that comes with it is ignored meanwhile).
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(long long bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = static_cast<rlim_t>(bytes);
        m_ok = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    bool ok() const { return m_ok; }

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_ok = false;
};

// The limits to try between `from` and `to`: every byte near the ends, a stride between.
std::set<long long> StoppingPoints(long long from, long long to) {
    std::set<long long> points;
    for (long long l = from; l <= to; l += 23) {
        points.insert(l);
    }
    for (long long d = -3; d <= 3; ++d) {
        points.insert(std::max(0LL, from + d));
        points.insert(std::max(0LL, to + d));
    }
    return points;
}

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(DiskFull, SettingsSaveReplacesTheFileWholeOrNotAtAll) {
    const QByteArray old = "subject = OLD\r\nrandom_seed = 5\r\nlab = room 2\r\n";
    long long newSize = 0;
    std::optional<QByteArray> saved;
    for (long long limit : StoppingPoints(0, 200)) {
        SCOPED_TRACE(testing::Message() << "files stop at byte " << limit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QVL.ini"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        }
        CSettingsFile store;
        store.Load(dir.path(), "QVL");
        store.SetString("subject", "A_LONGER_SUBJECT_ID_THAN_BEFORE");
        store.SetInt("random_seed", -123456789);
        store.SetInt("test_type", 1);
        store.SetInt("flag_ranking", 1);
        bool ok = false;
        {
            ScopedFileSizeLimit limited(limit);
            ASSERT_TRUE(limited.ok());
            ok = store.Save();
        }
        const std::optional<QByteArray> now = test::FileBytes(path);
        if (ok) {
            ASSERT_TRUE(now.has_value());
            if (!saved) {
                saved = now;
                newSize = now->size();
            }
            EXPECT_EQ(now, saved);
            EXPECT_GE(limit, newSize);
        } else {
            EXPECT_EQ(now, old);
            // Only too small a limit may fail the save.
            EXPECT_TRUE(!saved || limit < newSize);
        }
        EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("QVL.ini")});
    }
    ASSERT_TRUE(saved.has_value());
    EXPECT_TRUE(saved->startsWith("subject = A_LONGER_SUBJECT_ID_THAN_BEFORE\r\n"));
}

bool WriteRun(const QTemporaryDir& dir, std::int64_t when, test::FakeMessageBoxes& boxes) {
    ExperimentState s = test::MakeRun("DF1", kPartA, kTargetCount);
    RecordsContext context;
    context.directory = dir.path();
    const test::FixedClock clock(when);
    context.clock = &clock;
    return WriteRecords(s, true, boxes, context);
}

TEST(DiskFull, RecordsStopAnywhereAndStayWhole) {
    const QString log = QStringLiteral("DF1.csv");
    const QString summary = QStringLiteral("QVL.txt");
    // Sizes before and after the run under test.
    QTemporaryDir clean;
    test::FakeMessageBoxes boxes;
    ASSERT_TRUE(WriteRun(clean, test::kRecordTime - 60, boxes));
    const auto logBefore = test::FileBytes(clean.filePath(log));
    const auto summaryBefore = test::FileBytes(clean.filePath(summary));
    ASSERT_TRUE(WriteRun(clean, test::kRecordTime, boxes));
    const auto logAfter = test::FileBytes(clean.filePath(log));
    const auto summaryAfter = test::FileBytes(clean.filePath(summary));
    const long long needed = std::max(logAfter->size(), summaryAfter->size());

    for (long long limit : StoppingPoints(summaryBefore->size(), needed)) {
        SCOPED_TRACE(testing::Message() << "files stop at byte " << limit);
        QTemporaryDir dir;
        test::FakeMessageBoxes earlierBoxes;
        ASSERT_TRUE(WriteRun(dir, test::kRecordTime - 60, earlierBoxes));
        test::FakeMessageBoxes runBoxes;
        runBoxes.retryAnswers = {true, false};  // one retry into the same full disk, then give up
        bool ok = false;
        {
            ScopedFileSizeLimit limited(limit);
            ASSERT_TRUE(limited.ok());
            ok = WriteRun(dir, test::kRecordTime, runBoxes);
        }
        const auto logNow = test::FileBytes(dir.filePath(log));
        const auto summaryNow = test::FileBytes(dir.filePath(summary));
        EXPECT_EQ(ok, limit >= needed);
        if (ok) {
            EXPECT_TRUE(runBoxes.shown.empty());
            EXPECT_EQ(logNow, logAfter);
            EXPECT_EQ(summaryNow, summaryAfter);
        } else {
            EXPECT_EQ(runBoxes.shown.size(), 2u);  // told, retried, told again
            // With the reason: the file-size limit stands in for a full disk here.
            for (const auto& shown : runBoxes.shown) {
                EXPECT_TRUE(shown.text.endsWith(QLatin1Char('\n') + qt_error_string(EFBIG)))
                    << shown.text.toStdString();
            }
            EXPECT_TRUE(logNow == logBefore || logNow == logAfter);
            EXPECT_TRUE(summaryNow == summaryBefore || summaryNow == summaryAfter);
            EXPECT_TRUE(logNow == logAfter || summaryNow == summaryBefore);
        }
        EXPECT_EQ(Entries(dir), (QStringList{log, summary}));
    }
}

#else

TEST(DiskFull, NeedsAProcessFileSizeLimit) {
    GTEST_SKIP() << "no RLIMIT_FSIZE on this platform";
}

#endif

}  // namespace
}  // namespace quorvel
