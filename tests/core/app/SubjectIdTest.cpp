#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

#include "core/app/CSettingsFile.h"
#include "core/app/SubjectId.h"
#include "core/records/TrialLogName.h"

namespace quorvel {
namespace {

struct IdCase {
    const char* utf8;
    SubjectIdFault fault;
};

TEST(SubjectIdTest, ChecksCharactersAndNames) {
    using F = SubjectIdFault;
    const IdCase cases[] = {
        {"SBJ0000", F::None},
        {"", F::None},
        {"田中 太郎", F::None},
        {"ソ表能", F::None},  // second byte 0x5C in CP932, still letters
        {"①～＼", F::None},   // CP932's own extensions and full-width backslash
        {"a.b", F::None},
        {"...", F::None},
        {"CON1", F::None},
        {"ACON", F::None},
        {"¥", F::NotCp932},  // would turn into a backslash if mapped loosely
        {"é", F::NotCp932},
        {"😀", F::NotCp932},
        {"a/b", F::BadCharacter},
        {"a\\b", F::BadCharacter},
        {"a:b", F::BadCharacter},
        {"a*b", F::BadCharacter},
        {"a?b", F::BadCharacter},
        {"a\"b", F::BadCharacter},
        {"a<b", F::BadCharacter},
        {"a>b", F::BadCharacter},
        {"a|b", F::BadCharacter},
        {"a,b", F::None},
        {"a\tb", F::BadCharacter},
        {"a\x7f", F::BadCharacter},
        {"a\nb", F::BadCharacter},
        {".", F::ReservedName},
        {"..", F::ReservedName},
        {"con", F::ReservedName},
        {"NUL", F::ReservedName},
        {"Aux.1", F::ReservedName},
        {"prn ", F::ReservedName},
        {"COM1", F::ReservedName},
        {"lpt9", F::ReservedName},
        {"COM0", F::ReservedName},
        {" con", F::ReservedName},
        // The settings file drops blanks at the ends of a value; the full-width space it keeps.
        {" lead trail ", F::EndBlank},
        {" lead", F::EndBlank},
        {"trail ", F::EndBlank},
        {" ", F::EndBlank},
        {"a  b", F::None},
        {"\u3000全角\u3000", F::None},
        // The settings file ends a value at "=" and skips those in front of it.
        {"S=1", F::EqualsSign},
        {"=abc", F::EqualsSign},
        {"abc=", F::EqualsSign},
        {"=", F::EqualsSign},
        {"ａ＝ｂ", F::None},  // the full-width sign is an ordinary letter there
    };
    for (const IdCase& c : cases) {
        const QString id = QString::fromUtf8(c.utf8);
        EXPECT_EQ(CheckSubjectId(id), c.fault) << c.utf8;
        if (c.fault == F::None) {
            // Every ID the dialog lets through can name its trial log.
            EXPECT_TRUE(IsUsableSubjectId(SubjectIdToCp932(id))) << c.utf8;
        }
    }
}

// The next start takes the subject ID from the settings file: an ID the dialog accepts must come
// back from it unchanged, or the subject's later runs go to another trial log.
TEST(SubjectIdTest, AcceptedIdsComeBackFromTheSettingsFileUnchanged) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* utf8 : {"lead trail", "a  b", "\u3000全角\u3000", " lead trail ", "trail "}) {
        const QString id = QString::fromUtf8(utf8);
        CSettingsFile saved;
        saved.Load(dir.path(), "QVL");
        saved.SetString("subject", SubjectIdToCp932(id));
        ASSERT_TRUE(saved.Save());
        CSettingsFile loaded;
        loaded.Load(dir.path(), "QVL");
        std::string back;
        ASSERT_TRUE(loaded.GetString("subject", back));
        EXPECT_EQ(back == SubjectIdToCp932(id), CheckSubjectId(id) == SubjectIdFault::None)
            << "\"" << utf8 << "\" came back as \"" << back << "\"";
    }
}

