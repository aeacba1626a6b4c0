#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <memory>

#include "gui/platform/KeyState.h"
#include "support/ProcessStateTest.h"

namespace quorvel {
namespace {

class KeyStateTest : public test::ProcessStateTest {
  protected:
    void SetUp() override {
        target.resize(100, 100);
        target.show();
    }

    QWidget target;
    KeyState keys;
};

TEST_F(KeyStateTest, APressAndReleaseIsReportedOnceByTheNextQuery) {
    QTest::keyClick(&target, Qt::Key_Escape);
    EXPECT_FALSE(keys.IsDown(WatchedKey::Escape));
    EXPECT_TRUE(keys.Query(WatchedKey::Escape));
    EXPECT_FALSE(keys.Query(WatchedKey::Escape));
    EXPECT_FALSE(keys.Query(WatchedKey::Enter));
}

TEST_F(KeyStateTest, AHeldKeyIsReportedByEveryQueryUntilReleased) {
    QTest::keyPress(&target, Qt::Key_Escape);
    EXPECT_TRUE(keys.Query(WatchedKey::Escape));
    EXPECT_TRUE(keys.Query(WatchedKey::Escape));
    QTest::keyRelease(&target, Qt::Key_Escape);
    EXPECT_FALSE(keys.Query(WatchedKey::Escape));
}

TEST_F(KeyStateTest, BothReturnKeysAreEnterAndOtherKeysAreIgnored) {
    struct Case {
        Qt::Key key;
        bool escape;
        bool enter;
    };
    const Case cases[] = {
        {Qt::Key_Return, false, true}, {Qt::Key_Enter, false, true}, {Qt::Key_Escape, true, false},
        {Qt::Key_Space, false, false}, {Qt::Key_A, false, false},
    };
    for (const Case& c : cases) {
        keys.Clear();
        QTest::keyClick(&target, c.key);
        EXPECT_EQ(keys.Query(WatchedKey::Escape), c.escape) << c.key;
        EXPECT_EQ(keys.Query(WatchedKey::Enter), c.enter) << c.key;
    }
}

TEST_F(KeyStateTest, AnAutoRepeatReleaseLeavesTheKeyDown) {
    QTest::keyPress(&target, Qt::Key_Return);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&target, &repeatRelease);
    EXPECT_TRUE(keys.IsDown(WatchedKey::Enter));
    QTest::keyRelease(&target, Qt::Key_Return);
    EXPECT_FALSE(keys.IsDown(WatchedKey::Enter));
}

TEST_F(KeyStateTest, LosingTheKeyboardToAnotherProgramReleasesHeldKeys) {
    QTest::keyPress(&target, Qt::Key_Escape);
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QApplication::sendEvent(qApp, &inactive);
    EXPECT_FALSE(keys.IsDown(WatchedKey::Escape));
    // The press itself is still reported once.
    EXPECT_TRUE(keys.Query(WatchedKey::Escape));
    EXPECT_FALSE(keys.Query(WatchedKey::Escape));
}

TEST_F(KeyStateTest, TheProcessKeyStateSeesKeysSentToAnyWindow) {
    KeyState& app = AppKeyState();
    QWidget other;
    other.show();
    QTest::keyClick(&other, Qt::Key_Enter);
    EXPECT_TRUE(app.Query(WatchedKey::Enter));
    EXPECT_EQ(&app, &AppKeyState());
}

// A key counts as held only while the window that took its press is still shown: a box that
// closes on Enter takes the release with it (or the release never comes), and the key must
// not stay down for ever. Its press is still reported once.
TEST_F(KeyStateTest, AKeyWhoseWindowClosedIsNotHeld) {
    enum class Gone { Hidden, Destroyed };
    for (Gone gone : {Gone::Hidden, Gone::Destroyed}) {
        keys.Clear();
        auto box = std::make_unique<QWidget>();
        box->show();
        QTest::keyPress(box.get(), Qt::Key_Return);
        EXPECT_TRUE(keys.IsDown(WatchedKey::Enter));
        if (gone == Gone::Hidden) {
            box->hide();
        } else {
            box.reset();
        }
        EXPECT_FALSE(keys.IsDown(WatchedKey::Enter));
        EXPECT_TRUE(keys.Query(WatchedKey::Enter));
        EXPECT_FALSE(keys.Query(WatchedKey::Enter));
    }
}

// Auto-repeat says a key is still held (it reaches the window that now has the keyboard), but
// it is no new press: a held Escape must not abort by repeating.
TEST_F(KeyStateTest, AutoRepeatHoldsAKeyWithoutPressingItAgain) {
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&target, &repeat);
    EXPECT_TRUE(keys.IsDown(WatchedKey::Escape));
    EXPECT_FALSE(keys.PressedSinceQuery(WatchedKey::Escape));
    QTest::keyRelease(&target, Qt::Key_Escape);
    EXPECT_FALSE(keys.Query(WatchedKey::Escape));
}

}  // namespace
}  // namespace quorvel
