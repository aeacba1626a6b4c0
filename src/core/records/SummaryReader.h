#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

#include "core/records/SummaryRecord.h"

namespace quorvel {

// Reads "QVL.txt" in `directory` (the program passes its working directory) into `records`,
// one per result line, the last one marked latest. False when the file cannot be opened or is
// not a regular file (a FIFO would keep the program waiting); `records` is then empty.
bool ReadSummaryFile(const QString& directory, std::vector<SummaryRecord>& records);

// The results for the ranking after a run: the summary file the run wrote to, read into
// `records` with the run's own line (`written`) marked latest, wherever it lies among the lines
// other stations have added. False, with `records` empty, when the file cannot be read or the
// run's line is no longer where it was written (the file was replaced or cut meanwhile):
// another line must not be shown as this run's result.
bool ReadRunResult(const SummaryLineWritten& written, std::vector<SummaryRecord>& records);

// The records held in the bytes of a summary file:
//  - lines are handed out as a 1000-byte line buffer gives them: a line of up to 998 bytes
//    and its LF whole, a longer one in pieces of at most 999 bytes, each piece a line;
//    CR LF reads as LF and a piece ends at its first NUL byte;
//  - each line is trimmed of blank, tab, CR, LF, VT and FF; an empty line is passed over
//    (a cut row or an edit by hand must not hide the results after it),
//    and the first line that is not empty is the header, whatever it holds;
//  - a line is split at every tab, empty fields included. The first three fields are type,
//    date and time, the last is the total time (ParsePlainDecimal), and the fields between
//    them are the subject, joined again with tabs, so an empty or tab-holding subject
//    keeps the time where it belongs. A line of four fields has no time and reads 0.0; a
//    line of fewer fields fills what it has from the front, with empty texts and 0.0 for
//    the rest.
// The last record is marked latest. Any input is safe.
std::vector<SummaryRecord> ParseSummary(const QByteArray& fileBytes);

// As ParseSummary, with the record read from the line that begins at byte `lineOffset` of
// `fileBytes` marked latest instead of the last; none is marked when no result line begins
// there (the offset is not at a line's start, or past the end of the results).
std::vector<SummaryRecord> ParseSummary(const QByteArray& fileBytes, qint64 lineOffset);

// The number a total-time field begins with, read as a plain decimal only: leading white
// space, an optional sign, digits with at most one decimal point, at least one digit; what
// follows is ignored and a field without such a number reads 0.0. "nan", "inf", hex and
// exponents are not numbers here (an exponent ends the number before its "e"), so every
// time is finite and the ranking order is total. Digits beyond the range of a double give
// the largest finite double of that sign.
double ParsePlainDecimal(QByteArrayView text);

}  // namespace quorvel
