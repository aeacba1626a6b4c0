#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/experiment/DriveExperiment.h"
#include "core/experiment/HitTest.h"
#include "core/experiment/MsTimer.h"
#include "core/experiment/ScriptedDriverIo.h"
#include "support/FreshClock.h"

namespace quorvel {
namespace {

using test::Input;
using test::PumpingMessageBoxes;
using test::ScriptedDriverIo;
using Shown = test::FakeMessageBoxes::Shown;

// A 5 x 5 grid, 180 x 140 units apart: target i (circle i + 1) sits at P(i).
Stimulus P(int i) {
    return {100 + 180 * (i % 5), 100 + 140 * (i / 5)};
}
constexpr Stimulus kEmpty{190, 170};  // on no circle

const StimulusMapping kMapping{2.0, 16.0, 8.0};  // the scripted window's mapping

QPoint Px(Stimulus s) {
    return {static_cast<int>(s.x * kMapping.scale + kMapping.offsetX),
            static_cast<int>(s.y * kMapping.scale + kMapping.offsetY)};
}

// Script builders: each input is delivered by one pump.
Input Make(Input::Kind kind, std::vector<QPoint> points = {}, int key = 0, int ms = 0) {
    Input in;
    in.kind = kind;
    in.points = std::move(points);
    in.key = key;
    in.ms = ms;
    return in;
}
Input Nothing() {
    return Make(Input::Nothing);
}
Input Touch(Stimulus s) {
    return Make(Input::Fingers, {Px(s)});
}
// Pressed and lifted within one pump; `busyMs` pass after the press in the same pump.
Input Tap(Stimulus s, int busyMs = 0) {
    return Make(Input::Tap, {Px(s)}, 0, busyMs);
}
// Pressed and held; `busyMs` pass after the press in the same pump.
Input TouchLate(Stimulus s, int busyMs) {
    return Make(Input::Fingers, {Px(s)}, 0, busyMs);
}
Input TouchPixel(QPoint p) {
    return Make(Input::Fingers, {p});
}
Input TwoFingers(Stimulus first, Stimulus second) {
    return Make(Input::Fingers, {Px(first), Px(second)});
}
Input Lift() {
    return Make(Input::Lift);
}
Input Down(int key) {
    return Make(Input::KeyDown, {}, key);
}
Input Up(int key) {
    return Make(Input::KeyUp, {}, key);
}
Input Elapse(int ms) {
    return Make(Input::Elapse, {}, 0, ms);
}
constexpr int kEsc = DriverIo::kEscape;
constexpr int kEnter = DriverIo::kEnter;

TrialRecord Reset(int position) {
    return {position + 1, -1, -1, -1, 0, 0};
}

void ExpectRecord(const TrialRecord& got, const TrialRecord& want, const char* what, int i) {
    EXPECT_EQ(got.trial, want.trial) << what << " record " << i;
    EXPECT_EQ(got.resp, want.resp) << what << " record " << i;
    EXPECT_EQ(got.resp_x, want.resp_x) << what << " record " << i;
    EXPECT_EQ(got.resp_y, want.resp_y) << what << " record " << i;
    EXPECT_EQ(got.hit_time, want.hit_time) << what << " record " << i;
    EXPECT_EQ(got.errors, want.errors) << what << " record " << i;
}

// The end message of a run aborted after `completed` targets when nobody wrote its records.
QString UnrecordedAbortText(int completed) {
    return completed == 0
               ? QStringLiteral(
                     "プログラムを中断しました。\n完了した目標がないため、試行データはありません。")
               : QStringLiteral("プログラムを中断しました。\n試行データは記録されていません。");
}

// A prepared run on the grid, with the manual clock: time passes only as the script says.
class DriveExperimentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < kTargetCount; ++i) {
            state.stimuli[i] = P(i);
        }
        ResetLog(state);
        io.mapping = kMapping;
    }
    test::FreshClock clock{test::FreshClock::Manual()};
    ExperimentState state;
    ScriptedDriverIo io;
    PumpingMessageBoxes boxes{io};
};

