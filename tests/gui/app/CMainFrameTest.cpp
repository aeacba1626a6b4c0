#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <functional>

#include "core/experiment/EndMessage.h"
#include "gui/app/CAboutDlg.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMyApp.h"
#include "gui/app/CSubject.h"
#include "gui/app/MeasuredScreen.h"
#include "gui/platform/DialogTemplate.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/platform/WindowStacking.h"
#include "support/ProcessStateTest.h"
#include "support/TestFolder.h"

namespace quorvel {
namespace {

QSize LogicalScreen() {
    return QGuiApplication::primaryScreen()->geometry().size();
}

// Every test starts from a fresh process's state: the screen not yet measured (0 by 0), so the
// measuring test sees the frame measure it.
class CMainFrameTest : public test::ProcessStateTest {};

TEST_F(CMainFrameTest, MeasuresTheScreenInPhysicalPixels) {
    CMainFrame frame;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen->devicePixelRatio();
    EXPECT_EQ(screenWidth, qRound(screen->geometry().width() * ratio));
    EXPECT_EQ(screenHeight, qRound(screen->geometry().height() * ratio));
    EXPECT_GT(screenWidth, 0);
    if (WindowSystemPlacesWindows()) {
        GTEST_SKIP() << "placement: a Wayland client cannot place or size its frame; it is shown "
                        "maximised instead";
    }
    EXPECT_EQ(frame.pos(), QPoint(0, 0));
    EXPECT_EQ(frame.size(), LogicalScreen());
}

TEST_F(CMainFrameTest, IsABlackCaptionedFrameWithCloseBoxOnly) {
    CMainFrame frame;
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Quorvel"));
    const Qt::WindowFlags flags = frame.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    // Where a window manager frames it, the frame is maximised by the window manager, which
    // some (xfwm4) do only for a window with the maximise function, granted with the box.
    EXPECT_EQ(flags.testFlag(Qt::WindowMaximizeButtonHint), WindowManagerFramesWindows());
    EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));  // not topmost before Escape
    EXPECT_FALSE(frame.testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(frame.centralWidget()->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(CMainFrame::TitleLine().startsWith(QStringLiteral("Quorvel")));
    // Only the client area is black: the menu bar keeps its own colours and stays legible.
    EXPECT_NE(frame.menuBar()->palette().color(QPalette::Window), QColor(Qt::black));
}

TEST_F(CMainFrameTest, PaintsTheTitleLineWhiteInTheMiddle) {
    CMainFrame frame;
    frame.resize(800, 400);
    const QImage image = frame.centralWidget()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), QColor(Qt::black));
    // The white pixels form one line centred both ways.
    qint64 sumX = 0;
    qint64 sumY = 0;
    int count = 0;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == QColor(Qt::white)) {
                sumX += x;
                sumY += y;
                ++count;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GT(count, 0);
    EXPECT_NEAR(double(sumX) / count, image.width() / 2.0, image.width() * 0.1);
    EXPECT_NEAR(double(sumY) / count, image.height() / 2.0, image.height() * 0.05);
    EXPECT_LT(bottom - top, 2 * frame.centralWidget()->fontMetrics().height());
}

// Where the non-black pixels below the title's white ones lie: the data folder line.
struct FolderLinePixels {
    int count = 0;
    int whiteCount = 0;
    int left = 0;
    int right = -1;
    int top = 0;
    int titleBottom = -1;
};

FolderLinePixels FindFolderLine(const QImage& image) {
    FolderLinePixels found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == QColor(Qt::white)) {
                found.titleBottom = std::max(found.titleBottom, y);
            }
        }
    }
    found.left = image.width();
    found.top = image.height();
    // Anti-aliased edges of the title are grey too: start one row below its last white pixel.
    for (int y = found.titleBottom + 2; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c != QColor(Qt::black)) {
                ++found.count;
                found.whiteCount += c == QColor(Qt::white) ? 1 : 0;
                found.left = std::min(found.left, x);
                found.right = std::max(found.right, x);
                found.top = std::min(found.top, y);
            }
        }
    }
    return found;
}

