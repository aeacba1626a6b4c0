#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "core/input/EventClock.h"

namespace quorvel {
namespace {

using std::chrono::microseconds;

// An instant `us` microseconds into the steady clock.
EventTime Us(std::int64_t us) {
    return EventTime(microseconds(us));
}

std::int64_t UsOf(EventTime t) {
    return std::chrono::duration_cast<microseconds>(t.time_since_epoch()).count();
}

// An event: its timestamp (ms), its arrival (us), and where it must be placed (us) with
// whether the stamps are trusted after it.
struct Event {
    std::uint64_t stampMs;
    std::int64_t arrivalUs;
    std::int64_t placedUs;
    bool trusted;
};

struct Row {
    std::string name;
    std::vector<Event> events;
};

// The window system's clock runs 1000 s ahead of the steady clock in these rows; an event that
// happened at steady time T ms is stamped floor(T) + 1000000.
constexpr std::uint64_t kAhead = 1000000;

// `count` prompt events from `fromMs`, one every `stepMs`, each arriving `delayUs` after the
// start of its stamped millisecond; trusted from the event at `trustedFrom` on (-1: never).
std::vector<Event> Prompt(int fromMs, int count, int stepMs, int delayUs, int trustedFrom) {
    std::vector<Event> events;
    for (int k = 0; k < count; ++k) {
        const int ms = fromMs + k * stepMs;
        const std::int64_t arrival = std::int64_t{ms} * 1000 + delayUs;
        events.push_back({kAhead + static_cast<std::uint64_t>(ms), arrival, arrival,
                          trustedFrom >= 0 && k >= trustedFrom});
    }
    return events;
}

std::vector<Event> Then(std::vector<Event> first, const std::vector<Event>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

TEST(EventClock, UsesTimestampsOnlyOnceTheyAgreeWithArrivalsOverTime) {
    const std::vector<Row> rows = {
        {"a clock that keeps time: trusted after eight prompt events in a row spread over "
         "100 ms; late events are then placed in the middle of their stamped millisecond",
         Then(Prompt(100, 8, 15, 50, 7),  // prompt: 0.05 ms after its stamp; 105 ms
              {
                  {kAhead + 300, 480'000, 300'550, true},  // 180 ms late: its stamp decides
                  {kAhead + 500, 500'100, 500'100, true},  // prompt: its arrival is closer
                  {kAhead + 600, 600'700, 600'550, true},  // 0.7 ms after: the middle is closer
              })},
        {"eight agreeing events within 100 ms are not enough", Prompt(100, 12, 10, 50, 10)},
        {"a late event before the stamps are trusted breaks the row",
         Then(Prompt(100, 5, 15, 50, -1),
              Then({{kAhead + 175, 190'000, 190'000, false}},  // 15 ms late
                   Prompt(200, 8, 15, 50, 7)))},
        {"a stamp that stands still never agrees",
         {
             {kAhead, 100'000, 100'000, false},
             {kAhead, 101'000, 101'000, false},
             {kAhead, 300'000, 300'000, false},
             {kAhead, 500'000, 500'000, false},
         }},
        {"stamps in microseconds: each one lies in the future of the estimate",
         {
             {kAhead * 1000 + 100'000, 100'000, 100'000, false},
             {kAhead * 1000 + 200'000, 200'000, 200'000, false},
             {kAhead * 1000 + 300'000, 300'000, 300'000, false},
             {kAhead * 1000 + 400'000, 400'000, 400'000, false},
         }},
        {"equally late first events agree, but are never placed after their arrival; a prompt "
         "one shows the estimate wrong and agreement starts over",
         Then(Prompt(100, 8, 15, 50'000, 7),  // 50 ms late, all of them
              Then(Prompt(300, 8, 15, 100, 7),
                   {{kAhead + 600, 700'000, 600'600, true}}))},  // offset 0.1 ms
        {"a trusted clock that jumps ahead stops being used until it agrees again",
         Then(Prompt(100, 8, 15, 0, 7),
              {
                  {kAhead + 900, 300'000, 300'000, false},  // stamped 600 ms after it arrived
                  {kAhead + 910, 310'000, 310'000, false},
              })},
        {"never placed more than the longest delay before its arrival",
         Then(Prompt(100, 8, 15, 0, 7),
              {{kAhead + 300, 10'400'000, 10'400'000, true}})},  // 10.1 s late
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EventClock clock;
        EXPECT_FALSE(clock.Trusted());
        int n = 0;
        for (const Event& e : row.events) {
            const EventTime placed = clock.Place(e.stampMs, Us(e.arrivalUs));
            EXPECT_NEAR(UsOf(placed), e.placedUs, 1) << "event " << n;
            EXPECT_LE(UsOf(placed), e.arrivalUs) << "event " << n;
            EXPECT_EQ(clock.Trusted(), e.trusted) << "event " << n;
            ++n;
        }
    }
}

// Windows stamps its messages with the tick count, which moves in steps of 15.625 ms (64 a
// second): an event carries the start of the step it happened in. Such stamps must never be
// used, at any phase of the step the events fall on: each event is placed at its arrival.
// Trusting three agreeing events once placed a press in the middle of a step up to 15 ms early.
TEST(EventClock, StampsInStepsOf15625MicrosecondsAreNeverTrusted) {
    const auto stampOf = [](std::int64_t us) {
        const std::int64_t step = us / 15'625;  // whole steps since the clock began
        return kAhead + static_cast<std::uint64_t>(step * 15'625 / 1000);
    };
    struct Run {
        const char* name;
        std::int64_t firstUs;
        std::int64_t everyUs;
        int events;
    };
    const Run runs[] = {
        {"a press every 37.3 ms for 3 s: every phase of the step", 100'000, 37'300, 80},
        {"a touch moving at 125 Hz", 100'000, 8'000, 400},
        {"a touch moving at 60 Hz, close to the step", 100'000, 16'667, 200},
        {"just after each step begins, a few at first, then anywhere", 100'000 + 15'625 * 6 + 200,
         15'625 * 7, 3},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        EventClock clock;
        for (int k = 0; k < run.events; ++k) {
            const std::int64_t happened = run.firstUs + k * run.everyUs;
            const std::int64_t arrival = happened + 300;  // prompt: 0.3 ms on
            const EventTime placed = clock.Place(stampOf(happened), Us(arrival));
            ASSERT_EQ(UsOf(placed), arrival) << "event " << k;
            ASSERT_FALSE(clock.Trusted()) << "event " << k;
        }
        if (std::string(run.name).rfind("just after", 0) == 0) {
            // Three events at the start of their steps agreed; the next one, in the middle of a
            // step, is placed where it arrived, not at its step's start.
            const std::int64_t happened = run.firstUs + 3 * run.everyUs + 9'000;
            const EventTime placed = clock.Place(stampOf(happened), Us(happened + 300));
            EXPECT_EQ(UsOf(placed), happened + 300);
        }
    }
}

// Should a coarse clock's events agree by chance eight times in a row, the little-late events
// that follow (each a part of a step after its stamp) take the trust away again.
TEST(EventClock, ACoarseClockTrustedByChanceLosesTheTrust) {
    // Event `us` into step `step` of 15.625 ms: stamped with the step's start, arriving 0.2 ms on.
    const auto place = [](EventClock& clock, std::int64_t step, std::int64_t us) {
        const std::int64_t happened = step * 15'625 + us;
        return clock.Place(kAhead + static_cast<std::uint64_t>(step * 15'625 / 1000),
                           Us(happened + 200));
    };
    EventClock clock;
    std::int64_t step = 10;
    for (int k = 0; k < EventClock::kAgreeing; ++k) {
        step += 2;
        place(clock, step, 200);  // just after the step begins
    }
    ASSERT_TRUE(clock.Trusted());
    int lateEvents = 0;
    while (clock.Trusted() && lateEvents < 100) {
        place(clock, ++step, 7'000);  // 7 ms into a step
        ++lateEvents;
    }
    EXPECT_FALSE(clock.Trusted());
    EXPECT_LE(lateEvents, EventClock::kWindow / 2 + 1);
    const EventTime placed = place(clock, ++step, 7'000);
    EXPECT_EQ(UsOf(placed), step * 15'625 + 7'200);  // its arrival again
}

}  // namespace
}  // namespace quorvel
