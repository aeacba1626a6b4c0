#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "gui/app/MeasuredScreen.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessageBoxScript.h"
#include "support/FreshClock.h"

namespace quorvel::test {

// The fixture of window tests that touch what the whole process shares: it starts each test
// with that state as a fresh process has it and leaves it so, whatever the test did. Reset as
// the fixture is made (before the test's own members and SetUp) and again as it goes (after
// TearDown and the members), so no test hands its state on to the next:
// - the message-box script: unarmed, no answers queued, no boxes shown;
// - the application's key state: no key held or pressed since, where an application object
//   exists to own it (a test that makes its own has none yet, and none once it is gone);
// - the measured screen: not measured (0 by 0);
// - the millisecond clock: stopped, real, no hook, a count of 0 (FreshClock).
class ProcessStateTest : public ::testing::Test {
  protected:
    ProcessStateTest() { Reset(); }
    ~ProcessStateTest() override { Reset(); }

    static void Reset() {
        MessageBoxScript::Reset();
        if (QCoreApplication::instance() != nullptr) {
            AppKeyState().Clear();
        }
        screenWidth = 0;
        screenHeight = 0;
        FreshClock::Reset();
    }
};

}  // namespace quorvel::test
