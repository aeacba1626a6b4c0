#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "core/app/Preferences.h"

// The program's own preferences: what is stored comes back; a missing, damaged or strange store
// gives the defaults (the program as it always was), silently.

namespace quorvel {
namespace {

TEST(Preferences, WhatIsWrittenIsReadBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Quorvel.conf"));
    for (const Preferences p :
         {Preferences{Language::English, true}, Preferences{Language::Japanese, true},
          Preferences{Language::English, false}, Preferences{}}) {
        {
            QSettings store(path, QSettings::IniFormat);
            ASSERT_TRUE(WritePreferences(store, p));
        }
        const QSettings store(path, QSettings::IniFormat);
        const Preferences back = ReadPreferences(store);
        EXPECT_EQ(back.language, p.language);
        EXPECT_EQ(back.practice_first, p.practice_first);
    }
}

TEST(Preferences, AMissingOrDamagedStoreGivesTheDefaults) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* what;
        QByteArray bytes;  // null: no file at all
    };
    const Case cases[] = {
        {"no file", QByteArray()},
        {"empty", QByteArray("")},
        {"binary garbage", QByteArray("\x00\xFF\xFE[\x01\x02=\x80\x81\r\n\x00", 13)},
        {"cut short", QByteArray("[General]\nlanguage=e")},
        {"unknown values", QByteArray("[General]\nlanguage=klingon\npractice_first=maybe\n")},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromUtf8(c.what) + QStringLiteral(".conf"));
        if (!c.bytes.isNull()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        const QSettings store(path, QSettings::IniFormat);
        const Preferences p = ReadPreferences(store);
        EXPECT_EQ(p.language, Language::Japanese) << c.what;
        EXPECT_FALSE(p.practice_first) << c.what;
    }
    EXPECT_EQ(LabelsFor(Language::Japanese), LabelScript::Hiragana);
    EXPECT_EQ(LabelsFor(Language::English), LabelScript::Latin);
    EXPECT_EQ(LanguageCode(Language::English), QStringLiteral("en"));
}

}  // namespace
}  // namespace quorvel
