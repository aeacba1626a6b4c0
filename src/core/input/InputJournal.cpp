#include "core/input/InputJournal.h"

namespace quorvel {

InputJournal::InputJournal() {
    m_events.reserve(kCapacity);
}

void InputJournal::Clear() {
    m_events.clear();  // keeps the room taken
    m_dropped = 0;
    m_awaited = -1;
    m_releasesOnly = false;
    m_resetCount = 0;
}

void InputJournal::NoteClockReset(EventTime at) {
    if (m_resetCount < static_cast<int>(m_resets.size())) {
        m_resets[static_cast<std::size_t>(m_resetCount++)] = at;
    }
}

std::int32_t InputJournal::Add(bool press, InputSource source, std::int32_t sourceId,
                               std::int32_t x, std::int32_t y, EventTime at) {
    if (!m_enabled || m_awaited < 0 || (press && m_releasesOnly)) {
        return -1;
    }
    if (m_events.size() >= kCapacity) {
        ++m_dropped;
        return -1;
    }
    InputEvent event;
    event.at = at;
    event.x = x;
    event.y = y;
    event.source_id = sourceId;
    event.awaited = m_awaited;
    event.source = source;
    event.press = press;
    m_events.push_back(event);
    return static_cast<std::int32_t>(m_events.size() - 1);
}

void InputJournal::SetVerdict(std::int32_t event, bool correct) {
    if (event < 0 || static_cast<std::size_t>(event) >= m_events.size()) {
        return;
    }
    m_events[static_cast<std::size_t>(event)].verdict =
        correct ? InputVerdict::Correct : InputVerdict::Wrong;
}

}  // namespace quorvel
