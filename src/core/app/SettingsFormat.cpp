#include "core/app/SettingsFormat.h"

#include <limits>

#include "core/platform/TextModeBytes.h"

namespace quorvel {

namespace {

// A 1024-byte line buffer: at most 1023 bytes per piece.
constexpr int kLineBuffer = 1024;

bool IsTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

std::string Trim(const char* begin, const char* end) {
    while (begin < end && IsTrimmed(*begin)) {
        ++begin;
    }
    while (end > begin && IsTrimmed(end[-1])) {
        --end;
    }
    return std::string(begin, end);
}

// Skips "=" characters, then returns the run up to the next "=" or the end; `pos` is left
// on the "=" that ended the run (or at the end). Empty when nothing but "=" is left.
std::pair<const char*, const char*> NextToken(const char*& pos, const char* end) {
    while (pos < end && *pos == '=') {
        ++pos;
    }
    const char* start = pos;
    while (pos < end && *pos != '=') {
        ++pos;
    }
    return {start, pos};
}

}  // namespace

std::vector<SettingsEntry> ParseSettings(const QByteArray& fileBytes) {
    std::vector<SettingsEntry> entries;
    ForEachPiece(FromTextMode(fileBytes), kLineBuffer, [&entries](QByteArrayView piece) {
        const std::string line = Trim(piece.data(), piece.data() + piece.size());
        if (line.empty()) {
            return true;
        }
        const char* pos = line.data();
        const char* const end = pos + line.size();
        const auto key = NextToken(pos, end);
        if (key.first == key.second) {
            return true;  // only "=" characters: no key
        }
        const auto value = NextToken(pos, end);
        entries.push_back({Trim(key.first, key.second), Trim(value.first, value.second)});
        return true;
    });
    return entries;
}

QByteArray FormatSettings(const std::vector<SettingsEntry>& entries) {
    QByteArray text;
    for (const SettingsEntry& e : entries) {
        text.append(e.key.c_str());
        text.append(" = ");
        text.append(e.value.c_str());
        text.append('\n');
    }
    return ToTextMode(text);
}

std::int32_t ParseLeadingInt(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate the magnitude in 64 bits and stop growing it once it is past the range, so
    // a thousand digits cost nothing and never overflow.
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (*p - '0');
        }
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                   : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                               : static_cast<std::int32_t>(magnitude);
}

}  // namespace quorvel
