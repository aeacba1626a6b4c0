#pragma once

#include <cstdint>
#include <optional>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/MsTimer.h"
#include "core/experiment/Press.h"
#include "core/experiment/StimulusMapping.h"

namespace quorvel {

// What the experiment driver needs from the window system while a test runs: the scene, the
// event pump, the key state, the contact points and the click. The experiment window provides
// it; tests provide a scripted stand-in.
class DriverIo {
  public:
    static constexpr int kEscape = 0x1B;  // aborts the run
    static constexpr int kEnter = 0x0D;   // waited for to be released at every target

    virtual ~DriverIo() = default;

    // Draws the test scene with `completed` targets done (target `completed` being the one now
    // awaited) and presents it.
    virtual void DrawScene(int completed) = 0;

    // Dispatches every event that is waiting (touch, mouse, keys, paints) until none is left.
    // The key state and the contact points change only here.
    virtual void Pump() = 0;

    // Pump, then give up the thread for 1 ms.
    virtual void Idle() = 0;

    // True when `key` (kEscape or kEnter) is down now or was pressed since the previous query
    // of that key; the query clears the "pressed since" part.
    virtual bool KeyPressed(int key) = 0;

    // Contact points now down on the experiment window (fingers, a held mouse button).
    virtual int PointCount() const = 0;

    // The first contact point, in window pixels. Only meaningful while PointCount() > 0.
    virtual ContactPoint FirstPoint() const = 0;

    // The earliest press on the experiment window since the previous call, handed out once;
    // none when no contact has begun since. Its `event` is the recorded input event that began
    // the contact (see Judged), -1 when none was recorded. It lets the driver count a tap whose
    // press and release were both dispatched within one pump (it would never see the point
    // count above 0) and time a press by when it happened rather than by when the driver looked.
    // Stand-ins without it report none and the driver goes by PointCount() and FirstPoint()
    // alone.
    virtual std::optional<Press> TakePress() { return std::nullopt; }

    // The clock's count at `at`, the instant of a press TakePress handed out, as MsTimerNow()
    // would have read it then (MsTimerAt). A stand-in on the manual clock, which has no instants,
    // reads the count back from how it stamped its presses.
    virtual std::int32_t CountAt(EventTime at) const { return MsTimerAt(at); }

    // How stimulus space sits in the experiment window.
    virtual StimulusMapping Mapping() const = 0;

    // Starts the click of a correct touch and returns at once. A missing sound plays nothing
    // and reports nothing.
    virtual void PlayClick() = 0;

    // What the driver tells a recording of the run, so every press can later be shown with what
    // the driver made of it. Stand-ins that record nothing ignore them.
    //
    // Target `target` (0..24) is awaited from now on, its scene about to be drawn; -1 when no
    // target is awaited any more (the run is over).
    virtual void Awaiting(int /*target*/) {}
    // The clock was just set to 0: for the first target's wait, and again for the second's.
    virtual void ClockReset() {}
    // The recorded event behind the first contact point now down; -1 when none.
    virtual std::int32_t FirstPointEvent() const { return -1; }
    // `press` was judged a response to the awaited target: correct or wrong.
    virtual void Judged(const Press& /*press*/, bool /*correct*/) {}

    // A practice's wrong touch at `touch` (stimulus space) while target `awaited` is awaited:
    // shown briefly over the scene, which is then drawn again. Stand-ins may show nothing.
    virtual void ShowWrongTouch(int /*awaited*/, const Stimulus& /*touch*/) {}

    // True once the program has been asked to end (logout, shutdown): the run then ends at
    // once as an abort would, without waiting for keys or fingers to be lifted.
    virtual bool StopRequested() const { return false; }
};

}  // namespace quorvel
