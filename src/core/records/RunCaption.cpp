#include "core/records/RunCaption.h"

#include <QLatin1Char>
#include <algorithm>

#include "core/platform/Cp932.h"
#include "core/records/RunScores.h"

namespace quorvel {

namespace {

// Milliseconds as seconds with three decimals, by integer arithmetic (no rounding, no locale).
QString Seconds(std::int64_t ms) {
    return QStringLiteral("%1.%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

}  // namespace

QString RunCaption(const ExperimentState& state, const RunFacts& facts) {
    QString caption =
        QStringLiteral("%1   %2   %3   %4/%5   errors %6   seed %7   %8")
            .arg(FromCp932(QByteArray::fromStdString(state.subject)),
                 (IsPartA(state.test_type) ? QStringLiteral("Part A") : QStringLiteral("Part B")) +
                     (state.practice ? QStringLiteral(" practice") : QString()),
                 facts.run_id)
            .arg(state.completed)
            .arg(TargetCount(state))
            .arg(TotalErrors(state))
            .arg(state.run_seed)
            .arg(facts.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const std::optional<std::int64_t> time =
        ScoreRun(state, facts.total_rt_origin_us).completion_ms;
    if (time) {
        const int done = std::clamp(state.completed, 0, TargetCount(state));
        caption +=
            done == TargetCount(state)
                ? QStringLiteral("   completed in %1 s").arg(Seconds(*time))
                : QStringLiteral("   target %1 reached at %2 s").arg(done).arg(Seconds(*time));
    }
    return caption;
}

}  // namespace quorvel
