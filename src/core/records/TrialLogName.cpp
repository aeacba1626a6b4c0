#include "core/records/TrialLogName.h"

#include <QStringDecoder>

namespace quorvel {

namespace {

// Judged on characters, not bytes: in CP932 the second byte of a double-byte letter such as
// "ソ" (0x83 0x5C) can be 0x5C, which is not a backslash.
bool IsBadCharacter(QChar c) {
    switch (c.unicode()) {
        case u'/':
        case u'\\':
        case u':':
        case u'*':
        case u'?':
        case u'"':
        case u'<':
        case u'>':
        case u'|':
            return true;
        default:
            return c.category() == QChar::Other_Control;
    }
}

// Windows opens these as devices whatever extension follows, and ignores blanks around the
// name before the first dot: "nul.csv", "nul.x.csv" and "CON .csv" swallow what is written.
bool IsDeviceName(const QString& id) {
    const QString base = id.left(id.indexOf(u'.')).trimmed().toUpper();
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (base == QLatin1String(device)) {
            return true;
        }
    }
    return base.size() == 4 &&
           (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           base[3] >= u'0' && base[3] <= u'9';
}

}  // namespace

TrialLogStemFault CheckTrialLogStem(const QString& id) {
    for (const QChar c : id) {
        if (IsBadCharacter(c)) {
            return TrialLogStemFault::BadCharacter;
        }
    }
    if (id == QLatin1String(".") || id == QLatin1String("..") || IsDeviceName(id)) {
        return TrialLogStemFault::ReservedName;
    }
    return TrialLogStemFault::None;
}

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
    return {id + QLatin1String(".csv"),
            decoded && CheckTrialLogStem(id) == TrialLogStemFault::None};
}

bool IsUsableSubjectId(const std::string& subject) {
    return MakeTrialLogName(subject).safe;
}

}  // namespace quorvel
