#include "core/records/WriteRunRecord.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <chrono>
#include <utility>
#include <vector>

#include "core/platform/RenameNoReplace.h"
#include "core/records/DurableAppend.h"
#include "core/records/RunIndex.h"
#include "core/records/RunTrials.h"

namespace quorvel {

namespace {

// Marks the temporary name of a run file being written: "<name>.partial-<random hex>".
constexpr char kPartialMark[] = ".partial-";

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

// One try at writing `bytes` as the new file `path`: first, checked and synced, under a
// temporary name beside it, which then takes the name only if no file has it. A process killed
// part way leaves at most a temporary file (cleaned away by a later record), never a cut file
// under the run's name; and a writer that drew a run id another has taken (`taken`) writes
// nothing over that writer's file. Faults are injected under the file's own name.
bool PlaceWholeFile(const QString& path, const QByteArray& bytes, const RecordsContext& context,
                    bool& taken, QString& reason) {
    taken = false;
    reason.clear();
    const QString temporary = path + QLatin1String(kPartialMark) +
                              QString::number(QRandomGenerator::system()->generate64(), 16);
    IoFaultHook hook;
    if (context.io_fault) {
        hook = [&context, &path](IoOp op, const QString&) { return context.io_fault(op, path); };
    }
    DurableAppend append(temporary, QByteArray(), bytes, hook);
    append.SetLockWait(context.lock_wait);
    if (!append.Attempt()) {
        reason = append.FailureReason();
        return false;
    }
    if (RenameWithoutReplacing(temporary, path, taken, reason)) {
        return true;
    }
    QFile::remove(temporary);
    return false;
}

// Files a record left behind: a temporary file of a writer that was killed, an events file or
// picture whose index row never came. Only those older than this go, so a station writing its
// record into the same folder right now keeps its files.
constexpr std::chrono::minutes kLeftoverAge{10};

bool IsIdCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '_';
}

// The index text names run `id`: the id stands in it as a word of its own (its run_id field,
// or the start of its file names), not as a part of a longer id.
bool NamesRun(const QByteArray& index, const QByteArray& id) {
    for (qsizetype at = index.indexOf(id); at >= 0; at = index.indexOf(id, at + 1)) {
        const qsizetype end = at + id.size();
        if ((at == 0 || !IsIdCharacter(index[at - 1])) &&
            (end == index.size() || !IsIdCharacter(index[end]))) {
            return true;
        }
    }
    return false;
}

// Removes the leftovers of earlier records from the runs folder: temporary files, and events
// files and pictures that no index row names.
void RemoveLeftovers(const QDir& runs) {
    QFile index(runs.filePath(QLatin1String(kRunIndexName)));
    const QByteArray named = index.open(QIODevice::ReadOnly) ? index.readAll() : QByteArray();
    const QDateTime before =
        QDateTime::currentDateTimeUtc().addSecs(-std::chrono::seconds(kLeftoverAge).count());
    const QFileInfoList files = runs.entryInfoList(
        {QStringLiteral("*") + QLatin1String(kPartialMark) + QLatin1Char('*'),
         RunEventsFileName(QStringLiteral("*")), RunPictureFileName(QStringLiteral("*"))},
        QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : files) {
        const bool partial = file.fileName().contains(QLatin1String(kPartialMark));
        const QByteArray id = file.fileName().section(QLatin1Char('.'), 0, 0).toUtf8();
        if (file.lastModified().toUTC() >= before || (!partial && NamesRun(named, id))) {
            continue;
        }
        QFile::remove(file.filePath());
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
                    const RecordsContext& context, bool* id_taken) {
    if (id_taken != nullptr) {
        *id_taken = false;
    }
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
        enum class Kind {
            own,     // the run's own file, put in place whole under a name not yet taken
            shared,  // a file every run appends to: its block is taken back, the file stays
            index,   // the row that names the rest: the last part, so nothing follows it
        } kind;
    };
    const Part parts[] = {
        {runs.filePath(RunEventsFileName(bytes.run_id)), QByteArray(), bytes.events,
         Part::Kind::own},
        {runs.filePath(RunPictureFileName(bytes.run_id)), QByteArray(), bytes.picture,
         Part::Kind::own},
        {runs.filePath(QLatin1String(kRunTrialsName)), RunTrialsHeader(), bytes.trials,
         Part::Kind::shared},
        {runs.filePath(QLatin1String(kRunIndexName)), RunIndexHeader(), bytes.index_row,
         Part::Kind::index},
    };
    RemoveLeftovers(runs);
    // What this call wrote, with the append that wrote a shared part (it knows where its block
    // went, to take it back).
    std::vector<std::pair<const Part*, DurableAppend>> written;
    // All or nothing: an events file or picture that no index row names would only mislead. The
    // last written goes first; rows another writer has appended after ours stay, and name a run
    // the index has no row for.
    const auto takeBack = [&written] {
        for (auto part = written.rbegin(); part != written.rend(); ++part) {
            if (part->first->kind == Part::Kind::own) {
                QFile::remove(part->first->path);
            } else {
                part->second.TakeBack();
            }
        }
    };
    for (const Part& part : parts) {
        if (part.kind == Part::Kind::shared && part.block.isEmpty()) {
            continue;  // no completed target: no trial rows, and no file made for none
        }
        bool taken = false;
        QString reason;
        DurableAppend append(part.path, part.header, part.block, context.io_fault);
        append.SetLockWait(context.lock_wait);
        append.SetLockWaitHook(context.lock_wait_hook);
        const auto attempt = [&] {
            if (part.kind == Part::Kind::own) {
                return PlaceWholeFile(part.path, part.block, context, taken, reason);
            }
            // The run's own files may have gone while a box waited (another station cleans
            // up files no index row names): they are put back before a row names them.
            for (const auto& done : written) {
                const Part* own = done.first;
                if (own->kind == Part::Kind::own && !QFile::exists(own->path) &&
                    !PlaceWholeFile(own->path, own->block, context, taken, reason)) {
                    return false;
                }
            }
            const bool ok = append.Attempt();
            reason = append.FailureReason();
            return ok;
        };
        while (!attempt()) {
            if (taken || !boxes.AskRetry(DataFileErrorText(part.path, reason))) {
                takeBack();
                if (taken && id_taken != nullptr) {
                    *id_taken = true;
                }
                return false;
            }
        }
        written.emplace_back(&part, append);
    }
    return true;
}

}  // namespace quorvel
