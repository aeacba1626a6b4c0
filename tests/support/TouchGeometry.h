#pragma once

#include <QPoint>
#include <array>
#include <cmath>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/HitTest.h"
#include "core/experiment/StimulusMapping.h"

namespace quorvel::test {

// A window pixel that the driver maps back to exactly `s` (the way back truncates, so the
// nearest pixel is not always the one).
inline QPoint PixelFor(const StimulusMapping& m, Stimulus s) {
    const WindowPoint w = ToWindow(m, s.x, s.y);
    const int x0 = static_cast<int>(std::floor(w.x));
    const int y0 = static_cast<int>(std::floor(w.y));
    for (int dy = -1; dy <= 2; ++dy) {
        for (int dx = -1; dx <= 2; ++dx) {
            const Stimulus back = ToStimulus(m, x0 + dx, y0 + dy);
            if (back.x == s.x && back.y == s.y) {
                return QPoint(x0 + dx, y0 + dy);
            }
        }
    }
    return QPoint(x0, y0);  // no exact pixel (scale below 1): the nearest one
}

// A point of stimulus space well away from every circle of the layout.
inline Stimulus EmptySpot(const std::array<Stimulus, kTargetCount>& stimuli) {
    for (int y = 20; y < kLogicalHeight; y += 16) {
        for (int x = 20; x < kLogicalWidth; x += 16) {
            bool clear = true;
            for (const Stimulus& c : stimuli) {
                clear = clear && StimulusDistance(c, {x, y}) > 2 * kHitRadius;
            }
            if (clear) {
                return {x, y};
            }
        }
    }
    return {0, 0};
}

}  // namespace quorvel::test