TEST_F(CMainFrameTest, PaintsTheDataFolderInGreyUnderTheTitle) {
    // Two working directories whose paths differ only in length: the line must grow with it.
    FolderLinePixels lines[2];
    const QString names[2] = {QStringLiteral("d"),
                              QStringLiteral("a-much-longer-data-folder-name-for-this-lab")};
    for (int i = 0; i < 2; ++i) {
        test::WorkingTestFolder dir;
        ASSERT_TRUE(dir.valid());
        ASSERT_TRUE(QDir().mkdir(names[i]));
        ASSERT_TRUE(QDir::setCurrent(names[i]));
        const QString path = QDir::currentPath();
        EXPECT_EQ(CMainFrame::DataFolderLine(),
                  QStringLiteral("Data folder: ") + QDir::toNativeSeparators(path));

        CMainFrame frame;
        frame.resize(800, 400);
        const QImage image = frame.centralWidget()->grab().toImage();
        ASSERT_FALSE(image.isNull());
        lines[i] = FindFolderLine(image);
        const int lineHeight = frame.centralWidget()->fontMetrics().height();
        ASSERT_GT(lines[i].count, 0) << "no line under the title";
        EXPECT_EQ(lines[i].whiteCount, 0) << "the title stays the only white line";
        EXPECT_LT(lines[i].top - lines[i].titleBottom, 2 * lineHeight);
        EXPECT_NEAR((lines[i].left + lines[i].right) / 2.0, image.width() / 2.0,
                    image.width() * 0.05);
    }
    EXPECT_GT(lines[1].right - lines[1].left, lines[0].right - lines[0].left);
}

TEST_F(CMainFrameTest, AVeryLongDataFolderKeepsItsLineInsideTheFrame) {
    test::WorkingTestFolder dir;
    ASSERT_TRUE(dir.valid());
    const QString deep = QString(8, u'x') + QStringLiteral("/") + QString(200, u'y');
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QDir::setCurrent(deep));
    CMainFrame frame;
    frame.resize(400, 300);
    const QImage image = frame.centralWidget()->grab().toImage();
    const FolderLinePixels line = FindFolderLine(image);
    ASSERT_GT(line.count, 0);
    // Elided in the middle: neither end touches the frame's edge.
    EXPECT_GT(line.left, 0);
    EXPECT_LT(line.right, image.width() - 1);
}

TEST_F(CMainFrameTest, MenuHasItsPopupsItemsAndCommandIds) {
    CMainFrame frame;
    struct Item {
        const char* popup;
        const char* text;
        int id;
    };
    const Item expected[] = {
        {"&File", "E&xit", 40001},
        {"&Experiment", "&Start", 40005},
        {"&Experiment", "Show &Result", 40007},
        {"&Experiment", "&Practice first", 40010},
        {"&Help", "&About", 40002},
    };
    std::vector<QString> popups;
    size_t i = 0;
    for (QAction* popup : frame.menuBar()->actions()) {
        popups.push_back(popup->text());
        ASSERT_NE(popup->menu(), nullptr);
        for (QAction* action : popup->menu()->actions()) {
            // The program's own options follow the commands, after a separator; the language
            // submenu is checked by the language test.
            if (action->isSeparator() || action->menu() != nullptr) {
                continue;
            }
            ASSERT_LT(i, std::size(expected));
            const Item& item = expected[i++];
            EXPECT_EQ(popup->text(), QString::fromUtf8(item.popup));
            EXPECT_EQ(action->text(), QString::fromUtf8(item.text));
            EXPECT_EQ(action->data().toInt(), item.id);
            EXPECT_EQ(action->objectName(), ControlName(item.id));
            EXPECT_TRUE(action->isEnabled());
            EXPECT_EQ(frame.CommandAction(item.id), action);
        }
    }
    EXPECT_EQ(i, std::size(expected));
    const std::vector<QString> order = {QStringLiteral("&File"), QStringLiteral("&Experiment"),
                                        QStringLiteral("&Help")};
    EXPECT_EQ(popups, order);
    EXPECT_EQ(frame.CommandAction(12345), nullptr);
}

