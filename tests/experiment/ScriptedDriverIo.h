#pragma once

#include <QPoint>
#include <cstddef>
#include <vector>

#include "experiment/DriverIo.h"
#include "experiment/MsTimer.h"
#include "support/FakeMessageBoxes.h"

namespace quorvel::test {

// One thing that happens in the world, delivered by one pump.
struct Input {
    enum Kind { Nothing, Fingers, Lift, KeyDown, KeyUp, Elapse } kind = Nothing;
    std::vector<QPoint> points;  // Fingers: the contact points now down, in window pixels
    int key = 0;                 // KeyDown, KeyUp
    int ms = 0;                  // Elapse: time that passes during this pump
};

// A stand-in for the experiment window whose world follows a script: every Pump() delivers
// the next input, every Idle() is a pump followed by exactly 1 ms of the manual clock. When
// the script runs dry the world goes quiet (keys up, no contact) and the next query of Escape
// reports a press, so a driver that still waits aborts instead of hanging; `ranDry` says so.
// A key that is queried over and over without a pump can never change (the key state is fed
// by events): after many such queries it reads released and `spunWithoutPump` says so.
class ScriptedDriverIo : public DriverIo {
  public:
    StimulusMapping mapping{2.0, 16.0, 8.0};
    std::vector<Input> script;

    std::vector<int> scenes;              // every DrawScene argument, in order
    std::size_t consumedAtLastScene = 0;  // inputs delivered when the last scene was drawn
    int clicks = 0;
    bool ranDry = false;
    bool spunWithoutPump = false;

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
                points_ = in.points;
                break;
            case Input::Lift:
                points_.clear();
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

    static constexpr int kSpinLimit = 100000;

    std::size_t next_ = 0;
    int queriesSincePump_ = 0;
    bool dry_ = false;
    std::vector<QPoint> points_;
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
