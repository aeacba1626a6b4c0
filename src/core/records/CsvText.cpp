#include "core/records/CsvText.h"

namespace quorvel {

QString CsvField(const QString& value) {
    const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
                       value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'));
    if (!quote) {
        return value;
    }
    QString quoted = value;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray CsvRow(const QStringList& fields) {
    QString line;
    for (qsizetype k = 0; k < fields.size(); ++k) {
        if (k > 0) {
            line += QLatin1Char(',');
        }
        line += CsvField(fields[k]);
    }
    return line.toUtf8() + QByteArrayLiteral("\r\n");
}

}  // namespace quorvel
