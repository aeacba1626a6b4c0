#pragma once

#include <QSize>
#include <cstdint>

namespace quorvel {

// The screen size in physical pixels, shared by the main frame and the full-screen experiment
// window. The main frame's constructor measures it once; it is never updated afterwards, so a
// change of display resolution while the program runs is not followed. 0 until measured.
extern std::int32_t screenWidth;
extern std::int32_t screenHeight;

// A physical size in the device-independent pixels widgets are placed in on the primary
// screen (the same size when the ratio is 1).
QSize ScreenToLogical(QSize physical);

}  // namespace quorvel
