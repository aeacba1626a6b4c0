#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "core/experiment/MsTimer.h"
#include "support/FakeMessageBoxes.h"
#include "support/FreshClock.h"

namespace quorvel {
namespace {

using Shown = test::FakeMessageBoxes::Shown;

// Every test starts and ends with a stopped real clock and cleared fields.
class MsTimerTest : public ::testing::Test {
  protected:
    test::FreshClock m_clock;
};

// What the hook saw. Written on the tick thread, read after the clock is stopped (the stop
// joins the thread), or written and read on the test's thread in manual mode.
std::vector<std::int32_t> g_seen;
std::atomic<std::int32_t> g_lastSeen{0};

void RecordEveryCount(std::int32_t n) {
    g_seen.push_back(n);
}
void RecordLastCount(std::int32_t n) {
    g_lastSeen = n;
}

TEST_F(MsTimerTest, CheckAcceptsOnlyAOneMillisecondMinimumPeriod) {
    struct Row {
        std::int64_t resolutionNs;
        int result;
        const char* message;  // nullptr: no box
    } rows[] = {
        {1, 1, nullptr},  // a nanosecond clock
        {1000000, 1, nullptr},
        {1000001, 0, "System does not have enough resolution for MsTimer."},
        {2000000, 0, "System does not have enough resolution for MsTimer."},
        {15625000, 0, "System does not have enough resolution for MsTimer."},
        {-1, 0, "System does not permit MsTimer."},  // the query fails
    };
    for (const Row& r : rows) {
        MsTimerSeams seams;
        seams.resolutionNs = r.resolutionNs;
        SetMsTimerSeams(seams);
        tick_count = 17;
        tick_hook = RecordLastCount;
        test::FakeMessageBoxes boxes;
        EXPECT_EQ(MsTimerCheck(boxes), r.result) << r.resolutionNs;
        if (r.message == nullptr) {
            EXPECT_TRUE(boxes.shown.empty()) << r.resolutionNs;
            EXPECT_EQ(tick_count.load(), 0);
            EXPECT_EQ(tick_hook.load(), nullptr);
        } else {
            ASSERT_EQ(boxes.shown.size(), 1u) << r.resolutionNs;
            EXPECT_EQ(boxes.shown[0].kind, Shown::App);
            EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Stop);
            EXPECT_EQ(boxes.shown[0].text, QString::fromLatin1(r.message));
            EXPECT_EQ(tick_count.load(), 17);  // a failed check changes nothing
        }
        EXPECT_EQ(timer_id, 0u);
        EXPECT_EQ(timer_period, 0u);
    }
    // This system's monotonic clock is fine-grained enough.
    SetMsTimerSeams({});
    test::FakeMessageBoxes boxes;
    EXPECT_EQ(MsTimerCheck(boxes), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MsTimerTest, CheckStopsAClockLeftRunning) {
    // Clearing timer_id of a running clock would orphan its thread: the check stops it.
    MsTimerSeams seams;
    seams.resolutionNs = 1;
    SetMsTimerSeams(seams);
    ASSERT_TRUE(MsTimerStart());
    test::FakeMessageBoxes boxes;
    EXPECT_EQ(MsTimerCheck(boxes), 1);
    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(timer_period, 0u);
}

TEST_F(MsTimerTest, ManualClockCountsResetsAndCallsTheHookWithEachNewCount) {
    MsTimerSeams seams;
    seams.manual = true;
    SetMsTimerSeams(seams);
    g_seen.clear();
    tick_hook = RecordEveryCount;
    ASSERT_TRUE(MsTimerStart());
    EXPECT_NE(timer_id, 0u);
    EXPECT_EQ(timer_period, 1u);
    EXPECT_EQ(tick_count.load(), 0);  // the start leaves the count alone

    MsTimerAdvance(3);
    EXPECT_EQ(tick_count.load(), 3);
    MsTimerReset();  // counting goes on from 0
    MsTimerAdvance(2);
    MsTimerTick();
    EXPECT_EQ(tick_count.load(), 3);
    EXPECT_EQ(g_seen, (std::vector<std::int32_t>{1, 2, 3, 1, 2, 3}));

    const std::uint32_t id = timer_id;
    EXPECT_TRUE(MsTimerStart());  // already running: same timer
    EXPECT_EQ(timer_id, id);

    MsTimerStop();
    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(timer_period, 0u);
    EXPECT_EQ(tick_count.load(), 3);  // keeps its last value
    MsTimerStop();                    // a second stop does nothing
    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(tick_count.load(), 3);
    MsTimerReset();  // with no clock running it only clears the count
    EXPECT_EQ(tick_count.load(), 0);
}

TEST_F(MsTimerTest, FailedStartLeavesTheClockStopped) {
    MsTimerSeams seams;
    seams.failStart = true;
    SetMsTimerSeams(seams);
    tick_count = 0;
    EXPECT_FALSE(MsTimerStart());
    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(timer_period, 0u);
    MsTimerStop();  // harmless
    EXPECT_EQ(tick_count.load(), 0);
}

TEST_F(MsTimerTest, RealClockTicksAboutOncePerMillisecondAndStopsOnStop) {
    using Clock = std::chrono::steady_clock;
    tick_hook = RecordLastCount;
    g_lastSeen = 0;
    const Clock::time_point before = Clock::now();
    ASSERT_TRUE(MsTimerStart());
    MsTimerReset();
    EXPECT_NE(timer_id, 0u);
    EXPECT_EQ(timer_period, 1u);

    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The clock only counts milliseconds that have passed since it started, however the
    // thread was scheduled; it may count fewer when the machine is busy.
    const std::int32_t count = tick_count.load();
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before).count();
    EXPECT_LE(count, elapsed + 2);
    // And it does run: wait for the first tick generously rather than on a deadline.
    for (int k = 0; k < 5000 && tick_count.load() == 0; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GT(tick_count.load(), 0);

    MsTimerStop();
    EXPECT_EQ(timer_id, 0u);
    EXPECT_EQ(timer_period, 0u);
    // The stop has joined the thread: nothing counts any more, and the hook saw the last count.
    const std::int32_t stopped = tick_count.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(tick_count.load(), stopped);
    EXPECT_EQ(g_lastSeen.load(), stopped);
    MsTimerStop();
    EXPECT_EQ(tick_count.load(), stopped);
}

std::int64_t WholeMs(std::chrono::steady_clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

// Waits, without a deadline, until the thread has counted up to at least n.
bool CountReaches(std::int64_t n) {
    for (int k = 0; k < 5000 && tick_count.load() < n; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return tick_count.load() >= n;
}

// After a reset the count is the whole milliseconds since it, not since some older phase, and a
// tick counted as the reset is made never brings the old count back. The thread may be late on
// a busy machine, so the count is only checked against what it can never exceed (the time from
// just before the reset to just after the read) and for catching up, never for punctuality.
TEST_F(MsTimerTest, RealClockResetRestartsThePhaseAndIsNeverUndone) {
    using Clock = std::chrono::steady_clock;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pauseUs(0, 1500);
    ASSERT_TRUE(MsTimerStart());
    for (int round = 0; round < 100; ++round) {
        // As in a run, a reset comes after the clock has counted for a while, at any phase.
        ASSERT_TRUE(CountReaches(2 + round % 5));
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        const Clock::time_point before = Clock::now();
        MsTimerReset();
        const Clock::time_point reset = Clock::now();
        for (int sample = 0; sample < 5; ++sample) {
            if (sample > 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
            }
            const std::int32_t count = tick_count.load();
            const Clock::time_point after = Clock::now();
            ASSERT_GE(count, 0) << "round " << round;
            ASSERT_LE(count, WholeMs(after - before)) << "round " << round << " sample " << sample;
        }
        // Every whole millisecond since the reset is counted, however late the thread woke.
        ASSERT_TRUE(CountReaches(WholeMs(Clock::now() - reset))) << "round " << round;
    }
}

// The hook runs on the tick thread, so a hook that waits holds the thread up as a busy machine
// would by not scheduling it.
std::atomic<bool> g_holdTickThread{false};
std::atomic<bool> g_tickThreadHeld{false};

void HoldWhileAsked(std::int32_t) {
    while (g_holdTickThread.load()) {
        g_tickThreadHeld = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Reading the clock gives the whole milliseconds since the reset, also while the tick thread
// cannot run: a late thread must not make the responses' times late. Each read is checked
// against bounds that hold whatever the scheduling: no less than the time from just after the
// reset to just before the read, no more than the time from just before the reset to just after
// it. Instants of the steady clock, taken at the reset, are placed the same way.
TEST_F(MsTimerTest, RealClockReadsTheElapsedTimeWhileTheTickThreadIsHeldUp) {
    using Clock = std::chrono::steady_clock;
    tick_hook = HoldWhileAsked;
    g_tickThreadHeld = false;
    g_holdTickThread = true;
    ASSERT_TRUE(MsTimerStart());
    while (!g_tickThreadHeld.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const Clock::time_point before = Clock::now();
    MsTimerReset();
    const Clock::time_point after = Clock::now();
    for (int ms : {0, 3, 40, 150}) {
        std::this_thread::sleep_until(after + std::chrono::milliseconds(ms));
        const Clock::time_point readFrom = Clock::now();
        const std::int32_t count = MsTimerNow();
        const Clock::time_point readTo = Clock::now();
        EXPECT_GE(count, WholeMs(readFrom - after)) << ms;
        EXPECT_LE(count, WholeMs(readTo - before)) << ms;
        // A steady-clock instant maps to the count it had then, never before the reset.
        EXPECT_EQ(MsTimerAt(before - std::chrono::seconds(1)), 0) << ms;
        const std::int32_t at = MsTimerAt(readFrom);
        EXPECT_GE(at, WholeMs(readFrom - after)) << ms;
        EXPECT_LE(at, WholeMs(readFrom - before)) << ms;
        EXPECT_LE(MsTimerAt(readTo + std::chrono::seconds(1)), MsTimerNow()) << ms;
    }
    // Held all along: the thread's own count has fallen behind (or was never counted).
    EXPECT_LT(tick_count.load(), WholeMs(Clock::now() - after));

    // Released, the thread catches up; the stopped clock keeps the count of the stop.
    g_holdTickThread = false;
    ASSERT_TRUE(CountReaches(WholeMs(Clock::now() - after)));
    const std::int32_t beforeStop = MsTimerNow();
    MsTimerStop();
    EXPECT_GE(tick_count.load(), beforeStop);
    EXPECT_EQ(MsTimerNow(), tick_count.load());
}

// The manual clock is read as it is counted: only ticks and resets move it.
TEST_F(MsTimerTest, ManualClockIsReadAsCounted) {
    MsTimerSeams seams;
    seams.manual = true;
    SetMsTimerSeams(seams);
    ASSERT_TRUE(MsTimerStart());
    MsTimerAdvance(7);
    EXPECT_EQ(MsTimerNow(), 7);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_EQ(MsTimerNow(), 7);
    // No relation to the steady clock: an instant is placed at the count now.
    EXPECT_EQ(MsTimerAt(std::chrono::steady_clock::now() - std::chrono::seconds(1)), 7);
    MsTimerReset();
    EXPECT_EQ(MsTimerNow(), 0);
    tick_count = 5;  // a plain store sets the manual count
    EXPECT_EQ(MsTimerNow(), 5);
}

TEST_F(MsTimerTest, RepeatedRunsEachGetAFreshTimer) {
    std::uint32_t previous = 0;
    for (int run = 0; run < 20; ++run) {
        ASSERT_TRUE(MsTimerStart());
        EXPECT_NE(timer_id, 0u);
        EXPECT_NE(timer_id, previous);
        previous = timer_id;
        MsTimerStop();
        EXPECT_EQ(timer_id, 0u);
        EXPECT_EQ(timer_period, 0u);
    }
}

}  // namespace
}  // namespace quorvel
