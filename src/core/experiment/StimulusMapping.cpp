#include "core/experiment/StimulusMapping.h"

#include <cmath>
#include <limits>

namespace quorvel {

namespace {

// trunc toward zero into 32 bits; values beyond the range (a degenerate scale) saturate
// instead of being undefined.
std::int32_t TruncToInt32(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    const double t = std::trunc(v);
    if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(t);
}

}  // namespace

StimulusMapping FitStimulusSpace(int windowWidth, int windowHeight, int logicalWidth,
                                 int logicalHeight) {
    const double sx = static_cast<double>(windowWidth) / logicalWidth;
    const double sy = static_cast<double>(windowHeight) / logicalHeight;
    StimulusMapping m;
    if (sx > sy) {
        m.scale = sy;
        m.offsetX = (windowWidth - logicalWidth * sy) * 0.5;
        m.offsetY = 0.0;
    } else {
        m.scale = sx;
        m.offsetX = 0.0;
        m.offsetY = (windowHeight - logicalHeight * sx) * 0.5;
    }
    return m;
}

WindowPoint ToWindow(const StimulusMapping& m, int x, int y) {
    return {x * m.scale + m.offsetX, y * m.scale + m.offsetY};
}

Stimulus ToStimulus(const StimulusMapping& m, int px, int py) {
    return {TruncToInt32((px - m.offsetX) / m.scale), TruncToInt32((py - m.offsetY) / m.scale)};
}

}  // namespace quorvel