TEST_F(DriveExperimentTest, FullRunTimesEveryTargetAndReportsTheTotal) {
    // The first box takes a pump; then each target is touched at its centre and released.
    io.script = {Nothing(), Touch(P(0))};
    for (int i = 1; i < kTargetCount; ++i) {
        io.script.push_back(Lift());
        if (i == 24) {
            io.script.push_back(Elapse(12296));
        }
        io.script.push_back(Touch(P(i)));
    }

    EXPECT_EQ(DriveExperiment(state, io, boxes,
                              [](DriveOutcome) {
                                  return KeptRecords{true, true, true};
                              }),
              DriveOutcome::Completed);
    EXPECT_EQ(state.completed, 25);
    EXPECT_FALSE(io.ranDry);
    EXPECT_EQ(io.clicks, 25);
    std::vector<int> scenes;
    for (int i = 0; i <= kTargetCount; ++i) {
        scenes.push_back(i);
    }
    EXPECT_EQ(io.scenes, scenes);

    // One idle per sample: target 0 at 1 ms after the start; from target 1 on the clock runs
    // from the start of target 1's wait, two idles per target (release, touch).
    for (int i = 0; i < kTargetCount; ++i) {
        const int hit = i == 0 ? 1 : i == 24 ? 12345 : 2 * i;
        ExpectRecord(state.records[i], {i + 1, i + 1, P(i).x, P(i).y, hit, 0}, "full", i);
    }
    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(tick_hook.load(), nullptr);

    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("実験開始"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("数字（1～25）を順番に選んでください"));
    EXPECT_EQ(boxes.shown[1].kind, Shown::Plain);
    EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("課題終了"));
    EXPECT_EQ(boxes.shown[1].text,
              QStringLiteral("終了です。お疲れさまでした。\n（所要時間 = 12.345 秒）"));
}

TEST_F(DriveExperimentTest, InstructionFollowsTheTestType) {
    const QString partA = QStringLiteral("数字（1～25）を順番に選んでください");
    const QString partB = QStringLiteral("数字（1～13）とひらがな（あ～し）を順に選んでください");
    const std::pair<TestType, QString> rows[] = {{0, partA}, {1, partB}, {2, partB}, {-1, partB}};
    for (const auto& [testType, text] : rows) {
        ScriptedDriverIo run;
        PumpingMessageBoxes shown{run};
        run.script = {Nothing(), Down(kEsc), Up(kEsc)};
        state.test_type = testType;
        EXPECT_EQ(DriveExperiment(state, run, shown), DriveOutcome::Aborted);
        ASSERT_FALSE(shown.shown.empty());
        EXPECT_EQ(shown.shown[0].kind, Shown::Plain);
        EXPECT_EQ(shown.shown[0].caption, QStringLiteral("実験開始"));
        EXPECT_EQ(shown.shown[0].text, text) << "test_type " << testType;
    }
}

TEST_F(DriveExperimentTest, HitRadiusIsFiftyUnitsInclusiveAfterTruncation) {
    // Target 0 at (100, 100); the window maps x * 2 + 16, y * 2 + 8.
    struct Row {
        QPoint pixel;
        int result;
        TrialRecord record;
    } rows[] = {
        {Px({150, 100}), 1, {1, 1, 150, 100, 1, 0}},  // exactly 50 units
        {Px({151, 100}), 0, {1, 0, 151, 100, 0, 1}},  // 51 units
        {Px({130, 140}), 1, {1, 1, 130, 140, 1, 0}},  // 30, 40: exactly 50
        {Px({130, 141}), 0, {1, 0, 130, 141, 0, 1}},  // 50.6 units
        {Px({100, 50}), 1, {1, 1, 100, 50, 1, 0}},
        {{317, 208}, 1, {1, 1, 150, 100, 1, 0}},  // x 150.5 truncates to 150: on it
        {{115, 208}, 0, {1, 0, 49, 100, 0, 1}},   // x 49.5 truncates to 49: 51 units off
        {{15, 208}, 0, {1, 0, 0, 100, 0, 1}},     // x -0.5 truncates toward zero, to 0
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "pixel " << r.pixel.x() << "," << r.pixel.y());
        ResetLog(state);
        tick_count = 0;
        ScriptedDriverIo run;
        run.mapping = kMapping;
        run.script = {TouchPixel(r.pixel), Lift(), Down(kEsc), Up(kEsc)};
        EXPECT_EQ(AwaitTarget(state, run, 0), r.result);
        EXPECT_EQ(run.clicks, r.result);
        EXPECT_FALSE(run.ranDry);
        ExpectRecord(state.records[0], r.record, "hit radius", 0);
    }
}

