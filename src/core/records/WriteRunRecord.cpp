#include "core/records/WriteRunRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <utility>
#include <vector>

#include "core/records/DurableAppend.h"
#include "core/records/RunIndex.h"
#include "core/records/RunTrials.h"

namespace quorvel {

namespace {

bool Fails(const RecordsContext& context, IoOp op, const QString& path) {
    return context.io_fault && context.io_fault(op, path);
}

// Asks the operator to retry for as long as `attempt` fails and they want to; each box names
// the file and the reason the system gave for the last failure (`reason`).
template <typename Attempt, typename Reason>
bool WithRetry(const QString& path, MessageBoxService& boxes, Attempt attempt, Reason reason) {
    while (!attempt()) {
        if (!boxes.AskRetry(DataFileErrorText(path, reason()))) {
            return false;
        }
    }
    return true;
}

bool MakeRunsFolder(const QString& directory, const QString& runsPath,
                    const RecordsContext& context, QString& reason) {
    reason.clear();
    if (Fails(context, IoOp::Open, runsPath)) {
        return false;
    }
    if (QFileInfo(runsPath).isDir() || QDir(directory).mkpath(QLatin1String(kRunsFolder))) {
        return true;
    }
    reason = qt_error_string(-1);  // what mkdir ran into (no such folder, permission, ...)
    return false;
}

// Takes the parts already written out again, the last first: a run's own files go, its rows
// in the shared files are taken back (those another writer has appended after stay, and name
// a run the index has no row for).
void UndoWritten(std::vector<std::pair<DurableAppend, bool>>& written) {
    for (auto part = written.rbegin(); part != written.rend(); ++part) {
        if (part->second) {
            part->first.TakeBack();
        } else {
            QFile::remove(part->first.Path());
        }
    }
}

}  // namespace

QString RunEventsFileName(const QString& runId) {
    return runId + QStringLiteral(".events.csv");
}

QString RunPictureFileName(const QString& runId) {
    return runId + QStringLiteral(".png");
}

QString NewRunId(const QString& runsPath, const QString& stem) {
    const QDir runs(runsPath);
    for (;;) {
        const QString id = stem + QLatin1Char('-') +
                           QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(0x10000), 4,
                                                    16, QLatin1Char('0'));
        if (!runs.exists(RunEventsFileName(id)) && !runs.exists(RunPictureFileName(id))) {
            return id;
        }
    }
}

bool WriteRunRecord(const RunRecordBytes& bytes, MessageBoxService& boxes,
                    const RecordsContext& context) {
    const QString directory = ResolveRecordsDirectory(context.directory);
    const QString runsPath = QDir(directory).filePath(QLatin1String(kRunsFolder));
    QString folderReason;
    if (!WithRetry(
            runsPath, boxes,
            [&] { return MakeRunsFolder(directory, runsPath, context, folderReason); },
            [&] { return folderReason; })) {
        return false;
    }

    const QDir runs(runsPath);
    struct Part {
        QString path;
        QByteArray header;
        const QByteArray& block;
        bool shared;  // a file every run appends to: its block is taken back, the file stays
    };
    const Part parts[] = {
        {runs.filePath(RunEventsFileName(bytes.run_id)), QByteArray(), bytes.events, false},
        {runs.filePath(RunPictureFileName(bytes.run_id)), QByteArray(), bytes.picture, false},
        {runs.filePath(QLatin1String(kRunTrialsName)), RunTrialsHeader(), bytes.trials, true},
        {runs.filePath(QLatin1String(kRunIndexName)), RunIndexHeader(), bytes.index_row, true},
    };
    std::vector<std::pair<DurableAppend, bool>> written;
    for (const Part& part : parts) {
        if (part.shared && part.block.isEmpty()) {
            continue;  // no completed target: no trial rows, and no file made for none
        }
        DurableAppend append(part.path, part.header, part.block, context.io_fault);
        append.SetLockWait(context.lock_wait);
        if (!WithRetry(
                part.path, boxes, [&] { return append.Attempt(); },
                [&] { return append.FailureReason(); })) {
            // All or nothing: an events file or picture that no index row names would only
            // mislead.
            UndoWritten(written);
            return false;
        }
        written.emplace_back(append, part.shared);
    }
    return true;
}

}  // namespace quorvel
