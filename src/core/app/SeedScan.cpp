#include "core/app/SeedScan.h"

namespace quorvel {

namespace {

bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<std::int32_t> ScanSeed(std::string_view field) {
    const std::string_view text = field.substr(0, kSeedFieldBytes);
    std::size_t i = 0;
    while (i < text.size() && IsScanSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !IsDigit(text[i])) {
        return std::nullopt;
    }
    // The magnitude of INT32_MIN is the largest any accepted number may reach.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ScanSeedText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return ScanSeed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace quorvel
