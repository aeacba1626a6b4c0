#include "core/records/SubjectScores.h"

#include <QHash>
#include <QStringList>

#include "core/records/CsvReader.h"
#include "core/records/CsvText.h"

namespace quorvel {

namespace {

std::optional<std::int64_t> Integer(const QString& text, bool& ok) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    bool parsed = false;
    const qlonglong value = text.toLongLong(&parsed);
    ok = ok && parsed;
    return parsed ? std::optional<std::int64_t>(value) : std::nullopt;
}

QString Field(const std::optional<std::int64_t>& value) {
    return value ? QString::number(*value) : QString();
}

// B - A and B / A (three decimals) of two optional times.
void AppendComparison(const std::optional<std::int64_t>& a, const std::optional<std::int64_t>& b,
                      QStringList& row) {
    if (!a || !b) {
        row << QString() << QString();
        return;
    }
    row << QString::number(*b - *a);
    row << (*a != 0 ? QString::number(static_cast<double>(*b) / static_cast<double>(*a), 'f', 3)
                    : QString());
}

void AppendForm(const FormScores& form, QStringList& row) {
    if (!form.latest) {
        row << QString() << QString() << QString() << QString();
        return;
    }
    const IndexRun& run = *form.latest;
    row << run.run_id << Field(run.completion_ms) << Field(run.total_rt_ms)
        << QString::number(run.errors);
}

}  // namespace

std::vector<IndexRun> ReadIndexRuns(const QByteArray& indexBytes, QString& error) {
    error.clear();
    const CsvTable table = ReadCsv(indexBytes);
    if (!table.error.isEmpty()) {
        error = QStringLiteral("line %1: %2").arg(table.error_line).arg(table.error);
        return {};
    }
    if (table.records.empty()) {
        error = QStringLiteral("line 1: the file is empty, it has no header");
        return {};
    }
    const QStringList& header = table.records.front().fields;
    const auto column = [&](const char* name) { return header.indexOf(QLatin1String(name)); };
    const qsizetype runId = column("run_id");
    const qsizetype subject = column("subject");
    const qsizetype testType = column("test_type");
    const qsizetype started = column("started");
    const qsizetype completed = column("completed");
    const qsizetype totalRt = column("total_rt_ms");
    const qsizetype errors = column("errors_total");
    const qsizetype completion = column("completion_ms");  // newer indexes only
    const qsizetype practice = column("practice");         // newer indexes only
    for (const qsizetype c : {runId, subject, testType, started, completed, totalRt, errors}) {
        if (c < 0) {
            error = QStringLiteral("line 1: the header is not that of a run index");
            return {};
        }
    }

    std::vector<IndexRun> runs;
    for (std::size_t r = 1; r < table.records.size(); ++r) {
        const CsvRecord& record = table.records[r];
        const QStringList& f = record.fields;
        const auto damaged = [&](const QString& why) {
            error = QStringLiteral("line %1: %2").arg(record.line).arg(why);
        };
        if (f.size() != header.size()) {
            damaged(QStringLiteral("%1 fields where the header has %2")
                        .arg(f.size())
                        .arg(header.size()));
            return {};
        }
        IndexRun run;
        run.line = record.line;
        run.run_id = f[runId];
        run.subject = f[subject];
        run.part_a = f[testType] == QLatin1String("A");
        run.started = QDateTime::fromString(f[started], Qt::ISODateWithMs);
        run.completed = f[completed] == QLatin1String("1");
        bool ok = true;
        run.total_rt_ms = Integer(f[totalRt], ok);
        run.errors = Integer(f[errors], ok).value_or(0);
        if (completion >= 0) {
            run.completion_ms = Integer(f[completion], ok);
        }
        if (run.run_id.isEmpty() || !run.started.isValid() ||
            (f[testType] != QLatin1String("A") && f[testType] != QLatin1String("B")) ||
            (f[completed] != QLatin1String("0") && f[completed] != QLatin1String("1")) ||
            f[errors].isEmpty() || !ok || (run.completed && !run.total_rt_ms)) {
            damaged(QStringLiteral("a run id, form, start, outcome or time cannot be read"));
            return {};
        }
        // A practice trail is no result of the subject's.
        if (practice >= 0 && f[practice] == QLatin1String("1")) {
            continue;
        }
        runs.push_back(run);
    }
    return runs;
}

std::vector<SubjectScores> ScoreSubjects(const std::vector<IndexRun>& runs) {
    std::vector<SubjectScores> subjects;
    QHash<QString, std::size_t> bySubject;
    for (const IndexRun& run : runs) {
        auto found = bySubject.constFind(run.subject);
        if (found == bySubject.constEnd()) {
            found = bySubject.insert(run.subject, subjects.size());
            subjects.push_back(SubjectScores{run.subject, {}, {}});
        }
        if (!run.completed) {
            continue;
        }
        FormScores& form = run.part_a ? subjects[*found].a : subjects[*found].b;
        ++form.completed_runs;
        // Rows come in file order, so a later row wins a tie.
        if (!form.latest || run.started >= form.latest->started) {
            form.latest = run;
        }
    }
    return subjects;
}

QByteArray SubjectsTable(const std::vector<SubjectScores>& subjects, const char* lineEnd) {
    const auto line = [lineEnd](const QStringList& fields) {
        QByteArray bytes = CsvRow(fields);
        bytes.chop(2);  // CsvRow's CR LF
        return bytes + lineEnd;
    };
    QByteArray table = line({QStringLiteral("subject"), QStringLiteral("a_completed_runs"),
                             QStringLiteral("b_completed_runs"), QStringLiteral("a_run_id"),
                             QStringLiteral("a_completion_ms"), QStringLiteral("a_total_rt_ms"),
                             QStringLiteral("a_errors"), QStringLiteral("b_run_id"),
                             QStringLiteral("b_completion_ms"), QStringLiteral("b_total_rt_ms"),
                             QStringLiteral("b_errors"), QStringLiteral("b_minus_a_ms"),
                             QStringLiteral("b_over_a"), QStringLiteral("b_minus_a_total_rt_ms"),
                             QStringLiteral("b_over_a_total_rt")});
    for (const SubjectScores& s : subjects) {
        QStringList row{s.subject, QString::number(s.a.completed_runs),
                        QString::number(s.b.completed_runs)};
        AppendForm(s.a, row);
        AppendForm(s.b, row);
        const auto time = [](const FormScores& form, bool completion) {
            if (!form.latest) {
                return std::optional<std::int64_t>();
            }
            return completion ? form.latest->completion_ms : form.latest->total_rt_ms;
        };
        AppendComparison(time(s.a, true), time(s.b, true), row);
        AppendComparison(time(s.a, false), time(s.b, false), row);
        table += line(row);
    }
    return table;
}

}  // namespace quorvel
