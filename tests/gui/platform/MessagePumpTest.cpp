#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QWindow>
#include <functional>

#include "gui/platform/MessagePump.h"

namespace quorvel {
namespace {

TEST(MessagePump, RunsWorkThatOtherWorkQueuedUntilNothingIsLeft) {
    QObject context;
    int steps = 0;
    // Each step queues the next; one pump must run the whole chain.
    std::function<void()> step = [&] {
        if (++steps < 5) {
            QMetaObject::invokeMethod(&context, step, Qt::QueuedConnection);
        }
    };
    QMetaObject::invokeMethod(&context, step, Qt::QueuedConnection);
    Pump();
    EXPECT_EQ(steps, 5);
}

TEST(MessagePump, DeliversWindowSystemEventsToTheirWindow) {
    QWindow window;
    window.resize(200, 150);
    window.show();
    // The window is exposed only when the X server's answer has been dispatched; spin until
    // the pump delivers it (no wall-clock limit: the test harness bounds the whole run).
    while (!window.isExposed()) {
        Idle();
    }
    EXPECT_TRUE(window.isExposed());
}

TEST(MessagePump, PumpWithNothingPendingReturns) {
    Pump();
    Idle();
    SUCCEED();
}

}  // namespace
}  // namespace quorvel
