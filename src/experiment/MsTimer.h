#pragma once

#include <atomic>
#include <cstdint>

#include "platform/MessageBoxService.h"

namespace quorvel {

// Called by the clock after every tick with the new count, on the clock's own thread.
using TickHook = void (*)(std::int32_t count);

// The process-wide millisecond clock that times the responses. All four fields are 0 (none)
// when the process starts.
//
// tick_count: milliseconds counted since it was last set to 0. The tick thread adds to it
// atomically; the user-interface thread reads it and sets it to 0 (MsTimerReset, or a plain
// atomic store), and a reset made while a tick is being counted is never undone.
extern std::atomic<std::int32_t> tick_count;
// The running periodic timer; 0 when no timer runs. User-interface thread only.
extern std::uint32_t timer_id;
// The system timer period begun by the start (1 ms) while the clock runs, else 0.
// User-interface thread only.
extern std::uint32_t timer_period;
// Called after every tick; set or cleared only while no timer runs.
extern std::atomic<TickHook> tick_hook;

// Checks once at start-up that the system can run a 1 ms clock: 1 when it can; otherwise the
// operator is told in the application's box (stop icon) and 0 is returned. On success the four
// fields are cleared.
int MsTimerCheck(MessageBoxService& boxes);

// Starts the clock: lowers the system timer period to 1 ms and starts the periodic tick.
// True when the clock runs (timer_id non-zero). False when it could not be started: timer_id
// and timer_period are then 0 and nothing is left running, so the caller must not run a test
// whose times would all be 0. Does not touch tick_count. Starting a running clock changes
// nothing and reports true.
bool MsTimerStart();

// Stops the clock, waits until the tick thread has finished, ends the 1 ms period and clears
// timer_id and timer_period. tick_count keeps its value. Does nothing when no timer runs.
void MsTimerStop();

// Sets tick_count to 0 and restarts the tick phase: the running clock counts its next tick
// exactly 1 ms after this call, so from then on tick_count is the whole milliseconds elapsed
// since the reset (a plain store of 0 keeps the old phase and may count the first millisecond
// after any fraction of it). Without a tick thread (the manual clock, no clock running, or a
// platform periodic timer) it only stores 0. User-interface thread only.
void MsTimerReset();

// The tick: adds 1 to tick_count and calls tick_hook, if set, with the new value. Takes no
// lock and allocates nothing.
void MsTimerTick();

// What tests control about the clock. The default is the real platform clock.
struct MsTimerSeams {
    // No tick thread: a started clock only advances when MsTimerTick or MsTimerAdvance is
    // called, so a test decides exactly how much time passes.
    bool manual = false;
    // The clock resolution the capability check sees, in nanoseconds: 0 asks the system, a
    // positive value pretends the system reports it, a negative one makes the query fail.
    std::int64_t resolutionNs = 0;
    // Every start fails as if the platform refused the periodic timer.
    bool failStart = false;
};

// Replaces the seams. Only while the clock is stopped.
void SetMsTimerSeams(const MsTimerSeams& seams);

// n ticks at once, as n milliseconds passing (for the manual clock).
void MsTimerAdvance(int n);

}  // namespace quorvel
