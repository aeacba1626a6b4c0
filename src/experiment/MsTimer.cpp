#include "experiment/MsTimer.h"

#include <QString>
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
// windows.h must come first.
#include <mmsystem.h>
#ifdef _MSC_VER
#pragma comment(lib, "winmm.lib")
#endif
#else
#include <time.h>
#endif

namespace quorvel {

std::atomic<std::int32_t> tick_count{0};
std::uint32_t timer_id = 0;
std::uint32_t timer_period = 0;
std::atomic<TickHook> tick_hook{nullptr};

namespace {

constexpr std::uint32_t kPeriodMs = 1;

MsTimerSeams g_seams;
// The running clock is the manual one: there is no platform timer to end.
bool g_manualRunning = false;

// The minimum timer period the system offers, in ms; 0 when it cannot be asked.
std::uint32_t MinimumPeriodMs() {
    std::int64_t ns = g_seams.resolutionNs;
    if (ns == 0) {
#ifdef _WIN32
        TIMECAPS caps{};
        if (timeGetDevCaps(&caps, sizeof(caps)) != TIMERR_NOERROR) {
            return 0;
        }
        return caps.wPeriodMin;
#else
        timespec res{};
        if (clock_getres(CLOCK_MONOTONIC, &res) != 0) {
            return 0;
        }
        ns = static_cast<std::int64_t>(res.tv_sec) * 1000000000 + res.tv_nsec;
#endif
    }
    if (ns < 0) {
        return 0;
    }
    // The smallest whole number of milliseconds the clock can resolve.
    const std::int64_t ms = (ns + 999999) / 1000000;
    return static_cast<std::uint32_t>(ms < 1 ? 1 : ms);
}

std::uint32_t NextTimerId() {
    static std::uint32_t last = 0;
    if (++last == 0) {
        ++last;
    }
    return last;
}

#ifdef _WIN32

void CALLBACK TickCallback(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    MsTimerTick();
}

bool BeginPeriodicTimer() {
    timeBeginPeriod(kPeriodMs);
    timer_period = kPeriodMs;
    const MMRESULT id = timeSetEvent(kPeriodMs, 0, TickCallback, 0, TIME_PERIODIC);
    if (id == 0) {
        return false;
    }
    timer_id = id;
    return true;
}

void EndPeriodicTimer() {
    timeKillEvent(timer_id);
}

void EndPeriod() {
    timeEndPeriod(timer_period);
}

#else

// The tick thread. It wakes at absolute 1 ms deadlines and adds every whole millisecond that
// has passed since the last counted one, so a late wake loses nothing and the count does not
// drift from the steady clock. A reset re-bases the deadlines on the reset instant, so the
// count is then the whole milliseconds since the reset rather than since some earlier phase.
//
// A reset must never be undone by a tick counted at the same moment, so the thread only ever
// moves tick_count on from the value it last wrote (compare-exchange). When that fails someone
// else has stored a value: after a reset the thread re-bases on it; after a plain store it
// counts on from the stored value.
class TickThread {
  public:
    TickThread() : thread_([this] { Run(); }) {}
    ~TickThread() {
        stop_.store(true, std::memory_order_release);
        thread_.join();
    }
    TickThread(const TickThread&) = delete;
    TickThread& operator=(const TickThread&) = delete;

    // Sets the count to 0 and has the next tick counted 1 ms from now. One caller thread.
    void Reset() {
        std::int64_t at = NowNs();
        // Every reset is told apart from the last, even within the clock's resolution.
        const std::int64_t previous = resetAt_.load(std::memory_order_relaxed);
        if (at <= previous) {
            at = previous + 1;
        }
        // resetAt_ differs from resetDone_ while the 0 is being stored; the thread then
        // waits rather than count on a value the reset is about to replace.
        resetAt_.store(at);
        tick_count.store(0);
        resetDone_.store(at);
    }

  private:
    using Clock = std::chrono::steady_clock;

    static std::int64_t NowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
            .count();
    }

    void Run() {
        using std::chrono::milliseconds;
        Clock::time_point counted = Clock::now();  // whole ms are counted up to here
        std::int64_t based = 0;                    // the reset counted from; 0: the start
        std::int32_t last = tick_count.load();     // the count this thread last wrote
        bool now = false;                          // look again at once, without sleeping
        while (!stop_.load(std::memory_order_acquire)) {
            if (!now) {
                std::this_thread::sleep_until(counted + milliseconds(1));
            }
            now = false;
            const std::int64_t at = resetAt_.load();
            if (at != resetDone_.load()) {
                std::this_thread::yield();  // a reset is storing its 0
                now = true;
                continue;
            }
            if (at != based) {
                // A tick counted on the old phase may have landed after the reset's 0:
                // take it back (a count someone stored since is left alone).
                std::int32_t mine = last;
                tick_count.compare_exchange_strong(mine, 0);
                based = at;
                counted = Clock::time_point(std::chrono::nanoseconds(at));
                last = 0;
            }
            const auto whole =
                std::chrono::duration_cast<milliseconds>(Clock::now() - counted).count();
            for (std::int64_t k = 0; k < whole;) {
                if (resetAt_.load() != based) {
                    now = true;
                    break;
                }
                std::int32_t seen = last;
                // The sum wraps instead of overflowing (24 days of ticks, far beyond any run).
                const auto next = static_cast<std::int32_t>(static_cast<std::uint32_t>(last) + 1u);
                if (!tick_count.compare_exchange_strong(seen, next)) {
                    last = seen;  // a plain store: count on from it (a reset is seen above)
                    continue;
                }
                last = next;
                counted += milliseconds(1);
                ++k;
                if (resetAt_.load() != based) {
                    // Only possible when the count was 0 already (two resets within a tick):
                    // this tick is on the old phase and is taken back at once.
                    now = true;
                    break;
                }
                if (const TickHook hook = tick_hook.load()) {
                    hook(next);
                }
            }
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> resetAt_{0};    // steady-clock ns of the latest reset; 0: none
    std::atomic<std::int64_t> resetDone_{0};  // resetAt_ once that reset's 0 is stored
    std::thread thread_;                      // last: starts once the fields above exist
};

// The running tick thread; destroying it stops and joins it (also at process exit, should a
// clock be left running).
std::unique_ptr<TickThread> g_tickThread;

bool BeginPeriodicTimer() {
    timer_period = kPeriodMs;  // steady_clock needs no system period; kept for the record
    try {
        g_tickThread = std::make_unique<TickThread>();
    } catch (const std::system_error&) {
        return false;
    }
    timer_id = NextTimerId();
    return true;
}

void EndPeriodicTimer() {
    g_tickThread.reset();
}

void EndPeriod() {}

#endif

}  // namespace

int MsTimerCheck(MessageBoxService& boxes) {
    const std::uint32_t minPeriod = MinimumPeriodMs();
    if (minPeriod == 0) {
        boxes.ShowApp(QStringLiteral("System does not permit MsTimer."), BoxIcon::Stop);
        return 0;
    }
    if (minPeriod != kPeriodMs) {
        boxes.ShowApp(QStringLiteral("System does not have enough resolution for MsTimer."),
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
        timer_id = NextTimerId();
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
#ifndef _WIN32
    if (g_tickThread) {
        g_tickThread->Reset();
        return;
    }
#endif
    tick_count.store(0);
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
