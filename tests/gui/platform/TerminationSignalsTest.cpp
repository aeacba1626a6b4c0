#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "gui/platform/TerminationSignals.h"

#include <windows.h>

// Windows ends a session in two steps, each a message to every top-level window: it asks
// (WM_QUERYENDSESSION), then tells whether the session really ends (WM_ENDSESSION). Only a
// session that really ends kills the process, right after the second message is answered.

namespace quorvel {
namespace {

TEST(TerminationSignals, TheSessionsQuestionRequestsAnEndAndItsEndSavesOnTheSpot) {
    QWidget window;
    window.resize(100, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto hwnd = reinterpret_cast<HWND>(window.winId());

    int requests = 0;
    int sessionEnds = 0;
    TerminationSignals ends([&] { ++requests; }, [&] { ++sessionEnds; });
    ASSERT_TRUE(ends.Installed());

    // The answer lets the session end: nothing here holds it up.
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(sessionEnds, 0);

    // Another program refused: the session goes on, and the process is not killed, so
    // nothing has to be done on the spot (the request already made ends the program).
    SendMessageW(hwnd, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(sessionEnds, 0);

    // Asked again, and this time it ends.
    SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0);
    EXPECT_EQ(requests, 2);
    SendMessageW(hwnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(sessionEnds, 1);
}

}  // namespace
}  // namespace quorvel
