#pragma once

#include <QByteArray>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

// One key = value pair of the settings file; both are raw bytes (CP932), never converted.
struct SettingsEntry {
    std::string key;
    std::string value;
};

// Reads the bytes of a settings file into its pairs, in line order, duplicates included (the
// store folds them). Lines are handed out in pieces of at most 1023 bytes, as a 1024-byte
// line buffer gives them, and each piece is parsed as a line of its own:
//  - blanks, tabs and LFs (not CR) are trimmed from both ends; an empty line is skipped;
//  - "=" characters at the start are skipped; the key runs to the next "=" or the end;
//  - after further "=" characters the value runs to the next "=" or the end; the rest of
//    the line is ignored; no value gives the empty value;
//  - key and value are trimmed of blanks, tabs and LFs;
//  - a line of nothing but "=" holds no key and is skipped.
// CR LF reads as LF; a piece ends at its first NUL byte. Any input is safe.
std::vector<SettingsEntry> ParseSettings(const QByteArray& fileBytes);

// The bytes a save writes: "key = value" for every entry in order, each ending in CR LF.
// Key and value are written as C strings (up to a NUL byte), and an LF inside one is written
// as CR LF, as a text-mode write does.
QByteArray FormatSettings(const std::vector<SettingsEntry>& entries);

// The integer a value begins with: leading white space (blank, tab, LF, VT, FF, CR)
// skipped, an optional sign, then decimal digits up to the first other character; no digits
// give 0, and whatever follows the digits is ignored ("12abc" is 12). A number beyond the
// 32-bit range saturates to INT32_MAX or INT32_MIN, so a settings file edited by hand never
// overflows, however many digits it holds.
std::int32_t ParseLeadingInt(const std::string& text);

}  // namespace quorvel
