#include "core/records/RunScores.h"

#include <algorithm>
#include <vector>

#include "core/experiment/TrailGeometry.h"

namespace quorvel {

namespace {

int Completed(const ExperimentState& state) {
    return std::clamp(state.completed, 0, TargetCount(state));
}

template <typename T>
QString Optional(const std::optional<T>& value) {
    return value ? QString::number(*value) : QString();
}

// One decimal, never a decimal comma.
QString OneDecimal(double value) {
    return QString::number(value, 'f', 1);
}

QString OptionalOneDecimal(const std::optional<double>& value) {
    return value ? OneDecimal(*value) : QString();
}

}  // namespace

std::int32_t TrialRtMs(const ExperimentState& state, int position) {
    if (position <= 1) {
        return state.records[position].hit_time;
    }
    return state.records[position].hit_time - state.records[position - 1].hit_time;
}

std::int32_t TrialTotalRtMs(const ExperimentState& state, int position) {
    return position == 0 ? 0 : state.records[position].hit_time;
}

std::optional<std::int64_t> FromOriginMs(const ExperimentState& state, int position,
                                         std::optional<std::int64_t> totalRtOriginUs) {
    if (position == 0) {
        return state.records[0].hit_time;
    }
    if (!totalRtOriginUs) {
        return std::nullopt;
    }
    return *totalRtOriginUs / 1000 + state.records[position].hit_time;
}

RunScores ScoreRun(const ExperimentState& state, std::optional<std::int64_t> totalRtOriginUs) {
    RunScores scores;
    const auto targets = static_cast<std::size_t>(TargetCount(state));
    scores.trail_length = TrailLength(state.stimuli.data(), targets);
    scores.trail_crossings = TrailCrossings(state.stimuli.data(), targets);
    const int done = Completed(state);
    if (done == 0) {
        return scores;
    }
    scores.first_target_ms = TrialRtMs(state, 0);
    scores.completion_ms = FromOriginMs(state, done - 1, totalRtOriginUs);
    if (done < 2) {
        return scores;
    }
    std::vector<std::int32_t> between;
    for (int i = 1; i < done; ++i) {
        const std::int32_t rt = TrialRtMs(state, i);
        if (!scores.longest_ms || rt > *scores.longest_ms) {
            scores.longest_ms = rt;
            scores.longest_target = i + 1;
        }
        between.push_back(rt);
    }
    double sum = 0.0;
    for (const std::int32_t rt : between) {
        sum += rt;
    }
    scores.mean_between_ms = sum / static_cast<double>(between.size());
    std::sort(between.begin(), between.end());
    const std::size_t mid = between.size() / 2;
    scores.median_between_ms = between.size() % 2 == 1
                                   ? static_cast<double>(between[mid])
                                   : (static_cast<double>(between[mid - 1]) + between[mid]) / 2.0;
    return scores;
}

QStringList RunScoreNames() {
    return {QStringLiteral("first_target_ms"), QStringLiteral("completion_ms"),
            QStringLiteral("trail_length"),    QStringLiteral("trail_crossings"),
            QStringLiteral("mean_between_ms"), QStringLiteral("median_between_ms"),
            QStringLiteral("longest_ms"),      QStringLiteral("longest_target")};
}

QStringList RunScoreFields(const RunScores& scores) {
    return {Optional(scores.first_target_ms),
            Optional(scores.completion_ms),
            OneDecimal(scores.trail_length),
            QString::number(scores.trail_crossings),
            OptionalOneDecimal(scores.mean_between_ms),
            OptionalOneDecimal(scores.median_between_ms),
            Optional(scores.longest_ms),
            Optional(scores.longest_target)};
}

}  // namespace quorvel
