#include "gui/platform/MessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <thread>

namespace quorvel {

namespace {

// A timer that is always due would keep the queue non-empty for ever; after this many rounds
// the pump returns and the caller's next pass carries on.
constexpr int kMaxRounds = 1000;

}  // namespace

void Pump() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) {
        return;
    }
    // Input from the window system arrives in stages (the connection, then the queued
    // window-system events, then posted events), so one round can make work for the next:
    // go on until a round finds nothing to do.
    for (int round = 0; round < kMaxRounds; ++round) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents)) {
            break;
        }
    }
}

void Idle() {
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace quorvel
