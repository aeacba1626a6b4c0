#include "core/experiment/LayoutGenerator.h"

#include <QCoreApplication>
#include <QString>
#include <cmath>

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct LayoutGeneratorTexts {
    Q_DECLARE_TR_FUNCTIONS(LayoutGenerator)
};

constexpr double kMargin = 70.0;
constexpr double kSpanX = 884.0;
constexpr double kSpanY = 628.0;
constexpr double kExponent = 2.0;

// True when (x, y) is at least the minimum distance from every placed position 0..count-1,
// compared in increasing order and given up at the first one that is too close.
bool FarEnough(const std::array<Stimulus, kTargetCount>& stimuli, int count, std::int32_t x,
               std::int32_t y) {
    for (int j = 0; j < count; ++j) {
        const double dy = static_cast<double>(y - stimuli[j].y);
        const double dx = static_cast<double>(x - stimuli[j].x);
        const double d = std::sqrt(std::pow(dy, kExponent) + std::pow(dx, kExponent));
        if (d < kLayoutMinDistance) {
            return false;
        }
    }
    return true;
}

}  // namespace

int PlaceTargets(LcgRandom& rng, std::array<Stimulus, kTargetCount>& stimuli, int count) {
    for (int i = 0; i < count && i < kTargetCount; ++i) {
        int rejected = 0;
        for (;;) {
            // x before y: a candidate takes four draws. Both values are positive, so the
            // conversion truncates toward zero.
            const auto x = static_cast<std::int32_t>(UniformRandom(rng) * kSpanX + kMargin);
            const auto y = static_cast<std::int32_t>(UniformRandom(rng) * kSpanY + kMargin);
            if (FarEnough(stimuli, i, x, y)) {
                stimuli[i] = {x, y};
                break;
            }
            if (++rejected >= kLayoutRejectionLimit) {
                return i;
            }
        }
    }
    return count;
}

int LayoutGenerator(ExperimentState& state, LcgRandom& rng, MessageBoxService& boxes) {
    if (PlaceTargets(rng, state.stimuli) == kTargetCount) {
        return 1;
    }
    boxes.ShowPlain(LayoutGeneratorTexts::tr("刺激配置を作成できません。\n"
                                             "乱数初期値を変えて再試行してください。\n"
                                             "（０ならば単純に再試行してください）"),
                    LayoutGeneratorTexts::tr("Error"));
    return 0;
}

}  // namespace quorvel
