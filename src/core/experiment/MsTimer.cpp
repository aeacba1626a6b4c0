#include "core/experiment/MsTimer.h"

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>

#include "core/experiment/MsTimerTicker.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct MsTimerTexts {
    Q_DECLARE_TR_FUNCTIONS(MsTimer)
};

}  // namespace

std::atomic<std::int32_t> tick_count{0};
std::uint32_t timer_id = 0;
std::uint32_t timer_period = 0;
std::atomic<TickHook> tick_hook{nullptr};

namespace {

using mstimer::kPeriodMs;
using mstimer::NowNs;

MsTimerSeams g_seams;
// The running clock is the manual one: there is no platform timer to end.
bool g_manualRunning = false;

// The minimum timer period the system offers, in ms; 0 when it cannot be asked.
std::uint32_t MinimumPeriodMs() {
    std::int64_t ns = g_seams.resolutionNs;
    if (ns == 0) {
        ns = mstimer::SystemResolutionNs();
    }
    if (ns < 0) {
        return 0;
    }
    // The smallest whole number of milliseconds the clock can resolve.
    const std::int64_t ms = (ns + 999999) / 1000000;
    return static_cast<std::uint32_t>(ms < 1 ? 1 : ms);
}

// The count's origin while the tick thread runs: the steady-clock instant (ns since the
// clock's epoch) from which whole milliseconds are counted, so that reading the count never
// depends on when the tick thread last ran. kNoOrigin while no tick thread runs: the count is
// then whatever tick_count holds.
constexpr std::int64_t kNoOrigin = std::numeric_limits<std::int64_t>::min();
std::atomic<std::int64_t> g_originNs{kNoOrigin};

}  // namespace

namespace mstimer {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t OriginNs() {
    return g_originNs.load();
}

std::uint32_t NextTimerId() {
    static std::uint32_t last = 0;
    if (++last == 0) {
        ++last;
    }
    return last;
}

}  // namespace mstimer

