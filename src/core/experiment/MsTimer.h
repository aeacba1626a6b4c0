#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "core/platform/MessageBoxService.h"

namespace quorvel {

// Called by the clock after every tick with the new count, on the clock's own thread.
using TickHook = void (*)(std::int32_t count);

// The process-wide millisecond clock that times the responses. All four fields are 0 (none)
// when the process starts.
//
// tick_count: milliseconds counted since it was last set to 0. The tick thread (a thread of
// our own on POSIX, the multimedia timer's on Windows) adds to it atomically, one tick per
// millisecond, and a reset made while a tick is being counted is never undone. The thread may be
// late on a busy machine, so tick_count may lag the time: read the clock with MsTimerNow(), which
// is exact. With the real clock running only MsTimerReset() moves the count's origin; a plain store
// is counted on from and overtaken as the thread catches up with the time since the origin. With
// the manual clock or no clock running, tick_count is the count and plain stores set it.
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
// timer_id and timer_period. tick_count keeps its value: with the real clock, the count at the
// stop, which the hook has seen. Does nothing when no timer runs.
void MsTimerStop();

// Sets the count to 0 now: with the real clock running, the reset instant becomes the count's
// origin, so from then on MsTimerNow() is the whole milliseconds elapsed since the reset and
// tick_count follows it one tick per millisecond (a plain store of 0 moves no origin).
// Without a tick thread (the manual clock, no clock running) it only stores 0. User-interface
// thread only.
void MsTimerReset();

// The count now: whole milliseconds since the last reset (or, without a reset, since the
// count would have been 0). While the real clock runs it is computed from the steady clock at
// the moment of the call, so it is exact however late the tick thread is; otherwise (manual
// clock, stopped clock) it is tick_count. Any thread.
std::int32_t MsTimerNow();

// The count at the steady-clock instant `at`, as MsTimerNow() would have read it then: never
// less than 0 (an instant before the last reset counts as the reset) and never more than the
// count now. Without a running real clock the instant cannot be placed and the count now is
// returned.
std::int32_t MsTimerAt(std::chrono::steady_clock::time_point at);

// The steady-clock instant the count now counts from, so that other records of the run can be
// placed on the same origin to the nanosecond. None without a running real clock (the manual
// clock): the count then has no instant to name.
std::optional<std::chrono::steady_clock::time_point> MsTimerOrigin();

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