TEST_F(CMainFrameTest, ClickInClientAreaAndStartEachRunOneTest) {
    struct Trigger {
        const char* what;
        std::function<void(CMainFrame&)> fire;
        int starts;
        int results = 0;
    };
    const Trigger triggers[] = {
        {"Start command", [](CMainFrame& f) { f.CommandAction(CMainFrame::kCmdStart)->trigger(); },
         1},
        {"left click on the title",
         [](CMainFrame& f) { QTest::mouseClick(f.centralWidget(), Qt::LeftButton); }, 1},
        {"left click in a corner",
         [](CMainFrame& f) {
             QTest::mouseClick(f.centralWidget(), Qt::LeftButton, {}, QPoint(2, 2));
         },
         1},
        {"right click",
         [](CMainFrame& f) { QTest::mouseClick(f.centralWidget(), Qt::RightButton); }, 0},
        {"Show Result command",
         [](CMainFrame& f) { f.CommandAction(CMainFrame::kCmdShowResult)->trigger(); }, 0, 1},
    };
    for (const Trigger& t : triggers) {
        SCOPED_TRACE(t.what);
        CMainFrame frame;
        frame.resize(640, 480);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        int starts = 0;
        int results = 0;
        frame.SetRunExperiment([&] { ++starts; });
        frame.SetShowResult([&] { ++results; });
        t.fire(frame);
        EXPECT_EQ(starts, t.starts);
        EXPECT_EQ(results, t.results);
    }
}

TEST_F(CMainFrameTest, StartRequestsDuringATestAreIgnored) {
    CMainFrame frame;
    frame.resize(640, 480);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    int starts = 0;
    frame.SetRunExperiment([&] {
        ++starts;
        QTest::mouseClick(frame.centralWidget(), Qt::LeftButton);
        frame.CommandAction(CMainFrame::kCmdStart)->trigger();
    });
    frame.OnStart();
    EXPECT_EQ(starts, 1);
    frame.OnStart();  // and the next test runs once the first has returned
    EXPECT_EQ(starts, 2);
}

