#pragma once

#include <chrono>
#include <cstdint>

namespace quorvel {

// A contact point in physical window pixels.
struct ContactPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

inline bool operator==(const ContactPoint& a, const ContactPoint& b) {
    return a.x == b.x && a.y == b.y;
}

// When an input event happened, on the steady clock.
using EventTime = std::chrono::steady_clock::time_point;

// A press the driver has not looked at yet: where the contact began, when, and whether it has
// already ended. The driver polls between event pumps, so a tap pressed and released within one
// pump would otherwise never be seen, and a press seen late would be timed late. The window keeps
// it (ContactState) and hands it to the driver (DriverIo::TakePress), which places `at` on the
// millisecond clock: a press is timed by its event, not by when the driver looked.
struct Press {
    ContactPoint point;
    EventTime at;
    bool released = false;
    std::int32_t event = -1;  // its index in the journal, -1 when not recorded
};

}  // namespace quorvel
