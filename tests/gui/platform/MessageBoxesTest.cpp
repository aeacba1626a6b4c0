#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/QtMessageBoxes.h"
#include "support/ProcessStateTest.h"

namespace quorvel {
namespace {

class MessageBoxesTest : public test::ProcessStateTest {
  protected:
    void SetUp() override {
        QCoreApplication::setApplicationName(QStringLiteral("quorvel"));
        frame.resize(200, 100);
        frame.show();
        boxes.SetOwner(&frame);
    }

    QWidget frame;
    QtMessageBoxes boxes;
};

TEST_F(MessageBoxesTest, APlainBoxHasTheCallersCaptionNoIconAndOneOk) {
    MessageBoxScript::Answer(QMessageBox::Ok);
    boxes.ShowPlain(QStringLiteral("数字（1～25）を順番に選んでください"),
                    QStringLiteral("実験開始"));

    ASSERT_EQ(MessageBoxScript::Shown().size(), 1u);
    const ScriptedBox& box = MessageBoxScript::Shown()[0];
    EXPECT_EQ(box.text, QStringLiteral("数字（1～25）を順番に選んでください"));
    EXPECT_EQ(box.caption, QStringLiteral("実験開始"));
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(box.ownedByParent);
    EXPECT_TRUE(box.expected);
    EXPECT_EQ(MessageBoxScript::Pending(), 0);
}

TEST_F(MessageBoxesTest, ApplicationBoxesCarryTheApplicationNameAndTheirIcon) {
    MessageBoxScript::Answer(QMessageBox::Ok);
    MessageBoxScript::Answer(QMessageBox::Ok);
    boxes.ShowApp(QStringLiteral("stop"), BoxIcon::Stop);
    boxes.ShowApp(QStringLiteral("warn"), BoxIcon::Exclamation);

    ASSERT_EQ(MessageBoxScript::Shown().size(), 2u);
    EXPECT_EQ(MessageBoxScript::Shown()[0].caption, QStringLiteral("quorvel"));
    EXPECT_EQ(MessageBoxScript::Shown()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(MessageBoxScript::Shown()[1].caption, QStringLiteral("quorvel"));
    EXPECT_EQ(MessageBoxScript::Shown()[1].icon, QMessageBox::Warning);
}

TEST_F(MessageBoxesTest, AskRetryIsTrueOnlyForRetry) {
    MessageBoxScript::Answer(QMessageBox::Retry);
    MessageBoxScript::Answer(QMessageBox::Cancel);
    EXPECT_TRUE(boxes.AskRetry(QStringLiteral("file busy")));
    EXPECT_FALSE(boxes.AskRetry(QStringLiteral("file busy")));
    ASSERT_EQ(MessageBoxScript::Shown().size(), 2u);
    EXPECT_EQ(MessageBoxScript::Shown()[0].buttons, QMessageBox::Retry | QMessageBox::Cancel);
    EXPECT_EQ(MessageBoxScript::Shown()[0].icon, QMessageBox::Warning);
}

TEST_F(MessageBoxesTest, AnUnforeseenBoxIsClosedAsByEscapeAndMarked) {
    MessageBoxScript::Answer(QMessageBox::Ok);
    boxes.ShowPlain(QStringLiteral("first"), QString());
    // Nothing queued for this one: Cancel, never a retry loop.
    EXPECT_FALSE(boxes.AskRetry(QStringLiteral("second")));
    ASSERT_EQ(MessageBoxScript::Shown().size(), 2u);
    EXPECT_TRUE(MessageBoxScript::Shown()[0].expected);
    EXPECT_FALSE(MessageBoxScript::Shown()[1].expected);
}

TEST_F(MessageBoxesTest, TheBoxKeepsDispatchingEventsWhileItIsOpen) {
    bool ranInsideTheBox = false;
    QTimer::singleShot(0, &frame, [&] { ranInsideTheBox = true; });
    MessageBoxScript::Answer(QMessageBox::Ok);
    boxes.ShowPlain(QStringLiteral("wait"), QStringLiteral("caption"));
    EXPECT_TRUE(ranInsideTheBox);
}

TEST_F(MessageBoxesTest, WithoutAnOwnerTheBoxStillShows) {
    QtMessageBoxes ownerless;
    MessageBoxScript::Answer(QMessageBox::Ok);
    ownerless.ShowPlain(QStringLiteral("text"), QStringLiteral("caption"));
    ASSERT_EQ(MessageBoxScript::Shown().size(), 1u);
    EXPECT_FALSE(MessageBoxScript::Shown()[0].ownedByParent);
}

}  // namespace
}  // namespace quorvel
