#include "app/SubjectId.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

#include "records/TrialLogName.h"

namespace quorvel {

namespace {

constexpr const char* kCodec = "windows-31j";
constexpr int kMaxFileNameBytes = 255;

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

// Windows opens these as devices whatever extension follows, and ignores trailing blanks
// before the first dot: "nul.csv" and "CON .csv" swallow what is written to them.
bool IsDeviceName(const QString& id) {
    QString base = id.left(id.indexOf(u'.'));
    while (base.endsWith(u' ')) {
        base.chop(1);
    }
    base = base.toUpper();
    static const std::array<QString, 4> kFixed = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                                  QStringLiteral("AUX"), QStringLiteral("NUL")};
    for (const QString& name : kFixed) {
        if (base == name) {
            return true;
        }
    }
    return base.size() == 4 &&
           (base.startsWith(QStringLiteral("COM")) || base.startsWith(QStringLiteral("LPT"))) &&
           base[3] >= u'0' && base[3] <= u'9';
}

}  // namespace

SubjectIdFault CheckSubjectId(const QString& id) {
    QStringEncoder encoder(kCodec);
    const QByteArray bytes = encoder.encode(id);  // the encoder works when its result is taken
    if (!encoder.isValid() || encoder.hasError()) {
        return SubjectIdFault::NotCp932;
    }
    for (QChar c : id) {
        if (IsBadCharacter(c)) {
            return SubjectIdFault::BadCharacter;
        }
    }
    // The trial log's writer makes its own check; whatever passes here must pass there too,
    // or the run's data would be lost after the test.
    if (id == QStringLiteral(".") || id == QStringLiteral("..") || IsDeviceName(id) ||
        !IsUsableSubjectId(SubjectIdToCp932(id))) {
        return SubjectIdFault::ReservedName;
    }
    // The settings file trims blanks (and tabs, refused above) from the ends of its values, so
    // such an ID would come back shortened at the next start and the subject's data would go
    // to two trial logs. The full-width space is not trimmed there and stays an ordinary letter.
    if (id.startsWith(u' ') || id.endsWith(u' ')) {
        return SubjectIdFault::EndBlank;
    }
    const QString logName = id + QStringLiteral(".csv");
    if (logName.toUtf8().size() > kMaxFileNameBytes) {
        return SubjectIdFault::TooLong;
    }
    return SubjectIdFault::None;
}

std::string SubjectIdToCp932(const QString& id) {
    QStringEncoder encoder(kCodec);
    const QByteArray bytes = encoder.encode(id);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString SubjectIdFromCp932(const std::string& bytes) {
    QStringDecoder decoder(kCodec, QStringDecoder::Flag::Stateless);
    QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // The decoder drops a lone lead byte at the end and turns other bad bytes into control
    // characters; the mark makes every such ID visibly wrong and refused until corrected.
    if (decoder.hasError()) {
        text += QChar(QChar::ReplacementCharacter);
    }
    return text;
}

}  // namespace quorvel
