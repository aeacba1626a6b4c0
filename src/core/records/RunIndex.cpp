#include "core/records/RunIndex.h"

#include <QStringList>
#include <cstdlib>

#include "core/platform/Cp932.h"
#include "core/records/CsvText.h"
#include "core/records/RunScores.h"

namespace quorvel {

namespace {

QString Number(double value) {
    return QString::number(value, 'g', 10);  // never a decimal comma
}

}  // namespace

QByteArray RunIndexHeader() {
    // The scores' columns come after the older ones, so readers of those keep working.
    return QByteArray(kUtf8Bom) +
           CsvRow(QStringList{QStringLiteral("run_id"),
                              QStringLiteral("subject"),
                              QStringLiteral("test_type"),
                              QStringLiteral("test_type_value"),
                              QStringLiteral("seed_setting"),
                              QStringLiteral("seed_used"),
                              QStringLiteral("started"),
                              QStringLiteral("completed"),
                              QStringLiteral("targets_completed"),
                              QStringLiteral("total_rt_ms"),
                              QStringLiteral("errors_total"),
                              QStringLiteral("screen_px"),
                              QStringLiteral("device_pixel_ratio"),
                              QStringLiteral("stimulus_scale"),
                              QStringLiteral("version"),
                              QStringLiteral("platform"),
                              QStringLiteral("trial_log"),
                              QStringLiteral("events_file"),
                              QStringLiteral("picture_file"),
                              QStringLiteral("total_rt_origin_us"),
                              QStringLiteral("events_dropped")} +
                  RunScoreNames() +
                  QStringList{QStringLiteral("appended_without_lock"), QStringLiteral("labels"),
                              QStringLiteral("language"), QStringLiteral("practice")});
}

QByteArray RunIndexRow(const ExperimentState& state, const RunFacts& facts) {
    return CsvRow(RunIndexFields(state, facts));
}

QStringList RunIndexFields(const ExperimentState& state, const RunFacts& facts) {
    const int done = state.completed;
    // The last completed target's TotalRT as the trial log prints it (0 for target 1 alone).
    QString totalRt;
    if (done >= 2) {
        totalRt = QString::number(state.records[done - 1].hit_time);
    } else if (done == 1) {
        totalRt = QStringLiteral("0");
    }
    return QStringList{
               facts.run_id,
               FromCp932(QByteArray::fromStdString(state.subject)),
               IsPartA(state.test_type) ? QStringLiteral("A") : QStringLiteral("B"),
               QString::number(state.test_type),
               QString::number(state.random_seed),
               QString::number(state.run_seed),
               IsoLocalTime(facts.started),
               done == kTargetCount ? QStringLiteral("1") : QStringLiteral("0"),
               QString::number(done),
               totalRt,
               QString::number(TotalErrors(state)),
               QStringLiteral("%1x%2").arg(facts.screen_px.width()).arg(facts.screen_px.height()),
               Number(facts.device_pixel_ratio),
               Number(facts.stimulus_scale),
               facts.version,
               facts.platform,
               facts.trial_log,
               facts.events_file,
               facts.picture_file,
               facts.total_rt_origin_us ? QString::number(*facts.total_rt_origin_us) : QString(),
               QString::number(facts.events_dropped)} +
           RunScoreFields(ScoreRun(state, facts.total_rt_origin_us)) +
           QStringList{facts.appended_without_lock ? QStringLiteral("1") : QStringLiteral("0"),
                       state.labels == LabelScript::Latin ? QStringLiteral("latin")
                                                          : QStringLiteral("hiragana"),
                       facts.language, state.practice ? QStringLiteral("1") : QStringLiteral("0")};
}

QString IsoLocalTime(const QDateTime& when) {
    const int offset = when.offsetFromUtc();  // seconds east of UTC
    const int minutes = std::abs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace quorvel
