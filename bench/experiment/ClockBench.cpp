// Runs the millisecond clock as a test would, on a quiet machine and then on a busy one (a
// load the benchmark starts and stops itself), and reports side by side what the subject's
// times rest on:
//  - the count read with MsTimerNow() against the steady clock's whole milliseconds since the
//    reset, read over and over: the times the driver records;
//  - tick_count, the tick thread's own count, against the same: how far a thread that is not
//    scheduled falls behind (the count the driver read before);
//  - how late each tick arrived compared with the best-timed tick of the run.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/experiment/MsTimer.h"
#include "support/BackgroundLoad.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSeconds = 5;
constexpr std::size_t kCapacity = kSeconds * 1000 + 1000;

// Arrival time of tick n (1-based), written by the tick thread, read after the stop.
std::vector<Clock::time_point> g_arrival(kCapacity);

void RecordArrival(std::int32_t n) {
    if (n > 0 && static_cast<std::size_t>(n) < kCapacity) {
        g_arrival[n] = Clock::now();
    }
}

struct Figures {
    long reads = 0;
    long nowWrong = 0;    // MsTimerNow() outside the whole ms elapsed around the read
    double nowWorst = 0;  // largest distance from them, ms
    double lagMean = 0;   // elapsed whole ms - tick_count, ms
    double lagWorst = 0;
    double lateMean = 0;  // tick lateness, ms
    double lateWorst = 0;
    int lateOver1 = 0;
    int lateOver2 = 0;
};

Figures Run() {
    Figures f;
    quorvel::tick_hook = RecordArrival;
    if (!quorvel::MsTimerStart()) {
        std::printf("clock: could not start\n");
        std::exit(0);
    }
    const Clock::time_point before = Clock::now();
    quorvel::MsTimerReset();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(kSeconds);
    double lagSum = 0;
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
        const Clock::time_point from = Clock::now();
        const std::int32_t count = quorvel::MsTimerNow();
        const std::int32_t ticks = quorvel::tick_count.load();
        const Clock::time_point to = Clock::now();
        // The count is right when it lies between the whole ms from just after the reset to
        // just before the read, and from just before the reset to just after it.
        const auto low = std::chrono::duration_cast<std::chrono::milliseconds>(from - start);
        const auto high = std::chrono::duration_cast<std::chrono::milliseconds>(to - before);
        double off = 0;
        if (count < low.count()) {
            off = static_cast<double>(low.count() - count);
        } else if (count > high.count()) {
            off = static_cast<double>(count - high.count());
        }
        f.nowWrong += off > 0 ? 1 : 0;
        f.nowWorst = std::max(f.nowWorst, off);
        const double lag = static_cast<double>(low.count() - ticks);
        lagSum += lag;
        f.lagWorst = std::max(f.lagWorst, lag);
        ++f.reads;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const std::int32_t ticks = quorvel::MsTimerNow();
    quorvel::MsTimerStop();
    quorvel::tick_hook = nullptr;
    f.lagMean = f.reads > 0 ? lagSum / f.reads : 0;

    // Tick n is due at phase + n ms; the phase is taken from the earliest-arriving tick.
    const int n = std::min<int>(ticks, static_cast<int>(kCapacity) - 1);
    std::vector<double> offset;
    for (int k = 1; k <= n; ++k) {
        if (g_arrival[k] != Clock::time_point()) {
            offset.push_back(
                std::chrono::duration<double, std::milli>(g_arrival[k] - start).count() - k);
        }
    }
    std::fill(g_arrival.begin(), g_arrival.end(), Clock::time_point());
    if (offset.empty()) {
        return f;
    }
    const double best = *std::min_element(offset.begin(), offset.end());
    double sum = 0.0;
    for (double o : offset) {
        const double late = o - best;
        sum += late;
        f.lateWorst = std::max(f.lateWorst, late);
        f.lateOver1 += late > 1.0 ? 1 : 0;
        f.lateOver2 += late > 2.0 ? 1 : 0;
    }
    f.lateMean = sum / offset.size();
    return f;
}

void Row(const char* what, double quiet, double loaded) {
    std::printf("  %-46s %10.3f %10.3f %10.2f\n", what, quiet, loaded,
                quiet != 0.0 ? loaded / quiet : 0.0);
}

}  // namespace

int main() {
    const Figures quiet = Run();
    Figures loaded;
    std::string load;
    {
        quorvel::bench::BackgroundLoad busy(std::chrono::seconds(kSeconds * 4));
        load = busy.What();
        loaded = Run();
    }
    std::printf("clock, %d s per condition; loaded: %s\n", kSeconds, load.c_str());
    std::printf("  %-46s %10s %10s %10s\n", "", "quiet", "loaded", "ratio");
    Row("reads of MsTimerNow()", static_cast<double>(quiet.reads),
        static_cast<double>(loaded.reads));
    Row("  outside the elapsed whole ms (goal: none)", static_cast<double>(quiet.nowWrong),
        static_cast<double>(loaded.nowWrong));
    Row("  worst distance from them, ms", quiet.nowWorst, loaded.nowWorst);
    Row("tick_count behind the elapsed ms: mean", quiet.lagMean, loaded.lagMean);
    Row("tick_count behind the elapsed ms: worst", quiet.lagWorst, loaded.lagWorst);
    Row("tick lateness, ms: mean", quiet.lateMean, loaded.lateMean);
    Row("tick lateness, ms: worst", quiet.lateWorst, loaded.lateWorst);
    Row("ticks > 1 ms late", quiet.lateOver1, loaded.lateOver1);
    Row("ticks > 2 ms late", quiet.lateOver2, loaded.lateOver2);
    return 0;
}
