#include "core/app/SubjectId.h"

#include "core/platform/Cp932.h"
#include "core/records/TrialLogName.h"

namespace quorvel {

namespace {

constexpr int kMaxFileNameBytes = 255;

}  // namespace

SubjectIdFault CheckSubjectId(const QString& id) {
    bool exact = false;
    const QByteArray bytes = ToCp932(id, &exact);
    if (!exact) {
        return SubjectIdFault::NotCp932;
    }
    // The writer's own judgement of the bytes the state will keep, so that every ID accepted
    // here can be written after the test.
    const std::string kept(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    switch (MakeTrialLogName(kept).fault) {
        case TrialLogStemFault::BadCharacter:
            return SubjectIdFault::BadCharacter;
        case TrialLogStemFault::ReservedName:
            return SubjectIdFault::ReservedName;
        case TrialLogStemFault::NotCp932:
            return SubjectIdFault::NotCp932;
        case TrialLogStemFault::None:
            break;
    }
    // The settings file trims blanks (and tabs, refused above) from the ends of its values, so
    // such an ID would come back shortened at the next start and the subject's data would go
    // to two trial logs. The full-width space is not trimmed there and stays an ordinary letter.
    if (id.startsWith(u' ') || id.endsWith(u' ')) {
        return SubjectIdFault::EndBlank;
    }
    // The settings file ends a value at its first "=" and skips those before it: "S=1" would
    // come back as "S" and "=abc" as "", and the subject's runs would go to another trial log.
    // A CP932 character never has "=" as its second byte, so only the character itself counts.
    if (id.contains(u'=')) {
        return SubjectIdFault::EqualsSign;
    }
    const QString logName = id + QStringLiteral(".csv");
    if (logName.toUtf8().size() > kMaxFileNameBytes) {
        return SubjectIdFault::TooLong;
    }
    return SubjectIdFault::None;
}

std::string SubjectIdToCp932(const QString& id) {
    const QByteArray bytes = ToCp932(id);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString SubjectIdFromCp932(const std::string& bytes) {
    bool exact = false;
    QString text =
        FromCp932(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), &exact);
    // The decoder drops a lone lead byte at the end and turns other bad bytes into control
    // characters; the mark makes every such ID visibly wrong and refused until corrected.
    if (!exact) {
        text += QChar(QChar::ReplacementCharacter);
    }
    return text;
}

}  // namespace quorvel
