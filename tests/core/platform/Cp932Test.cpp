#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include "core/platform/Cp932.h"

namespace quorvel {
namespace {

// Round trips through the code page of the records, including the characters Microsoft added
// to Shift_JIS (circled digits, the tilde of "1～25") that a plain Shift_JIS converter gets
// wrong or refuses.
TEST(Cp932, TextAndBytesConvertBothWays) {
    const struct {
        const char* utf8;
        QByteArray cp932;
    } rows[] = {
        {"SBJ0001", "SBJ0001"}, {"あ", "\x82\xA0"}, {"\u3000全角", "\x81\x40\x91\x53\x8A\x70"},
        {"～", "\x81\x60"},  // the full-width tilde of the instruction text
        {"①", "\x87\x40"},   // an NEC special character
        {"ｱ", "\xB1"},       // half-width katakana: one byte
        {"\\", "\x5C"},
    };
    for (const auto& r : rows) {
        const QString text = QString::fromUtf8(r.utf8);
        bool exact = false;
        EXPECT_EQ(ToCp932(text, &exact), r.cp932) << r.utf8;
        EXPECT_TRUE(exact) << r.utf8;
        exact = false;
        EXPECT_EQ(FromCp932(r.cp932, &exact), text) << r.utf8;
        EXPECT_TRUE(exact) << r.utf8;
    }
}

TEST(Cp932, WhatHasNoCp932FormIsAnError) {
    for (const char* utf8 : {"é", "😀", "a\u00A0b", "한"}) {
        bool exact = true;
        ToCp932(QString::fromUtf8(utf8), &exact);
        EXPECT_FALSE(exact) << utf8;
    }
    // A lead byte cut off at the end, a lead byte followed by no valid trail byte.
    for (const QByteArray& bytes :
         {QByteArray("ab\x82"), QByteArray("\x82\x20"), QByteArray("\xFF")}) {
        bool exact = true;
        FromCp932(bytes, &exact);
        EXPECT_FALSE(exact) << bytes.toHex().toStdString();
    }
    // Stateless: a lead byte cut off at the end of one text never joins the next one.
    EXPECT_EQ(FromCp932(QByteArray("\x82")), QString());
    EXPECT_NE(FromCp932(QByteArray("\xA0")), QString::fromUtf8("あ"));
}

}  // namespace
}  // namespace quorvel
