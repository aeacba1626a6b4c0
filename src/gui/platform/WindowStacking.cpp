#include "gui/platform/WindowStacking.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "gui/platform/MessagePump.h"

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#endif

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

bool WindowManagerFramesWindows() {
#if QT_CONFIG(xcb)
    const auto* x11 = qGuiApp != nullptr
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return false;
    }
    // An EWMH window manager names its check window on the root window; the atom exists once
    // any window manager has ever set it.
    static constexpr char kCheck[] = "_NET_SUPPORTING_WM_CHECK";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kCheck - 1, kCheck),
                              nullptr),
        &std::free);
    if (atom == nullptr || atom->atom == XCB_ATOM_NONE) {
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr) {
        return false;
    }
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
            nullptr),
        &std::free);
    return property != nullptr && xcb_get_property_value_length(property.get()) > 0;
#else
    return false;
#endif
}

bool DesktopShowsDialogsOverFullScreen(const QByteArray& currentDesktops) {
    // Each seen on screenshots: GNOME's mutter and KDE's kwin_wayland stand a dialog over its
    // full-screen parent and give it the keyboard. Weston's desktop shell keeps the full-screen
    // window above it; sway 1.7 shows it above but leaves the keyboard with the full-screen
    // window, so Enter never reaches the box. Those, and desktops nobody has tried, are taken to
    // do what Weston does, which costs them only the scene behind the box.
    const QList<QByteArray> desktops = currentDesktops.split(':');
    return desktops.contains("GNOME") || desktops.contains("KDE");
}

bool FullScreenCoversOwnDialogs() {
    if (!WindowSystemPlacesWindows()) {
        return false;
    }
    // No Wayland protocol tells how a compositor stacks; the session names its desktop.
    return !DesktopShowsDialogsOverFullScreen(qgetenv("XDG_CURRENT_DESKTOP"));
}

OverFullScreen::OverFullScreen(QWindow* window) {
    if (window == nullptr || !FullScreenCoversOwnDialogs() || !window->isVisible()) {
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
