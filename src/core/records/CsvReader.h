#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace quorvel {

// Reads back the run files' CSV (RFC 4180, UTF-8, an optional byte-order mark, CR LF or LF):
// every record with the line of the file it begins on, so a damaged one can be named.
struct CsvRecord {
    int line = 0;  // 1-based
    QStringList fields;
};

struct CsvTable {
    std::vector<CsvRecord> records;  // the header first
    // Set when the text cannot be read as CSV (a quoted field never closed, a quote inside an
    // unquoted field, bytes that are not UTF-8); `error_line` is where it was met.
    QString error;
    int error_line = 0;
};

CsvTable ReadCsv(const QByteArray& bytes);

}  // namespace quorvel
