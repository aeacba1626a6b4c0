// A catalogue of damaged, odd and hostile settings and summary files (tests/data/hostile),
// each with what the program must make of it, listed in expected.tsv. Whatever a file holds,
// reading it never crashes, every time read is a number that can be ranked, and a settings
// file read and saved again keeps the four conditions.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/app/CSettingsFile.h"
#include "core/records/RankingOrder.h"
#include "core/records/RankingText.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/SummaryReader.h"
#include "core/records/WriteRecords.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"
#include "support/TestFolder.h"

#ifdef __unix__
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorvel {
namespace {

using test::TestFolder;

const QString kData = QStringLiteral(QUORVEL_HOSTILE_DATA);

// A manifest text: \t \r \n \\ and \xHH escapes; "" is the empty text.
std::string Unescape(const QByteArray& field) {
    if (field == "\"\"") {
        return {};
    }
    std::string out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 't') {
            out += '\t';
        } else if (c == 'r') {
            out += '\r';
        } else if (c == 'n') {
            out += '\n';
        } else if (c == 'x' && i + 2 < field.size()) {
            out += static_cast<char>(field.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

bool Checked(const QByteArray& field) {
    return field != "*" && field != "-";
}

QByteArray SummaryLine(const char* subject, const char* total) {
    return QByteArray("A\t2024/03/05\t07:08:09\t") + subject + '\t' + total + "\r\n";
}

const QByteArray kSummaryHeader = "Type\tDate\tTime\tSubject\tTotalRT\r\n";

// The files too big to keep in the repository. A generator may also shape the directory.
const std::map<QByteArray, std::function<QByteArray()>>& Generated() {
    static const std::map<QByteArray, std::function<QByteArray()>> generators = {
        {"settings/@megabyte_line",
         [] { return "subject = " + QByteArray(1 << 20, 'x') + "\r\nrandom_seed = 7\r\n"; }},
        {"settings/@megabyte_of_cr",
         [] { return QByteArray(1 << 20, '\r') + "\nsubject = S5\r\n"; }},
        {"settings/@12000_lines",
         [] {
             QByteArray file;
             for (int i = 1; i <= 12000; ++i) {
                 file += "key" + QByteArray::number(i) + " = " + QByteArray::number(i) + "\r\n";
             }
             return file + "random_seed = 11\r\n";
         }},
        {"summary/@megabyte_line",
         [] {
             return kSummaryHeader + QByteArray(1000000, 'x') + "\r\n" +
                    SummaryLine("S9", "12.500");
         }},
        {"summary/@line_of_999000",
         [] {
             return kSummaryHeader + QByteArray(999000, 'x') + "\r\n" + SummaryLine("S9", "12.500");
         }},
        {"summary/@12000_lines",
         [] {
             // Times are a permutation of 0.00 .. 119.99 s.
             QByteArray file = kSummaryHeader;
             for (int i = 0; i < 12000; ++i) {
                 const QByteArray subject = "P" + QByteArray::number(i).rightJustified(5, '0');
                 const QByteArray total = QByteArray::number((i * 7919 % 12000) / 100.0, 'f', 3);
                 file += SummaryLine(subject.constData(), total.constData());
             }
             return file;
         }},
        {"summary/@nul_only", [] { return QByteArray(100000, '\0'); }},
        {"summary/@megabyte_of_lf",
         [] { return kSummaryHeader + SummaryLine("S1", "5.000") + QByteArray(1000000, '\n'); }},
    };
    return generators;
}

struct Case {
    QByteArray kind;
    QByteArray file;
    QList<QByteArray> expected;
    QByteArray what;
};

std::vector<Case> Manifest() {
    QFile f(kData + QStringLiteral("/expected.tsv"));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read the manifest";
        return {};
    }
    std::vector<Case> cases;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        QList<QByteArray> fields = line.split('\t');
        Case c;
        c.kind = fields.takeFirst();
        c.file = fields.takeFirst();
        c.what = fields.takeLast();
        c.expected = fields;
        cases.push_back(c);
    }
    return cases;
}

// Puts the case's file in `dir` under `name`; false for @directory, which
// stands a directory there instead.
void Place(const TestFolder& dir, const Case& c, const QString& name) {
    if (c.file == "@directory") {
        ASSERT_TRUE(QDir(dir.path()).mkdir(name));
        return;
    }
    QByteArray bytes;
    const QByteArray key = c.kind + '/' + c.file;
    if (c.file.startsWith('@')) {
        ASSERT_TRUE(Generated().count(key)) << key.constData();
        bytes = Generated().at(key)();
    } else {
        QFile f(kData + QLatin1Char('/') + QString::fromLatin1(key));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << key.constData();
        bytes = f.readAll();
    }
    ASSERT_TRUE(dir.write(name, bytes));
}

struct Conditions {
    std::string subject = "SBJ0000";
    std::int32_t seed = 0;
    std::int32_t type = 0;
    std::int32_t ranking = 0;
};

Conditions Read(const CSettingsFile& store) {
    Conditions c;
    store.GetString("subject", c.subject);
    store.GetInt("random_seed", c.seed);
    store.GetInt("test_type", c.type);
    store.GetInt("flag_ranking", c.ranking);
    return c;
}

void CheckSettings(const Case& c) {
    TestFolder dir;
    Place(dir, c, QStringLiteral("QVL.ini"));
    CSettingsFile store;
    store.Load(dir.path(), "QVL");
    const Conditions read = Read(store);
    const QList<QByteArray>& e = c.expected;
    if (Checked(e[0])) {
        EXPECT_EQ(store.Entries().size(), e[0].toULongLong());
    }
    if (Checked(e[1])) {
        EXPECT_EQ(read.subject, Unescape(e[1]));
    }
    EXPECT_EQ(read.seed, e[2].toInt());
    EXPECT_EQ(read.type, e[3].toInt());
    EXPECT_EQ(read.ranking, e[4].toInt());

    // Saved and read again, the conditions are the same.
    const bool directory = c.file == "@directory";
    EXPECT_EQ(store.Save(), !directory);
    if (!directory) {
        CSettingsFile again;
        again.Load(dir.path(), "QVL");
        const Conditions reread = Read(again);
        EXPECT_EQ(reread.subject, read.subject);
        EXPECT_EQ(reread.seed, read.seed);
        EXPECT_EQ(reread.type, read.type);
        EXPECT_EQ(reread.ranking, read.ranking);
    }
}

void CheckSummary(const Case& c) {
    TestFolder dir;
    Place(dir, c, QStringLiteral("QVL.txt"));
    std::vector<SummaryRecord> records;
    ASSERT_TRUE(ReadSummaryFile(dir.path(), records));
    for (const SummaryRecord& r : records) {
        ASSERT_TRUE(std::isfinite(r.total_rt));
    }
    std::vector<SummaryRecord> ranked = records;
    SortByTotalTime(ranked);
    const int rank = RankOfLatest(ranked);
    // Every text of the results dialog can be made.
    for (std::size_t k = 0; k < ranked.size(); ++k) {
        FormatRankingLine(static_cast<int>(k) + 1, ranked[k]);
    }
    if (!records.empty()) {
        FormatResultLine(records.back(), static_cast<int>(records.size()), rank);
    }

    const QList<QByteArray>& e = c.expected;
    if (Checked(e[0])) {
        EXPECT_EQ(records.size(), e[0].toULongLong());
    }
    if (Checked(e[1])) {
        EXPECT_EQ(rank, e[1].toInt());
    }
    if (Checked(e[2])) {
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records.back().subject, Unescape(e[2]));
    }
    if (Checked(e[3])) {
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(FormatFixed(records.back().total_rt, 3), e[3].toStdString());
    }
}

TEST(HostileFiles, EachFileGivesItsListedBehaviour) {
    const std::vector<Case> cases = Manifest();
    std::size_t settings = 0;
    std::size_t summaries = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind.constData() << " " << c.file.constData() << ": "
                                        << c.what.constData());
        if (c.kind == "settings") {
            ASSERT_EQ(c.expected.size(), 5);
            CheckSettings(c);
            ++settings;
        } else {
            ASSERT_EQ(c.kind, "summary");
            ASSERT_EQ(c.expected.size(), 4);
            CheckSummary(c);
            ++summaries;
        }
    }
    // Every committed file is in the manifest.
    for (const char* kind : {"settings", "summary"}) {
        for (const QString& name :
             QDir(kData + QLatin1Char('/') + QLatin1String(kind)).entryList(QDir::Files)) {
            EXPECT_TRUE(std::any_of(
                cases.begin(), cases.end(),
                [&](const Case& c) { return c.kind == kind && c.file == name.toLatin1(); }))
                << name.toStdString() << " is not in the manifest";
        }
    }
    std::printf("%zu settings files, %zu summary files\n", settings, summaries);
    EXPECT_GT(settings, 0u);
    EXPECT_GT(summaries, 0u);
}