// A run as a script, and what it must leave behind. Records not listed are at their reset
// values from the awaited target on; earlier ones are not looked at.
struct Scenario {
    const char* name;
    std::vector<Input> script;
    DriveOutcome outcome;
    int completed;
    std::vector<std::pair<int, TrialRecord>> records;
    bool latches = false;  // the window keeps presses (as the experiment window does)
};

// The scripted runs, each a test of its own named after its description.
std::vector<Scenario> Scenarios() {
    return {
        {"escape at the first target",
         {Nothing(), Down(kEsc), Up(kEsc)},
         DriveOutcome::Aborted,
         0,
         {}},
        {"wrong touches: empty space, another circle, a completed circle, a later circle",
         {Nothing(), Touch(P(0)),
          // target 1: on no circle, then on circle 7: one first touch, two errors
          Lift(), Touch(kEmpty), Lift(), Touch(P(6)), Lift(), Touch(P(1)),
          // target 2: on completed circle 1
          Lift(), Touch(P(0)), Lift(), Touch(P(2)),
          // target 3: on circle 7, held a while: one error
          Lift(), Touch(P(6)), Nothing(), Nothing(), Nothing(), Lift(), Nothing(), Touch(P(3)),
          // target 4: 51 units off, then Escape
          Lift(), Touch({P(4).x + 51, P(4).y}), Lift(), Down(kEsc), Up(kEsc)},
         DriveOutcome::Aborted,
         4,
         {{0, {1, 1, 100, 100, 1, 0}},
          {1, {2, 0, kEmpty.x, kEmpty.y, 6, 2}},
          {2, {3, 1, 100, 100, 10, 1}},
          {3, {4, 7, 280, 240, 18, 1}},
          {4, {5, 0, 871, 100, 0, 1}}}},
        {"a finger held after a correct touch counts for nothing until lifted",
         {Nothing(), Touch(P(0)),
          // slides onto target 1 while still down, stays, is lifted, then touches it
          Touch(P(1)), Nothing(), Nothing(), Lift(), Touch(P(1)), Lift(), Down(kEsc), Up(kEsc)},
         DriveOutcome::Aborted,
         2,
         {{0, {1, 1, 100, 100, 1, 0}}, {1, {2, 2, P(1).x, P(1).y, 5, 0}}}},
        {"with two fingers only the first is evaluated",
         {Nothing(), TwoFingers(kEmpty, P(0)), Lift(), TwoFingers(P(0), kEmpty), Lift(), Down(kEsc),
          Up(kEsc)},
         DriveOutcome::Aborted,
         1,
         {{0, {1, 0, kEmpty.x, kEmpty.y, 3, 1}}}},
        {"a first touch in a bar at x = -1 is kept through the correct touch",
         {Nothing(), TouchPixel({13, 608}), Lift(), Touch(P(0)), Lift(), Down(kEsc), Up(kEsc)},
         DriveOutcome::Aborted,
         1,
         {{0, {1, 0, -1, 300, 3, 1}}}},
        {"escape held when a target's wait begins is waited out; a new press aborts",
         {Down(kEsc),  // while the instruction box is open
          Nothing(), Nothing(), Up(kEsc), Touch(P(0)), Lift(), Down(kEsc), Up(kEsc)},
         DriveOutcome::Aborted,
         1,
         {{0, {1, 1, 100, 100, 1, 0}}}},
        {"enter held from the instruction box delays the first wait; its clock runs",
         {Down(kEnter), Elapse(30), Up(kEnter), Touch(P(0)), Lift(), Down(kEsc), Up(kEsc)},
         DriveOutcome::Aborted,
         1,
         {{0, {1, 1, 100, 100, 31, 0}}}},
        {"escape pressed during a wrong press aborts once the press is released",
         {Nothing(), Touch(kEmpty), Down(kEsc), Up(kEsc), Nothing(), Lift(), Nothing()},
         DriveOutcome::Aborted,
         0,
         {{0, {1, 0, kEmpty.x, kEmpty.y, 0, 1}}}},
        // With the presses kept, a touch is timed at its press, not at the look that finds it,
        // and a tap is found even when its release came in the same pump as its press.
        {"kept presses: taps, a busy pump, a wrong tap, a held wrong press, a tap during a wait",
         {Nothing(),
          Tap(P(0)),  // 0: pressed and lifted before the driver looks, at 0
          // 1: 5 ms on, a tap whose pump then takes 200 ms
          Elapse(5), Tap(P(1), 200),
          // 2: a wrong tap counts one error without waiting for a release; then a held touch
          Tap(kEmpty), Touch(P(2)),
          // 3: a wrong press held over pumps counts once; Enter goes down before the touch
          Lift(), Touch(P(6)), Nothing(), Lift(), Down(kEnter), Touch(P(3)),
          // 4: a wrong tap made while the driver waits for Enter's release answers nothing
          Lift(), Tap(kEmpty), Up(kEnter), Touch(P(4)),
          // 5: aborted
          Lift(), Down(kEsc), Up(kEsc)},
         DriveOutcome::Aborted,
         5,
         {{0, {1, 1, 100, 100, 0, 0}},
          {1, {2, 2, P(1).x, P(1).y, 6, 0}},
          {2, {3, 0, kEmpty.x, kEmpty.y, 208, 1}},
          {3, {4, 7, 280, 240, 214, 1}},
          {4, {5, 5, P(4).x, P(4).y, 215, 0}}},
         true},
        {"kept presses: two fingers down together are one press, at the first finger",
         {Nothing(), TwoFingers(kEmpty, P(0)), Lift(), TouchLate(P(0), 40), Lift(), Down(kEsc),
          Up(kEsc)},
         DriveOutcome::Aborted,
         1,
         {{0, {1, 0, kEmpty.x, kEmpty.y, 2, 1}}},
         true},
    };
}

