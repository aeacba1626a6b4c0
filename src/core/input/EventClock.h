#pragma once

#include <chrono>
#include <cstdint>

#include "core/input/ContactState.h"

namespace quorvel {

// Places input events on the steady clock by the timestamp the window system gave them (whole
// milliseconds on a clock of its own), so that a touch is timed when it happened rather than
// when the busy user-interface thread got round to it.
//
// Whether the window system's clock can be trusted is found out at run time, from the events
// themselves: for every event the offset between its arrival on the steady clock and its
// timestamp is noted. An event cannot arrive before it happened, so the smallest offset seen is
// the best estimate of the clocks' relation (plus the quickest delivery). The timestamps are
// used once kAgreeing events, spread over at least kAgreeingSpan, have come in within
// kToleranceMs of that estimate, and until an event shows the estimate wrong (its timestamp
// would place it after its arrival by more than the tolerance). A clock that stands still,
// runs at another rate or in other units never gets there, and the events are then placed at
// their arrival, the time the program saw them. An event is never placed after its arrival,
// nor more than kLongestDelayMs before it.
class EventClock {
  public:
    static constexpr double kToleranceMs = 2.0;
    static constexpr int kAgreeing = 3;
    static constexpr std::chrono::milliseconds kAgreeingSpan{100};
    static constexpr double kLongestDelayMs = 10000.0;

    // When the event stamped `timestampMs` that arrived at `arrival` happened.
    EventTime Place(std::uint64_t timestampMs, EventTime arrival);

    // The timestamps are in use.
    bool Trusted() const { return m_trusted; }

  private:
    bool m_any = false;
    bool m_trusted = false;
    double m_offsetMs = 0.0;    // smallest arrival - timestamp seen, ms
    int m_agreeing = 0;         // events within the tolerance of m_offsetMs since it last fell
    EventTime m_firstAgreeing;  // the first of them
};

}  // namespace quorvel
