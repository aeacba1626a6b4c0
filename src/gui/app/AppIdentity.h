#pragma once

#include <QIcon>

namespace quorvel {

// The name of the desktop entry (org.quorvel.Quorvel.desktop, without the extension). Docks,
// task switchers and Wayland compositors match a window to its entry, and so to its name and
// icon, by it.
inline constexpr char kDesktopFileName[] = "org.quorvel.Quorvel";

// The program's icon: the installed theme's, else the copy built into the program, so that an
// uninstalled build and the Windows build show it too.
QIcon AppIcon();

// Names the application after its desktop entry and gives every window the icon. Needs the
// application object.
void ApplyAppIdentity();

}  // namespace quorvel
