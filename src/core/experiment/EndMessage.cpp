#include "core/experiment/EndMessage.h"

namespace quorvel {

namespace {

// The second line of the abort message: what happened to the completed targets' rows.
QString TrialRowsLine(const ExperimentState& state, const KeptRecords& kept) {
    if (state.completed == 0) {
        return QStringLiteral("完了した目標がないため、試行データはありません。");
    }
    if (!kept.trial_log) {
        return QStringLiteral("試行データは記録されていません。");
    }
    return QStringLiteral("完了した %1 個の目標の試行データを記録しました。").arg(state.completed);
}

}  // namespace

QString EndText(const ExperimentState& state, const KeptRecords& kept) {
    if (state.completed != kTargetCount) {
        QString text = QStringLiteral("プログラムを中断しました。\n") + TrialRowsLine(state, kept);
        if (kept.run_record) {
            text += QStringLiteral("\n実施の記録を runs フォルダに残しました。");
        }
        return text;
    }
    // Always a decimal point, whatever the user's locale.
    const double seconds = state.records[kTargetCount - 1].hit_time / 1000.0;
    return QStringLiteral("終了です。お疲れさまでした。\n（所要時間 = ") +
           QString::number(seconds, 'f', 3) + QStringLiteral(" 秒）");
}

}  // namespace quorvel
