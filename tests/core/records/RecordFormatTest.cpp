#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/records/RecordFormat.h"
#include "core/records/RecordsTestSupport.h"

namespace quorvel {
namespace {

class RecordFormat : public ::testing::Test {
  protected:
    void SetUp() override { test::UseUtc(); }
};

TEST_F(RecordFormat, DerivesResponseTimesFromTheClockRestartAtTrialTwo) {
    // Readings 812, 640, 975: the first target stands alone, the clock restarts at trial 2.
    ExperimentState s;
    s.subject = "P7";
    ResetLog(s);
    s.stimuli[0] = {100, 200};
    s.stimuli[1] = {953, 70};
    s.stimuli[2] = {512, 384};
    s.records[0] = {1, 1, 101, 199, 812, 0};
    s.records[1] = {2, 0, 600, 600, 640, 2};  // first touch on no circle, two wrong presses
    s.records[2] = {3, 1, 90, 210, 975, 1};   // first touch on circle 1
    s.completed = 3;
    EXPECT_EQ(TrialLogRows(s, {"2024/03/05", "07:08:09"}),
              "P7,A,2024/03/05,07:08:09,1,100,200,1,101,199,812,0,0\r\n"
              "P7,A,2024/03/05,07:08:09,2,953,70,0,600,600,640,640,2\r\n"
              "P7,A,2024/03/05,07:08:09,3,512,384,1,90,210,335,975,1\r\n");
}

TEST_F(RecordFormat, WritesOnlyTheCompletedRecords) {
    ExperimentState s = test::MakeRun("S", 1, 2);
    s.records[2] = {3, 5, 10, 10, 0, 4};  // the target awaited at the abort: touched, not found
    EXPECT_EQ(TrialLogRows(s, {"d", "t"}),
              "S,B,d,t,1,70,697,1,73,695,1500,0,0\r\n"
              "S,B,d,t,2,105,672,2,108,670,1000,1000,0\r\n");
    s.completed = 0;
    EXPECT_EQ(TrialLogRows(s, {"d", "t"}), "");
    ExperimentState full = test::MakeRun("S", 1, kTargetCount);
    const std::string all = TrialLogRows(full, {"d", "t"});
    full.completed = 99;  // a corrupted count never reads past the arrays
    EXPECT_EQ(TrialLogRows(full, {"d", "t"}), all);
}

TEST_F(RecordFormat, SummaryLineGivesTheLastTotalInSeconds) {
    ExperimentState s = test::MakeRun("S01", 2, 25);  // any type but 0 is Part B
    s.records[24].hit_time = 23456;
    EXPECT_EQ(SummaryLine(s, {"2024/03/05", "07:08:09"}),
              "B\t2024/03/05\t07:08:09\tS01\t23.456\r\n");
}

TEST_F(RecordFormat, SecondsHaveThreeExactDecimals) {
    const struct {
        std::int32_t ms;
        const char* text;
    } cases[] = {
        {23456, "23.456"},
        {0, "0.000"},
        {5, "0.005"},
        {1000, "1.000"},
        {999999, "999.999"},
        {-5, "-0.005"},
        {std::numeric_limits<std::int32_t>::max(), "2147483.647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483.648"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSeconds(c.ms), c.text) << c.ms;
    }
}

TEST_F(RecordFormat, RecordTimeIsLocalTimeOrItsFailureMarks) {
    const struct {
        std::int64_t seconds;
        const char* date;
        const char* time;
    } cases[] = {
        {test::kRecordTime, "2024/03/05", "07:08:09"},
        {1704067199, "2023/12/31", "23:59:59"},
        {0, "1970/01/01", "00:00:00"},
        // Beyond any year the calendar can hold: the conversion fails.
        {std::numeric_limits<std::int64_t>::max(), "0000/00/00", "-1:-1:-1"},
    };
    for (const auto& c : cases) {
        const RecordTimeText t = FormatRecordTime(c.seconds);
        EXPECT_EQ(t.date, c.date) << c.seconds;
        EXPECT_EQ(t.time, c.time) << c.seconds;
    }
}

}  // namespace
}  // namespace quorvel
