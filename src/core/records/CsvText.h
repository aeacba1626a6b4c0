#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvel {

// The run files are UTF-8 CSV as RFC 4180 has it, with a byte-order mark so that spreadsheet
// programs set to a Japanese locale, pandas and R all read the Japanese text without options.
// (The trial log and the summary file keep their own CP932 format: existing scripts read them.)
inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// One field: as it is, or in double quotes with its quotes doubled when it holds a comma, a
// quote, CR or LF.
QString CsvField(const QString& value);

// The fields joined by commas, as UTF-8, ending in CR LF.
QByteArray CsvRow(const QStringList& fields);

}  // namespace quorvel
