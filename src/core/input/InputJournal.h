#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/input/ContactState.h"

namespace quorvel {

// Where a press or release came from.
enum class InputSource : std::uint8_t { Touch, Mouse };

// What the experiment driver made of a press.
enum class InputVerdict : std::uint8_t {
    NotCounted,  // never judged: a finger still down, a second finger, a press before the wait
    Correct,
    Wrong,
};

// One press or release on the experiment window while a target was awaited.
struct InputEvent {
    EventTime at;        // when it happened (EventClock), steady clock
    std::int32_t x = 0;  // physical window pixels
    std::int32_t y = 0;
    std::int32_t source_id = 0;  // touch point id, or the Qt mouse button (1 left, 2 right, ...)
    std::int16_t awaited = -1;   // the target (0..24) awaited when it came in
    InputSource source = InputSource::Touch;
    bool press = true;  // false: a release
    InputVerdict verdict = InputVerdict::NotCounted;
};

// Every press and release of a run, for its events file. Filled from the window's input handlers
// between a touch and the driver's look at it, so it never allocates there: its room is taken
// once, when it is made. A run with more events than kCapacity keeps the first kCapacity and
// counts the rest as dropped (the index row says how many); the driver's timing and judging do
// not depend on it in any way.
class InputJournal {
  public:
    // A run of 25 targets has some 50 presses and releases; even a subject drumming with several
    // fingers for minutes stays far below this.
    static constexpr std::size_t kCapacity = 8192;

    InputJournal();

    // Forgets everything; nothing is recorded until a target is awaited.
    void Clear();
    // Off: Add() records nothing (the run is not recorded at all).
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool Enabled() const { return m_enabled; }

    // The target awaited from now on (0..24); -1 stops recording.
    void SetAwaited(int target) {
        m_awaited = static_cast<std::int16_t>(target);
        m_releasesOnly = false;
    }
    // The run is over: presses are no longer recorded, but releases still are, under the target
    // last awaited, so the finger that touched the last target is seen to lift (it lifts after
    // the run has ended). SetAwaited(-1) then stops recording altogether.
    void FinishRun() { m_releasesOnly = true; }
    // The driver's clock was set to 0 at `at` (first and second target). Only the first two count.
    void NoteClockReset(EventTime at);

    // Records one press or release; its index, or -1 when nothing is recorded (no target
    // awaited, disabled, or full).
    std::int32_t Add(bool press, InputSource source, std::int32_t sourceId, std::int32_t x,
                     std::int32_t y, EventTime at);
    // What the driver made of the press recorded as `event`; ignored for -1.
    void SetVerdict(std::int32_t event, bool correct);

    const std::vector<InputEvent>& Events() const { return m_events; }
    std::int64_t Dropped() const { return m_dropped; }
    // The clock resets noted since Clear(), at most two.
    int ResetCount() const { return m_resetCount; }
    EventTime Reset(int k) const { return m_resets[static_cast<std::size_t>(k)]; }

  private:
    std::vector<InputEvent> m_events;  // capacity kCapacity, never grown
    std::int64_t m_dropped = 0;
    std::int16_t m_awaited = -1;
    bool m_releasesOnly = false;
    bool m_enabled = true;
    std::array<EventTime, 2> m_resets{};
    int m_resetCount = 0;
};

}  // namespace quorvel
