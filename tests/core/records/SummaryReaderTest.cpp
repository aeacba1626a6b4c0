#include <gtest/gtest.h>

#include <QByteArray>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/experiment/ExperimentState.h"
#include "core/records/RecordFormat.h"
#include "core/records/RecordsTestSupport.h"
#include "core/records/SummaryReader.h"
#include "core/records/WriteRecords.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"
#include "support/TestFolder.h"

namespace quorvel {
namespace {

using namespace std::string_literals;
using test::TestFolder;

const std::string kHeader = kSummaryHeader;

QByteArray Bytes(const std::string& s) {
    return QByteArray::fromStdString(s);
}

struct Fields {
    std::string type, date, time, subject;
    double total_rt;
    bool operator==(const Fields& o) const {
        return type == o.type && date == o.date && time == o.time && subject == o.subject &&
               total_rt == o.total_rt;
    }
};

std::ostream& operator<<(std::ostream& os, const Fields& f) {
    return os << "{" << f.type << "|" << f.date << "|" << f.time << "|" << f.subject << "|"
              << f.total_rt << "}";
}

std::vector<Fields> FieldsOf(const std::vector<SummaryRecord>& records) {
    std::vector<Fields> out;
    for (const SummaryRecord& r : records) {
        out.push_back({r.type, r.date, r.time, r.subject, r.total_rt});
    }
    return out;
}

TEST(SummaryReader, SplitsResultLinesIntoRecords) {
    const std::string d = "2024/05/06", t = "10:11:12";
    const struct {
        const char* what;
        std::string body;  // after the header
        std::vector<Fields> records;
    } cases[] = {
        {"plain lines, CR LF and LF alike",
         "A\t" + d + "\t" + t + "\tSBJ0001\t23.456\r\nB\t" + d + "\t" + t + "\tSBJ0002\t5.000\n",
         {{"A", d, t, "SBJ0001", 23.456}, {"B", d, t, "SBJ0002", 5.0}}},
        {"an empty subject keeps its time",
         "A\t" + d + "\t" + t + "\t\t23.456\r\n",
         {{"A", d, t, "", 23.456}}},
        {"a subject with tabs keeps them and the time",
         "B\t" + d + "\t" + t + "\tX\t\tY\t12.5\r\n",
         {{"B", d, t, "X\t\tY", 12.5}}},
        {"four fields: no time", "A\t" + d + "\t" + t + "\tS\r\n", {{"A", d, t, "S", 0.0}}},
        {"a trailing tab is trimmed away like any white space",
         "A\t" + d + "\t" + t + "\tS\t\r\n",
         {{"A", d, t, "S", 0.0}}},
        {"fewer than four fields fill from the front",
         "A\r\nB\t" + d + "\r\nA\t" + d + "\t" + t + "\r\n",
         {{"A", "", "", "", 0.0}, {"B", d, "", "", 0.0}, {"A", d, t, "", 0.0}}},
        {"blanks at the ends of a line are trimmed",
         "  A\t" + d + "\t" + t + "\tS\t7.25 \v\f\r\n",
         {{"A", d, t, "S", 7.25}}},
        {"empty and blank lines are passed over, not the end of the results",
         "A\t" + d + "\t" + t + "\tS\t1.0\r\n \t\r\n\r\nA\t" + d + "\t" + t + "\tLATE\t2.0\r\n",
         {{"A", d, t, "S", 1.0}, {"A", d, t, "LATE", 2.0}}},
        {"a NUL ends the line's text",
         "A\t" + d + "\t" + t + "\tS\t1.5\0"s + "99\r\nB\t" + d + "\t" + t + "\tT\t2\r\n",
         {{"A", d, t, "S", 1.5}, {"B", d, t, "T", 2.0}}},
        {"a lone CR inside a line is a byte of the subject",
         "A\t" + d + "\t" + t + "\tS\rX\t3\r\n",
         {{"A", d, t, "S\rX", 3.0}}},
    };
    for (const auto& c : cases) {
        const std::vector<SummaryRecord> records = ParseSummary(Bytes(kHeader + c.body));
        EXPECT_EQ(FieldsOf(records), c.records) << c.what;
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].latest, i + 1 == records.size()) << c.what << " " << i;
        }
    }
}