// "escape at the first target" -> "EscapeAtTheFirstTarget".
std::string TestName(const char* description) {
    std::string name;
    bool wordStart = true;
    for (const char* c = description; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)) == 0) {
            wordStart = true;
            continue;
        }
        name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
        wordStart = false;
    }
    return name;
}

// Test listings carry the parameter: its name, which holds only letters and digits (a
// description's ";" would split CTest's name of the test).
void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << TestName(scenario.name);
}

class ScriptedRunTest : public DriveExperimentTest,
                        public ::testing::WithParamInterface<Scenario> {};

TEST_P(ScriptedRunTest, EndsAndRecordsAsScripted) {
    const Scenario& sc = GetParam();
    ResetLog(state);
    ScriptedDriverIo run;
    run.mapping = kMapping;
    run.script = sc.script;
    run.latches = sc.latches;
    PumpingMessageBoxes shown{run};

    EXPECT_EQ(DriveExperiment(state, run, shown), sc.outcome);
    EXPECT_EQ(state.completed, sc.completed);
    EXPECT_EQ(run.clicks, sc.completed);
    EXPECT_FALSE(run.ranDry);
    EXPECT_FALSE(run.spunWithoutPump);
    // Every input was needed, and taken, before the run ended.
    EXPECT_EQ(run.consumedAtLastScene, sc.script.size());

    std::vector<int> scenes;
    for (int i = 0; i <= sc.completed && i < kTargetCount; ++i) {
        scenes.push_back(i);
    }
    scenes.push_back(sc.completed);
    EXPECT_EQ(run.scenes, scenes);

    for (int i = 0; i < kTargetCount; ++i) {
        const TrialRecord* want = nullptr;
        for (const auto& listed : sc.records) {
            if (listed.first == i) {
                want = &listed.second;
            }
        }
        const TrialRecord reset = Reset(i);
        if (want != nullptr) {
            ExpectRecord(state.records[i], *want, sc.name, i);
        } else if (i >= sc.completed) {
            ExpectRecord(state.records[i], reset, sc.name, i);
        }
    }

    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(tick_hook.load(), nullptr);
    ASSERT_EQ(shown.shown.size(), 2u);
    EXPECT_EQ(shown.shown[1].caption, QStringLiteral("課題終了"));
    if (sc.completed < kTargetCount) {
        EXPECT_EQ(shown.shown[1].text, UnrecordedAbortText(sc.completed));
    }
}

