#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvel {

// One test always has this many targets; every per-target array is indexed by the
// target's sequence position 0..24 (position 0 is touched first).
constexpr int kTargetCount = 25;

// Stimulus space: the fixed logical plane in which targets are laid out and touches are
// recorded, origin top-left, y downwards.
constexpr int kLogicalWidth = 1024;
constexpr int kLogicalHeight = 768;

// The form of the test. The settings file may hold any integer, and every test compares it
// with 0: anything other than Part A behaves as Part B.
using TestType = std::int32_t;
constexpr TestType kPartA = 0;
constexpr TestType kPartB = 1;
inline bool IsPartA(TestType t) {
    return t == kPartA;
}

// The letters of Part B: hiragana (the default, with Japanese texts) or the Latin A to L (with
// English texts). Part A's numbers are the same in both.
enum class LabelScript { Hiragana, Latin };

// Targets of a practice trail: the first eight of the form.
constexpr int kPracticeTargetCount = 8;

// Index into the experiment window's texture table; index 0 is the canvas, -1 a failure.
using TextureHandle = std::int32_t;

// One target's centre in stimulus space.
struct Stimulus {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// What a run learns about one target.
struct TrialRecord {
    std::int32_t trial = 0;   // 1-based number of the target
    std::int32_t resp = 0;    // circle the first touch fell in, 0 for none, -1 before any touch
    std::int32_t resp_x = 0;  // stimulus-space position of that first touch, -1 before any
    std::int32_t resp_y = 0;
    std::int32_t hit_time = 0;  // the clock as sampled at the correct touch, ms
    std::int32_t errors = 0;    // wrong presses while this target was awaited
};

// The one state the process works on: the conditions of the next run, the layout, the log of
// the current run and the handles of its images. Texts are CP932 bytes.
struct ExperimentState {
    std::string subject = "SBJ0000";
    TestType test_type = kPartA;
    std::int32_t random_seed = 0;  // 0: seed from the clock; used as its 32-bit pattern
    std::int32_t flag_ranking = 0;
    // The 32-bit pattern that seeded the last run's layout: random_seed's own, or the clock's
    // when random_seed is 0. Given back as random_seed (the same bits) it makes the same layout.
    std::uint32_t run_seed = 0;
    LabelScript labels = LabelScript::Hiragana;
    // A practice trail: its first target_count targets only, a wrong touch shown, recorded in
    // the runs folder alone (never in the trial log, the summary file or the ranking).
    bool practice = false;
    std::int32_t target_count = kTargetCount;

    std::array<Stimulus, kTargetCount> stimuli{};
    // All zero until the first reset: nothing reads them before a run resets the log.
    std::array<TrialRecord, kTargetCount> records{};
    std::int32_t completed = 0;

    std::array<TextureHandle, kTargetCount> target_textures{};
    TextureHandle blank_texture = 0;
    TextureHandle ring_texture = 0;
    TextureHandle wrong_texture = 0;  // a practice's mark of a wrong touch; 0 in a test
};

// Log reset before each run: records to their reset values, completed to 0. Touches neither
// the conditions nor the layout.
void ResetLog(ExperimentState& state);

// The targets of the run: target_count kept within 0..25.
int TargetCount(const ExperimentState& state);

// Every wrong press of the run, those made while the target of an abort was awaited included.
int TotalErrors(const ExperimentState& state);

}  // namespace quorvel
