// The summary file from any bytes, read, ranked and formatted for the results dialog: every
// time is a finite number, only the last record is the latest, the order is the one the
// pairwise exchange sort gives, the latest's rank is one more than the number of faster
// results, and the texts print numbers as printf does.
#include <QByteArray>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "core/records/RankingOrder.h"
#include "core/records/RankingText.h"
#include "core/records/SummaryReader.h"

namespace quorvel::fuzz {
namespace {

// The exchange sort of the results dialog: for i < j, swap whenever record i's time is
// greater than or equal to record j's. Quadratic, so only for small files.
void ExchangeSort(std::vector<SummaryRecord>& r) {
    for (std::size_t i = 0; i + 1 < r.size(); ++i) {
        for (std::size_t j = i + 1; j < r.size(); ++j) {
            if (r[i].total_rt >= r[j].total_rt) {
                std::swap(r[i], r[j]);
            }
        }
    }
}

// A total-time field by strtod over its plain-decimal beginning: blanks, a sign, digits with at
// most one point, at least one digit; beyond a double's range the largest finite one.
double ReferenceDecimal(const QByteArray& text) {
    const char* p = text.constData();
    const char* const end = p + text.size();
    while (p < end && std::strchr(" \t\n\v\f\r", *p) != nullptr && *p != '\0') {
        ++p;
    }
    std::string plain;
    if (p < end && (*p == '+' || *p == '-')) {
        plain += *p++;
    }
    bool digit = false;
    bool point = false;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            digit = true;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
        plain += *p;
    }
    if (!digit) {
        return 0.0;
    }
    const double v = std::strtod(plain.c_str(), nullptr);
    return std::isinf(v) ? std::copysign(std::numeric_limits<double>::max(), v) : v;
}

std::string Printf(const char* format, double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

void CheckRanking(std::vector<SummaryRecord> records) {
    const std::size_t n = records.size();
    for (std::size_t i = 0; i < n; ++i) {
        Require(std::isfinite(records[i].total_rt), "every time is finite");
        Require(records[i].latest == (i + 1 == n), "only the last record is the latest");
        records[i].type = std::to_string(i);  // tags the file order
    }
    std::vector<SummaryRecord> sorted = records;
    SortByTotalTime(sorted);
    if (n <= 400) {
        std::vector<SummaryRecord> reference = records;
        ExchangeSort(reference);
        for (std::size_t i = 0; i < n; ++i) {
            Require(sorted[i].type == reference[i].type, "the exchange sort's order");
        }
    }
    int faster = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Require(i == 0 || sorted[i - 1].total_rt <= sorted[i].total_rt, "ascending times");
        faster += n > 0 && records[i].total_rt < records[n - 1].total_rt ? 1 : 0;
    }
    const int rank = RankOfLatest(sorted);
    Require(rank == (n == 0 ? 0 : faster + 1), "rank = 1 + the number of faster results");

    for (std::size_t k = 0; k < n; ++k) {
        const std::string line = FormatRankingLine(static_cast<int>(k) + 1, sorted[k]);
        char lead[16];
        std::snprintf(lead, sizeof lead, "%04d:  ", static_cast<int>(k) + 1);
        Require(line.rfind(lead, 0) == 0, "a list line begins with its rank");
        Require(line.find(Printf("%6.3f", sorted[k].total_rt)) != std::string::npos,
                "a list line holds the time as %6.3f");
    }
    if (n > 0) {
        FormatResultLine(records[n - 1], static_cast<int>(n), rank);
    }
}

}  // namespace
}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    quorvel::fuzz::CheckRanking(quorvel::ParseSummary(bytes));

    // Any finite double prints as printf prints it.
    quorvel::fuzz::ByteReader in(data, size);
    const double value = in.Double();
    if (std::isfinite(value)) {
        quorvel::fuzz::Require(
            quorvel::FormatFixed(value, 3, 6) == quorvel::fuzz::Printf("%6.3f", value),
            "%6.3f as printf");
        quorvel::fuzz::Require(
            quorvel::FormatFixed(value, 1) == quorvel::fuzz::Printf("%.1f", value),
            "%.1f as printf");
    }
    // A total-time field reads as strtod reads its plain-decimal beginning (numbers too small
    // for a double's normal range may read as 0).
    const double time = quorvel::ParsePlainDecimal(bytes);
    const double reference = quorvel::fuzz::ReferenceDecimal(bytes);
    quorvel::fuzz::Require(std::isfinite(time), "a time is finite");
    quorvel::fuzz::Require(
        time == reference || (std::fabs(time) < 1e-300 && std::fabs(reference) < 1e-300),
        "a time reads as strtod reads it");
    return 0;
}
