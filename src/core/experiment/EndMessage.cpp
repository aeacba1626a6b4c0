#include "core/experiment/EndMessage.h"

namespace quorvel {

namespace {

// What happened to the completed targets' rows: the abort message's second line, and a line of
// a completed test's message when not everything was kept.
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
    QString text = QStringLiteral("終了です。お疲れさまでした。\n（所要時間 = ") +
                   QString::number(seconds, 'f', 3) + QStringLiteral(" 秒）");
    if (kept.trial_log && kept.summary_line && kept.run_record) {
        return text;
    }
    // Each kind of record, kept or not: the time above must not read as a result on file.
    text += QLatin1Char('\n') + TrialRowsLine(state, kept);
    text += kept.summary_line ? QStringLiteral("\n結果を QVL.txt に記録しました。")
                              : QStringLiteral("\n結果は QVL.txt に記録されていません。");
    text += kept.run_record ? QStringLiteral("\n実施の記録を runs フォルダに残しました。")
                            : QStringLiteral("\n実施の記録は runs フォルダに残っていません。");
    return text;
}

}  // namespace quorvel
