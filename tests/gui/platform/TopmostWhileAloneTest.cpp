#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "gui/platform/TopmostWhileAlone.h"

namespace quorvel {
namespace {

class TopmostWhileAloneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "topmost: only X11 window managers keep a topmost window above its "
                            "own dialogs; elsewhere the frame is topmost or maximised as it is";
        }
        frame.resize(200, 100);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }

    // Whether the frame's native window stands topmost now.
    bool OnTop() const { return frame.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }

    QWidget frame;
};

// Every kind of window the program shows over its frame: a dialog or box, the test screen (a
// bare window), and both at once; the frame steps down while any is up, and is topmost again,
// still shown and never hidden on the way, once the last has gone.
TEST_F(TopmostWhileAloneTest, TheFrameStepsDownWhileAnyOfItsWindowsIsShown) {
    TopmostWhileAlone topmost(frame);
    EXPECT_FALSE(topmost.Wanted());
    topmost.MakeTopmost();
    EXPECT_TRUE(topmost.Wanted());
    EXPECT_TRUE(OnTop());
    EXPECT_TRUE(frame.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(frame.isVisible());

    {
        QDialog dialog(&frame);
        dialog.show();
        EXPECT_FALSE(OnTop());
        QWindow screen;
        screen.show();
        dialog.hide();
        EXPECT_FALSE(OnTop()) << "the test screen is still up";
        screen.hide();
        EXPECT_TRUE(OnTop());
    }
    {
        // The test screen is destroyed while shown, at the end of a test.
        auto screen = std::make_unique<QWindow>();
        screen->show();
        EXPECT_FALSE(OnTop());
        screen.reset();
        EXPECT_TRUE(OnTop());
    }
    {
        // A menu stands over everything anyway.
        QMenu menu(&frame);
        menu.addAction(QStringLiteral("E&xit"));
        menu.popup(frame.mapToGlobal(QPoint(10, 10)));
        EXPECT_TRUE(OnTop());
        menu.hide();
    }
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.windowHandle()->isVisible());
}

TEST_F(TopmostWhileAloneTest, AFrameNeverMadeTopmostStaysInTheNormalLayer) {
    const TopmostWhileAlone topmost(frame);
    QDialog dialog(&frame);
    dialog.show();
    dialog.hide();
    EXPECT_FALSE(OnTop());
    EXPECT_FALSE(frame.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

}  // namespace
}  // namespace quorvel
