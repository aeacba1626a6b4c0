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
        m_littleLate = 0;
    } else if (offsetMs <= m_offsetMs + kToleranceMs) {
        m_offsetMs = std::min(m_offsetMs, offsetMs);
        if (m_agreeing == 0) {
            m_firstAgreeing = arrival;
        }
        ++m_agreeing;
        Note(false);
        // Agreement over a stretch of time, not only among events that came together: a
        // stamp that stands still agrees with itself for a moment.
        if (m_agreeing >= kAgreeing && arrival - m_firstAgreeing >= kAgreeingSpan) {
            m_trusted = true;
        }
    } else {
        // Late: normal for a busy thread, but also what a coarse clock's events look like. Until
        // the stamps are trusted it breaks the row of agreeing events; once they are, only a
        // stream of such events takes the trust away.
        Note(offsetMs <= m_offsetMs + kCoarseMs);
        m_agreeing = 0;
        if (m_trusted && 2 * LittleLateCount() > kWindow) {
            m_trusted = false;
        }
    }
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

void EventClock::Note(bool littleLate) {
    constexpr std::uint32_t kMask = (std::uint32_t{1} << kWindow) - 1;
    m_littleLate = ((m_littleLate << 1) | (littleLate ? 1u : 0u)) & kMask;
}

int EventClock::LittleLateCount() const {
    int count = 0;
    for (std::uint32_t bits = m_littleLate; bits != 0; bits &= bits - 1) {
        ++count;
    }
    return count;
}

}  // namespace quorvel
