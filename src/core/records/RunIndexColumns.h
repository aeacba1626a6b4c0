#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvel {

// An index begun by an earlier version of Quorvel keeps its header, which has fewer columns
// (the newer ones are only ever added at the end). Rows longer than their file's header would
// make pandas and R refuse the whole file, so a row appended to such an index keeps to the
// columns its header names; a new index gets every column.

// The header line of the index at `path` (byte-order mark and line end taken off); empty when
// the file does not exist or is empty.
QByteArray ExistingIndexHeader(const QString& path);

// `fields` (a whole row of today's index) cut to the columns of `existingHeader` when that
// header names the first of today's columns and fewer of them; otherwise all of them.
QStringList FieldsForIndexHeader(const QStringList& fields, const QByteArray& existingHeader);

}  // namespace quorvel
