#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <ostream>
#include <string>

#include "gui/records/ShowResult.h"
#include "support/TestFolder.h"

// Failures print texts readably.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace quorvel {
namespace {

using test::TestFolder;

const QString kSummary = QStringLiteral("QVL.txt");
const std::string kHeader = "Type\tDate\tTime\tSubject\tTotalRT\r\n";

std::string Line(const char* type, const std::string& subject, const std::string& time) {
    return std::string(type) + "\t2024/05/06\t10:00:00\t" + subject + "\t" + time + "\r\n";
}

enum class CloseBy { OkButton, Escape };

// What the results dialog showed while it was open.
struct Seen {
    bool shown = false;
    QString title;
    QString resultText;
    QStringList lines;
    int currentRow = -1;
    QStringList selected;
    bool currentLineVisible = false;
    bool okIsDefault = false;
    bool japaneseGlyphsInFont = false;
    QRect dialog, text, ok, list;
};

// Runs the ranking as the main frame does; when the dialog is up, reads it and closes it
// the way the operator would.
Seen ShowAndClose(const QString& folder, CloseBy closeBy = CloseBy::OkButton) {
    Seen seen;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&seen, closeBy] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        seen.shown = QTest::qWaitForWindowExposed(dialog);
        auto* text = dialog->findChild<QLabel*>(QStringLiteral("1008"));
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("1"));
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("1007"));
        EXPECT_TRUE(text && ok && list);
        if (!text || !ok || !list) {
            dialog->reject();
            return;
        }
        seen.title = dialog->windowTitle();
        seen.resultText = text->text();
        for (int i = 0; i < list->count(); ++i) {
            seen.lines.append(list->item(i)->text());
        }
        seen.currentRow = list->currentRow();
        for (const QListWidgetItem* item : list->selectedItems()) {
            seen.selected.append(item->text());
        }
        if (QListWidgetItem* current = list->currentItem()) {
            seen.currentLineVisible =
                list->viewport()->rect().intersects(list->visualItemRect(current));
        }
        seen.okIsDefault = ok->isDefault();
        seen.japaneseGlyphsInFont = QFontMetrics(text->font()).inFont(QChar(0x7D50));
        seen.dialog = dialog->rect();
        seen.text = text->geometry();
        seen.ok = ok->geometry();
        seen.list = list->geometry();
        if (closeBy == CloseBy::OkButton) {
            QTest::mouseClick(ok, Qt::LeftButton);
        } else {
            QTest::keyClick(list, Qt::Key_Escape);
        }
    });
    timer.start(0);
    OnShowResult(folder, nullptr);
    timer.stop();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    return seen;
}

TEST(ResultDialog, ShowsTheLatestResultAndSelectsItsLine) {
    const struct {
        const char* what;
        std::string body;
        CloseBy closeBy;
        const char* resultText;
        QStringList lines;
        int selectedRow;
    } cases[] = {
        {"Part A and Part B in one list, latest slowest",
         Line("A", "S1", "20.000") + Line("A", "S2", "25.000") + Line("A", "S3", "30.000") +
             Line("B", "S4", "40.000"),
         CloseBy::OkButton,
         "【最終結果(B)】 S4 さん ／ 記録：40.000 秒　（順位: 4 人中 4 位 ／ 上位から 100.0 ％）",
         {QStringLiteral("0001:  A   2024/05/06 (10:00:00)   20.000   S1"),
          QStringLiteral("0002:  A   2024/05/06 (10:00:00)   25.000   S2"),
          QStringLiteral("0003:  A   2024/05/06 (10:00:00)   30.000   S3"),
          QStringLiteral("0004:  B   2024/05/06 (10:00:00)   40.000   S4")},
         3},
        {"a latest that ties stands first; a Japanese subject",
         Line("A", "S1", "20.000") + Line("A", "S2", "5.123") +
             Line("A", "\x83\x65\x83\x58\x83\x67", "20"),
         CloseBy::Escape,
         "【最終結果(A)】 テスト さん ／ 記録：20.000 秒　（順位: 3 人中 2 位 ／ 上位から 66.7 "
         "％）",
         {QStringLiteral("0001:  A   2024/05/06 (10:00:00)    5.123   S2"),
          QString::fromUtf8("0002:  A   2024/05/06 (10:00:00)   20.000   テスト"),
          QStringLiteral("0003:  A   2024/05/06 (10:00:00)   20.000   S1")},
         1},
        {"a subject cut inside a character spoils no other text",
         Line("A", "S1\x83", "20.000") + Line("B", "S2", "21.000"),
         CloseBy::OkButton,
         "【最終結果(B)】 S2 さん ／ 記録：21.000 秒　（順位: 2 人中 2 位 ／ 上位から 100.0 ％）",
         // The dangling lead byte itself shows as nothing.
         {QStringLiteral("0001:  A   2024/05/06 (10:00:00)   20.000   S1"),
          QStringLiteral("0002:  B   2024/05/06 (10:00:00)   21.000   S2")},
         1},
    };
    for (const auto& c : cases) {
        TestFolder dir;
        ASSERT_TRUE(dir.write(kSummary, QByteArray::fromStdString(kHeader + c.body)));
        const Seen seen = ShowAndClose(dir.path(), c.closeBy);
        ASSERT_TRUE(seen.shown) << c.what;
        EXPECT_EQ(seen.title, QString::fromUtf8("結果"));
        EXPECT_EQ(seen.resultText, QString::fromUtf8(c.resultText)) << c.what;
        EXPECT_EQ(seen.lines, c.lines) << c.what;
        EXPECT_EQ(seen.currentRow, c.selectedRow) << c.what;
        EXPECT_EQ(seen.selected, QStringList{c.lines[c.selectedRow]}) << c.what;
        EXPECT_TRUE(seen.okIsDefault);
        EXPECT_TRUE(seen.japaneseGlyphsInFont);
        // The template's arrangement: text above the list, OK to the right of the text, all
        // inside the dialog.
        EXPECT_LE(seen.text.bottom(), seen.list.top());
        EXPECT_GT(seen.ok.left(), seen.text.right());
        EXPECT_TRUE(seen.dialog.contains(seen.ok) && seen.dialog.contains(seen.list)) << c.what;
    }
}

