#pragma once

#include <QPoint>
#include <chrono>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "core/experiment/DriverIo.h"
#include "core/experiment/MsTimer.h"
#include "support/FakeMessageBoxes.h"

namespace quorvel::test {

// One thing that happens in the world, delivered by one pump.
struct Input {
    enum Kind { Nothing, Fingers, Lift, KeyDown, KeyUp, Elapse, Tap } kind = Nothing;
    // Fingers: the contact points now down, in window pixels. Tap: a point pressed and lifted
    // within this pump.
    std::vector<QPoint> points;
    int key = 0;  // KeyDown, KeyUp
    // Elapse: time that passes during this pump. Fingers, Tap: time that passes after the
    // press within this pump, as when the user-interface thread is busy.
    int ms = 0;
};

// A stand-in for the experiment window whose world follows a script: every Pump() delivers
// the next input, every Idle() is a pump followed by exactly 1 ms of the manual clock. When
// the script runs dry the world goes quiet (keys up, no contact) and the next query of Escape
// reports a press, so a driver that still waits aborts instead of hanging; `ranDry` says so.
// A key that is queried over and over without a pump can never change (the key state is fed
// by events): after many such queries it reads released and `spunWithoutPump` says so.
// With `latches`, it also keeps presses as the experiment window does: the earliest contact
// begun since the last TakePress, with the clock's count at the press.
class ScriptedDriverIo : public DriverIo {
  public:
    StimulusMapping mapping{2.0, 16.0, 8.0};
    std::vector<Input> script;

    std::vector<int> scenes;              // every DrawScene argument, in order
    std::size_t consumedAtLastScene = 0;  // inputs delivered when the last scene was drawn
    int clicks = 0;
    bool ranDry = false;
    bool spunWithoutPump = false;
    bool latches = false;
    // What the driver told a recording of the run: every Awaiting argument, the clock resets,
    // and every judged press as (event, correct). A contact's event is the script index of the
    // input that began it.
    std::vector<int> awaited;
    int clockResets = 0;
    std::vector<std::pair<std::int32_t, bool>> judged;

    // The window pixel of a stimulus point under `mapping`.
    QPoint PixelOf(const Stimulus& s) const {
        const WindowPoint w = ToWindow(mapping, s.x, s.y);
        return {static_cast<int>(w.x), static_cast<int>(w.y)};
    }

    void DrawScene(int completed) override {
        scenes.push_back(completed);
        consumedAtLastScene = m_next;
    }

    void Pump() override {
        m_queriesSincePump = 0;
        if (m_next >= script.size()) {
            m_dry = true;
            m_points.clear();
            m_escape = m_enter = {};
            return;
        }
        const Input& in = script[m_next++];
        switch (in.kind) {
            case Input::Nothing:
                break;
            case Input::Fingers:
                if (m_points.empty() && !in.points.empty()) {
                    m_event = static_cast<std::int32_t>(m_next - 1);
                    Latch(in.points.front(), false);
                }
                m_points = in.points;
                MsTimerAdvance(in.ms);
                break;
            case Input::Tap:
                if (m_points.empty() && !in.points.empty()) {
                    m_event = static_cast<std::int32_t>(m_next - 1);
                    Latch(in.points.front(), true);
                }
                MsTimerAdvance(in.ms);
                break;
            case Input::Lift:
                m_points.clear();
                if (m_latched) {
                    m_latched->released = true;
                }
                break;
            case Input::KeyDown:
                KeyOf(in.key) = {true, true};
                break;
            case Input::KeyUp:
                KeyOf(in.key).down = false;
                break;
            case Input::Elapse:
                MsTimerAdvance(in.ms);
                break;
        }
    }

    void Idle() override {
        Pump();
        MsTimerAdvance(1);
    }

    bool KeyPressed(int key) override {
        if (++m_queriesSincePump > kSpinLimit) {
            spunWithoutPump = true;
            return false;
        }
        if (m_dry && key == kEscape && !ranDry) {
            ranDry = true;
            return true;
        }
        Key& k = KeyOf(key);
        const bool pressed = k.down || k.pressedSince;
        k.pressedSince = false;
        return pressed;
    }

    std::optional<Press> TakePress() override {
        std::optional<Press> taken;
        taken.swap(m_latched);
        return taken;
    }

    // The manual clock has no instants to place a press at, so a press is stamped with the
    // count at the press itself, as that many milliseconds of the steady clock, and read back.
    std::int32_t CountAt(EventTime at) const override {
        return static_cast<std::int32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count());
    }

    int PointCount() const override { return static_cast<int>(m_points.size()); }
    ContactPoint FirstPoint() const override {
        return m_points.empty() ? ContactPoint()
                                : ContactPoint{m_points.front().x(), m_points.front().y()};
    }
    StimulusMapping Mapping() const override { return mapping; }
    void PlayClick() override { ++clicks; }
    void Awaiting(int target) override { awaited.push_back(target); }
    void ClockReset() override { ++clockResets; }
    std::int32_t FirstPointEvent() const override { return m_points.empty() ? -1 : m_event; }
    void Judged(const Press& press, bool correct) override {
        judged.emplace_back(press.event, correct);
    }

  private:
    struct Key {
        bool down = false;
        bool pressedSince = false;
    };
    Key& KeyOf(int key) { return key == kEscape ? m_escape : m_enter; }
    void Latch(QPoint at, bool released) {
        if (latches && !m_latched) {
            const EventTime stamp{std::chrono::milliseconds(MsTimerNow())};
            m_latched = Press{{at.x(), at.y()}, stamp, released, m_event};
        }
    }

    static constexpr int kSpinLimit = 100000;

    std::size_t m_next = 0;
    int m_queriesSincePump = 0;
    bool m_dry = false;
    std::vector<QPoint> m_points;
    std::int32_t m_event = -1;
    std::optional<Press> m_latched;
    Key m_escape;
    Key m_enter;
};

// Message boxes that, like real modal boxes, dispatch events while they are open: each box
// takes one pump of the script.
class PumpingMessageBoxes : public FakeMessageBoxes {
  public:
    explicit PumpingMessageBoxes(DriverIo& io) : m_io(io) {}
    void ShowPlain(const QString& text, const QString& caption) override {
        FakeMessageBoxes::ShowPlain(text, caption);
        m_io.Pump();
    }
    void ShowApp(const QString& text, BoxIcon icon) override {
        FakeMessageBoxes::ShowApp(text, icon);
        m_io.Pump();
    }

  private:
    DriverIo& m_io;
};

}  // namespace quorvel::test
