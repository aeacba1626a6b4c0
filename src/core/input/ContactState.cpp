#include "core/input/ContactState.h"

#include <cmath>
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

void ContactState::OnTouch(const std::vector<TouchInput>& inputs, bool unreadable, EventTime at) {
    m_contact = true;
    if (unreadable) {
        return;
    }
    const int before = m_pointCount;
    m_points.clear();
    for (const TouchInput& input : inputs) {
        // Down and moving contacts count alike; none is singled out as primary.
        if (!input.lifting) {
            m_points.push_back({input.x, input.y});
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
    if (m_contact) {
        return;
    }
    const int before = m_pointCount;
    m_buttons |= static_cast<int>(button);
    m_contact = true;
    SetSinglePoint(x, y);
    LatchIfBegun(before, at);
}

void ContactState::OnMouseMove(std::int32_t x, std::int32_t y, EventTime at) {
    if (m_buttons == 0) {
        return;
    }
    const int before = m_pointCount;
    m_contact = true;
    SetSinglePoint(x, y);
    LatchIfBegun(before, at);
}

void ContactState::OnButtonUp(MouseButton button) {
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
    m_press = Press{m_points.front(), at, false};
    m_pressIsCurrent = true;
}

void ContactState::EndLatchedContact() {
    if (m_pressIsCurrent) {
        m_press->released = true;
        m_pressIsCurrent = false;
    }
}

void ContactState::SetSinglePoint(std::int32_t x, std::int32_t y) {
    m_points.assign(1, ContactPoint{x, y});
    m_pointCount = 1;
}

void ContactState::ClearPoints() {
    m_points.clear();
    m_pointCount = 0;
}

}  // namespace quorvel
