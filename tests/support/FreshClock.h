#pragma once

#include "core/experiment/MsTimer.h"

namespace quorvel::test {

// The process-wide millisecond clock as a fresh process has it: stopped, real, no hook, a count
// of 0; put back when the object is made and again when it goes, so no test hands its clock on
// to the next. A fixture holds one as a member; `seams` are those the test runs with.
class FreshClock {
  public:
    explicit FreshClock(const MsTimerSeams& seams = {}) {
        Reset();
        SetMsTimerSeams(seams);
    }
    ~FreshClock() { Reset(); }
    FreshClock(const FreshClock&) = delete;
    FreshClock& operator=(const FreshClock&) = delete;

    static void Reset() {
        MsTimerStop();
        SetMsTimerSeams({});
        tick_hook = nullptr;
        tick_count = 0;
    }

    // The manual clock: time passes only when the test says so.
    static MsTimerSeams Manual() {
        MsTimerSeams seams;
        seams.manual = true;
        return seams;
    }
};

}  // namespace quorvel::test
