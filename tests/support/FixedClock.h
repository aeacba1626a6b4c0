#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "core/platform/Clock.h"

namespace quorvel::test {

// A calendar clock that says what the test tells it, and can report each reading (to check
// when the code under test reads the time).
class FixedClock : public Clock {
  public:
    explicit FixedClock(std::int64_t seconds = 0) : m_seconds(seconds) {}
    std::int64_t NowSeconds() const override {
        if (m_onRead) {
            m_onRead();
        }
        return m_seconds;
    }
    void Set(std::int64_t seconds) { m_seconds = seconds; }
    void OnRead(std::function<void()> onRead) { m_onRead = std::move(onRead); }

  private:
    std::int64_t m_seconds;
    std::function<void()> m_onRead;
};

}  // namespace quorvel::test
