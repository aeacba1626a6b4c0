#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "app/SubjectId.h"
#include "records/TrialLogName.h"

namespace quorvel {
namespace {

struct IdCase {
    const char* utf8;
    SubjectIdFault fault;
};

TEST(SubjectIdTest, ChecksCharactersAndNames) {
    using F = SubjectIdFault;
    const IdCase cases[] = {
        {"SBJ0000", F::None},      {"", F::None},
        {"田中 太郎", F::None},    {"ソ表能", F::None},  // second byte 0x5C in CP932, still letters
        {"①～＼", F::None},  // CP932's own extensions and full-width backslash
        {"a.b", F::None},          {"...", F::None},
        {"CON1", F::None},         {"ACON", F::None},
        {"¥", F::NotCp932},  // would turn into a backslash if mapped loosely
        {"é", F::NotCp932},        {"😀", F::NotCp932},
        {"a/b", F::BadCharacter},  {"a\\b", F::BadCharacter},
        {"a:b", F::BadCharacter},  {"a*b", F::BadCharacter},
        {"a?b", F::BadCharacter},  {"a\"b", F::BadCharacter},
        {"a<b", F::BadCharacter},  {"a>b", F::BadCharacter},
        {"a|b", F::BadCharacter},  {"a,b", F::None},
        {"a\tb", F::BadCharacter}, {"a\x7f", F::BadCharacter},
        {"a\nb", F::BadCharacter}, {".", F::ReservedName},
        {"..", F::ReservedName},   {"con", F::ReservedName},
        {"NUL", F::ReservedName},  {"Aux.1", F::ReservedName},
        {"prn ", F::ReservedName}, {"COM1", F::ReservedName},
        {"lpt9", F::ReservedName}, {"COM0", F::ReservedName},
        {" con", F::ReservedName},
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

}  // namespace
}  // namespace quorvel