TEST(ResultDialog, NothingIsShownOrTouchedWithoutResults) {
    const struct {
        const char* what;
        bool exists;
        QByteArray bytes;
    } cases[] = {
        {"missing file", false, {}},
        {"empty file", true, {}},
        {"header only", true, QByteArray::fromStdString(kHeader)},
        {"blank lines only", true, QByteArray("\r\n \t\r\n")},
    };
    for (const auto& c : cases) {
        TestFolder dir;
        if (c.exists) {
            ASSERT_TRUE(dir.write(kSummary, c.bytes));
        }
        const QStringList before = dir.entries();
        const Seen seen = ShowAndClose(dir.path());
        EXPECT_FALSE(seen.shown) << c.what;
        EXPECT_EQ(dir.entries(), before) << c.what;
        if (c.exists) {
            EXPECT_EQ(dir.read(kSummary), c.bytes) << c.what;
        }
    }
}

// A blank line before the header (a cut row, an edit by hand) hides none of the results after
// it.
TEST(ResultDialog, ABlankFirstLineHidesNoResult) {
    TestFolder dir;
    ASSERT_TRUE(
        dir.write(kSummary, QByteArray::fromStdString("\r\n" + kHeader + Line("A", "S", "1"))));
    const Seen seen = ShowAndClose(dir.path());
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.lines.size(), 1);
}

TEST(ResultDialog, TwelveThousandResultsStayInRankOrder) {
    // 11,999 earlier results of 0.000 to 11.998 s, then the latest at 10.500 s: it ties
    // with one earlier result and beats it, so it ranks 10,501st of 12,000.
    std::string body;
    for (int i = 0; i < 11999; ++i) {
        body += Line(i % 2 ? "A" : "B", "S" + std::to_string(i),
                     std::to_string(i / 1000) + "." + std::to_string(1000 + i % 1000).substr(1));
    }
    body += Line("B", "LATEST", "10.500");
    TestFolder dir;
    ASSERT_TRUE(dir.write(kSummary, QByteArray::fromStdString(kHeader + body)));
    const Seen seen = ShowAndClose(dir.path());
    ASSERT_TRUE(seen.shown);
    ASSERT_EQ(seen.lines.size(), 12000);
    for (int row = 0; row < seen.lines.size(); ++row) {
        ASSERT_TRUE(
            seen.lines[row].startsWith(QStringLiteral("%1:  ").arg(row + 1, 4, 10, QChar(u'0'))))
            << row << " " << seen.lines[row].toStdString();
    }
    EXPECT_EQ(seen.currentRow, 10500);
    ASSERT_EQ(seen.selected.size(), 1);
    EXPECT_TRUE(seen.selected[0].startsWith(QStringLiteral("10501:  B")));
    EXPECT_TRUE(seen.selected[0].endsWith(QStringLiteral("10.500   LATEST")));
    EXPECT_TRUE(seen.currentLineVisible);
    EXPECT_TRUE(seen.lines[10499].endsWith(QStringLiteral("10.499   S10499")));
    EXPECT_TRUE(seen.lines[10501].endsWith(QStringLiteral("10.500   S10500")));
    EXPECT_EQ(seen.resultText,
              QString::fromUtf8("【最終結果(B)】 LATEST さん ／ 記録：10.500 秒　（順位: 12000 "
                                "人中 10501 位 ／ 上位から 87.5 ％）"));
}

}  // namespace
}  // namespace quorvel
