#include <gtest/gtest.h>

#include <QByteArray>

#include "gui/platform/WindowStacking.h"

namespace quorvel {
namespace {

// Whether the test screen may stay up under a box is read from the desktop the session names.
// A wrong yes hides the box behind the test screen (Weston) or leaves Enter with the test
// screen (sway); a wrong no only hides the scene behind the box.
TEST(WindowStackingTest, OnlyGnomeAndKdeKeepTheTestScreenUnderABox) {
    const struct {
        const char* desktops;
        bool shownOver;
    } cases[] = {
        {"GNOME", true},
        {"ubuntu:GNOME", true},  // Ubuntu's session puts its own name first
        {"GNOME-Classic:GNOME", true},
        {"KDE", true},  // a Plasma session, X11 or Wayland
        {"", false},    // nothing named: Weston, sway and kwin_wayland started by hand
        {"sway", false},
        {"Weston", false},
        {"XFCE", false},
        {"GNOME-Flashback", false},  // a name that only begins like GNOME's
        {"KDEX", false},
        {"X-KDE", false},
        {":", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopShowsDialogsOverFullScreen(QByteArray(c.desktops)), c.shownOver)
            << "XDG_CURRENT_DESKTOP=" << c.desktops;
    }
}

}  // namespace
}  // namespace quorvel
