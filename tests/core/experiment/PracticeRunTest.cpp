#include <gtest/gtest.h>

#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "core/experiment/PracticeRun.h"
#include "core/experiment/TrailGeometry.h"

// The practice before a test: eight targets of the test's form on a layout of their own, the
// same for the same seed, never the test's own positions.

namespace quorvel {
namespace {

ExperimentState TestRun(std::uint32_t seed, TestType form, LabelScript labels) {
    ExperimentState test;
    test.subject = "S01";
    test.test_type = form;
    test.random_seed = static_cast<std::int32_t>(seed);
    test.labels = labels;
    LcgRandom rng;
    test.run_seed = SeedForRun(rng, test.random_seed);
    EXPECT_EQ(PlaceTargets(rng, test.stimuli), kTargetCount);
    return test;
}

TEST(PracticeRun, EightTargetsOfTheTestsFormOnTheirOwnReproducibleLayout) {
    for (const std::uint32_t seed : {1u, 42u, 4294967295u, 123456789u}) {
        for (const TestType form : {kPartA, kPartB}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " form " << form);
            const ExperimentState test = TestRun(seed, form, LabelScript::Latin);
            const ExperimentState practice = MakePracticeRun(test);
            EXPECT_TRUE(practice.practice);
            EXPECT_EQ(practice.target_count, kPracticeTargetCount);
            EXPECT_EQ(practice.subject, test.subject);
            EXPECT_EQ(practice.test_type, form);
            EXPECT_EQ(practice.labels, LabelScript::Latin);
            EXPECT_EQ(practice.completed, 0);
            EXPECT_EQ(practice.records[7].resp, -1);
            EXPECT_NE(practice.run_seed, test.run_seed);

            // Placed by the layout rule, and none at a position of the test's.
            EXPECT_GE(ShortestCentreDistance(practice.stimuli.data(), kPracticeTargetCount),
                      kLayoutMinDistance);
            for (int i = 0; i < kPracticeTargetCount; ++i) {
                const Stimulus p = practice.stimuli[i];
                EXPECT_TRUE(p.x >= 70 && p.x <= 953 && p.y >= 70 && p.y <= 697) << i;
                EXPECT_FALSE(p.x == test.stimuli[i].x && p.y == test.stimuli[i].y) << i;
            }
            // The same test gives the same practice.
            const ExperimentState again = MakePracticeRun(test);
            for (int i = 0; i < kPracticeTargetCount; ++i) {
                EXPECT_EQ(again.stimuli[i].x, practice.stimuli[i].x);
                EXPECT_EQ(again.stimuli[i].y, practice.stimuli[i].y);
            }
        }
    }
}

}  // namespace
}  // namespace quorvel
