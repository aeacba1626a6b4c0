#pragma once

#include <cstdint>
#include <memory>

// The platform's half of the millisecond clock (MsTimer.h), one file per platform:
// MsTimerTicker_posix.cpp (a thread of our own on the steady clock) and MsTimerTicker_win.cpp
// (the multimedia timer). Only MsTimer.cpp and those two use it.

namespace quorvel::mstimer {

constexpr std::uint32_t kPeriodMs = 1;

// From MsTimer.cpp, for the tickers.

// The steady clock now, in ns since its epoch.
std::int64_t NowNs();
// The instant (NowNs() scale) the running real clock counts from.
std::int64_t OriginNs();
// Moves tick_count on to the whole milliseconds elapsed since the origin, one tick and one
// hook call per millisecond, never undoing a reset made meanwhile. `origin` and `last` are the
// caller's own: the origin it last counted from and the count it last wrote.
void CatchUp(std::int64_t& origin, std::int32_t& last);
// A new timer id, never 0.
std::uint32_t NextTimerId();

// From the platform's file.

// What keeps tick_count moving while the real clock runs. Destroying it stops it: once the
// destructor returns no tick runs any more, and a last CatchUp has left tick_count at the time
// of the stop.
class Ticker {
  public:
    virtual ~Ticker() = default;
    virtual std::uint32_t Id() const = 0;
};

// Starts a ticker; null when the system refuses one.
std::unique_ptr<Ticker> StartTicker();
// The resolution of the system's timer in ns; negative when it cannot be asked.
std::int64_t SystemResolutionNs();
// Lowers the system's timer period to kPeriodMs while the clock runs, where the system has one.
void BeginSystemPeriod();
void EndSystemPeriod(std::uint32_t period);

}  // namespace quorvel::mstimer
