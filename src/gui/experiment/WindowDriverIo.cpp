#include "gui/experiment/WindowDriverIo.h"

#include <QAbstractEventDispatcher>
#include <chrono>
#include <thread>

#include "core/experiment/MsTimer.h"
#include "gui/platform/ClickSound.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessagePump.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/DrawScene.h"

namespace quorvel {

namespace {

constexpr int kIdleMs = 1;

}  // namespace

WindowDriverIo::WindowDriverIo(CTouchWnd& window, const ExperimentState& state, KeyState& keys,
                               ClickSound& click)
    : window_(window), state_(state), keys_(keys), click_(click) {
    idleLimit_.setSingleShot(true);
    idleLimit_.setTimerType(Qt::PreciseTimer);
    idleLimit_.setInterval(kIdleMs);
}

void WindowDriverIo::DrawScene(int completed) {
    quorvel::DrawScene(window_, state_, completed);
}

void WindowDriverIo::Pump() {
    quorvel::Pump();
}

void WindowDriverIo::Idle() {
    quorvel::Pump();
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
        return;
    }
    // Blocks until input or another event arrives (and dispatches it), or the limit passes.
    idleLimit_.start();
    dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
    idleLimit_.stop();
}

bool WindowDriverIo::KeyPressed(int key) {
    switch (key) {
        case kEscape:
            return keys_.Query(WatchedKey::Escape);
        case kEnter:
            return keys_.Query(WatchedKey::Enter);
        default:
            return false;
    }
}

int WindowDriverIo::PointCount() const {
    return window_.PointCount();
}

QPoint WindowDriverIo::FirstPoint() const {
    if (window_.PointCount() <= 0 || window_.Points().empty()) {
        return QPoint();
    }
    const ContactPoint& p = window_.Points().front();
    return QPoint(p.x, p.y);
}

std::optional<DriverIo::Press> WindowDriverIo::TakePress() {
    const std::optional<quorvel::Press> press = window_.TakePress();
    if (!press) {
        return std::nullopt;
    }
    // The clock places the press: never before its last reset, never after now.
    return Press{QPoint(press->point.x, press->point.y), MsTimerAt(press->at), press->released};
}

StimulusMapping WindowDriverIo::Mapping() const {
    return window_.Mapping();
}

void WindowDriverIo::PlayClick() {
    click_.Play();
}

bool WindowDriverIo::StopRequested() const {
    return stop_ && stop_();
}

}  // namespace quorvel
