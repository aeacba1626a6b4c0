#include "core/experiment/HitTest.h"

#include <cmath>

namespace quorvel {

double StimulusDistance(const Stimulus& a, const Stimulus& b) {
    const double dy = static_cast<double>(b.y) - a.y;
    const double dx = static_cast<double>(b.x) - a.x;
    return std::sqrt(dy * dy + dx * dx);
}

bool IsOnCircle(const Stimulus& centre, const Stimulus& touch) {
    return StimulusDistance(centre, touch) <= kHitRadius;
}

int CircleNumberAt(const std::array<Stimulus, kTargetCount>& stimuli, const Stimulus& touch,
                   int count) {
    for (int j = 0; j < count && j < kTargetCount; ++j) {
        if (IsOnCircle(stimuli[j], touch)) {
            return j + 1;
        }
    }
    return 0;
}

}  // namespace quorvel
