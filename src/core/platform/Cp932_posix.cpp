#include "core/platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace quorvel {

namespace {

// The name Qt's ICU converter knows CP932 by (Microsoft's Shift_JIS, with its extensions).
constexpr const char* kCodePage = "windows-31j";

bool IsAscii(QByteArrayView bytes) {
    for (const char b : bytes) {
        if (static_cast<unsigned char>(b) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

QString FromCp932(QByteArrayView bytes, bool* exact) {
    QStringDecoder decoder(kCodePage, QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) {
        if (exact != nullptr) {
            *exact = IsAscii(bytes);
        }
        return QString::fromLatin1(bytes);
    }
    QString text = decoder.decode(bytes);
    if (exact != nullptr) {
        *exact = !decoder.hasError();
    }
    return text;
}

QByteArray ToCp932(QStringView text, bool* exact) {
    QStringEncoder encoder(kCodePage, QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        QByteArray bytes = text.toLatin1();
        bool ascii = true;
        for (const QChar c : text) {
            ascii = ascii && c.unicode() < 0x80;
        }
        if (!ascii) {
            for (char& b : bytes) {
                if (static_cast<unsigned char>(b) >= 0x80) {
                    b = '?';
                }
            }
        }
        if (exact != nullptr) {
            *exact = ascii;
        }
        return bytes;
    }
    QByteArray bytes = encoder.encode(text);
    if (exact != nullptr) {
        *exact = !encoder.hasError();
    }
    return bytes;
}

}  // namespace quorvel
