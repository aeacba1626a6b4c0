#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "core/records/TrialLogName.h"

namespace quorvel {
namespace {

TEST(TrialLogName, DecodesTheIdAndRefusesNamesThatLeaveTheDirectory) {
    const struct {
        std::string subject;  // CP932 bytes
        const char* name;     // UTF-8
        bool safe;
    } cases[] = {
        {"SBJ0000", "SBJ0000.csv", true},
        {"", ".csv", true},
        {"a,b", "a,b.csv", true},
        {"a\tb", "a\tb.csv", false},  // a tab would split the summary file's line
        {"\x94\xed\x8c\xb1\x8e\xd2\x30\x31", "被験者01.csv", true},
        // The second bytes of these letters are 0x5C, which is no backslash here.
        {"\x83\x5c\x95\x5c", "ソ表.csv", true},
        {"a..b", "a..b.csv", true},  // no separator, so it stays a plain name
        {"../x", "../x.csv", false},
        {"a/b", "a/b.csv", false},
        {"a\\b", "a\\b.csv", false},
        {"C:x", "C:x.csv", false},
        {"a\rb", "a\rb.csv", false},
        {"a\nb", "a\nb.csv", false},
        {std::string("a\0b", 3), nullptr, false},
        {"nul", "nul.csv", false},
        {"COM1", "COM1.csv", false},
        {"COM0", "COM0.csv", false},
        {"nul.x", "nul.x.csv", false},  // a device whatever follows the first dot
        {"CON .x", "CON .x.csv", false},
        {"a*b", "a*b.csv", false},
        {"CONSOLE", "CONSOLE.csv", true},
        {"ab\x81", nullptr, false},  // a lead byte without its second byte
    };
    for (const auto& c : cases) {
        const TrialLogName n = MakeTrialLogName(c.subject);
        if (c.name) {
            EXPECT_EQ(n.name, QString::fromUtf8(c.name)) << c.subject;
        }
        EXPECT_EQ(n.safe, c.safe) << c.subject;
        EXPECT_EQ(IsUsableSubjectId(c.subject), c.safe) << c.subject;
    }
}

}  // namespace
}  // namespace quorvel
