#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QRandomGenerator>
#include <climits>
#include <string>
#include <vector>

#include "core/app/CSettingsFile.h"
#include "core/app/SettingsFormat.h"
#include "core/platform/TextModeBytes.h"
#include "support/TestFolder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quorvel {
namespace {

using namespace std::string_literals;
using test::TestFolder;

QByteArray Bytes(const std::string& s) {
    return QByteArray::fromStdString(s);
}

const QString kIni = QStringLiteral("QVL.ini");

// What start-up and exit do with the store: read the four conditions (missing keys keep the
// defaults), then write them back and save.
struct Conditions {
    std::string subject = "SBJ0000";
    std::int32_t random_seed = 0;
    std::int32_t test_type = 0;
    std::int32_t flag_ranking = 0;
};

Conditions LoadConditions(const QString& folder, CSettingsFile& store) {
    Conditions c;
    store.Load(folder, "QVL");
    store.GetString("subject", c.subject);
    store.GetInt("random_seed", c.random_seed);
    store.GetInt("test_type", c.test_type);
    store.GetInt("flag_ranking", c.flag_ranking);
    return c;
}

bool SaveConditions(CSettingsFile& store, const Conditions& c) {
    store.SetString("subject", c.subject);
    store.SetInt("random_seed", c.random_seed);
    store.SetInt("test_type", c.test_type);
    store.SetInt("flag_ranking", c.flag_ranking);
    return store.Save();
}

TEST(TextModeBytes, OnlyCrLfPairsCollapse) {
    const struct {
        std::string in, out;
    } rows[] = {
        {"a\r\nb\r\n", "a\nb\n"}, {"a\rb", "a\rb"}, {"a\r\r\nb", "a\r\nb"},
        {"\n\r", "\n\r"},         {"\r", "\r"},     {"", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(FromTextMode(Bytes(r.in)), Bytes(r.out)) << r.in;
    }
    EXPECT_EQ(ToTextMode(Bytes("a\nb\r\n")), Bytes("a\r\nb\r\r\n"));
}

TEST(SettingsFile, FreshStartAndExitWritesTheFourDefaults) {
    TestFolder dir;
    ASSERT_TRUE(dir.valid());
    CSettingsFile store;
    const Conditions c = LoadConditions(dir.path(), store);
    EXPECT_EQ(c.subject, "SBJ0000");
    EXPECT_EQ(store.FileName(), "QVL.ini");
    EXPECT_TRUE(store.Entries().empty());
    ASSERT_TRUE(SaveConditions(store, c));
    EXPECT_EQ(dir.read(kIni),
              "subject = SBJ0000\r\nrandom_seed = 0\r\ntest_type = 0\r\nflag_ranking = 0\r\n");
    EXPECT_EQ(dir.entries(), QStringList{kIni});  // no temporary file left behind
}

struct ParseCase {
    const char* what;
    std::string file;
    std::vector<std::pair<std::string, std::string>> entries;
};

TEST(SettingsFormat, ParsesLinesIntoPairs) {
    const ParseCase cases[] = {
        {"blanks around = and at the ends go, inner blanks stay",
         " \tsubject \t=  A  B \t\n",
         {{"subject", "A  B"}}},
        {"a second = ends the value", "test_type = 1 = 2\n", {{"test_type", "1"}}},
        {"doubled = are skipped", "test_type == 1\n", {{"test_type", "1"}}},
        {"key without =", "flag_ranking\n", {{"flag_ranking", ""}}},
        {"nothing after =", "flag_ranking =  \n", {{"flag_ranking", ""}}},
        {"leading = are skipped", "== subject\n", {{"subject", ""}}},
        {"lines of only = hold nothing", "=\n===\n = \n", {}},
        {"blank lines vanish", "\n \t \n\n", {}},
        {"negative number", "random_seed = -42\n", {{"random_seed", "-42"}}},
        {"comment-like lines are keys",
         "[section]\n; note\n# x = y\n",
         {{"[section]", ""}, {"; note", ""}, {"# x", "y"}}},
        {"CR LF reads as LF", "a = 1\r\nb = 2\r\n", {{"a", "1"}, {"b", "2"}}},
        {"a lone CR is a byte of the value", "a = 1\r", {{"a", "1\r"}}},
        {"CR CR LF keeps one CR", "a = 1\r\r\nb = 2\n", {{"a", "1\r"}, {"b", "2"}}},
        {"CR-only line ends make one line", "a = 1\rb = 2\r", {{"a", "1\rb"}}},
        {"a UTF-8 BOM is part of the first key",
         "\xEF\xBB\xBFsubject = X\n",
         {{"\xEF\xBB\xBFsubject", "X"}}},
        {"a NUL ends the line's text, the next line still reads",
         "a = 1\0junk = 9\nb = 2\n"s,
         {{"a", "1"}, {"b", "2"}}},
        {"CP932 bytes pass unchanged",
         "subject = \x83\x65\x83\x58\x83\x67\n",
         {{"subject", "\x83\x65\x83\x58\x83\x67"}}},
        {"no final line end", "test_type = 1", {{"test_type", "1"}}},
        {"duplicates are all reported", "k = 1\nk = 2\n", {{"k", "1"}, {"k", "2"}}},
    };
    for (const ParseCase& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const SettingsEntry& e : ParseSettings(Bytes(c.file))) {
            got.emplace_back(e.key, e.value);
        }
        EXPECT_EQ(got, c.entries) << c.what;
    }
}

TEST(SettingsFormat, LongLinesArriveInPiecesOf1023Bytes) {
    const std::string x1030(1030, 'x');
    const std::string x1023(1023, 'x');
    const std::string a1021(1021, 'a');
    const struct {
        const char* what;
        std::string file;
        std::vector<std::pair<std::string, std::string>> entries;
    } cases[] = {
        {"the rest of a long line is a line of its own",
         x1030 + " = v\n",
         {{x1023, ""}, {"xxxxxxx", "v"}}},
        {"a 1023-byte line leaves its LF as an empty piece",
         x1023 + "\nk = v\n",
         {{x1023, ""}, {"k", "v"}}},
        // CR LF is one byte by the time the pieces are cut, so this line fits one piece.
        {"CR LF counts once", a1021 + "=b\r\nk = v\r\n", {{a1021, "b"}, {"k", "v"}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const SettingsEntry& e : ParseSettings(Bytes(c.file))) {
            got.emplace_back(e.key, e.value);
        }
        EXPECT_EQ(got, c.entries) << c.what;
    }
}

TEST(SettingsFormat, ParseLeadingIntFollowsAtoiAndSaturates) {
    const struct {
        std::string text;
        std::int32_t value;
    } rows[] = {
        {"", 0},
        {"abc", 0},
        {"12abc", 12},
        {" \t\n\v\f\r-7", -7},
        {"+5", 5},
        {"-0", 0},
        {"- 5", 0},
        {"0x1A", 0},
        {"1e3", 1},
        {"007", 7},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"99999999999999999999999999", INT32_MAX},
        {"-" + std::string(5000, '9'), INT32_MIN},
        {std::string(5000, '0') + "42", 42},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ParseLeadingInt(r.text), r.value) << r.text.substr(0, 40);
    }
}

