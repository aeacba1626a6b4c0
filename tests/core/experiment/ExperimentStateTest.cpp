#include <gtest/gtest.h>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/LabelTable.h"
#include "core/experiment/StimulusMapping.h"

namespace quorvel {
namespace {

TEST(ExperimentState, StartsWithTheInitialValues) {
    ExperimentState s;
    EXPECT_EQ(s.subject, "SBJ0000");
    EXPECT_EQ(s.test_type, 0);
    EXPECT_EQ(s.random_seed, 0);
    EXPECT_EQ(s.flag_ranking, 0);
    EXPECT_EQ(s.completed, 0);
    for (const TrialRecord& r : s.records) {
        // Before the first run the records are zero, not at their reset values.
        EXPECT_EQ(r.trial, 0);
        EXPECT_EQ(r.resp, 0);
        EXPECT_EQ(r.resp_x, 0);
    }
    for (const Stimulus& st : s.stimuli) {
        EXPECT_EQ(st.x, 0);
        EXPECT_EQ(st.y, 0);
    }
}

TEST(ExperimentState, ResetLogTouchesOnlyTheLog) {
    ExperimentState s;
    s.subject = "X";
    s.test_type = 7;
    s.random_seed = -3;
    s.flag_ranking = 1;
    s.stimuli[4] = {100, 200};
    s.completed = 9;
    s.records[3] = {4, 7, 10, 11, 5000, 3};
    ResetLog(s);
    for (int i = 0; i < kTargetCount; ++i) {
        const TrialRecord& r = s.records[i];
        EXPECT_EQ(r.trial, i + 1);
        EXPECT_EQ(r.resp, -1);
        EXPECT_EQ(r.resp_x, -1);
        EXPECT_EQ(r.resp_y, -1);
        EXPECT_EQ(r.hit_time, 0);
        EXPECT_EQ(r.errors, 0);
    }
    EXPECT_EQ(s.completed, 0);
    EXPECT_EQ(s.subject, "X");
    EXPECT_EQ(s.test_type, 7);
    EXPECT_EQ(s.random_seed, -3);
    EXPECT_EQ(s.flag_ranking, 1);
    EXPECT_EQ(s.stimuli[4].x, 100);
}

TEST(LabelTable, PartAIsOneToTwentyFive) {
    for (int i = 0; i < kTargetCount; ++i) {
        EXPECT_EQ(LabelFor(kPartA, i), std::to_string(i + 1));
    }
}

TEST(LabelTable, PartBAlternatesNumbersAndKanaAsCp932) {
    // a i u e o ka ki ku ke ko sa shi, each one two-byte CP932 character.
    const char* kana[12] = {"\x82\xA0", "\x82\xA2", "\x82\xA4", "\x82\xA6", "\x82\xA8", "\x82\xA9",
                            "\x82\xAB", "\x82\xAD", "\x82\xAF", "\x82\xB1", "\x82\xB3", "\x82\xB5"};
    for (int i = 0; i < kTargetCount; ++i) {
        const std::string expected = i % 2 == 0 ? std::to_string(i / 2 + 1) : kana[i / 2];
        EXPECT_EQ(LabelFor(kPartB, i), expected) << "position " << i;
    }
    // Strictly alternating to the end: ..., 12, shi, 13.
    EXPECT_EQ(LabelFor(kPartB, 22), "12");
    EXPECT_EQ(LabelFor(kPartB, 23), "\x82\xB5");
    EXPECT_EQ(LabelFor(kPartB, 24), "13");
}

TEST(LabelTable, LatinLettersReplaceTheKanaOnlyInPartB) {
    const std::string latin[] = {"1", "A", "2", "B", "3", "C",  "4", "D",  "5", "E",  "6", "F", "7",
                                 "G", "8", "H", "9", "I", "10", "J", "11", "K", "12", "L", "13"};
    ExperimentState state;
    state.labels = LabelScript::Latin;
    for (int i = 0; i < kTargetCount; ++i) {
        state.test_type = kPartB;
        EXPECT_EQ(LabelFor(state, i), latin[i]) << "position " << i;
        state.test_type = kPartA;
        EXPECT_EQ(LabelFor(state, i), std::to_string(i + 1)) << "position " << i;
    }
    state.labels = LabelScript::Hiragana;
    state.test_type = 7;
    EXPECT_EQ(LabelFor(state, 1), "\x82\xA0");
}

TEST(LabelTable, AnyNonZeroTestTypeIsPartB) {
    for (TestType t : {1, 2, 7, -1}) {
        EXPECT_EQ(LabelFor(t, 1), "\x82\xA0") << t;
    }
}

struct MappingCase {
    int w, h;
    double scale, offsetX, offsetY;
};

TEST(StimulusMapping, FitsTheLogicalPlaneIntoTheWindow) {
    const MappingCase cases[] = {
        {1024, 768, 1.0, 0.0, 0.0},       {1920, 1080, 1.40625, 240.0, 0.0},
        {1280, 1024, 1.25, 0.0, 32.0},    {2048, 1536, 2.0, 0.0, 0.0},
        {3840, 2160, 2.8125, 480.0, 0.0},
    };
    for (const MappingCase& c : cases) {
        const StimulusMapping m = FitStimulusSpace(c.w, c.h);
        EXPECT_DOUBLE_EQ(m.scale, c.scale) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(m.offsetX, c.offsetX) << c.w << "x" << c.h;
        EXPECT_DOUBLE_EQ(m.offsetY, c.offsetY) << c.w << "x" << c.h;
    }
}

TEST(StimulusMapping, WindowPixelsMapBackTruncatedTowardZeroAndUnclamped) {
    const StimulusMapping hd = FitStimulusSpace(1920, 1080);
    struct Row {
        int px, py, x, y;
    } rows[] = {
        {240, 0, 0, 0},           // corner of the fitted area
        {100, 0, -99, 0},         // left bar: -99.55 truncates toward zero
        {1919, 1079, 1193, 767},  // right bar: beyond 1023
        {241, 1, 0, 0},           // 0.71 truncates to 0
        {960, 540, 512, 384},     // centre
    };
    for (const Row& r : rows) {
        const Stimulus s = ToStimulus(hd, r.px, r.py);
        EXPECT_EQ(s.x, r.x) << r.px << "," << r.py;
        EXPECT_EQ(s.y, r.y) << r.px << "," << r.py;
    }
    const WindowPoint w = ToWindow(hd, 0, 0);
    EXPECT_DOUBLE_EQ(w.x, 240.0);
    EXPECT_DOUBLE_EQ(w.y, 0.0);
    const StimulusMapping sxga = FitStimulusSpace(1280, 1024);
    EXPECT_EQ(ToStimulus(sxga, 0, 0).y, -25);  // top bar: -32 / 1.25 = -25.6
}

}  // namespace
}  // namespace quorvel
