#include "core/input/EventClock.h"

#include <algorithm>
#include <chrono>

namespace quorvel {

EventTime EventClock::Place(std::uint64_t timestampMs, EventTime arrival) {
    const double arrivalMs =
        std::chrono::duration<double, std::milli>(arrival.time_since_epoch()).count();
    const double offsetMs = arrivalMs - static_cast<double>(timestampMs);
    if (!m_any || offsetMs < m_offsetMs - kToleranceMs) {
        // The first event; or one far earlier than the estimate allowed: the earlier events
        // were all late, or the stamping clock jumped or does not keep time. Agreement
        // starts over.
        m_any = true;
        m_offsetMs = offsetMs;
        m_agreeing = 1;
        m_firstAgreeing = arrival;
        m_trusted = false;
    } else if (offsetMs <= m_offsetMs + kToleranceMs) {
        m_offsetMs = std::min(m_offsetMs, offsetMs);
        ++m_agreeing;
        // Agreement over a stretch of time, not only among events that came together: a
        // stamp that stands still agrees with itself for a moment.
        if (m_agreeing >= kAgreeing && arrival - m_firstAgreeing >= kAgreeingSpan) {
            m_trusted = true;
        }
    }
    // Otherwise late: normal for a busy thread, and no evidence either way.
    if (!Trusted()) {
        return arrival;
    }
    // The stamp is the whole millisecond the event happened in: it lies between the stamp's
    // start and its end on the steady clock (and not after its arrival). Its middle is the
    // best guess when the event came late; when it came earlier, the arrival is closer.
    const double earliestMs = static_cast<double>(timestampMs) + m_offsetMs;
    const double placedMs = std::min(arrivalMs, earliestMs + 0.5);
    if (arrivalMs - placedMs > kLongestDelayMs) {
        return arrival;
    }
    const auto back = std::chrono::duration_cast<EventTime::duration>(
        std::chrono::duration<double, std::milli>(arrivalMs - placedMs));
    return arrival - back;
}

}  // namespace quorvel
