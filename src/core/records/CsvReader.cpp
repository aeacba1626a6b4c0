#include "core/records/CsvReader.h"

#include <QStringDecoder>

#include "core/records/CsvText.h"

namespace quorvel {

CsvTable ReadCsv(const QByteArray& bytes) {
    CsvTable table;
    QByteArray body = bytes;
    if (body.startsWith(kUtf8Bom)) {
        body.remove(0, static_cast<qsizetype>(sizeof kUtf8Bom - 1));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (utf8.hasError()) {
        table.error = QStringLiteral("the file is not UTF-8 text");
        table.error_line = 1;
        return table;
    }

    int line = 1;
    CsvRecord record{1, {}};
    QString field;
    bool quoted = false;      // inside a quoted field
    bool wasQuoted = false;   // the current field was quoted (only a separator may follow)
    bool recordOpen = false;  // something of the current record has been read
    const auto endField = [&] {
        record.fields << field;
        field.clear();
        wasQuoted = false;
    };
    const auto endRecord = [&] {
        endField();
        table.records.push_back(record);
        record = CsvRecord{line, {}};
        recordOpen = false;
    };
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (k + 1 < text.size() && text[k + 1] == QLatin1Char('"')) {
                    field += c;
                    ++k;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (c == QLatin1Char('\n')) {
                    ++line;
                }
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('\r') && k + 1 < text.size() && text[k + 1] == QLatin1Char('\n')) {
            continue;  // the LF ends the record
        }
        if (c == QLatin1Char('\n')) {
            ++line;
            endRecord();
            continue;
        }
        recordOpen = true;
        if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = true;
        } else if (c == QLatin1Char('"') || wasQuoted) {
            table.error = QStringLiteral("a quote stands inside a field");
            table.error_line = line;
            return table;
        } else {
            field += c;
        }
    }
    if (quoted) {
        table.error = QStringLiteral("a quoted field is never closed");
        table.error_line = record.line;
        return table;
    }
    if (recordOpen || !field.isEmpty() || !record.fields.isEmpty()) {
        endRecord();  // a last record without its line end
    }
    return table;
}

}  // namespace quorvel