// A file of ten megabytes of empty lines after one result holds one record, and its reading
// must not take memory by the file's size.
TEST(HostileFiles, MemoryFollowsTheResultsNotTheFileSize) {
    const std::vector<SummaryRecord> records =
        ParseSummary(kSummaryHeader + SummaryLine("S1", "5.000") + QByteArray(10 << 20, '\n'));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_LT(records.capacity(), 1000u);
}

#ifdef __unix__

bool IsFifo(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// A FIFO under one of the program's file names: opened plainly it would keep the program
// waiting for a reader or writer that never comes. Data files are refused with the data-file
// box, the settings file reads as missing and is not saved over, and the ranking says nothing.
// The test keeps both ends of each FIFO open itself, so a writer that did open one would not
// hang here but leave its bytes in the pipe.
TEST(HostileFiles, AFifoInPlaceOfAFileIsRefusedWithoutWaiting) {
    for (const char* name : {"H1.csv", "QVL.txt", "QVL.ini"}) {
        SCOPED_TRACE(name);
        TestFolder dir;
        const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
        const QByteArray native = QFile::encodeName(path);
        ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
        const int ends = ::open(native.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(ends, 0);

        CSettingsFile store;
        store.Load(dir.path(), "QVL");
        EXPECT_TRUE(store.Entries().empty());
        store.SetString("subject", "H1");
        EXPECT_EQ(store.Save(), QByteArray(name) != "QVL.ini");

        std::vector<SummaryRecord> records;
        EXPECT_FALSE(ReadSummaryFile(dir.path(), records));  // a FIFO, or missing
        EXPECT_TRUE(records.empty());

        test::FakeMessageBoxes boxes;
        RecordsContext context;
        context.directory = dir.path();
        const test::FixedClock clock(test::kRecordTime);
        context.clock = &clock;
        ExperimentState s = test::MakeRun("H1", kPartA, kTargetCount);
        const bool dataFile = QByteArray(name) != "QVL.ini";
        EXPECT_EQ(WriteRecords(s, true, boxes, context), !dataFile);
        if (dataFile) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].kind, test::FakeMessageBoxes::Shown::Retry);
            EXPECT_EQ(boxes.shown[0].text,
                      QStringLiteral("データファイルを開くことができません\n") +
                          QDir::toNativeSeparators(path) +
                          QStringLiteral("\nIt is not a regular file."));
        }

        EXPECT_TRUE(IsFifo(path));
        char byte = 0;
        EXPECT_EQ(::read(ends, &byte, 1), -1) << "bytes were written into the FIFO";
        ::close(ends);
    }
}

