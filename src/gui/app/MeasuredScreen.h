#pragma once

#include <QSize>
#include <cstdint>

namespace quorvel {

// The screen size in physical pixels, shared by the main frame and the full-screen experiment
// window. The main frame's constructor measures it, and every Start measures it again before
// the experiment window is made, so a resolution changed or a projector plugged in since the
// program started is followed from the next test on. 0 until measured.
extern std::int32_t screenWidth;
extern std::int32_t screenHeight;

// A physical size in the device-independent pixels widgets are placed in on the primary
// screen (the same size when the ratio is 1).
QSize ScreenToLogical(QSize physical);

}  // namespace quorvel
