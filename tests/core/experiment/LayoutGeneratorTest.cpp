#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "support/FakeMessageBoxes.h"
#include "support/FixedClock.h"

namespace quorvel {
namespace {

constexpr std::int64_t kSomeTime = 1700000000;  // any calendar time; unused for non-zero seeds
const test::FixedClock kSomeClock(kSomeTime);

std::array<Stimulus, kTargetCount> LayoutFor(std::int32_t seed) {
    LcgRandom rng;
    SeedForRun(rng, seed, kSomeClock);
    std::array<Stimulus, kTargetCount> stimuli{};
    EXPECT_EQ(PlaceTargets(rng, stimuli), kTargetCount) << "seed " << seed;
    return stimuli;
}

TEST(LcgRandom, FollowsTheClassicRuntimeSequence) {
    LcgRandom rng(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (int v : expected) {
        EXPECT_EQ(rng.Next(), v);
    }
    // The state wraps modulo 2^32.
    LcgRandom top(0xFFFFFFFFu);
    top.Next();
    EXPECT_EQ(top.State(), 0xFFFFFFFFu * 214013u + 2531011u);
}

TEST(LcgRandom, UniformRandomCombinesTwoDrawsWith32767) {
    LcgRandom rng(1);
    EXPECT_DOUBLE_EQ(UniformRandom(rng), (41 * 32767.0 + 18467) * 9.313225746154785e-10);
    EXPECT_DOUBLE_EQ(UniformRandom(rng), (6334 * 32767.0 + 26500) * 9.313225746154785e-10);
}

TEST(LcgRandom, RunSeedUsesTheBitPatternOrTheLowBitsOfTheTime) {
    struct Row {
        std::int32_t random_seed;
        std::int64_t now;
        std::uint32_t seed;
    } rows[] = {
        {1, kSomeTime, 1u},
        {402, kSomeTime, 402u},
        {-1, kSomeTime, 4294967295u},
        {std::numeric_limits<std::int32_t>::min(), kSomeTime, 0x80000000u},
        {0, kSomeTime, 1700000000u},
        {0, 0x100000005LL, 5u},  // past 2106 the time is cut to its low 32 bits
    };
    for (const Row& r : rows) {
        EXPECT_EQ(RunSeed(r.random_seed, r.now), r.seed) << r.random_seed << " at " << r.now;
    }
}

TEST(LcgRandom, SeedingForARunThrowsAwayTwoDrawsAndTellsTheSeedUsed) {
    struct Row {
        std::int32_t random_seed;
        std::int64_t now;
        std::uint32_t seed;
    } rows[] = {{1, kSomeTime, 1u}, {-1, kSomeTime, 4294967295u}, {0, 12345, 12345u}};
    for (const Row& r : rows) {
        LcgRandom seeded(999);
        EXPECT_EQ(SeedForRun(seeded, r.random_seed, test::FixedClock(r.now)), r.seed);
        LcgRandom expected(r.seed);
        expected.Next();
        expected.Next();
        EXPECT_EQ(seeded.State(), expected.State()) << r.random_seed;
    }
}

TEST(LayoutGenerator, SeedOneGivesTheKnownLayout) {
    ExperimentState state;
    state.random_seed = 1;
    LcgRandom rng;
    test::FakeMessageBoxes boxes;
    SeedForRun(rng, state.random_seed, kSomeClock);
    ASSERT_EQ(LayoutGenerator(state, rng, boxes), 1);
    EXPECT_TRUE(boxes.shown.empty());
    const Stimulus first[] = {{240, 437}, {379, 586}, {338, 127}, {200, 690}, {175, 75}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(state.stimuli[i].x, first[i].x) << "position " << i;
        EXPECT_EQ(state.stimuli[i].y, first[i].y) << "position " << i;
    }
    EXPECT_EQ(state.stimuli[24].x, 950);
    EXPECT_EQ(state.stimuli[24].y, 88);
}

TEST(LayoutGenerator, FailureKeepsPlacedAndPreviousPositionsAndTellsTheOperator) {
    struct Row {
        std::int32_t seed;
        int failsAt;
    } rows[] = {{353, 23}, {402, 24}};
    for (const Row& r : rows) {
        ExperimentState state;
        for (int i = 0; i < kTargetCount; ++i) {
            state.stimuli[i] = {-1 - i, -100 - i};  // the "previous layout", out of range
        }
        LcgRandom rng;
        SeedForRun(rng, r.seed, kSomeClock);
        std::array<Stimulus, kTargetCount> probe = state.stimuli;
        LcgRandom probeRng = rng;
        EXPECT_EQ(PlaceTargets(probeRng, probe), r.failsAt) << "seed " << r.seed;

        test::FakeMessageBoxes boxes;
        EXPECT_EQ(LayoutGenerator(state, rng, boxes), 0) << "seed " << r.seed;
        for (int i = 0; i < kTargetCount; ++i) {
            if (i < r.failsAt) {
                EXPECT_GE(state.stimuli[i].x, 70) << "seed " << r.seed << " position " << i;
            } else {
                EXPECT_EQ(state.stimuli[i].x, -1 - i) << "seed " << r.seed << " position " << i;
                EXPECT_EQ(state.stimuli[i].y, -100 - i) << "seed " << r.seed << " position " << i;
            }
        }
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, test::FakeMessageBoxes::Shown::Plain);
        EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("刺激配置を作成できません。\n"
                                                      "乱数初期値を変えて再試行してください。\n"
                                                      "（０ならば単純に再試行してください）"));
    }
}

TEST(LayoutGenerator, SeedsOneTo3000FailElevenTimesAndOtherwiseKeepTheirSpacing) {
    std::vector<int> failedAt;
    for (std::int32_t seed = 1; seed <= 3000; ++seed) {
        LcgRandom rng;
        SeedForRun(rng, seed, kSomeClock);
        std::array<Stimulus, kTargetCount> s{};
        const int placed = PlaceTargets(rng, s);
        if (placed != kTargetCount) {
            failedAt.push_back(placed);
            continue;
        }
        for (int i = 0; i < kTargetCount; ++i) {
            ASSERT_GE(s[i].x, 70) << "seed " << seed;
            ASSERT_LE(s[i].x, 953) << "seed " << seed;
            ASSERT_GE(s[i].y, 70) << "seed " << seed;
            ASSERT_LE(s[i].y, 697) << "seed " << seed;
            for (int j = 0; j < i; ++j) {
                ASSERT_GE(std::hypot(s[i].x - s[j].x, s[i].y - s[j].y), 128.0)
                    << "seed " << seed << " positions " << j << ", " << i;
            }
        }
    }
    EXPECT_EQ(failedAt.size(), 11u);
    for (int position : failedAt) {
        EXPECT_TRUE(position == 23 || position == 24) << position;
    }
}

TEST(LayoutGenerator, TheSameSeedGivesTheSameLayoutWhateverCameBefore) {
    const std::array<Stimulus, kTargetCount> once = LayoutFor(77);
    LcgRandom busy;
    SeedForRun(busy, 5, kSomeClock);
    for (int k = 0; k < 1000; ++k) {
        busy.Next();  // other draws in between change nothing: the run seeds afresh
    }
    SeedForRun(busy, 77, test::FixedClock(1700000000 + 3600));
    std::array<Stimulus, kTargetCount> again{};
    ASSERT_EQ(PlaceTargets(busy, again), kTargetCount);
    for (int i = 0; i < kTargetCount; ++i) {
        EXPECT_EQ(again[i].x, once[i].x) << i;
        EXPECT_EQ(again[i].y, once[i].y) << i;
    }
}

TEST(LayoutGenerator, ANegativeSeedLaysOutAsItsTwosComplementAndZeroAsTheTime) {
    // -1 seeds 4294967295; 0 seeds the time, so seed 0 at time 1 is the layout of seed 1.
    const std::array<Stimulus, kTargetCount> minusOne = LayoutFor(-1);
    LcgRandom rng(4294967295u);
    rng.Next();
    rng.Next();
    std::array<Stimulus, kTargetCount> pattern{};
    ASSERT_EQ(PlaceTargets(rng, pattern), kTargetCount);

    LcgRandom fromTime;
    SeedForRun(fromTime, 0, test::FixedClock(1));
    std::array<Stimulus, kTargetCount> timed{};
    ASSERT_EQ(PlaceTargets(fromTime, timed), kTargetCount);
    const std::array<Stimulus, kTargetCount> one = LayoutFor(1);
    for (int i = 0; i < kTargetCount; ++i) {
        EXPECT_EQ(minusOne[i].x, pattern[i].x) << i;
        EXPECT_EQ(minusOne[i].y, pattern[i].y) << i;
        EXPECT_EQ(timed[i].x, one[i].x) << i;
        EXPECT_EQ(timed[i].y, one[i].y) << i;
    }
}

// A run seeded from the clock (setting 0) reports the seed it used; entered as the seed (its
// 32-bit pattern: above 2147483647 as that minus 4294967296) it lays out the same targets,
// whatever the time was, past 2038 and past the 32-bit range of seconds too.
TEST(LayoutGenerator, TheSeedUsedReproducesAClockSeededLayout) {
    const std::int64_t times[] = {1, 1700000000, 2147483648LL, 3000000000LL, 4294967296LL + 77};
    for (const std::int64_t now : times) {
        LcgRandom timed;
        const std::uint32_t used = SeedForRun(timed, 0, test::FixedClock(now));
        EXPECT_EQ(used, static_cast<std::uint32_t>(now & 0xFFFFFFFF)) << now;
        std::array<Stimulus, kTargetCount> layout{};
        ASSERT_EQ(PlaceTargets(timed, layout), kTargetCount) << now;

        const std::int64_t entered = used > 2147483647u ? std::int64_t(used) - 4294967296LL : used;
        const std::array<Stimulus, kTargetCount> again =
            LayoutFor(static_cast<std::int32_t>(entered));
        for (int i = 0; i < kTargetCount; ++i) {
            EXPECT_EQ(layout[i].x, again[i].x) << now << " target " << i;
            EXPECT_EQ(layout[i].y, again[i].y) << now << " target " << i;
        }
    }
    // A seed set by the operator is used as it is.
    LcgRandom rng;
    EXPECT_EQ(SeedForRun(rng, -2, kSomeClock), 4294967294u);
}

}  // namespace
}  // namespace quorvel