TEST(SummaryReader, ReadsBackWhatTheWriterWrites) {
    const RecordTimeText when{"2024/05/06", "10:11:12"};
    const struct {
        TestType type;
        std::string subject;
        std::int32_t ms;
    } runs[] = {
        {kPartA, "SBJ0001", 23456},          {kPartB, "", 5},        {kPartB, "a\tb", 0},
        {kPartA, "\x83\x65\x83\x58", 99999}, {7, "x,y", 2147483647},
    };
    std::string file = kSummaryHeader;
    std::vector<Fields> expected;
    for (const auto& run : runs) {
        ExperimentState state;
        state.test_type = run.type;
        state.subject = run.subject;
        state.completed = kTargetCount;
        state.records[kTargetCount - 1].hit_time = run.ms;
        file += SummaryLine(state, when);
        expected.push_back(
            {IsPartA(run.type) ? "A" : "B", when.date, when.time, run.subject, run.ms / 1000.0});
    }
    EXPECT_EQ(FieldsOf(ParseSummary(Bytes(file))), expected);
}

TEST(SummaryReader, FilesWithoutResultLinesGiveNoRecords) {
    const std::string line = "A\t2024/05/06\t10:11:12\tS\t1.000\r\n";
    for (const std::string& file :
         {""s, kHeader, "\r\n\r\n"s, " \t\r\n" + line, "\0"s + kHeader + line}) {
        EXPECT_TRUE(ParseSummary(Bytes(file)).empty()) << file;
    }
    // Whatever the first line holds, it is the header; blank lines before it are passed over,
    // as a header written into a file that held only a line end lies after that line end.
    EXPECT_EQ(ParseSummary(Bytes(line + line)).size(), 1u);
    EXPECT_EQ(ParseSummary(Bytes("\r\n" + kHeader + line)).size(), 1u);
}

TEST(SummaryReader, LongLinesAreReadInPiecesOf999Bytes) {
    const std::string prefix = "A\t2024/05/06\t10:11:12\t";
    // 998 characters and the LF: one piece.
    const std::string fits = prefix + std::string(998 - prefix.size() - 2, 's') + "\t9";
    ASSERT_EQ(fits.size(), 998u);
    std::vector<SummaryRecord> r = ParseSummary(Bytes(kHeader + fits + "\n" + fits + "\r\n"));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].total_rt, 9.0);
    // 1200 characters: a piece of 999 and the rest, two records.
    const std::string longer = prefix + std::string(1200 - prefix.size() - 2, 's') + "\t9";
    r = ParseSummary(Bytes(kHeader + longer + "\r\n"));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].subject.size(), 999u - prefix.size());
    EXPECT_EQ(r[0].total_rt, 0.0);
    EXPECT_EQ(r[1].type, std::string(1200 - 999 - 2, 's'));
    // Exactly 999 characters: the LF comes alone and reads as an empty line, passed over.
    const std::string full = prefix + std::string(999 - prefix.size() - 2, 's') + "\t9";
    r = ParseSummary(Bytes(kHeader + full + "\r\n" + fits + "\r\n"));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].total_rt, 9.0);
}

TEST(SummaryReader, TimesAreReadAsPlainDecimalsOnly) {
    const double kMax = std::numeric_limits<double>::max();
    const struct {
        std::string text;
        double value;
    } rows[] = {
        {"23.456", 23.456},
        {" \t5", 5.0},
        {"+5.5", 5.5},
        {"-1.25", -1.25},
        {".5", 0.5},
        {"5.", 5.0},
        {"1.2.3", 1.2},
        {"12abc", 12.0},
        {"1e5", 1.0},
        {"0x10", 0.0},
        {"0x1p3", 0.0},
        {"nan", 0.0},
        {"NAN(123)", 0.0},
        {"inf", 0.0},
        {"-Infinity", 0.0},
        {"", 0.0},
        {".", 0.0},
        {"-", 0.0},
        {"- 1", 0.0},
        {"abc", 0.0},
        {"1" + std::string(400, '0'), kMax},
        {"-1" + std::string(400, '0') + ".5", -kMax},
        {std::string(400, '0') + "42.5", 42.5},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ParsePlainDecimal(Bytes(r.text)), r.value) << r.text.substr(0, 30);
    }
    const double tiny = ParsePlainDecimal(Bytes("0." + std::string(400, '0') + "1"));
    EXPECT_TRUE(std::isfinite(tiny));
    EXPECT_GE(tiny, 0.0);
    EXPECT_LT(tiny, 1e-300);
}