TEST(SettingsFile, GetLeavesTheOutputAloneForAMissingKey) {
    CSettingsFile store;
    store.SetString("flag_ranking", "");
    std::string s = "keep";
    std::int32_t i = 77;
    EXPECT_FALSE(store.GetString("subject", s));
    EXPECT_FALSE(store.GetInt("random_seed", i));
    EXPECT_EQ(s, "keep");
    EXPECT_EQ(i, 77);
    // Present but empty: found, empty text, 0.
    EXPECT_TRUE(store.GetString("flag_ranking", s));
    EXPECT_TRUE(store.GetInt("flag_ranking", i));
    EXPECT_EQ(s, "");
    EXPECT_EQ(i, 0);
}

TEST(SettingsFile, ExitWritesEveryEntryBackInFirstOccurrenceOrder) {
    TestFolder dir;
    ASSERT_TRUE(dir.write(kIni,
                          "; comment\r\n"
                          "random_seed = 5\r\n"
                          "[sec]\r\n"
                          "\r\n"
                          "   \t \r\n"
                          "Subject = Upper\r\n"
                          "foo =bar  baz\r\n"
                          "random_seed = 9\r\n"
                          "test_type=1\n"));
    CSettingsFile store;
    const Conditions c = LoadConditions(dir.path(), store);
    EXPECT_EQ(c.subject, "SBJ0000");  // "Subject" is another key
    EXPECT_EQ(c.random_seed, 9);      // the last line wins
    EXPECT_EQ(c.test_type, 1);
    ASSERT_TRUE(SaveConditions(store, c));
    EXPECT_EQ(dir.read(kIni),
              "; comment = \r\n"
              "random_seed = 9\r\n"
              "[sec] = \r\n"
              "Subject = Upper\r\n"
              "foo = bar  baz\r\n"
              "test_type = 1\r\n"
              "subject = SBJ0000\r\n"
              "flag_ranking = 0\r\n");
}

