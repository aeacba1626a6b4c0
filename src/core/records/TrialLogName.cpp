#include "core/records/TrialLogName.h"
#include "core/platform/Cp932.h"

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
    bool decoded = false;
    const QString id =
        FromCp932(QByteArrayView(subject.data(), static_cast<qsizetype>(subject.size())), &decoded);
    const TrialLogStemFault fault = decoded ? CheckTrialLogStem(id) : TrialLogStemFault::NotCp932;
    return {id + QLatin1String(".csv"), fault, fault == TrialLogStemFault::None};
}

bool IsUsableSubjectId(const std::string& subject) {
    return MakeTrialLogName(subject).safe;
}

}  // namespace quorvel
