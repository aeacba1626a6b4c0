#pragma once

#include <QTimer>
#include <functional>

#include "core/experiment/DriverIo.h"
#include "core/experiment/ExperimentState.h"

namespace quorvel {

class CTouchWnd;
class ClickSound;
class KeyState;

// The experiment driver's view of a real run: the scene drawn on the experiment window, the
// thread's own event pump, the application's key state, the window's contact points and
// mapping, and the click sound. The window, the key state and the sound must outlive it.
//
// Idle gives up the thread for at most a millisecond, as a plain 1 ms sleep would, but wakes
// as soon as input arrives and dispatches it: a touch is then seen by the driver's next sample
// at once instead of waiting out the sleep and the following pump, which made every recorded
// time late by 1 to 2.5 ms.
//
// TakePress hands over the window's latched press, stamped with when its event happened (the
// window system's timestamp where it proved reliable, else its dispatch); the driver places
// that instant on the clock (CountAt: never before the clock's last reset, never after now), so
// a user-interface thread kept waiting on a busy machine neither delays the recorded time nor
// loses a quick tap.
//
// It also keeps the window's input journal in step with the driver (the awaited target, the
// clock's resets, the verdicts), starting it empty.
class WindowDriverIo : public DriverIo {
  public:
    WindowDriverIo(CTouchWnd& window, const ExperimentState& state, KeyState& keys,
                   ClickSound& click);

    void DrawScene(int completed) override;
    void Pump() override;
    void Idle() override;
    bool KeyPressed(int key) override;
    int PointCount() const override;
    ContactPoint FirstPoint() const override;
    std::optional<Press> TakePress() override;
    StimulusMapping Mapping() const override;
    void PlayClick() override;
    bool StopRequested() const override;
    void Awaiting(int target) override;
    void ClockReset() override;
    std::int32_t FirstPointEvent() const override;
    void Judged(const Press& press, bool correct) override;
    void ShowWrongTouch(int awaited, const Stimulus& touch) override;

    // Asked at every sample whether the program is to end; unset: never.
    void SetStopRequest(std::function<bool()> stop) { m_stop = std::move(stop); }

  private:
    CTouchWnd& m_window;
    QTimer m_idleLimit;  // ends an idle that no input cut short
    const ExperimentState& m_state;
    KeyState& m_keys;
    ClickSound& m_click;
    std::function<bool()> m_stop;
};

}  // namespace quorvel