// Every ID the dialog accepts, saved to QVL.ini and loaded at the next start, is the same ID:
// every printable ASCII character at the start, inside and at the end of an ID, and IDs of
// the kinds a lab uses. "S=1" was once accepted and came back as "S".
TEST(SubjectIdTest, EveryAcceptedIdSurvivesASaveAndALoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<QString> ids;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        const QString one(QChar{c});
        ids.push_back(one + QStringLiteral("ab"));
        ids.push_back(QStringLiteral("a") + one + QStringLiteral("b"));
        ids.push_back(QStringLiteral("ab") + one);
        ids.push_back(one);
    }
    for (const char* utf8 : {"SBJ0000", "", "S=1", "=abc", "a==b", "田中 太郎", "ソ表能", "①～＼",
                             "\u3000全角\u3000", "ａ＝ｂ", "a,b", "#1", ";x", "[s]"}) {
        ids.push_back(QString::fromUtf8(utf8));
    }
    ids.push_back(QString(251, u'z'));
    ids.push_back(QString(83, u'あ'));
    int accepted = 0;
    for (const QString& id : ids) {
        if (CheckSubjectId(id) != SubjectIdFault::None) {
            continue;
        }
        ++accepted;
        CSettingsFile saved;
        saved.Load(dir.path(), "QVL");
        saved.SetString("subject", SubjectIdToCp932(id));
        saved.SetInt("random_seed", 7);
        ASSERT_TRUE(saved.Save());
        CSettingsFile loaded;
        loaded.Load(dir.path(), "QVL");
        std::string back;
        ASSERT_TRUE(loaded.GetString("subject", back)) << id.toStdString();
        EXPECT_EQ(SubjectIdFromCp932(back), id) << "\"" << id.toStdString() << "\"";
        std::int32_t seed = 0;
        EXPECT_TRUE(loaded.GetInt("random_seed", seed));
        EXPECT_EQ(seed, 7) << id.toStdString();
    }
    EXPECT_GT(accepted, 300);  // the table is mostly IDs the dialog takes
}

TEST(SubjectIdTest, RefusesIdsWhoseLogNameIsTooLong) {
    EXPECT_EQ(CheckSubjectId(QString(251, u'a')), SubjectIdFault::None);
    EXPECT_EQ(CheckSubjectId(QString(252, u'a')), SubjectIdFault::TooLong);
    // Japanese letters take three bytes each in a UTF-8 file name.
    EXPECT_EQ(CheckSubjectId(QString(83, u'あ')), SubjectIdFault::None);
    EXPECT_EQ(CheckSubjectId(QString(84, u'あ')), SubjectIdFault::TooLong);
}

TEST(SubjectIdTest, RoundTripsThroughCp932Bytes) {
    const QString id = QString::fromUtf8("ソ表能-被験者01");
    const std::string bytes = SubjectIdToCp932(id);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x83\x5c\x95\x5c\x94\x5c"));
    EXPECT_EQ(SubjectIdFromCp932(bytes), id);
    EXPECT_EQ(SubjectIdToCp932(QStringLiteral("SBJ0000")), "SBJ0000");
    EXPECT_EQ(SubjectIdFromCp932(""), QString());
}

TEST(SubjectIdTest, BytesThatAreNotCp932AreShownButRefused) {
    for (const std::string& bytes :
         {std::string("a\x81"), std::string("\x80z"), std::string("\xa0"), std::string("x\xfd")}) {
        const QString text = SubjectIdFromCp932(bytes);
        EXPECT_FALSE(text.isEmpty());
        EXPECT_NE(CheckSubjectId(text), SubjectIdFault::None) << text.toStdString();
    }
}

// The dialog's message names exactly the printable characters refused: \ / : * ? " < > |.
// A comma was once listed there although it was accepted.
TEST(SubjectIdTest, ThePrintableCharactersRefusedAreExactlyThoseTheMessageNames) {
    const QString named = QStringLiteral("\\/:*?\"<>|");
    for (char16_t c = 0x21; c < 0x7F; ++c) {
        const QString id = QStringLiteral("a") + QChar(c) + QStringLiteral("b");
        const bool refused = CheckSubjectId(id) == SubjectIdFault::BadCharacter;
        EXPECT_EQ(refused, named.contains(QChar(c))) << static_cast<char>(c);
    }
}

}  // namespace
}  // namespace quorvel
