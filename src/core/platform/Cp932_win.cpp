#include "core/platform/Cp932.h"

#include <windows.h>

namespace quorvel {

namespace {

// Windows' own table for the code page: Qt on Windows has no ICU, and this is the table the
// records were always written with there.
constexpr UINT kCodePage = 932;

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// What Windows' table reads as single characters but CP932 leaves undefined (0x80, 0xA0,
// 0xFD-0xFF), so a text holding them is not exact here either, as it is not elsewhere; and
// whether the text ends in a lead byte whose trail byte was cut off.
struct ByteScan {
    bool undefined = false;
    bool cutOffLead = false;
};

ByteScan ScanBytes(QByteArrayView bytes) {
    ByteScan scan;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (IsLeadByte(b)) {
            if (i + 1 == bytes.size()) {
                scan.cutOffLead = true;
            }
            ++i;  // the trail byte is judged by the conversion
        } else if (b == 0x80 || b == 0xA0 || b >= 0xFD) {
            scan.undefined = true;
        }
    }
    return scan;
}

QString Decode(QByteArrayView bytes, DWORD flags) {
    if (bytes.isEmpty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(kCodePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(kCodePage, flags, bytes.data(), size,
                        reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

}  // namespace

QString FromCp932(QByteArrayView bytes, bool* exact) {
    const ByteScan scan = ScanBytes(bytes);
    bool valid = !scan.undefined && !scan.cutOffLead;
    QString text;
    if (valid) {
        // An invalid trail byte makes the strict conversion fail as a whole.
        text = Decode(bytes, MB_ERR_INVALID_CHARS);
        valid = bytes.isEmpty() || !text.isEmpty();
    }
    if (!valid) {
        // Stateless: a lead byte cut off at the end is dropped, never left to join anything.
        text = Decode(scan.cutOffLead ? bytes.first(bytes.size() - 1) : bytes, 0);
    }
    if (exact != nullptr) {
        *exact = valid;
    }
    return text;
}

QByteArray ToCp932(QStringView text, bool* exact) {
    bool usedDefault = false;
    QByteArray bytes;
    if (!text.isEmpty()) {
        const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
        const int size = static_cast<int>(text.size());
        // No best fit: "é" must not quietly become "e", it has no CP932 form.
        const DWORD flags = WC_NO_BEST_FIT_CHARS;
        BOOL defaulted = FALSE;
        const int length =
            WideCharToMultiByte(kCodePage, flags, wide, size, nullptr, 0, nullptr, &defaulted);
        if (length > 0) {
            bytes.resize(length);
            WideCharToMultiByte(kCodePage, flags, wide, size, bytes.data(), length, nullptr,
                                &defaulted);
        }
        usedDefault = length <= 0 || defaulted != FALSE || ScanBytes(bytes).undefined;
    }
    if (exact != nullptr) {
        *exact = !usedDefault;
    }
    return bytes;
}

}  // namespace quorvel
