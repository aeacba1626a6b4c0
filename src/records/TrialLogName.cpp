#include "records/TrialLogName.h"

#include <QStringDecoder>

namespace quorvel {

namespace {

// Judged on characters, not bytes: in CP932 the second byte of a double-byte letter such as
// "ソ" (0x83 0x5C) can be 0x5C, which is not a backslash.
bool HasUnsafeCharacter(const QString& id) {
    for (const QChar c : id) {
        const char16_t u = c.unicode();
        if (u == u'/' || u == u'\\' || u == u':') {
            // Separators leave the directory; a colon names a drive or, on NTFS, a hidden stream.
            return true;
        }
        // Control characters are refused except the tab, which is an ordinary part of an ID
        // in the files. A line break would also split the ID's rows and summary line.
        if ((u < 0x20 && u != u'\t') || u == 0x7F) {
            return true;
        }
    }
    return false;
}

// Device names that Windows resolves in any directory, even with an extension: "NUL.csv" would
// swallow the data.
bool IsDeviceName(const QString& id) {
    const QString upper = id.trimmed().toUpper();
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (upper == QLatin1String(device)) {
            return true;
        }
    }
    if (upper.size() == 4 &&
        (upper.startsWith(QLatin1String("COM")) || upper.startsWith(QLatin1String("LPT")))) {
        const QChar digit = upper.at(3);
        return digit >= u'1' && digit <= u'9';
    }
    return false;
}

}  // namespace

TrialLogName MakeTrialLogName(const std::string& subject) {
    const QByteArray bytes = QByteArray::fromStdString(subject);
    QString id;
    bool decoded = true;
    // Stateless, so a lead byte cut off at the end counts as an error instead of waiting for more.
    QStringDecoder decoder("windows-31j", QStringDecoder::Flag::Stateless);
    if (decoder.isValid()) {
        id = decoder(bytes);
        decoded = !decoder.hasError();
    } else {
        // Without the code page only plain ASCII IDs can be named faithfully.
        id = QString::fromLatin1(bytes);
        for (const char b : subject) {
            decoded = decoded && static_cast<unsigned char>(b) < 0x80;
        }
    }
    return {id + QLatin1String(".csv"), decoded && !HasUnsafeCharacter(id) && !IsDeviceName(id)};
}

bool IsUsableSubjectId(const std::string& subject) {
    return MakeTrialLogName(subject).safe;
}

}  // namespace quorvel