TEST(SettingsFile, SubjectIdsRoundTripAsTheFormatAllows) {
    const struct {
        std::string written, readBack;
    } rows[] = {
        {"SBJ0001", "SBJ0001"},
        {"a=b", "a"},          // "=" ends the value
        {"  x  y\t", "x  y"},  // blanks at the ends are lost
        {"", ""},              // empty stays empty, not the default
        {"\x83\x65\x83\x58\x83\x67", "\x83\x65\x83\x58\x83\x67"},
    };
    for (const auto& r : rows) {
        TestFolder dir;
        CSettingsFile first;
        Conditions c = LoadConditions(dir.path(), first);
        c.subject = r.written;
        c.random_seed = -123;
        ASSERT_TRUE(SaveConditions(first, c));
        CSettingsFile second;
        const Conditions back = LoadConditions(dir.path(), second);
        EXPECT_EQ(back.subject, r.readBack) << r.written;
        EXPECT_EQ(back.random_seed, -123);
    }
    TestFolder dir;
    CSettingsFile store;
    store.Load(dir.path(), "QVL");
    store.SetString("subject", "");
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(dir.read(kIni), "subject = \r\n");
}

TEST(SettingsFile, SaveReplacesTheWholeFile) {
    TestFolder dir;
    CSettingsFile store;
    store.Load(dir.path(), "QVL");
    store.SetInt("a", 1);
    // A longer file appears meanwhile: the save must leave nothing of it.
    ASSERT_TRUE(dir.write(kIni, QByteArray(50000, 'q')));
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(dir.read(kIni), "a = 1\r\n");
    EXPECT_EQ(dir.entries(), QStringList{kIni});
}

TEST(SettingsFile, AFailedSaveReportsFalseAndLeavesTheFileAsItWas) {
    CSettingsFile never;
    never.SetInt("a", 1);
    EXPECT_FALSE(never.Save());  // no file name before Load

    TestFolder dir;
    // The file name is a directory: neither reading nor writing can use it.
    ASSERT_TRUE(QDir(dir.path()).mkdir(kIni));
    CSettingsFile store;
    store.SetString("stale", "x");
    store.Load(dir.path(), "QVL");
    EXPECT_TRUE(store.Entries().empty());  // an unreadable file empties the store
    store.SetInt("a", 1);
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(QFileInfo(dir.filePath(kIni)).isDir());

    // A name just short of the file-system limit: the file itself can exist, but the
    // temporary beside it cannot, so the save fails before the file is touched.
    const std::string base(251, 'n');
    const QString longName = QString::fromStdString(base + ".ini");
    const QByteArray old = "random_seed = 5\r\n";
    ASSERT_TRUE(dir.write(longName, old));
    CSettingsFile longStore;
    longStore.Load(dir.path(), base);
    longStore.SetInt("random_seed", 6);
    EXPECT_FALSE(longStore.Save());
    EXPECT_EQ(dir.read(longName), old);
}

TEST(SettingsFile, HostileFilesLoadWithoutHarm) {
    QRandomGenerator rng(20240611);
    std::string binary(1 << 20, '\0');
    for (char& ch : binary) {
        ch = static_cast<char>(rng.bounded(256));
    }
    const struct {
        const char* what;
        QByteArray file;
        std::size_t entries;
    } cases[] = {
        {"four megabytes on one line", QByteArray(4 << 20, 'a'), 2},
        {"four megabytes of CRs", QByteArray(4 << 20, '\r'), 2},
        {"nothing but NULs", QByteArray(100000, '\0'), 0},
        {"nothing but =", QByteArray(100000, '='), 0},
    };
    for (const auto& c : cases) {
        TestFolder dir;
        ASSERT_TRUE(dir.write(kIni, c.file));
        CSettingsFile store;
        store.Load(dir.path(), "QVL");
        EXPECT_EQ(store.Entries().size(), c.entries) << c.what;
        EXPECT_TRUE(store.Save()) << c.what;
    }
    // A megabyte of random bytes: entries come out, none holds a NUL, and the save works.
    TestFolder dir;
    ASSERT_TRUE(dir.write(kIni, Bytes(binary)));
    CSettingsFile store;
    store.Load(dir.path(), "QVL");
    EXPECT_GT(store.Entries().size(), 0u);
    for (const SettingsEntry& e : store.Entries()) {
        EXPECT_EQ(e.key.find('\0'), std::string::npos);
        EXPECT_EQ(e.value.find('\0'), std::string::npos);
    }
    ASSERT_TRUE(store.Save());
}

// A folder that is not writable with a QVL.ini that is: the atomic save could not make its new
// file beside the old one, and the settings were silently not saved.
TEST(SettingsFile, AReadOnlyFolderWithAWritableFileStillSaves) {
#ifdef _WIN32
    GTEST_SKIP() << "permissions: a Windows folder's read-only mark does not stop new files";
#else
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions: root writes into a read-only folder anyway; run this test "
                        "as another user to see it";
    }
    TestFolder dir;
    ASSERT_TRUE(dir.write(kIni, "subject = OLD\r\n"));
    QFile::setPermissions(dir.filePath(kIni), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    CSettingsFile store;
    store.Load(dir.path(), "QVL");
    store.SetString("subject", "NEW");
    const bool saved = store.Save();
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(saved);
    EXPECT_EQ(dir.read(kIni), "subject = NEW\r\n");
#endif
}

}  // namespace
}  // namespace quorvel
