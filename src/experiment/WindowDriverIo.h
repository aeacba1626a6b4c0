#pragma once

#include "experiment/DriverIo.h"
#include "experiment/ExperimentState.h"

namespace quorvel {

class CTouchWnd;
class ClickSound;
class KeyState;

// The experiment driver's view of a real run: the scene drawn on the experiment window, the
// thread's own event pump, the application's key state, the window's contact points and
// mapping, and the click sound. The window, the key state and the sound must outlive it.
class WindowDriverIo : public DriverIo {
  public:
    WindowDriverIo(CTouchWnd& window, const ExperimentState& state, KeyState& keys,
                   ClickSound& click);

    void DrawScene(int completed) override;
    void Pump() override;
    void Idle() override;
    bool KeyPressed(int key) override;
    int PointCount() const override;
    QPoint FirstPoint() const override;
    StimulusMapping Mapping() const override;
    void PlayClick() override;

  private:
    CTouchWnd& window_;
    const ExperimentState& state_;
    KeyState& keys_;
    ClickSound& click_;
};

}  // namespace quorvel
