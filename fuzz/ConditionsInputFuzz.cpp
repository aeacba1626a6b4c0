// The two texts the operator types into the conditions dialog, from any bytes: the seed
// field's integer scan, checked against the C library's own conversion, and the subject ID
// check, which must never accept an ID the record writer would then refuse or rename.
#include <QByteArray>
#include <QString>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "core/app/SeedScan.h"
#include "core/app/SubjectId.h"
#include "core/platform/Cp932.h"
#include "core/records/TrialLogName.h"

namespace quorvel::fuzz {
namespace {

// "%d" over the field's first 63 bytes, by strtoll: skip the six blanks, a sign, at least one
// digit; out of the 32-bit range is no seed.
std::optional<std::int32_t> ReferenceSeed(std::string_view field) {
    const std::string text(field.substr(0, kSeedFieldBytes));  // strtoll stops at a NUL too
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') {
        ++p;
    }
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    if (*digits < '0' || *digits > '9') {
        return std::nullopt;
    }
    errno = 0;
    const long long value = std::strtoll(p, nullptr, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

void CheckSeed(std::string_view bytes) {
    const std::optional<std::int32_t> seed = ScanSeed(bytes);
    Require(seed == ReferenceSeed(bytes), "the seed scan reads what %d reads");

    // The field's text, scanned as its CP932 bytes would be: the same seed.
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    bool exact = false;
    const QByteArray ansi = ToCp932(text, &exact);
    if (exact) {
        Require(ScanSeedText(text) == ScanSeed(std::string_view(ansi.constData(), ansi.size())),
                "the text scan agrees with the CP932 bytes");
    }
}

void CheckSubject(const QString& id) {
    if (CheckSubjectId(id) != SubjectIdFault::None) {
        return;
    }
    // Accepted: stored as CP932, shown again as the same text, and the writer takes it and
    // names the trial log after exactly this text.
    const std::string bytes = SubjectIdToCp932(id);
    Require(SubjectIdFromCp932(bytes) == id, "an accepted ID survives CP932");
    Require(IsUsableSubjectId(bytes), "an accepted ID can name a trial log");
    Require(MakeTrialLogName(bytes).name == id + QStringLiteral(".csv"),
            "the trial log is named after the ID shown");
}

}  // namespace
}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quorvel::fuzz::CheckSeed(bytes);
    // The subject field as typed, and an ID read back from the settings file as CP932 bytes.
    quorvel::fuzz::CheckSubject(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(size)));
    const std::string raw(bytes);
    quorvel::fuzz::CheckSubject(quorvel::SubjectIdFromCp932(raw));
    quorvel::MakeTrialLogName(raw);
    return 0;
}