namespace {

// Whole milliseconds from `origin` to `at` (ns), never negative, wrapping as the count does.
std::int32_t WholeMsBetween(std::int64_t origin, std::int64_t at) {
    const std::int64_t ms = at > origin ? (at - origin) / 1000000 : 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

// Whole milliseconds since the origin, now.
std::int32_t CountNow(std::int64_t origin) {
    return WholeMsBetween(origin, NowNs());
}

// Sets the count to 0 from now on. One caller thread.
void ResetOrigin() {
    std::int64_t at = NowNs();
    // Every reset is told apart from the last, even within the clock's resolution.
    const std::int64_t previous = g_originNs.load();
    if (at <= previous) {
        at = previous + 1;
    }
    // The origin first: from here on every reader sees the new count, and the ticker, seeing
    // the new origin, takes back any tick of the old one that lands after this 0.
    g_originNs.store(at);
    tick_count.store(0);
}

}  // namespace

namespace mstimer {

// The ticker no longer defines the count, it only mirrors it: tick_count is moved on to the
// whole milliseconds elapsed since the origin, one tick (and one hook call) per millisecond.
// When the ticker is late (a busy machine may not run it for hundreds of milliseconds) it
// catches up at once when it runs again, while readers of MsTimerNow() were never behind: they
// compute the count from the origin themselves.
//
// A reset must never be undone by a tick counted at the same moment, so the ticker only ever
// moves tick_count on from the value it last wrote (compare-exchange). When that fails someone
// else has stored a value: after a reset (a new origin) it re-bases on it; after a plain store
// it counts on from the stored value towards the time since the origin.
void CatchUp(std::int64_t& origin, std::int32_t& last) {
    for (;;) {
        const std::int64_t seenOrigin = g_originNs.load();
        if (seenOrigin != origin) {
            // A reset: it has stored (or is about to store) its own 0.
            origin = seenOrigin;
            last = 0;
        }
        const std::int32_t target = CountNow(origin);
        // Compared as the count wraps.
        if (static_cast<std::int32_t>(static_cast<std::uint32_t>(target) -
                                      static_cast<std::uint32_t>(last)) <= 0) {
            return;
        }
        std::int32_t seen = last;
        // The sum wraps instead of overflowing (24 days of ticks, far beyond any run).
        const auto next = static_cast<std::int32_t>(static_cast<std::uint32_t>(last) + 1u);
        if (!tick_count.compare_exchange_strong(seen, next)) {
            if (g_originNs.load() == origin) {
                last = seen;  // a plain store: count on from it
            }
            continue;  // otherwise a reset, re-based above
        }
        if (g_originNs.load() != origin) {
            // Only possible when the count was 0 already (two resets within a tick): this
            // tick is on the old origin and is taken back at once.
            std::int32_t mine = next;
            tick_count.compare_exchange_strong(mine, 0);
            continue;
        }
        last = next;
        if (const TickHook hook = tick_hook.load()) {
            hook(next);
        }
    }
}

}  // namespace mstimer

namespace {

// The running ticker; destroying it stops it (also at process exit, should a clock be left
// running).
std::unique_ptr<mstimer::Ticker> g_ticker;

bool BeginPeriodicTimer() {
    mstimer::BeginSystemPeriod();
    // Recorded for the stop.
    timer_period = kPeriodMs;
    // The count goes on from the value it has, as a freshly started tick would count it.
    g_originNs.store(NowNs() - static_cast<std::int64_t>(tick_count.load()) * 1000000);
    g_ticker = mstimer::StartTicker();
    if (!g_ticker) {
        g_originNs.store(kNoOrigin);
        return false;
    }
    timer_id = g_ticker->Id();
    return true;
}

void EndPeriodicTimer() {
    g_ticker.reset();  // its last catch-up leaves tick_count at the time of the stop
    g_originNs.store(kNoOrigin);
}

void EndPeriod() {
    if (timer_period != 0) {
        mstimer::EndSystemPeriod(timer_period);
    }
}

}  // namespace

int MsTimerCheck(MessageBoxService& boxes) {
    const std::uint32_t minPeriod = MinimumPeriodMs();
    if (minPeriod == 0) {
        boxes.ShowApp(MsTimerTexts::tr("System does not permit MsTimer."), BoxIcon::Stop);
        return 0;
    }
    if (minPeriod != kPeriodMs) {
        boxes.ShowApp(MsTimerTexts::tr("System does not have enough resolution for MsTimer."),
                      BoxIcon::Stop);
        return 0;
    }
    // A clock cannot be running at start-up; should one be, stop it rather than lose its
    // thread by clearing its id.
    MsTimerStop();
    tick_count.store(0);
    tick_hook.store(nullptr);
    return 1;
}

bool MsTimerStart() {
    if (timer_id != 0) {
        return true;
    }
    if (g_seams.failStart) {
        return false;
    }
    if (g_seams.manual) {
        timer_period = kPeriodMs;
        timer_id = mstimer::NextTimerId();
        g_manualRunning = true;
        return true;
    }
    if (BeginPeriodicTimer()) {
        return true;
    }
    // Leave nothing behind: the 1 ms period begun for the timer ends with the failed start.
    EndPeriod();
    timer_id = 0;
    timer_period = 0;
    return false;
}

void MsTimerStop() {
    if (timer_id == 0) {
        return;
    }
    if (g_manualRunning) {
        g_manualRunning = false;
    } else {
        EndPeriodicTimer();
        EndPeriod();
    }
    timer_id = 0;
    timer_period = 0;
}

void MsTimerReset() {
    if (g_ticker) {
        ResetOrigin();
        return;
    }
    tick_count.store(0);
}

std::int32_t MsTimerNow() {
    // Computed at the moment of reading, so a tick thread kept off the processor does not
    // make the count lag.
    const std::int64_t origin = g_originNs.load();
    if (origin != kNoOrigin) {
        return WholeMsBetween(origin, NowNs());
    }
    return tick_count.load();
}

std::int32_t MsTimerAt(std::chrono::steady_clock::time_point at) {
    const std::int64_t origin = g_originNs.load();
    if (origin != kNoOrigin) {
        const std::int64_t atNs =
            std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
        // Never before the origin (WholeMsBetween) and never after the present.
        const std::int64_t nowNs = NowNs();
        return WholeMsBetween(origin, atNs < nowNs ? atNs : nowNs);
    }
    // No relation between the steady clock and the count: the instant is taken as now.
    static_cast<void>(at);
    return MsTimerNow();
}

std::optional<std::chrono::steady_clock::time_point> MsTimerOrigin() {
    const std::int64_t origin = g_originNs.load();
    if (origin != kNoOrigin) {
        return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(origin));
    }
    return std::nullopt;
}

void MsTimerTick() {
    // The sum wraps instead of overflowing (24 days of ticks, far beyond any run).
    const auto previous = static_cast<std::uint32_t>(tick_count.fetch_add(1));
    const auto count = static_cast<std::int32_t>(previous + 1u);
    if (const TickHook hook = tick_hook.load()) {
        hook(count);
    }
}

void SetMsTimerSeams(const MsTimerSeams& seams) {
    g_seams = seams;
}

void MsTimerAdvance(int n) {
    for (int k = 0; k < n; ++k) {
        MsTimerTick();
    }
}

}  // namespace quorvel
