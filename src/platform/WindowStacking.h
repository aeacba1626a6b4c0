#pragma once

class QWidget;
class QWindow;

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

}  // namespace quorvel