TEST(SummaryReader, ReadSummaryFileReadsQvlTxtInTheWorkingDirectory) {
    TestFolder dir;
    std::vector<SummaryRecord> records(3);
    EXPECT_FALSE(ReadSummaryFile(dir.path(), records));  // missing file
    EXPECT_TRUE(records.empty());

    ASSERT_TRUE(dir.write(QStringLiteral("QVL.txt"), Bytes(kHeader)));
    EXPECT_TRUE(ReadSummaryFile(dir.path(), records));  // opened and read, no results
    EXPECT_TRUE(records.empty());

    ASSERT_TRUE(dir.write(QStringLiteral("QVL.txt"),
                          Bytes(kHeader + "A\t2024/05/06\t10:11:12\tS1\t20.000\r\n" +
                                "B\t2024/05/06\t10:12:00\tS2\t19.500\r\n")));
    ASSERT_TRUE(ReadSummaryFile(dir.path(), records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].subject, "S2");
    EXPECT_TRUE(records[1].latest);
    EXPECT_FALSE(records[0].latest);
}

// The subject of the one record marked latest; "" when none is, "2 marked" when more are.
std::string Latest(const std::vector<SummaryRecord>& records) {
    std::string subject;
    int marked = 0;
    for (const SummaryRecord& r : records) {
        if (r.latest) {
            subject = r.subject;
            ++marked;
        }
    }
    return marked > 1 ? std::to_string(marked) + " marked" : subject;
}

TEST(SummaryReader, TheLineAtAnOffsetIsTheLatest) {
    const std::string ours = "A\t2024/05/06\t10:11:12\tOURS\t20.000\r\n";
    const std::string other = "B\t2024/05/06\t10:11:13\tOTHER\t19.000\r\n";
    const std::string longLine = "A\t2024/05/06\t09:00:00\t" + std::string(2500, 'L') + "\t9.0\r\n";
    const struct {
        const char* what;
        std::string before, after;
        qint64 shift;        // added to ours' offset
        const char* latest;  // the subject marked latest
    } rows[] = {
        {"another station's line follows", kHeader + other, other, 0, "OURS"},
        {"ours is the last line", kHeader + other, "", 0, "OURS"},
        {"ours is the first result", kHeader, other + other, 0, "OURS"},
        {"after a line read in pieces", kHeader + longLine, other, 0, "OURS"},
        {"LF line ends", "Type\n" + std::string("B\tx\ty\tLF\t1.0\n"), other, 0, "OURS"},
        {"not at a line's start", kHeader + other, other, 1, ""},
        {"the header", "", other, 0, ""},
        {"after a blank line", kHeader + other + "\r\n", other, 0, "OURS"},
        {"past the end of the file", kHeader, "", 1000, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string file = r.before + (r.before.empty() ? kHeader : ours) + r.after;
        const qint64 offset = static_cast<qint64>(r.before.size()) + r.shift;
        EXPECT_EQ(Latest(ParseSummary(Bytes(file), offset)), r.latest);
    }
}

// The ranking after a run: two stations write to one summary file, and each station's ranking
// shows its own run, although the file's last line is the other station's.
TEST(SummaryReader, EachStationsRankingShowsItsOwnRun) {
    test::UseUtc();
    TestFolder dir;
    auto write = [&](const char* subject, std::int64_t when, SummaryLineWritten& line) {
        ExperimentState s = test::MakeRun(subject, kPartA, kTargetCount);
        test::FakeMessageBoxes boxes;
        RecordsContext context;
        context.directory = dir.path();
        const test::FixedClock clock(when);
        context.clock = &clock;
        return WriteRecords(s, true, boxes, context, &line);
    };
    SummaryLineWritten first;
    SummaryLineWritten second;
    ASSERT_TRUE(write("STATION1", test::kRecordTime, first));
    ASSERT_TRUE(write("STATION2", test::kRecordTime + 1, second));
    EXPECT_EQ(first.path, dir.path() + QStringLiteral("/QVL.txt"));
    EXPECT_EQ(first.offset, static_cast<qint64>(kHeader.size()));
    EXPECT_EQ(first.line, "A\t2024/03/05\t07:08:09\tSTATION1\t24.000\r\n");

    std::vector<SummaryRecord> records;
    ASSERT_TRUE(ReadRunResult(first, records));
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(Latest(records), "STATION1");
    ASSERT_TRUE(ReadRunResult(second, records));
    EXPECT_EQ(Latest(records), "STATION2");
    ASSERT_TRUE(ReadSummaryFile(dir.path(), records));  // the menu's Show Result: the last line
    EXPECT_EQ(Latest(records), "STATION2");

    // The line is gone from where it was written: no other line stands in for it.
    SummaryLineWritten moved = first;
    moved.offset += 1;
    EXPECT_FALSE(ReadRunResult(moved, records));
    EXPECT_TRUE(records.empty());
    ASSERT_TRUE(dir.write(QStringLiteral("QVL.txt"), Bytes(kHeader) + second.line + first.line));
    EXPECT_FALSE(ReadRunResult(first, records));
    EXPECT_FALSE(ReadRunResult(SummaryLineWritten{}, records));
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("QVL.txt"))));
    EXPECT_FALSE(ReadRunResult(second, records));
}

