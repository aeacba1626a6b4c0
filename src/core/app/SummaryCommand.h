#pragma once

#include <QByteArray>
#include <QString>

namespace quorvel {

// `quorvel --summary [FOLDER]`: reads FOLDER/runs/index.csv, writes FOLDER/runs/subjects.csv
// (UTF-8 with byte-order mark, CR LF, RFC 4180; whole or not at all: written under a temporary
// name and renamed) and gives the same table for standard output (LF line ends, no byte-order
// mark). A missing or damaged index, or a table that cannot be written, changes no file and
// is an error whose text names the file (and the index's line).
struct SummaryOutcome {
    int exit_code = 0;  // 0, or 1 on an error
    QByteArray table;   // for standard output
    QString error;      // for standard error
};

inline constexpr char kSubjectsFileName[] = "subjects.csv";

SummaryOutcome RunSummaryCommand(const QString& folder);

}  // namespace quorvel
