#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvel {

// Per-subject scores from the run index, as `quorvel --summary` writes them to
// runs/subjects.csv.
//
// Pairing rule: for each subject (the index's `subject`, exactly as written), the latest
// completed Part A run and the latest completed Part B run are paired, "latest" by `started`
// (a later row of the index wins a tie). Aborted runs never count. B - A and B / A are given on
// the completion time (`completion_ms`: the run origin to target 25, target 1 included) and on
// TotalRT (`total_rt_ms`); they are empty when the subject lacks either form's completed run
// or, for B / A, when A's time is 0.

// What the summary needs of one index row.
struct IndexRun {
    int line = 0;  // in the index, 1-based
    QString run_id;
    QString subject;
    bool part_a = true;
    QDateTime started;
    bool completed = false;
    std::optional<std::int64_t> completion_ms;  // empty in rows of an index with the older header
    std::optional<std::int64_t> total_rt_ms;
    std::int64_t errors = 0;
};

// The index's rows, checked: every row must have the header's number of fields and readable
// values in the columns the summary uses. On damage, empty and `error` says which line and why.
std::vector<IndexRun> ReadIndexRuns(const QByteArray& indexBytes, QString& error);

struct FormScores {
    int completed_runs = 0;
    std::optional<IndexRun> latest;  // the latest completed run
};

struct SubjectScores {
    QString subject;
    FormScores a;
    FormScores b;
};

// One entry per subject that has any row (aborted runs only included), in the order the
// subjects first appear in the index.
std::vector<SubjectScores> ScoreSubjects(const std::vector<IndexRun>& runs);

// The table: header and one row per subject, RFC 4180 fields, each line ending in `lineEnd`.
QByteArray SubjectsTable(const std::vector<SubjectScores>& subjects, const char* lineEnd);

}  // namespace quorvel
