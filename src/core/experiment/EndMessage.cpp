#include "core/experiment/EndMessage.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct EndMessageTexts {
    Q_DECLARE_TR_FUNCTIONS(EndMessage)
};

// What happened to the completed targets' rows: the abort message's second line, and a line of
// a completed test's message when not everything was kept.
QString TrialRowsLine(const ExperimentState& state, const KeptRecords& kept) {
    if (state.completed == 0) {
        return EndMessageTexts::tr("完了した目標がないため、試行データはありません。");
    }
    if (!kept.trial_log) {
        return EndMessageTexts::tr("試行データは記録されていません。");
    }
    return EndMessageTexts::tr("完了した %1 個の目標の試行データを記録しました。")
        .arg(state.completed);
}

}  // namespace

QString EndText(const ExperimentState& state, const KeptRecords& kept) {
    if (state.practice) {
        // A practice keeps no trial data whatever happened; only its run record may be kept.
        QString text =
            EndMessageTexts::tr("練習を中断しました。\n練習の結果は試行データに記録されません。");
        if (kept.run_record) {
            text += EndMessageTexts::tr("\n実施の記録を runs フォルダに残しました。");
        }
        return text;
    }
    if (state.completed != kTargetCount) {
        QString text =
            EndMessageTexts::tr("プログラムを中断しました。\n") + TrialRowsLine(state, kept);
        if (kept.run_record) {
            text += EndMessageTexts::tr("\n実施の記録を runs フォルダに残しました。");
        }
        return text;
    }
    // Always a decimal point, whatever the user's locale.
    const double seconds = state.records[kTargetCount - 1].hit_time / 1000.0;
    QString text = EndMessageTexts::tr("終了です。お疲れさまでした。\n（所要時間 = ") +
                   QString::number(seconds, 'f', 3) + EndMessageTexts::tr(" 秒）");
    if (kept.trial_log && kept.summary_line && kept.run_record) {
        return text;
    }
    // Each kind of record, kept or not: the time above must not read as a result on file.
    text += QLatin1Char('\n') + TrialRowsLine(state, kept);
    text += kept.summary_line ? EndMessageTexts::tr("\n結果を QVL.txt に記録しました。")
                              : EndMessageTexts::tr("\n結果は QVL.txt に記録されていません。");
    text += kept.run_record ? EndMessageTexts::tr("\n実施の記録を runs フォルダに残しました。")
                            : EndMessageTexts::tr("\n実施の記録は runs フォルダに残っていません。");
    return text;
}

}  // namespace quorvel
