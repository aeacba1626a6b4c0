#include "core/records/RunIndexColumns.h"

#include <QFile>

#include "core/records/CsvText.h"
#include "core/records/RunIndex.h"

namespace quorvel {

namespace {

QByteArray WithoutBomAndLineEnd(QByteArray line) {
    if (line.startsWith(kUtf8Bom)) {
        line.remove(0, static_cast<qsizetype>(sizeof kUtf8Bom - 1));
    }
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

}  // namespace

QByteArray ExistingIndexHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return WithoutBomAndLineEnd(file.readLine(64 * 1024));
}

QStringList FieldsForIndexHeader(const QStringList& fields, const QByteArray& existingHeader) {
    if (existingHeader.isEmpty()) {
        return fields;
    }
    // Header names are plain words: no quoting to undo.
    const QList<QByteArray> theirs = existingHeader.split(',');
    const QList<QByteArray> ours = WithoutBomAndLineEnd(RunIndexHeader()).split(',');
    if (theirs.size() >= ours.size() || theirs.size() > fields.size() ||
        ours.mid(0, theirs.size()) != theirs) {
        return fields;
    }
    return fields.mid(0, theirs.size());
}

}  // namespace quorvel
