#include "experiment/WindowDriverIo.h"

#include "platform/ClickSound.h"
#include "platform/KeyState.h"
#include "platform/MessagePump.h"
#include "render/CTouchWnd.h"
#include "render/DrawScene.h"

namespace quorvel {

WindowDriverIo::WindowDriverIo(CTouchWnd& window, const ExperimentState& state, KeyState& keys,
                               ClickSound& click)
    : window_(window), state_(state), keys_(keys), click_(click) {}

void WindowDriverIo::DrawScene(int completed) {
    quorvel::DrawScene(window_, state_, completed);
}

void WindowDriverIo::Pump() {
    quorvel::Pump();
}

void WindowDriverIo::Idle() {
    quorvel::Idle();
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

StimulusMapping WindowDriverIo::Mapping() const {
    return window_.Mapping();
}

void WindowDriverIo::PlayClick() {
    click_.Play();
}

}  // namespace quorvel
