#include "core/records/WriteRecords.h"

#include <QCoreApplication>
#include <QDir>

#include "core/records/DurableAppend.h"
#include "core/records/RecordFormat.h"
#include "core/records/TrialLogName.h"

namespace quorvel {

namespace {

// The texts this file shows, for translation (translations/*.ts).
struct WriteRecordsTexts {
    Q_DECLARE_TR_FUNCTIONS(WriteRecords)
};

QString PathIn(const QString& directory, const QString& name) {
    return directory.isEmpty() ? name : QDir(directory).filePath(name);
}

// Appends, asking the operator to retry for as long as the file fails and they want to. When the
// program is asked to end while another station keeps the file locked, nobody is left to
// answer and waiting would lose the run: the rows go in without the lock (a lost run is worse
// than a row that may interleave with another station's), and the run's record says so.
bool AppendWithRetry(DurableAppend& append, MessageBoxService& boxes,
                     const RecordsContext& context) {
    // Also when the request comes while the box is up: it closes the box as cancelled.
    const auto lastChance = [&] {
        if (!append.LockWasHeld() || !context.ending || !context.ending()) {
            return false;
        }
        append.SetSkipLock(true);
        return append.Attempt();
    };
    while (!append.Attempt()) {
        if (lastChance()) {
            return true;
        }
        if (!boxes.AskRetry(DataFileErrorText(append.Path(), append.FailureReason()))) {
            return lastChance();
        }
    }
    return true;
}

}  // namespace

QString DataFileErrorText(const QString& path, const QString& reason) {
    // A relative path is completed with the working directory only when that can be named:
    // a removed one would read as the root ("/FS.csv").
    QString full = path;
    if (QDir::isRelativePath(path)) {
        const QString here = ResolveRecordsDirectory(QString());
        if (!here.isEmpty()) {
            full = QDir(here).absoluteFilePath(path);
        }
    }
    QString text = WriteRecordsTexts::tr("データファイルを開くことができません") +
                   QLatin1Char('\n') + QDir::toNativeSeparators(full);
    if (!reason.isEmpty()) {
        text += QLatin1Char('\n') + reason;
    }
    return text;
}

QString ResolveRecordsDirectory(const QString& directory) {
    if (!directory.isEmpty()) {
        return QDir(directory).absolutePath();
    }
    return QDir::currentPath();  // empty when the working directory was removed
}

bool WriteRecords(ExperimentState& state, bool run_complete, MessageBoxService& boxes,
                  const RecordsContext& context, SummaryLineWritten* written, KeptRecords* kept) {
    KeptRecords ignored;
    KeptRecords& report = kept != nullptr ? *kept : ignored;
    report.trial_log = false;
    report.summary_line = false;
    report.without_lock = false;
    const RecordTimeText when = FormatRecordTime(context.Calendar().NowSeconds());

    // Named once, so every attempt and every box of this run means the same place.
    const QString directory = ResolveRecordsDirectory(context.directory);
    const TrialLogName log = MakeTrialLogName(state.subject);
    const QString logPath = PathIn(directory, log.name);
    if (!log.safe) {
        // Retrying cannot help: the ID itself has to change. The box shows the name as typed
        // after the folder, never as the system would resolve it ("C:x" is a drive-relative
        // path on Windows).
        const QString tried =
            directory.isEmpty() ? log.name : directory + QLatin1Char('/') + log.name;
        boxes.ShowApp(DataFileErrorText(tried, QStringLiteral("The subject ID cannot be used "
                                                              "as a file name.")),
                      BoxIcon::Exclamation);
        return false;
    }
    DurableAppend logAppend(logPath, QByteArray(kTrialLogHeader),
                            QByteArray::fromStdString(TrialLogRows(state, when)), context.io_fault);
    logAppend.SetLockWait(context.lock_wait);
    logAppend.SetLockWaitHook(context.lock_wait_hook);
    if (!AppendWithRetry(logAppend, boxes, context)) {
        return false;
    }
    report.trial_log = true;
    report.without_lock = logAppend.WroteWithoutLock();
    if (!run_complete) {
        return true;
    }

    const QByteArray line = QByteArray::fromStdString(SummaryLine(state, when));
    DurableAppend summaryAppend(PathIn(directory, QLatin1String(kSummaryFileName)),
                                QByteArray(kSummaryHeader), line, context.io_fault);
    summaryAppend.SetLockWait(context.lock_wait);
    summaryAppend.SetLockWaitHook(context.lock_wait_hook);
    if (!AppendWithRetry(summaryAppend, boxes, context)) {
        return false;
    }
    report.summary_line = true;
    report.without_lock = report.without_lock || summaryAppend.WroteWithoutLock();
    if (written != nullptr) {
        *written = {summaryAppend.Path(), summaryAppend.BlockOffset(), line};
    }
    return true;
}

}  // namespace quorvel
