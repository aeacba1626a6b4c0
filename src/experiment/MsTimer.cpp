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
// drift from the steady clock.
class TickThread {
  public:
    TickThread() : thread_([this] { Run(); }) {}
    ~TickThread() {
        stop_.store(true, std::memory_order_release);
        thread_.join();
    }
    TickThread(const TickThread&) = delete;
    TickThread& operator=(const TickThread&) = delete;

  private:
    void Run() {
        using std::chrono::milliseconds;
        using Clock = std::chrono::steady_clock;
        Clock::time_point counted = Clock::now();  // whole ms are counted up to here
        while (!stop_.load(std::memory_order_acquire)) {
            std::this_thread::sleep_until(counted + milliseconds(1));
            const auto whole =
                std::chrono::duration_cast<milliseconds>(Clock::now() - counted).count();
            for (std::int64_t k = 0; k < whole; ++k) {
                MsTimerTick();
            }
            counted += milliseconds(whole);
        }
    }

    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: starts once stop_ exists
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
