#include "core/experiment/PracticeRun.h"

#include <algorithm>

#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"

namespace quorvel {

namespace {

// Any fixed odd pattern: added to the test's seed it gives a different generator state, so a
// different sequence of positions.
constexpr std::uint32_t kPracticeSeedOffset = 0x9E3779B9u;

bool SamePositions(const ExperimentState& a, const ExperimentState& b, int count) {
    return std::equal(
        a.stimuli.begin(), a.stimuli.begin() + count, b.stimuli.begin(),
        [](const Stimulus& p, const Stimulus& q) { return p.x == q.x && p.y == q.y; });
}

}  // namespace

std::uint32_t PracticeSeed(std::uint32_t runSeed) {
    return runSeed + kPracticeSeedOffset;
}

ExperimentState MakePracticeRun(const ExperimentState& test) {
    ExperimentState practice;
    practice.subject = test.subject;
    practice.test_type = test.test_type;
    practice.random_seed = test.random_seed;
    practice.flag_ranking = test.flag_ranking;
    practice.labels = test.labels;
    practice.practice = true;
    practice.target_count = kPracticeTargetCount;
    ResetLog(practice);

    // Eight targets always fit (the rejection limit is never near); should a seed ever give
    // the test's own first positions, the next one is taken.
    std::uint32_t seed = PracticeSeed(test.run_seed);
    for (;;) {
        LcgRandom rng;
        rng.Seed(seed);
        rng.Next();
        rng.Next();
        practice.run_seed = seed;
        if (PlaceTargets(rng, practice.stimuli, kPracticeTargetCount) == kPracticeTargetCount &&
            !SamePositions(practice, test, kPracticeTargetCount)) {
            return practice;
        }
        ++seed;
    }
}

}  // namespace quorvel
