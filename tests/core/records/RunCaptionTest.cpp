#include <gtest/gtest.h>

#include <QTimeZone>

#include "core/records/RecordsTestSupport.h"
#include "core/records/RunCaption.h"

// The run picture's caption: who, what, which run, when, and how long from the run origin.

namespace quorvel {
namespace {

TEST(RunCaption, SaysWhenTheRunStartedAndHowLongItTook) {
    RunFacts facts;
    facts.run_id = QStringLiteral("20240305-070809-00af");
    facts.started = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9, 120), QTimeZone(9 * 3600));
    facts.total_rt_origin_us = 1502917;  // 1502 ms

    struct Row {
        int completed;
        const char* ending;
    };
    // Target 1 at 1500 ms; target k >= 2 at 1502 + 1000 (k - 1) ms.
    const Row rows[] = {
        {kTargetCount, "   completed in 25.502 s"},
        {3, "   target 3 reached at 3.502 s"},
        {1, "   target 1 reached at 1.500 s"},
        {0, ""},
    };
    for (const Row& row : rows) {
        ExperimentState state = test::MakeRun("\x94\xed", 1, row.completed);  // "被" in CP932
        state.run_seed = 7;
        EXPECT_EQ(RunCaption(state, facts),
                  QStringLiteral("被   Part B   20240305-070809-00af   %1/25   errors %2   seed 7"
                                 "   2024-03-05 07:08:09")
                          .arg(row.completed)
                          .arg(row.completed / 4) +
                      QLatin1String(row.ending))
            << row.completed;
    }
    // Without the TotalRT origin a later target has no time on the run's scale.
    ExperimentState state = test::MakeRun("S", 0, 5);
    facts.total_rt_origin_us.reset();
    EXPECT_TRUE(RunCaption(state, facts).endsWith(QStringLiteral("2024-03-05 07:08:09")));
}

}  // namespace
}  // namespace quorvel
