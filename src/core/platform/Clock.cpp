#include "core/platform/Clock.h"

#include <ctime>

namespace quorvel {

namespace {

class SystemCalendarClock : public Clock {
  public:
    std::int64_t NowSeconds() const override {
        return static_cast<std::int64_t>(std::time(nullptr));
    }
};

}  // namespace

const Clock& SystemClock() {
    static const SystemCalendarClock clock;
    return clock;
}

}  // namespace quorvel
