#include "core/platform/Clock.h"

#include <chrono>
#include <ctime>

namespace quorvel {

namespace {

class SystemCalendarClock : public Clock {
  public:
    std::int64_t NowSeconds() const override {
        return static_cast<std::int64_t>(std::time(nullptr));
    }
    std::int64_t NowMilliseconds() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace

const Clock& SystemClock() {
    static const SystemCalendarClock clock;
    return clock;
}

}  // namespace quorvel
