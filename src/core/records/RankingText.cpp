#include "core/records/RankingText.h"

#include <charconv>
#include <cstdio>

namespace quorvel {

namespace {

// The fixed texts of the result line in CP932.
constexpr char kResultOpen[] = "\x81\x79\x8D\xC5\x8F\x49\x8C\x8B\x89\xCA(";  // 【最終結果(
constexpr char kResultSubject[] = ")\x81\x7A ";                              // )】 + blank
constexpr char kResultRecord[] =                                             // さん ／ 記録：
    " \x82\xB3\x82\xF1 \x81\x5E \x8B\x4C\x98\x5E\x81\x46";
constexpr char kResultRank[] =  // 秒, ideographic space, （順位:
    " \x95\x62\x81\x40\x81\x69\x8F\x87\x88\xCA: ";
constexpr char kResultAmong[] = " \x90\x6C\x92\x86 ";  // 人中
constexpr char kResultPercent[] =
    " \x88\xCA \x81\x5E \x8F\xE3\x88\xCA\x82\xA9\x82\xE7 ";  // 位 ／ 上位から
constexpr char kResultClose[] = " \x81\x93\x81\x6A";         // ％）

std::string FormatInt(int value, int zeroPadTo = 0) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", zeroPadTo, value);
    return buffer;
}

}  // namespace

std::string FormatFixed(double value, int precision, int width) {
    // Wide enough for the largest double in fixed notation.
    char buffer[400];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    std::string text(buffer, r.ec == std::errc() ? r.ptr : buffer);
    if (static_cast<int>(text.size()) < width) {
        text.insert(0, size_t(width) - text.size(), ' ');
    }
    return text;
}

std::string FormatRankingLine(int rank, const SummaryRecord& record) {
    std::string line = FormatInt(rank, 4);
    line += ":  ";
    line += record.type;
    line += "   ";
    line += record.date;
    line += " (";
    line += record.time;
    line += ")   ";
    line += FormatFixed(record.total_rt, 3, 6);
    line += "   ";
    line += record.subject;
    return line;
}

std::string FormatResultLine(const SummaryRecord& latest, int count, int rank) {
    const double percentage = count > 0 ? static_cast<double>(rank) / count * 100 : 0.0;
    std::string line = kResultOpen;
    line += latest.type;
    line += kResultSubject;
    line += latest.subject;
    line += kResultRecord;
    line += FormatFixed(latest.total_rt, 3);
    line += kResultRank;
    line += FormatInt(count);
    line += kResultAmong;
    line += FormatInt(rank);
    line += kResultPercent;
    line += FormatFixed(percentage, 1);
    line += kResultClose;
    return line;
}

}  // namespace quorvel
