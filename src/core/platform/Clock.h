#pragma once

#include <cstdint>

namespace quorvel {

// The calendar time, read where the program needs "now": the date and time stamped on the
// records, and the seed of a run for which the operator set none. One source, so that a test
// can say what time it is. (The millisecond clock that times touches is another thing: it
// counts from its own resets, never from the calendar.)
class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t NowSeconds() const = 0;
    // The same instant to the millisecond, for stamps finer than a second (when a run began).
    // A clock that only knows seconds says the whole second.
    virtual std::int64_t NowMilliseconds() const { return NowSeconds() * 1000; }
};

// The system's calendar clock.
const Clock& SystemClock();

}  // namespace quorvel
