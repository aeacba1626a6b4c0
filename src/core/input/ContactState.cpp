#include "core/input/ContactState.h"

#include "core/input/InputJournal.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace quorvel {

std::int32_t ToPhysicalPixel(double logical, double devicePixelRatio) {
    // The window system divided a physical pixel by the ratio; multiplying back lands a hair
    // off the whole number (773 / 1.5 * 1.5 = 772.999...), and truncating that would lose the
    // pixel. A product that close to a whole number is that number; anything further off is a
    // real fraction of a pixel (a touch's sub-pixel position) and is truncated as before.
    constexpr double kSnap = 1e-6;
    const double scaled = logical * devicePixelRatio;
    const double nearest = std::round(scaled);
    const double physical = std::fabs(scaled - nearest) <= kSnap ? nearest : std::trunc(scaled);
    if (std::isnan(physical)) {
        return 0;
    }
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    if (physical <= kLow) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (physical >= kHigh) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(physical);
}

ContactState::ContactState() {
    for (std::vector<std::int32_t>* v :
         {&m_pointIds, &m_pointEvents, &m_previousIds, &m_previousEvents}) {
        v->reserve(kFingers);
    }
    m_points.reserve(kFingers);
}

std::int32_t ContactState::Record(bool press, bool touch, std::int32_t id, std::int32_t x,
                                  std::int32_t y, EventTime at) {
    if (m_journal == nullptr) {
        return -1;
    }
    return m_journal->Add(press, touch ? InputSource::Touch : InputSource::Mouse, id, x, y, at);
}

void ContactState::OnTouch(const std::vector<TouchInput>& inputs, bool unreadable, EventTime at) {
    m_contact = true;
    if (unreadable) {
        return;
    }
    const int before = m_pointCount;
    m_points.clear();
    m_previousIds.swap(m_pointIds);
    m_previousEvents.swap(m_pointEvents);
    m_pointIds.clear();
    m_pointEvents.clear();
    for (const TouchInput& input : inputs) {
        std::int32_t event = -1;
        if (input.pressing || input.lifting) {
            event = Record(input.pressing, true, input.id, input.x, input.y, at);
        }
        // Down and moving contacts count alike; none is singled out as primary.
        if (!input.lifting) {
            if (!input.pressing) {
                // A finger that was down already: the press that began it.
                for (std::size_t k = 0; k < m_previousIds.size(); ++k) {
                    if (m_previousIds[k] == input.id) {
                        event = m_previousEvents[k];
                        break;
                    }
                }
            }
            m_points.push_back({input.x, input.y});
            m_pointIds.push_back(input.id);
            m_pointEvents.push_back(event);
        }
    }
    m_pointCount = static_cast<int>(m_points.size());
    if (m_pointCount == 0) {
        m_contact = false;
        EndLatchedContact();
    }
    LatchIfBegun(before, at);
}

void ContactState::OnButtonDown(MouseButton button, std::int32_t x, std::int32_t y, EventTime at) {
    const std::int32_t event = Record(true, false, static_cast<std::int32_t>(button), x, y, at);
    if (m_contact) {
        return;
    }
    const int before = m_pointCount;
    m_buttons |= static_cast<int>(button);
    m_contact = true;
    SetSinglePoint(x, y, event);
    LatchIfBegun(before, at);
}

void ContactState::OnMouseMove(std::int32_t x, std::int32_t y, EventTime at) {
    if (m_buttons == 0) {
        return;
    }
    const int before = m_pointCount;
    m_contact = true;
    SetSinglePoint(x, y, FirstPointEvent());
    LatchIfBegun(before, at);
}

void ContactState::OnOtherButton(std::int32_t qtButton, bool down, std::int32_t x, std::int32_t y,
                                 EventTime at) {
    Record(down, false, qtButton, x, y, at);
}

void ContactState::OnButtonUp(MouseButton button, std::int32_t x, std::int32_t y, EventTime at) {
    Record(false, false, static_cast<std::int32_t>(button), x, y, at);
    // The button is no longer held whatever else is going on; otherwise a release that comes
    // after a touch ended the contact would leave its bit set, and plain mouse moves would
    // then report contacts.
    m_buttons &= ~static_cast<int>(button);
    if (!m_contact) {
        return;
    }
    m_contact = false;
    ClearPoints();
    EndLatchedContact();
}

void ContactState::OnDestroy() {
    m_contact = false;
    m_buttons = 0;
    ClearPoints();
    m_press.reset();
    m_pressIsCurrent = false;
}

std::optional<Press> ContactState::TakePress() {
    std::optional<Press> taken;
    taken.swap(m_press);
    m_pressIsCurrent = false;
    return taken;
}

void ContactState::LatchIfBegun(int countBefore, EventTime at) {
    if (countBefore != 0 || m_pointCount == 0 || m_press) {
        return;
    }
    m_press = Press{m_points.front(), at, false, m_pointEvents.front()};
    m_pressIsCurrent = true;
}

void ContactState::EndLatchedContact() {
    if (m_pressIsCurrent) {
        m_press->released = true;
        m_pressIsCurrent = false;
    }
}

void ContactState::SetSinglePoint(std::int32_t x, std::int32_t y, std::int32_t event) {
    m_points.assign(1, ContactPoint{x, y});
    m_pointIds.assign(1, -1);
    m_pointEvents.assign(1, event);
    m_pointCount = 1;
}

void ContactState::ClearPoints() {
    m_points.clear();
    m_pointIds.clear();
    m_pointEvents.clear();
    m_pointCount = 0;
}

}  // namespace quorvel
