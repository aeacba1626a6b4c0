#pragma once

#include <cstdint>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// How stimulus space sits in a window: one uniform scale, aspect ratio kept, centred between
// black bars. A window pixel is a stimulus coordinate * scale + offset.
struct StimulusMapping {
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
};

struct WindowPoint {
    double x = 0.0;
    double y = 0.0;
};

// The mapping that fits the logical plane into a window of the given size. A window
// relatively wider than 4:3 gets bars left and right; otherwise (equality included) the
// width fits and any bars are above and below.
StimulusMapping FitStimulusSpace(int windowWidth, int windowHeight,
                                 int logicalWidth = kLogicalWidth,
                                 int logicalHeight = kLogicalHeight);

// Stimulus point -> window pixel position.
WindowPoint ToWindow(const StimulusMapping& m, int x, int y);

// Window pixel -> stimulus point, in double precision and truncated toward zero. Not
// clamped: a pixel in a bar maps outside 0..1023 x 0..767.
Stimulus ToStimulus(const StimulusMapping& m, int px, int py);

}  // namespace quorvel
