#include "core/app/SummaryCommand.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "core/records/CsvText.h"
#include "core/records/RunIndex.h"
#include "core/records/SubjectScores.h"

namespace quorvel {

namespace {

SummaryOutcome Failure(const QString& text) {
    SummaryOutcome outcome;
    outcome.exit_code = 1;
    outcome.error = QStringLiteral("quorvel: ") + text;
    return outcome;
}

}  // namespace

SummaryOutcome RunSummaryCommand(const QString& folder) {
    const QDir runs(QDir(folder).filePath(QLatin1String(kRunsFolder)));
    const QString indexPath = QDir::toNativeSeparators(runs.filePath(QLatin1String(kRunIndexName)));
    const QString subjectsPath =
        QDir::toNativeSeparators(runs.filePath(QLatin1String(kSubjectsFileName)));
    QFile index(runs.filePath(QLatin1String(kRunIndexName)));
    if (!index.exists()) {
        return Failure(QStringLiteral("no run records: %1 does not exist").arg(indexPath));
    }
    if (!index.open(QIODevice::ReadOnly)) {
        return Failure(QStringLiteral("cannot read %1: %2").arg(indexPath, index.errorString()));
    }
    QString damage;
    const std::vector<IndexRun> rows = ReadIndexRuns(index.readAll(), damage);
    if (!damage.isEmpty()) {
        return Failure(QStringLiteral("%1 is damaged, %2.\nMend or remove that line (a copy of "
                                      "the file is safest to work on); %3 was not written.")
                           .arg(indexPath, damage, subjectsPath));
    }
    const std::vector<SubjectScores> subjects = ScoreSubjects(rows);

    QSaveFile file(runs.filePath(QLatin1String(kSubjectsFileName)));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QByteArray(kUtf8Bom) + SubjectsTable(subjects, "\r\n")) < 0 || !file.commit()) {
        return Failure(QStringLiteral("cannot write %1: %2").arg(subjectsPath, file.errorString()));
    }
    SummaryOutcome outcome;
    outcome.table = SubjectsTable(subjects, "\n");
    return outcome;
}

}  // namespace quorvel
