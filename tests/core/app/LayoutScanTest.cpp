#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app/LayoutScan.h"
#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "core/experiment/TrailGeometry.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"

// --layouts: the seeds of the conditions dialog, laid out by the run's own generator and
// measured as the run index measures a run's layout.

namespace quorvel {
namespace {

TEST(LayoutScan, RangesAreTwoDialogSeedsInOrder) {
    struct Row {
        const char* text;
        std::optional<std::pair<std::int32_t, std::int32_t>> range;
    };
    const Row rows[] = {
        {"1..1000000", std::make_pair(1, 1000000)},
        {"7..7", std::make_pair(7, 7)},
        {"-5..-1", std::make_pair(-5, -1)},
        {"-2147483648..2147483647", std::make_pair(INT32_MIN, INT32_MAX)},
        {"5..1", std::nullopt},
        {"1..2147483648", std::nullopt},
        {"1-10", std::nullopt},
        {"1..2..3", std::nullopt},
        {"..5", std::nullopt},
        {"a..b", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        const std::optional<SeedRange> range = ParseSeedRange(QString::fromLatin1(row.text));
        ASSERT_EQ(range.has_value(), row.range.has_value()) << row.text;
        if (range) {
            EXPECT_EQ(range->first, row.range->first) << row.text;
            EXPECT_EQ(range->last, row.range->second) << row.text;
        }
    }
}

// The positions are those a run with the same seed draws (its seeding, its generator, its
// layout function), whatever the clock says; the measures are the index's.
TEST(LayoutScan, ASeedGivesTheRunsOwnLayoutAndItsMeasures) {
    for (const std::int32_t seed : {1, 2, 353, 402, 2999, -1, INT32_MIN}) {
        SCOPED_TRACE(seed);
        ExperimentState state;
        LcgRandom rng(12345);  // a generator already used, as the program's is
        rng.Next();
        const test::FixedClock clock(1700000000);
        test::FakeMessageBoxes boxes;
        state.run_seed = SeedForRun(rng, seed, clock);
        const bool made = LayoutGenerator(state, rng, boxes) == 1;

        const auto layout = LayoutForSeed(seed);
        ASSERT_EQ(layout.has_value(), made);
        std::string line;
        AppendLayoutLine(seed, line);
        if (!made) {
            EXPECT_EQ(line, std::to_string(seed) + ",0,,,\n");
            continue;
        }
        for (int i = 0; i < kTargetCount; ++i) {
            EXPECT_EQ((*layout)[i].x, state.stimuli[i].x) << i;
            EXPECT_EQ((*layout)[i].y, state.stimuli[i].y) << i;
        }
        char expected[128];
        std::snprintf(expected, sizeof expected, "%d,1,%.1f,%d,%.1f\n", seed,
                      TrailLength(state.stimuli), TrailCrossings(state.stimuli),
                      ShortestCentreDistance(state.stimuli));
        EXPECT_EQ(line, expected);
    }
    // Known layouts: seed 1 begins at (240, 437) and ends at (950, 88); 353 and 402 fail.
    ASSERT_TRUE(LayoutForSeed(1));
    EXPECT_EQ((*LayoutForSeed(1))[0].x, 240);
    EXPECT_EQ((*LayoutForSeed(1))[0].y, 437);
    EXPECT_EQ((*LayoutForSeed(1))[24].x, 950);
    EXPECT_EQ((*LayoutForSeed(1))[24].y, 88);
    EXPECT_FALSE(LayoutForSeed(353));
    EXPECT_FALSE(LayoutForSeed(402));
}

TEST(LayoutScan, TheScanHasAHeaderAndALinePerSeedWithoutTheClocksZero) {
    std::string out;
    ASSERT_TRUE(ScanLayouts({-2, 2}, [&](std::string_view block) {
        out += block;
        return true;
    }));
    std::string expected(LayoutsHeader());
    for (const std::int32_t seed : {-2, -1, 1, 2}) {
        AppendLayoutLine(seed, expected);
    }
    EXPECT_EQ(out, expected);
    EXPECT_EQ(LayoutsHeader(), "seed,layout_made,trail_length,trail_crossings,shortest_distance\n");

    // A reader that goes away (a closed pipe) stops the scan; the blocks before were whole.
    std::vector<std::size_t> blocks;
    EXPECT_FALSE(ScanLayouts({1, 5000}, [&](std::string_view block) {
        blocks.push_back(block.size());
        return blocks.size() < 2;
    }));
    EXPECT_EQ(blocks.size(), 2u);
}

}  // namespace
}  // namespace quorvel