TEST_F(CMainFrameTest, EscapeRestoresTheFrameTopmostAtFullSize) {
    CMainFrame frame;
    // The frame has no sizing border, but it can be moved.
    const bool placed = !WindowSystemPlacesWindows();
    if (placed) {
        frame.move(100, 120);
    }
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const QRect before = frame.geometry();

    for (Qt::Key other : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space}) {
        QTest::keyClick(&frame, other);
    }
    EXPECT_EQ(frame.geometry(), before);
    EXPECT_FALSE(frame.IsRestored());

    for (int press = 0; press < 2; ++press) {  // a second Escape changes nothing
        QTest::keyClick(&frame, Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        EXPECT_TRUE(frame.IsRestored());
        EXPECT_TRUE(frame.isVisible());
        if (placed) {
            EXPECT_TRUE(frame.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            EXPECT_EQ(frame.frameGeometry().topLeft(), QPoint(0, 0));
            EXPECT_EQ(frame.frameGeometry().size(), LogicalScreen());
        }
    }
}

TEST_F(CMainFrameTest, WindowManagersAreToldTheFrameCannotBeResized) {
    CMainFrame frame;
    if (WindowSystemPlacesWindows()) {
        GTEST_SKIP() << "size hints: on Wayland the frame is maximised by the compositor, and a "
                        "fixed size would contradict the size it is given";
    }
    if (WindowManagerFramesWindows()) {
        GTEST_SKIP() << "size hints: the window manager maximises the frame, caption included, "
                        "which it cannot do to a frame of fixed size";
    }
    // A window whose smallest and largest sizes are the same has no sizing border and no
    // maximise box under an X11 window manager.
    EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
    const Qt::WindowFlags flags = frame.windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
}

// The Language submenu takes effect at once, while the program runs: the menu shows the choice,
// the choice is handed on to be stored, and the next window and message are in that language;
// back to 日本語 they are the program's own Japanese texts again, unchanged.
TEST_F(CMainFrameTest, TheLanguageAndPracticeItemsTakeEffectAtOnce) {
    CMainFrame frame;
    QTranslator translator;
    std::vector<Preferences> changes;
    frame.SetPreferencesChanged([&](const Preferences& p) {
        changes.push_back(p);
        ApplyLanguage(translator, p.language);
    });
    frame.ShowPreferences(Preferences{});
    QAction* japanese = frame.CommandAction(CMainFrame::kCmdLanguageJapanese);
    QAction* english = frame.CommandAction(CMainFrame::kCmdLanguageEnglish);
    QAction* practice = frame.CommandAction(CMainFrame::kCmdPracticeFirst);
    ASSERT_TRUE(japanese && english && practice);
    EXPECT_EQ(japanese->text(), QStringLiteral("日本語"));
    EXPECT_EQ(english->text(), QStringLiteral("English"));
    EXPECT_TRUE(japanese->isChecked());
    EXPECT_FALSE(practice->isChecked());

    ExperimentState state;
    state.completed = 0;
    QtMessageBoxes boxes;
    struct Step {
        QAction* item;
        Language language;
        bool practice;
        const char* caption;  // of the conditions dialog
        const char* abort;    // the start of an aborted test's end message
    };
    const Step steps[] = {
        {english, Language::English, false, "Task conditions", "The program was interrupted.\n"},
        {practice, Language::English, true, "Task conditions", "The program was interrupted.\n"},
        {japanese, Language::Japanese, true, "課題条件", "プログラムを中断しました。\n"},
    };
    for (const Step& step : steps) {
        step.item->trigger();
        ASSERT_FALSE(changes.empty());
        EXPECT_EQ(changes.back().language, step.language);
        EXPECT_EQ(changes.back().practice_first, step.practice);
        EXPECT_EQ(english->isChecked(), step.language == Language::English);
        EXPECT_EQ(japanese->isChecked(), step.language == Language::Japanese);
        CSubject dialog(boxes, &frame);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(step.caption));
        EXPECT_TRUE(EndText(state, KeptRecords{}).startsWith(QString::fromUtf8(step.abort)));
    }
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(CMainFrameTest, ExitClosesTheFrame) {
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.CommandAction(CMainFrame::kCmdExit)->trigger();
    EXPECT_FALSE(frame.isVisible());
}

TEST_F(CMainFrameTest, AboutBoxOpensOverTheFrameAndCloses) {
    const std::function<void(QDialog&)> closers[] = {
        [](QDialog& d) {
            QTest::mouseClick(d.findChild<QPushButton*>(ControlName(kIdOk)), Qt::LeftButton);
        },
        [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](QDialog& d) { d.close(); },
    };
    for (const auto& closeIt : closers) {
        CMainFrame frame;
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* about = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (about == nullptr) {
                ADD_FAILURE() << "no About box";
                return;
            }
            seen = true;
            EXPECT_EQ(about->parentWidget(), &frame);
            EXPECT_EQ(about->windowTitle(), QStringLiteral("About this application"));
            EXPECT_EQ(about->size(), DialogUnits(about->font()).Size(200, 62));
            auto* ok = about->findChild<QPushButton*>(ControlName(kIdOk));
            ASSERT_NE(ok, nullptr);
            EXPECT_TRUE(ok->isDefault());
            EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
                      QStringLiteral("Quorvel (v.1.005)"));
            const QLabel* note = about->findChild<QLabel*>(QStringLiteral("noteLabel"));
            EXPECT_EQ(note->text().count(u'\n'), 1);
            // The second static text says where the data goes.
            EXPECT_TRUE(note->text().startsWith(QStringLiteral("Data folder:\n")));
            EXPECT_EQ(note->toolTip(), QDir::toNativeSeparators(QDir::currentPath()));
            closeIt(*about);
            if (about->isVisible()) {
                ADD_FAILURE() << "the About box stayed open";
                about->reject();
            }
        });
        frame.CommandAction(CMainFrame::kCmdAbout)->trigger();
        EXPECT_TRUE(seen);
    }
}

}  // namespace
}  // namespace quorvel