INSTANTIATE_TEST_SUITE_P(DriveExperimentTest, ScriptedRunTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return TestName(info.param.name);
                         });

// The abort message says what the records kept, as the writer reported it; the first line
// stays as it always was. A completed test's message is the one it always was when everything
// was kept; otherwise it says after the time what was kept and what was not (it used to give
// the plain message with nothing on file).
TEST_F(DriveExperimentTest, EndMessageSaysWhatTheRecordsKept) {
    const QString first = QStringLiteral("プログラムを中断しました。\n");
    const QString runs = QStringLiteral("\n実施の記録を runs フォルダに残しました。");
    struct Row {
        int completed;
        KeptRecords kept;
        QString text;
    };
    const Row rows[] = {
        {3,
         {true, true},
         first + QStringLiteral("完了した 3 個の目標の試行データを記録しました。") + runs},
        {24,
         {true, false},
         first + QStringLiteral("完了した 24 個の目標の試行データを記録しました。")},
        {3, {false, false}, first + QStringLiteral("試行データは記録されていません。")},
        {0,
         {true, true},
         first + QStringLiteral("完了した目標がないため、試行データはありません。") + runs},
        {0,
         {false, false},
         first + QStringLiteral("完了した目標がないため、試行データはありません。")},
    };
    for (const Row& row : rows) {
        ExperimentState done;
        done.completed = row.completed;
        EXPECT_EQ(EndText(done, row.kept), row.text) << row.completed;
    }
    ExperimentState complete;
    complete.completed = kTargetCount;
    complete.records[kTargetCount - 1].hit_time = 23456;
    const QString done = QStringLiteral("終了です。お疲れさまでした。\n（所要時間 = 23.456 秒）");
    const QString logged = QStringLiteral("\n完了した 25 個の目標の試行データを記録しました。");
    const QString noRows = QStringLiteral("\n試行データは記録されていません。");
    const QString line = QStringLiteral("\n結果を QVL.txt に記録しました。");
    const QString noLine = QStringLiteral("\n結果は QVL.txt に記録されていません。");
    const QString noRuns = QStringLiteral("\n実施の記録は runs フォルダに残っていません。");
    const Row completedRows[] = {
        {kTargetCount, {true, true, true}, done},
        // The trial log given up: nothing was written after it.
        {kTargetCount, {false, false, false}, done + noRows + noLine + noRuns},
        // Only the summary file given up.
        {kTargetCount, {true, false, false}, done + logged + noLine + noRuns},
        // Only the run's own record given up.
        {kTargetCount, {true, false, true}, done + logged + line + noRuns},
    };
    for (const Row& row : completedRows) {
        EXPECT_EQ(EndText(complete, row.kept), row.text);
    }
}

