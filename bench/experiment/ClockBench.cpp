// Runs the millisecond clock for 10 s as a test would and reports what the subject's times
// rest on: ticks counted against the steady clock's elapsed milliseconds (lost or extra ms),
// and how late each tick arrived compared with the best-timed tick of the run.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "experiment/MsTimer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSeconds = 10;
constexpr std::size_t kCapacity = kSeconds * 1000 + 1000;

// Arrival time of tick n (1-based), written by the tick thread, read after the stop.
std::vector<Clock::time_point> g_arrival(kCapacity);

void RecordArrival(std::int32_t n) {
    if (n > 0 && static_cast<std::size_t>(n) < kCapacity) {
        g_arrival[n] = Clock::now();
    }
}

}  // namespace

int main() {
    quorvel::tick_hook = RecordArrival;
    if (!quorvel::MsTimerStart()) {
        std::printf("clock: could not start\n");
        return 0;
    }
    quorvel::tick_count = 0;
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    const std::int32_t ticks = quorvel::tick_count.load();
    const Clock::time_point end = Clock::now();
    quorvel::MsTimerStop();
    quorvel::tick_hook = nullptr;

    const double elapsedMs = std::chrono::duration<double, std::milli>(end - start).count();
    std::printf("clock: %d ticks in %.3f ms of steady_clock: %.3f ms unaccounted\n", ticks,
                elapsedMs, elapsedMs - ticks);

    // Tick n is due at phase + n ms; the phase is taken from the earliest-arriving tick.
    const int n = std::min<int>(ticks, static_cast<int>(kCapacity) - 1);
    std::vector<double> offset;
    for (int k = 1; k <= n; ++k) {
        offset.push_back(std::chrono::duration<double, std::milli>(g_arrival[k] - start).count() -
                         k);
    }
    if (offset.empty()) {
        return 0;
    }
    const double best = *std::min_element(offset.begin(), offset.end());
    double sum = 0.0;
    double worst = 0.0;
    int over1 = 0;
    int over2 = 0;
    for (double o : offset) {
        const double late = o - best;
        sum += late;
        worst = std::max(worst, late);
        over1 += late > 1.0 ? 1 : 0;
        over2 += late > 2.0 ? 1 : 0;
    }
    std::printf("clock: tick lateness mean %.3f ms, max %.3f ms; %d ticks > 1 ms late, %d > 2 ms\n",
                sum / offset.size(), worst, over1, over2);
    return 0;
}
