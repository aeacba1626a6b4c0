#include "records/SummaryReader.h"

#include <QFile>
#include <QList>
#include <charconv>
#include <limits>
#include <string>
#include <system_error>

#include "platform/TextModeBytes.h"

namespace quorvel {

namespace {

// A 1000-byte line buffer: at most 999 bytes per piece.
constexpr int kLineBuffer = 1000;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

SummaryRecord ParseLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.split('\t');
    const qsizetype n = fields.size();
    SummaryRecord r;
    if (n >= 1) {
        r.type = fields[0].toStdString();
    }
    if (n >= 2) {
        r.date = fields[1].toStdString();
    }
    if (n >= 3) {
        r.time = fields[2].toStdString();
    }
    if (n == 4) {
        r.subject = fields[3].toStdString();
    } else if (n >= 5) {
        QByteArray subject = fields[3];
        for (qsizetype i = 4; i < n - 1; ++i) {
            subject.append('\t').append(fields[i]);
        }
        r.subject = subject.toStdString();
        r.total_rt = ParsePlainDecimal(fields[n - 1]);
    }
    return r;
}

}  // namespace

std::vector<SummaryRecord> ParseSummary(const QByteArray& fileBytes) {
    std::vector<SummaryRecord> records;
    bool header = true;
    ForEachPiece(FromTextMode(fileBytes), kLineBuffer, [&](const QByteArray& piece) {
        const QByteArray line = piece.trimmed();  // Qt trims exactly the six white spaces
        if (line.isEmpty()) {
            return false;
        }
        if (header) {
            header = false;
        } else {
            records.push_back(ParseLine(line));
        }
        return true;
    });
    if (!records.empty()) {
        records.back().latest = true;
    }
    return records;
}

bool ReadSummaryFile(std::vector<SummaryRecord>& records) {
    records.clear();
    QFile file(QStringLiteral("QVL.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // A read error part-way keeps what was read before it, like the end of the file.
    records = ParseSummary(file.readAll());
    return true;
}

double ParsePlainDecimal(const QByteArray& text) {
    const char* p = text.constData();
    const char* const end = p + text.size();
    while (p < end && IsSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* intBegin = p;
    while (p < end && IsDigit(*p)) {
        ++p;
    }
    const char* intEnd = p;
    const char* fracBegin = p;
    const char* fracEnd = p;
    if (p < end && *p == '.') {
        fracBegin = ++p;
        while (p < end && IsDigit(*p)) {
            ++p;
        }
        fracEnd = p;
    }
    if (intBegin == intEnd && fracBegin == fracEnd) {
        return 0.0;
    }
    // Hand the converter only what was checked, in one spelling: [-]digits[.digits].
    std::string plain;
    plain.reserve(size_t(intEnd - intBegin) + size_t(fracEnd - fracBegin) + 3);
    if (negative) {
        plain += '-';
    }
    plain.append(intBegin, intEnd);
    if (intBegin == intEnd) {
        plain += '0';
    }
    if (fracBegin != fracEnd) {
        plain += '.';
        plain.append(fracBegin, fracEnd);
    }
    double value = 0.0;
    const std::from_chars_result r =
        std::from_chars(plain.data(), plain.data() + plain.size(), value, std::chars_format::fixed);
    if (r.ec == std::errc::result_out_of_range) {
        bool large = false;
        for (const char* d = intBegin; d < intEnd; ++d) {
            large = large || *d != '0';
        }
        const double magnitude = large ? std::numeric_limits<double>::max() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    return r.ec == std::errc() ? value : 0.0;
}

}  // namespace quorvel