// The writer runs once, before the end message, and its report is what the message tells.
TEST_F(DriveExperimentTest, TheEndMessageTellsWhatTheFinishedCallbackKept) {
    io.script = {Nothing(), Touch(P(0)), Lift(), Touch(P(1)), Lift(), Down(kEsc), Up(kEsc)};
    int calls = 0;
    std::size_t boxesWhenCalled = 0;
    const DriveOutcome outcome = DriveExperiment(state, io, boxes, [&](DriveOutcome finished) {
        ++calls;
        boxesWhenCalled = boxes.shown.size();
        EXPECT_EQ(finished, DriveOutcome::Aborted);
        return KeptRecords{true, false};
    });
    EXPECT_EQ(outcome, DriveOutcome::Aborted);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(boxesWhenCalled, 1u);  // only the instruction
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              QStringLiteral(
                  "プログラムを中断しました。\n完了した 2 個の目標の試行データを記録しました。"));
}

// A recording of the run hears, in order, which target is awaited, when the clock is reset
// and what became of every judged press, named by the event that began it: whether the press
// was kept by the window or only seen down at a look.
TEST_F(DriveExperimentTest, RecordingHearsEveryVerdictWithItsEvent) {
    for (const bool latches : {true, false}) {
        SCOPED_TRACE(latches ? "kept presses" : "looked-at contacts");
        ResetLog(state);
        ScriptedDriverIo run;
        run.mapping = kMapping;
        run.latches = latches;
        // Script indices: 1 wrong on no circle, 3 on target 2's circle (wrong), 5 correct,
        // 7 correct, then Escape.
        run.script = {Nothing(), Touch(kEmpty), Lift(), Touch(P(1)), Lift(),  Touch(P(0)),
                      Lift(),    Touch(P(1)),   Lift(), Down(kEsc),  Up(kEsc)};
        PumpingMessageBoxes shown{run};
        EXPECT_EQ(DriveExperiment(state, run, shown), DriveOutcome::Aborted);
        const std::vector<std::pair<std::int32_t, bool>> judged = {
            {1, false}, {3, false}, {5, true}, {7, true}};
        EXPECT_EQ(run.judged, judged);
        EXPECT_EQ(run.awaited, (std::vector<int>{0, 1, 2, -1}));
        EXPECT_EQ(run.clockResets, 2);
    }
}

TEST_F(DriveExperimentTest, ClockThatCannotStartStopsTheRunBeforeAnyTarget) {
    MsTimerSeams seams;
    seams.failStart = true;
    SetMsTimerSeams(seams);
    io.script = {Nothing(), Touch(P(0)), Lift()};

    EXPECT_EQ(DriveExperiment(state, io, boxes), DriveOutcome::ClockFailed);
    EXPECT_EQ(state.completed, 0);
    EXPECT_TRUE(io.scenes.empty());
    EXPECT_EQ(io.clicks, 0);
    for (int i = 0; i < kTargetCount; ++i) {
        ExpectRecord(state.records[i], Reset(i), "clock failure", i);
    }
    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(tick_hook.load(), nullptr);
    // The instruction, then the reason; no end message.
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].kind, Shown::App);
    EXPECT_EQ(boxes.shown[1].icon, BoxIcon::Stop);
    EXPECT_TRUE(boxes.shown[1].text.contains(QStringLiteral("could not be started")));
}

TEST(HitTest, FirstCircleInLayoutOrderWithinTheRadius) {
    std::array<Stimulus, kTargetCount> stimuli{};
    for (int i = 0; i < kTargetCount; ++i) {
        stimuli[i] = {2000 + i * 200, 2000};  // far away
    }
    stimuli[6] = {300, 300};
    stimuli[3] = {380, 300};  // overlaps circle 7 near x 340: the lower number wins
    struct Row {
        Stimulus touch;
        int circle;
    } rows[] = {
        {{300, 300}, 7}, {{250, 300}, 7}, {{249, 300}, 0}, {{340, 300}, 4},
        {{430, 300}, 4}, {{431, 300}, 0}, {{-5, -5}, 0},   {{INT32_MIN, INT32_MAX}, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CircleNumberAt(stimuli, r.touch), r.circle) << r.touch.x << "," << r.touch.y;
    }
}

}  // namespace
}  // namespace quorvel
