#include "gui/app/RecordRun.h"

#include <QDateTime>
#include <QDir>
#include <QSysInfo>
#include <QWindow>
#include <chrono>

#include "core/app/Version.h"
#include "core/platform/Clock.h"
#include "core/records/CsvText.h"
#include "core/records/RunCaption.h"
#include "core/records/RunEvents.h"
#include "core/records/RunIndex.h"
#include "core/records/RunIndexColumns.h"
#include "core/records/RunTrials.h"
#include "core/records/TrialLogName.h"
#include "core/records/WriteRunRecord.h"
#include "gui/records/RunPicture.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/RenderPath.h"

namespace quorvel {

namespace {

// The wall-clock time of the run's origin (the first target's clock reset), placed by how long
// ago it was on the steady clock: the calendar clock may have been set meanwhile.
QDateTime StartedAt(const InputJournal& journal, const Clock& clock) {
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(clock.NowMilliseconds());
    if (journal.ResetCount() == 0) {
        return now;
    }
    const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - journal.Reset(0));
    return now.addMSecs(-ago.count());
}

// Operating system; Qt version; OpenGL renderer ("none" on the raster path); drawing path.
// The path comes last, so readers of the first three fields keep working.
QString Platform(const CTouchWnd& window) {
    const QString renderer =
        window.RendererName().isEmpty() ? QStringLiteral("none") : window.RendererName();
    return QSysInfo::prettyProductName() + QStringLiteral("; Qt ") + QLatin1String(qVersion()) +
           QStringLiteral("; ") + renderer + QStringLiteral("; ") +
           QLatin1String(RenderPathName(window.Path()));
}

}  // namespace

bool RecordRun(const ExperimentState& state, const CTouchWnd& window, MessageBoxService& boxes,
               const RecordsContext& records, const KeptRecords& kept, const QString& language) {
    const InputJournal& journal = window.Journal();
    const QString directory = ResolveRecordsDirectory(records.directory);

    RunFacts facts;
    facts.started = StartedAt(journal, records.Calendar());
    facts.screen_px = QSize(window.m_windowWidth, window.m_windowHeight);
    facts.device_pixel_ratio =
        window.Window() != nullptr ? window.Window()->devicePixelRatio() : 1.0;
    facts.stimulus_scale = window.m_scale;
    facts.version = QLatin1String(kVersion);
    facts.platform = Platform(window);
    facts.trial_log = state.practice ? QString() : MakeTrialLogName(state.subject).name;
    facts.total_rt_origin_us = TotalRtOriginMicros(journal);
    facts.events_dropped = journal.Dropped();
    facts.appended_without_lock = kept.without_lock;
    facts.language = language;

    RunRecordBytes bytes;
    bytes.events = RunEventsHeader() + RunEventsRows(journal, state, window.Mapping());
    // Another station may draw the same id at the same moment: whoever puts its files in place
    // first keeps it, and the other draws again.
    constexpr int kIdDraws = 20;
    for (int draw = 0; draw < kIdDraws; ++draw) {
        facts.run_id = NewRunId(QDir(directory).filePath(QLatin1String(kRunsFolder)),
                                facts.started.toString(QStringLiteral("yyyyMMdd-HHmmss")));
        facts.events_file = RunEventsFileName(facts.run_id);
        facts.picture_file = RunPictureFileName(facts.run_id);
        bytes.run_id = facts.run_id;
        bytes.picture =
            RunPicturePng(state, WrongPresses(journal, window.Mapping()), RunCaption(state, facts));
        if (!state.practice) {
            bytes.trials = RunTrialsRows(state, facts.run_id, facts.total_rt_origin_us);
        }
        bytes.index_row = CsvRow(FieldsForIndexHeader(
            RunIndexFields(state, facts),
            ExistingIndexHeader(QDir(directory).filePath(QStringLiteral("%1/%2").arg(
                QLatin1String(kRunsFolder), QLatin1String(kRunIndexName))))));
        bool taken = false;
        if (WriteRunRecord(bytes, boxes, records, &taken)) {
            return true;
        }
        if (!taken) {
            return false;
        }
    }
    return false;
}

}  // namespace quorvel