// Labs point the summary file, trial logs or settings at a shared drive with a symbolic link:
// the files are read and written through the link, which stays a link.
TEST(HostileFiles, LinksToRegularFilesAreFollowed) {
    TestFolder dir;
    const QString shared = QStringLiteral("shared");
    ASSERT_TRUE(QDir(dir.path()).mkpath(shared));
    const QString lab = dir.path() + QStringLiteral("/lab");
    ASSERT_TRUE(QDir().mkpath(lab));
    test::UseUtc();
    for (const char* name : {"L1.csv", "QVL.txt", "QVL.ini"}) {
        ASSERT_TRUE(dir.write(shared + QLatin1Char('/') + QLatin1String(name), ""));
        ASSERT_TRUE(QFile::link(dir.filePath(shared + QLatin1Char('/') + QLatin1String(name)),
                                lab + QLatin1Char('/') + QLatin1String(name)));
    }
    test::FakeMessageBoxes boxes;
    RecordsContext context;
    context.directory = lab;
    const test::FixedClock clock(test::kRecordTime);
    context.clock = &clock;
    ExperimentState s = test::MakeRun("L1", kPartA, kTargetCount);
    ASSERT_TRUE(WriteRecords(s, true, boxes, context));
    EXPECT_TRUE(boxes.shown.empty());

    CSettingsFile store;
    store.Load(lab, "QVL");
    store.SetString("subject", "L1");
    ASSERT_TRUE(store.Save());
    CSettingsFile again;
    again.Load(lab, "QVL");
    std::string subject;
    EXPECT_TRUE(again.GetString("subject", subject));
    EXPECT_EQ(subject, "L1");

    for (const char* name : {"L1.csv", "QVL.txt", "QVL.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(QFileInfo(lab + QLatin1Char('/') + QLatin1String(name)).isSymLink());
        const QByteArray bytes = dir.read(shared + QLatin1Char('/') + QLatin1String(name));
        EXPECT_TRUE(bytes.contains("L1")) << bytes.toStdString();
    }
    EXPECT_TRUE(dir.read(shared + QStringLiteral("/QVL.txt")).startsWith(kSummaryHeader));
}

#endif

}  // namespace
}  // namespace quorvel
