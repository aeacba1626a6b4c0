#include <gtest/gtest.h>

#include <optional>

#include "core/records/RecordsTestSupport.h"
#include "core/records/RunScores.h"

// The scores of a run against values worked out by hand: times on the run origin's scale, the
// component times between targets, and the trail of the layout.

namespace quorvel {
namespace {

// Five targets found, the clock read at 812 (target 1), then 640, 975, 2975 and 3100 after
// its restart: RTs 812, 640, 335, 2000, 125. The layout snakes through a grid, 150 apart.
ExperimentState HandRun(int completed) {
    ExperimentState state = test::MakeRun("S", 1, completed);
    const std::int32_t clock[] = {812, 640, 975, 2975, 3100};
    for (int i = 0; i < completed && i < 5; ++i) {
        state.records[i].hit_time = clock[i];
    }
    for (int i = 0; i < kTargetCount; ++i) {
        const int row = i / 5;
        const int col = row % 2 == 0 ? i % 5 : 4 - i % 5;
        state.stimuli[i] = {100 + 150 * col, 100 + 150 * row};
    }
    return state;
}

TEST(RunScores, TimesBetweenTargetsAndTheTrailAsWorkedOutByHand) {
    const std::optional<std::int64_t> origin = 1502917;  // TotalRT origin, µs: 1502 ms
    struct Row {
        int completed;
        QString fields;
    };
    // first, completion, trail length, crossings, mean, median, longest, which.
    const Row rows[] = {
        {0, QStringLiteral(",,3600.0,0,,,,")},
        {1, QStringLiteral("812,812,3600.0,0,,,,")},
        {2, QStringLiteral("812,2142,3600.0,0,640.0,640.0,640,2")},   // 1502 + 640
        {3, QStringLiteral("812,2477,3600.0,0,487.5,487.5,640,2")},   // (640 + 335) / 2
        {4, QStringLiteral("812,4477,3600.0,0,991.7,640.0,2000,4")},  // 2975 / 3
        {5, QStringLiteral("812,4602,3600.0,0,775.0,487.5,2000,4")},  // 3100 / 4
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.completed << " completed");
        const ExperimentState state = HandRun(row.completed);
        EXPECT_EQ(RunScoreFields(ScoreRun(state, origin)).join(QLatin1Char(',')), row.fields);
    }

    // The trial log's own RT and TotalRT, and the run origin's scale: target 1 from its clock,
    // later ones from the TotalRT origin, unknown without it.
    const ExperimentState state = HandRun(5);
    const std::int32_t rt[] = {812, 640, 335, 2000, 125};
    const std::int32_t totalRt[] = {0, 640, 975, 2975, 3100};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(TrialRtMs(state, i), rt[i]) << i;
        EXPECT_EQ(TrialTotalRtMs(state, i), totalRt[i]) << i;
        EXPECT_EQ(FromOriginMs(state, i, origin), i == 0 ? 812 : 1502 + totalRt[i]) << i;
        EXPECT_EQ(FromOriginMs(state, i, std::nullopt),
                  i == 0 ? std::optional<std::int64_t>(812) : std::nullopt)
            << i;
    }
    EXPECT_EQ(RunScoreFields(ScoreRun(state, std::nullopt)).join(QLatin1Char(',')),
              QStringLiteral("812,,3600.0,0,775.0,487.5,2000,4"));
}

TEST(RunScores, TheSlowestOfEquallySlowTargetsIsTheFirstOfThem) {
    ExperimentState state = test::MakeRun("S", 0, 4);
    for (int i = 0; i < 4; ++i) {
        state.records[i].hit_time = 500 * (i + 1);  // RTs 500, 1000, 500, 500
    }
    state.records[1].hit_time = 700;   // target 2: 700
    state.records[2].hit_time = 1400;  // target 3: 700
    state.records[3].hit_time = 2000;  // target 4: 600
    const RunScores scores = ScoreRun(state, 0);
    EXPECT_EQ(scores.longest_ms, 700);
    EXPECT_EQ(scores.longest_target, 2);
}

}  // namespace
}  // namespace quorvel
