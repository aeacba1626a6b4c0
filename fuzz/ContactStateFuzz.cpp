// The experiment window's contact state fed with any sequence of touch messages, button
// presses and releases, moves and window destructions, decoded from the input. After every
// event the state must agree with the rules the driver relies on, kept here as a small
// model of their own, and with the invariants of the published points; the driver takes the
// latched press at any point.
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "FuzzInput.h"
#include "core/input/ContactState.h"

namespace quorvel::fuzz {
namespace {

// The rules of the contact state, written out plainly.
// A press is latched when the points go from none to some and none is latched yet; it is
// marked released when that contact ends, and handed out once.
struct Model {
    bool contact = false;
    int buttons = 0;
    std::vector<ContactPoint> points;
    std::optional<Press> press;
    bool pressCurrent = false;

    void Touch(const std::vector<TouchInput>& inputs, bool unreadable, EventTime at) {
        contact = true;
        if (unreadable) {
            return;
        }
        const bool hadPoints = !points.empty();
        points.clear();
        for (const TouchInput& t : inputs) {
            if (!t.lifting) {
                points.push_back({t.x, t.y});
            }
        }
        contact = !points.empty();
        if (!contact) {
            EndContact();
        }
        Begin(hadPoints, at);
    }
    void Down(MouseButton b, std::int32_t x, std::int32_t y, EventTime at) {
        if (!contact) {
            const bool hadPoints = !points.empty();
            buttons |= static_cast<int>(b);
            contact = true;
            points = {{x, y}};
            Begin(hadPoints, at);
        }
    }
    void Move(std::int32_t x, std::int32_t y, EventTime at) {
        if (buttons != 0) {
            const bool hadPoints = !points.empty();
            contact = true;
            points = {{x, y}};
            Begin(hadPoints, at);
        }
    }
    void Up(MouseButton b) {
        buttons &= ~static_cast<int>(b);
        if (contact) {
            contact = false;
            points.clear();
            EndContact();
        }
    }
    void Destroy() { *this = Model(); }
    std::optional<Press> Take() {
        std::optional<Press> taken = press;
        press.reset();
        pressCurrent = false;
        return taken;
    }

    void Begin(bool hadPoints, EventTime at) {
        if (!hadPoints && !points.empty() && !press) {
            press = Press{points.front(), at, false};
            pressCurrent = true;
        }
    }
    void EndContact() {
        if (pressCurrent) {
            press->released = true;
            pressCurrent = false;
        }
    }
};

bool SamePress(const std::optional<Press>& a, const std::optional<Press>& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return a->point == b->point && a->at == b->at && a->released == b->released;
}

void Agree(const ContactState& s, const Model& m) {
    Require(s.PointCount() == static_cast<int>(s.Points().size()), "count == points");
    Require(s.Contact() || s.PointCount() == 0, "no contact -> no points");
    Require(s.PointCount() >= 0, "count >= 0");
    Require((s.Buttons() & ~3) == 0, "only left and right can be held");
    Require(s.Contact() == m.contact, "contact follows the rules");
    Require(s.Buttons() == m.buttons, "buttons follow the rules");
    Require(s.Points() == m.points, "points follow the rules");
    Require(SamePress(s.PendingPress(), m.press), "the latched press follows the rules");
}

// Scaling to physical pixels: the truncated product, its range's nearest end beyond it, 0
// for not-a-number; never undefined behaviour.
void CheckPhysicalPixel(double logical, double ratio) {
    const std::int32_t got = ToPhysicalPixel(logical, ratio);
    const double exact = std::trunc(logical * ratio);
    if (std::isnan(exact)) {
        Require(got == 0, "nan gives 0");
    } else if (exact >= 2147483647.0) {
        Require(got == std::numeric_limits<std::int32_t>::max(), "too large gives max");
    } else if (exact <= -2147483648.0) {
        Require(got == std::numeric_limits<std::int32_t>::min(), "too small gives min");
    } else {
        Require(static_cast<double>(got) == exact, "in range gives the truncated product");
    }
}

MouseButton ButtonOf(std::uint8_t b) {
    return (b & 1) != 0 ? MouseButton::Right : MouseButton::Left;
}

}  // namespace
}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    using namespace quorvel::fuzz;
    ByteReader in(data, size);
    ContactState state;
    Model model;
    std::int64_t events = 0;
    while (!in.Empty()) {
        const EventTime at{std::chrono::milliseconds(++events)};
        switch (in.Byte() % 8) {
            case 0:
            case 1: {
                const bool unreadable = in.Byte() % 8 == 0;
                std::vector<TouchInput> inputs(in.Byte() % 12);
                for (TouchInput& t : inputs) {
                    t.lifting = (in.Byte() & 1) != 0;
                    t.x = in.Int32();
                    t.y = in.Int32();
                }
                state.OnTouch(inputs, unreadable, at);
                model.Touch(inputs, unreadable, at);
                break;
            }
            case 2: {
                const MouseButton b = ButtonOf(in.Byte());
                const std::int32_t x = in.Int32();
                const std::int32_t y = in.Int32();
                state.OnButtonDown(b, x, y, at);
                model.Down(b, x, y, at);
                break;
            }
            case 3: {
                const std::int32_t x = in.Int32();
                const std::int32_t y = in.Int32();
                state.OnMouseMove(x, y, at);
                model.Move(x, y, at);
                break;
            }
            case 4: {
                const MouseButton b = ButtonOf(in.Byte());
                state.OnButtonUp(b);
                model.Up(b);
                break;
            }
            case 5:
                state.OnDestroy();
                model.Destroy();
                break;
            case 7:
                Require(SamePress(state.TakePress(), model.Take()), "the driver takes the press");
                Require(!state.PendingPress(), "a taken press is gone");
                break;
            default: {
                const double logical = in.Double();
                CheckPhysicalPixel(logical, in.Double());
                break;
            }
        }
        Agree(state, model);
    }
    return 0;
}
