#include "gui/platform/WindowStacking.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "gui/platform/MessagePump.h"

namespace quorvel {

namespace {

// How long a window is given to take its full-screen size again.
constexpr int kBackToFullScreenMs = 1000;

}  // namespace

void StackAbove(QWidget& topLevel, QWindow* owner) {
    if (owner == nullptr) {
        return;
    }
    // The native window must exist for the owner to be recorded; it is shown later.
    topLevel.winId();
    if (QWindow* handle = topLevel.windowHandle()) {
        handle->setTransientParent(owner);
    }
}

bool WindowSystemPlacesWindows() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

OverFullScreen::OverFullScreen(QWindow* window) {
    if (window == nullptr || !WindowSystemPlacesWindows() || !window->isVisible()) {
        return;
    }
    m_window = window;
    window->hide();
}

OverFullScreen::~OverFullScreen() {
    if (m_window.isNull()) {
        return;
    }
    m_window->showFullScreen();
    m_window->requestActivate();
    QScreen* screen = m_window->screen();
    if (screen == nullptr) {
        return;
    }
    QDeadlineTimer deadline(kBackToFullScreenMs);
    while (!m_window.isNull() && (!m_window->isExposed() || m_window->size() != screen->size()) &&
           !deadline.hasExpired()) {
        Idle();
    }
}

}  // namespace quorvel
