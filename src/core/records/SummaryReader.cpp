#include "core/records/SummaryReader.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#include "core/platform/RegularFile.h"
#include "core/platform/TextModeBytes.h"
#include "core/records/RecordFormat.h"

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

using Field = std::pair<const char*, const char*>;

std::string Text(const Field& f) {
    return std::string(f.first, f.second);
}

// `fields` is scratch space, reused from line to line.
SummaryRecord ParseLine(const char* begin, const char* end, std::vector<Field>& fields) {
    fields.clear();
    const char* start = begin;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '\t') {
            fields.emplace_back(start, p);
            start = p + 1;
        }
    }
    fields.emplace_back(start, end);

    const std::size_t n = fields.size();
    SummaryRecord r;
    r.type = Text(fields[0]);
    if (n >= 2) {
        r.date = Text(fields[1]);
    }
    if (n >= 3) {
        r.time = Text(fields[2]);
    }
    if (n == 4) {
        r.subject = Text(fields[3]);
    } else if (n >= 5) {
        // Everything between the time of day and the last field, tabs included.
        r.subject.assign(fields[3].first, fields[n - 2].second);
        const Field& last = fields[n - 1];
        r.total_rt = ParsePlainDecimal(QByteArrayView(last.first, last.second - last.first));
    }
    return r;
}

// `latestAt`: where in the text the latest record's line begins; -1: the last record.
std::vector<SummaryRecord> ParseText(const QByteArray& text, qsizetype latestAt) {
    std::vector<SummaryRecord> records;
    // Not reserved by the count of line ends: a damaged file of blank lines would reserve some
    // 144 bytes for each byte it holds.
    std::vector<Field> fields;
    bool header = true;
    ForEachPiece(text, kLineBuffer, [&](QByteArrayView piece) {
        const char* begin = piece.data();
        const char* end = begin + piece.size();
        while (begin < end && IsSpace(*begin)) {
            ++begin;
        }
        while (end > begin && IsSpace(end[-1])) {
            --end;
        }
        if (begin == end) {
            // Passed over: a blank line left by an editor or a cut row must not hide the
            // results after it, which include every line appended since.
            return true;
        }
        if (header) {
            header = false;
        } else {
            records.push_back(ParseLine(begin, end, fields));
            records.back().latest = piece.data() - text.constData() == latestAt;
        }
        return true;
    });
    if (latestAt < 0 && !records.empty()) {
        records.back().latest = true;
    }
    return records;
}

bool ReadBytes(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!OpenRegularFileForReading(file)) {
        return false;
    }
    // A read error part-way keeps what was read before it, like the end of the file.
    bytes = file.readAll();
    return true;
}

}  // namespace

std::vector<SummaryRecord> ParseSummary(const QByteArray& fileBytes) {
    return ParseText(FromTextMode(fileBytes), -1);
}

std::vector<SummaryRecord> ParseSummary(const QByteArray& fileBytes, qint64 lineOffset) {
    if (lineOffset < 0 || lineOffset >= fileBytes.size() ||
        (lineOffset > 0 && fileBytes[lineOffset - 1] != '\n')) {
        return ParseText(FromTextMode(fileBytes), std::numeric_limits<qsizetype>::max());
    }
    // Before a line's start, every CR LF pair is whole; each is one byte shorter as text.
    const qsizetype textOffset = FromTextMode(fileBytes.left(lineOffset)).size();
    return ParseText(FromTextMode(fileBytes), textOffset);
}

bool ReadRunResult(const SummaryLineWritten& written, std::vector<SummaryRecord>& records) {
    records.clear();
    QByteArray bytes;
    if (written.offset < 0 || !ReadBytes(written.path, bytes) ||
        bytes.mid(written.offset, written.line.size()) != written.line) {
        return false;
    }
    records = ParseSummary(bytes, written.offset);
    if (std::none_of(records.begin(), records.end(),
                     [](const SummaryRecord& r) { return r.latest; })) {
        records.clear();
        return false;
    }
    return true;
}

bool ReadSummaryFile(const QString& directory, std::vector<SummaryRecord>& records) {
    records.clear();
    QByteArray bytes;
    if (!ReadBytes(QDir(directory).filePath(QString::fromLatin1(kSummaryFileName)), bytes)) {
        return false;
    }
    records = ParseSummary(bytes);
    return true;
}

double ParsePlainDecimal(QByteArrayView text) {
    const char* p = text.data();
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
    plain.reserve(static_cast<std::size_t>((intEnd - intBegin) + (fracEnd - fracBegin) + 3));
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
