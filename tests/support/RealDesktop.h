#pragma once

#include <QImage>
#include <QPoint>

namespace quorvel::test {

// A key as the window system names it: xdotool's name and X's key symbol, which mutter's
// remote-desktop input takes too.
struct Key {
    const char* name;
    unsigned keysym;
};
constexpr Key kReturnKey{"Return", 0xFF0D};
constexpr Key kEscapeKey{"Escape", 0xFF1B};
constexpr Key kAltKey{"Alt_L", 0xFFE9};
constexpr Key kFKey{"f", 0x66};
constexpr Key kXKey{"x", 0x78};

// A desktop driven as a person drives it: real key presses and taps that the window system
// delivers to whatever window has the keyboard or stands under the pointer, and the screen as
// the person sees it.
class RealDesktop {
  public:
    virtual ~RealDesktop() = default;
    // A click of `holdMs` at a screen pixel; 0 is a press and release in one instant.
    virtual void Tap(QPoint p, int holdMs) = 0;
    // A key pressed and released; with no `holdMs` in one instant, as a keyboard macro sends it.
    virtual void Press(Key key, int holdMs = 0) = 0;
    // `key` pressed while `modifier` is held, as a hand types Alt+F.
    virtual void Chord(Key modifier, Key key) = 0;
    // The whole screen now.
    virtual QImage Screen() = 0;
    // One pixel of the screen now.
    virtual QRgb Pixel(QPoint p) = 0;
};

}  // namespace quorvel::test
