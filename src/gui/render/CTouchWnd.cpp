#include "gui/render/CTouchWnd.h"

#include <QInputDevice>
#include <QMouseEvent>
#include <QTouchEvent>
#include <QWindow>
#include <chrono>
#include <optional>

namespace quorvel {

namespace {

double PixelRatio(const QWindow* window) {
    return window != nullptr ? window->devicePixelRatio() : 1.0;
}

}  // namespace

CTouchWnd::CTouchWnd() {
    m_touchInputs.reserve(ContactState::kFingers);
    m_contacts.SetJournal(&m_journal);
}

CTouchWnd::~CTouchWnd() {
    // While this is still a touch window, so its own part of the destruction runs.
    DestroyWindow();
}

bool CTouchWnd::Create(QWidget* parentFrame, const QRect& rect) {
    return CDXWnd::Create(QStringLiteral("Experiment Window"), parentFrame, rect);
}

bool CTouchWnd::TouchScreenReady() {
    for (const QInputDevice* device : QInputDevice::devices()) {
        if (device->type() == QInputDevice::DeviceType::TouchScreen) {
            return true;
        }
    }
    return false;
}

void CTouchWnd::OnDestroy() {
    CDXWnd::OnDestroy();
    m_contacts.OnDestroy();
}

void CTouchWnd::OnTouch(QTouchEvent& event) {
    const EventTime at = m_touchClock.Place(event.timestamp(), std::chrono::steady_clock::now());
    const double ratio = PixelRatio(Window());
    std::vector<TouchInput>& inputs = m_touchInputs;
    inputs.clear();
    // Every point of the event, in the order delivered; a cancelled touch has none left.
    if (event.type() != QEvent::TouchCancel) {
        for (const QEventPoint& point : event.points()) {
            inputs.push_back({ToPhysicalPixel(point.position().x(), ratio),
                              ToPhysicalPixel(point.position().y(), ratio),
                              point.state() == QEventPoint::Released, point.id(),
                              point.state() == QEventPoint::Pressed});
        }
    }
    m_contacts.OnTouch(inputs, false, at);
}

void CTouchWnd::OnMouse(QMouseEvent& event) {
    // Mouse events made from a touch would count the same touch twice.
    if (event.source() != Qt::MouseEventNotSynthesized) {
        return;
    }
    const EventTime at = m_mouseClock.Place(event.timestamp(), std::chrono::steady_clock::now());
    const double ratio = PixelRatio(Window());
    const std::int32_t x = ToPhysicalPixel(event.position().x(), ratio);
    const std::int32_t y = ToPhysicalPixel(event.position().y(), ratio);
    std::optional<MouseButton> button;
    if (event.button() == Qt::LeftButton) {
        button = MouseButton::Left;
    } else if (event.button() == Qt::RightButton) {
        button = MouseButton::Right;
    }
    switch (event.type()) {
        case QEvent::MouseButtonPress:
            if (button) {
                m_contacts.OnButtonDown(*button, x, y, at);
            } else {
                m_contacts.OnOtherButton(static_cast<std::int32_t>(event.button()), true, x, y, at);
            }
            break;
        case QEvent::MouseButtonRelease:
            if (button) {
                m_contacts.OnButtonUp(*button, x, y, at);
            } else {
                m_contacts.OnOtherButton(static_cast<std::int32_t>(event.button()), false, x, y,
                                         at);
            }
            break;
        case QEvent::MouseMove:
            m_contacts.OnMouseMove(x, y, at);
            break;
        default:
            break;
    }
}

}  // namespace quorvel
