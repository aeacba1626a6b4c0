// The experiment window's contact state fed with any sequence of touch messages, button
// presses and releases, moves and window destructions, decoded from the input. After every
// event the state must agree with the rules the driver relies on, kept here as a small
// model of their own, and with the invariants of the published points.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "FuzzInput.h"
#include "render/ContactState.h"

namespace quorvel::fuzz {
namespace {

// The rules of the contact state, written out plainly.
struct Model {
    bool contact = false;
    int buttons = 0;
    std::vector<ContactPoint> points;

    void Touch(const std::vector<TouchInput>& inputs, bool unreadable) {
        contact = true;
        if (unreadable) {
            return;
        }
        points.clear();
        for (const TouchInput& t : inputs) {
            if (!t.lifting) {
                points.push_back({t.x, t.y});
            }
        }
        contact = !points.empty();
    }
    void Down(MouseButton b, std::int32_t x, std::int32_t y) {
        if (!contact) {
            buttons |= static_cast<int>(b);
            contact = true;
            points = {{x, y}};
        }
    }
    void Move(std::int32_t x, std::int32_t y) {
        if (buttons != 0) {
            contact = true;
            points = {{x, y}};
        }
    }
    void Up(MouseButton b) {
        buttons &= ~static_cast<int>(b);
        if (contact) {
            contact = false;
            points.clear();
        }
    }
    void Destroy() { *this = Model(); }
};

void Agree(const ContactState& s, const Model& m) {
    Require(s.PointCount() == static_cast<int>(s.Points().size()), "count == points");
    Require(s.Contact() || s.PointCount() == 0, "no contact -> no points");
    Require(s.PointCount() >= 0, "count >= 0");
    Require((s.Buttons() & ~3) == 0, "only left and right can be held");
    Require(s.Contact() == m.contact, "contact follows the rules");
    Require(s.Buttons() == m.buttons, "buttons follow the rules");
    Require(s.Points() == m.points, "points follow the rules");
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
    while (!in.Empty()) {
        switch (in.Byte() % 7) {
            case 0:
            case 1: {
                const bool unreadable = in.Byte() % 8 == 0;
                std::vector<TouchInput> inputs(in.Byte() % 12);
                for (TouchInput& t : inputs) {
                    t.lifting = (in.Byte() & 1) != 0;
                    t.x = in.Int32();
                    t.y = in.Int32();
                }
                state.OnTouch(inputs, unreadable);
                model.Touch(inputs, unreadable);
                break;
            }
            case 2: {
                const MouseButton b = ButtonOf(in.Byte());
                const std::int32_t x = in.Int32();
                const std::int32_t y = in.Int32();
                state.OnButtonDown(b, x, y);
                model.Down(b, x, y);
                break;
            }
            case 3: {
                const std::int32_t x = in.Int32();
                const std::int32_t y = in.Int32();
                state.OnMouseMove(x, y);
                model.Move(x, y);
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
