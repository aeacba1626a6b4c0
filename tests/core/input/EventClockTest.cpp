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

TEST(EventClock, UsesTimestampsOnlyOnceTheyAgreeWithArrivalsOverTime) {
    const std::vector<Row> rows = {
        {"a clock that keeps time: trusted after three prompt events spread over 100 ms; late "
         "events are then placed in the middle of their stamped millisecond",
         {
             {kAhead + 100, 100'050, 100'050, false},  // prompt: 0.05 ms after its stamp
             {kAhead + 150, 150'300, 150'300, false},
             {kAhead + 180, 180'900, 180'900, false},  // three agree, but within 80 ms
             {kAhead + 200, 200'100, 200'100, true},   // 100 ms on: trusted; offset 0.05
             {kAhead + 300, 480'000, 300'550, true},   // 180 ms late: its stamp decides
             {kAhead + 500, 500'100, 500'100, true},   // prompt: its arrival is closer
             {kAhead + 600, 600'700, 600'550, true},   // 0.7 ms after: the middle is closer
         }},
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
         {
             {kAhead + 100, 150'000, 150'000, false},  // 50 ms late
             {kAhead + 200, 250'000, 250'000, false},
             {kAhead + 300, 350'000, 350'000, true},
             {kAhead + 400, 400'100, 400'100, false},  // prompt: 50 ms below the estimate
             {kAhead + 450, 450'200, 450'200, false},
             {kAhead + 520, 520'300, 520'300, true},
             {kAhead + 600, 700'000, 600'600, true},  // offset 0.1 ms
         }},
        {"a trusted clock that jumps ahead stops being used until it agrees again",
         {
             {kAhead + 100, 100'000, 100'000, false},
             {kAhead + 150, 150'000, 150'000, false},
             {kAhead + 200, 200'000, 200'000, true},
             {kAhead + 900, 300'000, 300'000, false},  // stamped 600 ms after it arrived
             {kAhead + 910, 310'000, 310'000, false},
         }},
        {"never placed more than the longest delay before its arrival",
         {
             {kAhead + 100, 100'000, 100'000, false},
             {kAhead + 150, 150'000, 150'000, false},
             {kAhead + 200, 200'000, 200'000, true},
             {kAhead + 300, 10'400'000, 10'400'000, true},  // 10.1 s late
         }},
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

}  // namespace
}  // namespace quorvel
