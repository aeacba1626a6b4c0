#include "core/experiment/MsTimerTicker.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

#include "core/experiment/MsTimer.h"

#include <time.h>

namespace quorvel::mstimer {

namespace {

// A thread of our own ticks at absolute 1 ms deadlines of the steady clock.
class ThreadTicker final : public Ticker {
  public:
    // Starts the thread; null when no thread can be had.
    static std::unique_ptr<ThreadTicker> Start() {
        try {
            return std::unique_ptr<ThreadTicker>(new ThreadTicker());
        } catch (const std::system_error&) {
            return nullptr;
        }
    }
    ~ThreadTicker() override {
        m_stop.store(true, std::memory_order_release);
        m_thread.join();
    }
    ThreadTicker(const ThreadTicker&) = delete;
    ThreadTicker& operator=(const ThreadTicker&) = delete;

    std::uint32_t Id() const override { return m_id; }

  private:
    ThreadTicker() : m_thread([this] { Run(); }) {}

    void Run() {
        std::int64_t origin = OriginNs();       // set before the thread was started
        std::int32_t last = tick_count.load();  // the count this thread last wrote
        while (!m_stop.load(std::memory_order_acquire)) {
            // The next tick's deadline; never more than 1 ms away, so a count stored by hand
            // far ahead of the time cannot keep a stop waiting.
            std::int64_t dueNs = origin + (static_cast<std::int64_t>(last) + 1) * 1000000;
            dueNs = std::min(dueNs, NowNs() + 1000000);
            std::this_thread::sleep_until(
                std::chrono::steady_clock::time_point(std::chrono::nanoseconds(dueNs)));
            CatchUp(origin, last);
        }
        // The stopped clock keeps the count of the moment it stopped, and the hook saw it.
        CatchUp(origin, last);
    }

    const std::uint32_t m_id = NextTimerId();
    std::atomic<bool> m_stop{false};
    std::thread m_thread;  // last: starts once the fields above exist
};

}  // namespace

std::unique_ptr<Ticker> StartTicker() {
    return ThreadTicker::Start();
}

std::int64_t SystemResolutionNs() {
    timespec res{};
    if (clock_getres(CLOCK_MONOTONIC, &res) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(res.tv_sec) * 1000000000 + res.tv_nsec;
}

void BeginSystemPeriod() {
    // The steady clock needs no system period here.
}

void EndSystemPeriod(std::uint32_t) {}

}  // namespace quorvel::mstimer