// A blank line in the summary file (a cut row, an edit by hand) once hid every result after it:
// the run's own line was not found for the ranking, and Show Result took an older line as the
// latest.
TEST(SummaryReader, ABlankLineHidesNoLaterResult) {
    test::UseUtc();
    TestFolder dir;
    const std::string older = "A\t2024/05/06\t10:11:12\tOLDER\t20.000\r\n";
    for (const std::string& blank : {"\r\n"s, " \t\r\n"s, "\r\n\r\n\r\n"s}) {
        SCOPED_TRACE(blank);
        ASSERT_TRUE(dir.write(QStringLiteral("QVL.txt"), Bytes(kHeader + older + blank)));
        ExperimentState s = test::MakeRun("NEW", kPartA, kTargetCount);
        test::FakeMessageBoxes boxes;
        RecordsContext context;
        context.directory = dir.path();
        const test::FixedClock clock(test::kRecordTime);
        context.clock = &clock;
        SummaryLineWritten written;
        ASSERT_TRUE(WriteRecords(s, true, boxes, context, &written));

        std::vector<SummaryRecord> records;
        ASSERT_TRUE(ReadRunResult(written, records));  // the ranking after the run
        EXPECT_EQ(records.size(), 2u);
        EXPECT_EQ(Latest(records), "NEW");
        ASSERT_TRUE(ReadSummaryFile(dir.path(), records));  // Show Result
        EXPECT_EQ(records.size(), 2u);
        EXPECT_EQ(Latest(records), "NEW");
    }
}

TEST(SummaryReader, HostileBytesParseWithoutHarm) {
    std::string binary(1 << 20, '\0');
    std::uint32_t x = 12345;
    for (char& ch : binary) {
        x = x * 1664525u + 1013904223u;
        ch = static_cast<char>(x >> 24);
    }
    binary[0] = 'H';  // a header line that is not empty
    for (const std::string& file :
         {binary, std::string(4 << 20, 'a'), "H\n" + std::string(4 << 20, '\t'),
          "H\n" + std::string(1 << 20, '\r')}) {
        for (const SummaryRecord& r : ParseSummary(Bytes(file))) {
            EXPECT_TRUE(std::isfinite(r.total_rt));
        }
    }
}

}  // namespace
}  // namespace quorvel
