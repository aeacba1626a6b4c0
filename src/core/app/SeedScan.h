#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel {

// How much of the seed field is read, in bytes of its CP932 text.
constexpr std::size_t kSeedFieldBytes = 63;

// The random seed in the seed field's text, read the way "%d" reads a number: within the first
// kSeedFieldBytes bytes, leading white space (space, \t, \n, \v, \f, \r) is skipped, then an
// optional sign and at least one decimal digit are read; whatever follows the digits is ignored.
// Empty when there is no digit, and also when the number lies outside the signed 32-bit range:
// the C library leaves that case undefined, and taking some wrapped value would silently run a
// layout other than the one the operator typed, so the operator is asked again instead.
std::optional<std::int32_t> ScanSeed(std::string_view field);

// ScanSeed on the text of the seed field. Only ASCII characters (blanks, signs, digits) can make
// up a number, and every non-ASCII character is encoded as non-ASCII bytes, so the bytes are
// taken as UTF-8: the result is the one the field's CP932 bytes would give.
std::optional<std::int32_t> ScanSeedText(const QString& text);

}  // namespace quorvel
