// The settings file from any bytes: what the parser hands out obeys the format's rules, a
// save of it reads back the same, the store folds duplicate keys as a plain list would, and
// integer values read as the C library's conversion reads them.
#include <QByteArray>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "core/app/CSettingsFile.h"
#include "core/app/SettingsFormat.h"
#include "core/platform/TextModeBytes.h"

namespace quorvel {

bool operator==(const SettingsEntry& a, const SettingsEntry& b) {
    return a.key == b.key && a.value == b.value;
}

namespace fuzz {
namespace {

bool IsTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

void CheckText(const std::string& text, const char* what) {
    Require(text.find('=') == std::string::npos, what);
    Require(text.find('\0') == std::string::npos, what);
    Require(text.find('\n') == std::string::npos, what);
    Require(text.size() < 1024, what);
    Require(text.empty() || (!IsTrimmed(text.front()) && !IsTrimmed(text.back())), what);
}

// The leading integer, read independently through strtoll and saturated to the 32-bit range.
std::int32_t ReferenceInt(const std::string& value) {
    errno = 0;
    const long long v = std::strtoll(value.c_str(), nullptr, 10);
    if (v > INT32_MAX) {
        return INT32_MAX;
    }
    if (v < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(v);
}

// The store's folding, as a plain list: the first place of a key, its last value.
std::vector<SettingsEntry> Fold(const std::vector<SettingsEntry>& entries) {
    std::vector<SettingsEntry> folded;
    for (const SettingsEntry& e : entries) {
        bool found = false;
        for (SettingsEntry& f : folded) {
            if (f.key == e.key) {
                f.value = e.value;
                found = true;
                break;
            }
        }
        if (!found) {
            folded.push_back(e);
        }
    }
    return folded;
}

}  // namespace
}  // namespace fuzz
}  // namespace quorvel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvel::SettingsEntry;
    using quorvel::fuzz::Require;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Require(quorvel::FromTextMode(quorvel::ToTextMode(bytes)) == bytes,
            "text mode written and read back is the same");

    const std::vector<SettingsEntry> entries = quorvel::ParseSettings(bytes);
    bool fits = true;
    for (const SettingsEntry& e : entries) {
        quorvel::fuzz::CheckText(e.key, "a key is one trimmed run without = or line end");
        quorvel::fuzz::CheckText(e.value, "a value is one trimmed run without = or line end");
        Require(quorvel::ParseLeadingInt(e.value) == quorvel::fuzz::ReferenceInt(e.value),
                "integer values read as atoi reads them, saturated");
        // "key = value" and its line end must fit one read of the line buffer. A line such
        // as "= = 3" makes an entry with an empty key, which the format cannot write back as
        // itself (" = 3" reads as the key "3"); it never touches the program's four keys.
        fits = fits && !e.key.empty() && e.key.size() + e.value.size() + 4 <= 1023;
    }
    if (fits) {
        Require(quorvel::ParseSettings(quorvel::FormatSettings(entries)) == entries,
                "a save reads back as the same entries");
    }

    quorvel::CSettingsFile store;
    for (const SettingsEntry& e : entries) {
        store.SetString(e.key, e.value);
    }
    Require(store.Entries() == quorvel::fuzz::Fold(entries),
            "one entry per key, at its first place, with its last value");
    return 0;
}
