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
// used once kAgreeing events in a row, spread over at least kAgreeingSpan, have come in within
// kToleranceMs of that estimate, and until an event shows the estimate wrong (its timestamp
// would place it after its arrival by more than the tolerance) or most of the last kWindow
// events came in a little late (up to kCoarseMs after the estimate). A clock that stands
// still, runs at another rate or in other units never gets there, and the events are then
// placed at their arrival, the time the program saw them. An event is never placed after its
// arrival, nor more than kLongestDelayMs before it.
//
// Nor does a clock that keeps time in steps coarser than the tolerance (Windows stamps
// messages with its tick count, which moves in steps of about 15.6 ms): an event that
// happened in the middle of a step carries the step's start and looks late, and one placed
// by its stamp would be placed up to a step early. On such a clock only the events that
// happen just after a step begins agree, a few in a row now and then but never kAgreeing,
// while a clock of whole milliseconds with a thread that is not busy agrees event after
// event. Should a coarse clock agree by chance, the stream of a little late events that
// follows takes the trust away again.
class EventClock {
  public:
    static constexpr double kToleranceMs = 2.0;
    static constexpr int kAgreeing = 8;
    static constexpr int kWindow = 16;
    static constexpr double kCoarseMs = 50.0;
    static constexpr std::chrono::milliseconds kAgreeingSpan{100};
    static constexpr double kLongestDelayMs = 10000.0;

    // When the event stamped `timestampMs` that arrived at `arrival` happened.
    EventTime Place(std::uint64_t timestampMs, EventTime arrival);

    // The timestamps are in use.
    bool Trusted() const { return m_trusted; }

  private:
    void Note(bool littleLate);
    int LittleLateCount() const;

    bool m_any = false;
    bool m_trusted = false;
    double m_offsetMs = 0.0;    // smallest arrival - timestamp seen, ms
    int m_agreeing = 0;         // events in a row within the tolerance of m_offsetMs
    EventTime m_firstAgreeing;  // the first of them
    // Which of the last kWindow events came in a little late: more than the tolerance but at
    // most kCoarseMs after the estimate. A bit per event, newest lowest.
    std::uint32_t m_littleLate = 0;
};

}  // namespace quorvel
