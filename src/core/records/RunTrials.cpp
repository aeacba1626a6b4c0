#include "core/records/RunTrials.h"

#include <QStringList>
#include <algorithm>

#include "core/experiment/LabelTable.h"
#include "core/platform/Cp932.h"
#include "core/records/CsvText.h"
#include "core/records/RunScores.h"

namespace quorvel {

QByteArray RunTrialsHeader() {
    return QByteArray(kUtf8Bom) +
           CsvRow({QStringLiteral("run_id"), QStringLiteral("subject"), QStringLiteral("test_type"),
                   QStringLiteral("target"), QStringLiteral("label"), QStringLiteral("stim_x"),
                   QStringLiteral("stim_y"), QStringLiteral("rt_ms"), QStringLiteral("total_rt_ms"),
                   QStringLiteral("from_origin_ms"), QStringLiteral("errors"),
                   QStringLiteral("resp"), QStringLiteral("resp_x"), QStringLiteral("resp_y"),
                   QStringLiteral("run_completed")});
}

QByteArray RunTrialsRows(const ExperimentState& state, const QString& runId,
                         std::optional<std::int64_t> totalRtOriginUs) {
    const int done = std::clamp(state.completed, 0, kTargetCount);
    const QString subject = FromCp932(QByteArray::fromStdString(state.subject));
    const QString type = IsPartA(state.test_type) ? QStringLiteral("A") : QStringLiteral("B");
    const QString completed = done == kTargetCount ? QStringLiteral("1") : QStringLiteral("0");
    QByteArray rows;
    for (int i = 0; i < done; ++i) {
        const TrialRecord& r = state.records[i];
        const std::optional<std::int64_t> fromOrigin = FromOriginMs(state, i, totalRtOriginUs);
        rows +=
            CsvRow({runId, subject, type, QString::number(r.trial),
                    FromCp932(QByteArray::fromStdString(LabelFor(state, i))),
                    QString::number(state.stimuli[i].x), QString::number(state.stimuli[i].y),
                    QString::number(TrialRtMs(state, i)), QString::number(TrialTotalRtMs(state, i)),
                    fromOrigin ? QString::number(*fromOrigin) : QString(),
                    QString::number(r.errors), QString::number(r.resp), QString::number(r.resp_x),
                    QString::number(r.resp_y), completed});
    }
    return rows;
}

}  // namespace quorvel
