#pragma once

#include <QPoint>
#include <cstddef>
#include <optional>
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

    // The window pixel of a stimulus point under `mapping`.
    QPoint PixelOf(const Stimulus& s) const {
        const WindowPoint w = ToWindow(mapping, s.x, s.y);
        return {static_cast<int>(w.x), static_cast<int>(w.y)};
    }

    void DrawScene(int completed) override {
        scenes.push_back(completed);
        consumedAtLastScene = next_;
    }

    void Pump() override {
        queriesSincePump_ = 0;
        if (next_ >= script.size()) {
            dry_ = true;
            points_.clear();
            escape_ = enter_ = {};
            return;
        }
        const Input& in = script[next_++];
        switch (in.kind) {
            case Input::Nothing:
                break;
            case Input::Fingers:
                if (points_.empty() && !in.points.empty()) {
                    Latch(in.points.front(), false);
                }
                points_ = in.points;
                MsTimerAdvance(in.ms);
                break;
            case Input::Tap:
                if (points_.empty() && !in.points.empty()) {
                    Latch(in.points.front(), true);
                }
                MsTimerAdvance(in.ms);
                break;
            case Input::Lift:
                points_.clear();
                if (latched_) {
                    latched_->released = true;
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
        if (++queriesSincePump_ > kSpinLimit) {
            spunWithoutPump = true;
            return false;
        }
        if (dry_ && key == kEscape && !ranDry) {
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
        taken.swap(latched_);
        return taken;
    }

    int PointCount() const override { return static_cast<int>(points_.size()); }
    QPoint FirstPoint() const override { return points_.empty() ? QPoint() : points_.front(); }
    StimulusMapping Mapping() const override { return mapping; }
    void PlayClick() override { ++clicks; }

  private:
    struct Key {
        bool down = false;
        bool pressedSince = false;
    };
    Key& KeyOf(int key) { return key == kEscape ? escape_ : enter_; }
    void Latch(QPoint at, bool released) {
        if (latches && !latched_) {
            latched_ = Press{at, MsTimerNow(), released};
        }
    }

    static constexpr int kSpinLimit = 100000;

    std::size_t next_ = 0;
    int queriesSincePump_ = 0;
    bool dry_ = false;
    std::vector<QPoint> points_;
    std::optional<Press> latched_;
    Key escape_;
    Key enter_;
};

// Message boxes that, like real modal boxes, dispatch events while they are open: each box
// takes one pump of the script.
class PumpingMessageBoxes : public FakeMessageBoxes {
  public:
    explicit PumpingMessageBoxes(DriverIo& io) : io_(io) {}
    void ShowPlain(const QString& text, const QString& caption) override {
        FakeMessageBoxes::ShowPlain(text, caption);
        io_.Pump();
    }
    void ShowApp(const QString& text, BoxIcon icon) override {
        FakeMessageBoxes::ShowApp(text, icon);
        io_.Pump();
    }

  private:
    DriverIo& io_;
};

}  // namespace quorvel::test
