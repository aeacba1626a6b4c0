#pragma once

#include <QByteArray>
#include <QPointer>
#include <QWindow>

class QWidget;

namespace quorvel {

// Windows keeps an owned window above its owner for free. X11 window managers and Wayland
// compositors do so only for a window that names its owner (its transient parent) before it
// is shown, so every window that must stand over another says so through here.

// Makes `topLevel` (a dialog or box not yet shown) belong to `owner`, so the window system
// keeps it above `owner`, also when `owner` is topmost or full-screen.
void StackAbove(QWidget& topLevel, QWindow* owner);

// True on window systems where a program cannot place its windows or keep them on top
// (Wayland): windows are then given states (full screen, maximised) and owners, never
// positions or sizes of their own.
bool WindowSystemPlacesWindows();

// True where an X11 window manager runs (it has announced itself on the root window): it puts
// a caption and border around each window and stacks, places and maximises windows itself. A
// bare X server, and every other window system, answers false.
bool WindowManagerFramesWindows();

// True where the window system keeps a full-screen window above its own dialogs, or lets them
// stand above it without the keyboard: Wayland compositors other than GNOME's and KDE's
// (Weston's desktop shell, sway).
bool FullScreenCoversOwnDialogs();

// True when `currentDesktops` (XDG_CURRENT_DESKTOP as a session sets it, desktop names joined by
// ':') names a desktop whose Wayland compositor stands a dialog over its full-screen parent with
// the keyboard: GNOME (mutter) or KDE (kwin_wayland). The compositors set nothing there
// themselves; the session that starts them does (a Plasma session names KDE).
bool DesktopShowsDialogsOverFullScreen(const QByteArray& currentDesktops);

// For the length of a box or dialog over a full-screen window. Wayland compositors may keep a
// full-screen window above every other, its own dialogs included (Weston's desktop shell
// does), and a window cannot raise itself there; stepping out of full screen resizes it and
// its picture. So there (FullScreenCoversOwnDialogs) the window steps aside while the box is
// up and comes back full screen once it has closed; the destructor returns when it is on the screen
// again (or after a second), its last frame shown again, so nothing is timed or hit-tested before
// the subject can see it. Elsewhere this does nothing: owned windows stack above their owner.
class OverFullScreen {
  public:
    explicit OverFullScreen(QWindow* window);
    ~OverFullScreen();
    OverFullScreen(const OverFullScreen&) = delete;
    OverFullScreen& operator=(const OverFullScreen&) = delete;

  private:
    QPointer<QWindow> m_window;
};

}  // namespace quorvel
