#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>
#include <QTouchEvent>
#include <QWindow>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/experiment/StimulusMapping.h"
#include "gui/platform/MessagePump.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/OpenWindow.h"

namespace quorvel {
namespace {

// One touch screen for the whole test process, as the system would have.
QPointingDevice* TouchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

std::vector<ContactPoint> Pts(std::initializer_list<ContactPoint> points) {
    return points;
}

class TouchWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TouchScreen();
        ASSERT_EQ(test::OpenWindow(window, QSize(1920, 1080)), 1);
        surface = window.Window();
    }

    // A mouse event as the platform makes it out of a touch.
    void SendSynthesised(QEvent::Type type, Qt::MouseButton button, QPoint at) {
        QMouseEvent event(type, at, at, surface->mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier, Qt::MouseEventSynthesizedBySystem);
        QCoreApplication::sendEvent(surface, &event);
    }

    CTouchWnd window;
    QWindow* surface = nullptr;
};

TEST_F(TouchWindowTest, IsTheExperimentWindowAndSeesTheTouchScreen) {
    EXPECT_EQ(surface->title(), QStringLiteral("Experiment Window"));
    EXPECT_TRUE(CTouchWnd::TouchScreenReady());
    EXPECT_EQ(window.PointCount(), 0);
}

TEST_F(TouchWindowTest, EveryFingerDownCountsInTheOrderDelivered) {
    QTest::touchEvent(surface, TouchScreen()).press(0, QPoint(300, 200)).press(1, QPoint(900, 600));
    EXPECT_EQ(window.PointCount(), 2);
    EXPECT_EQ(window.Points(), Pts({{300, 200}, {900, 600}}));

    // One finger lifts while the other moves: the moving one is left.
    QTest::touchEvent(surface, TouchScreen())
        .release(0, QPoint(300, 200))
        .move(1, QPoint(910, 610));
    EXPECT_EQ(window.PointCount(), 1);
    EXPECT_EQ(window.Points(), Pts({{910, 610}}));
    EXPECT_TRUE(window.Contacts().Contact());

    QTest::touchEvent(surface, TouchScreen()).release(1, QPoint(910, 610));
    EXPECT_EQ(window.PointCount(), 0);
    EXPECT_FALSE(window.Contacts().Contact());
}

TEST_F(TouchWindowTest, ATouchOnABarMapsOutsideStimulusSpace) {
    QTest::touchEvent(surface, TouchScreen()).press(0, QPoint(100, 500));
    ASSERT_EQ(window.PointCount(), 1);
    const Stimulus s = ToStimulus(window.Mapping(), window.Points()[0].x, window.Points()[0].y);
    EXPECT_EQ(s.x, -99);  // (100 - 240) / 1.40625 = -99.6, truncated toward zero
    EXPECT_EQ(s.y, 355);
    QTest::touchEvent(surface, TouchScreen()).release(0, QPoint(100, 500));
}

TEST_F(TouchWindowTest, ATouchIsNeverCountedTwiceAsAMousePress) {
    QTest::touchEvent(surface, TouchScreen()).press(0, QPoint(500, 500));
    QTest::touchEvent(surface, TouchScreen()).release(0, QPoint(500, 500));
    Pump();
    EXPECT_EQ(window.PointCount(), 0);

    // Mouse events the platform made out of a touch are ignored outright.
    SendSynthesised(QEvent::MouseButtonPress, Qt::LeftButton, QPoint(500, 500));
    EXPECT_EQ(window.PointCount(), 0);
    EXPECT_EQ(window.Contacts().Buttons(), 0);
}

// A left-button press or release stamped by the window system at `stampMs` (a clock of its
// own, in ms). (A touch event's point cannot be placed through Qt's public interface; the
// window keeps a button press exactly as it keeps a touch.)
void SendStampedClick(QWindow* surface, bool press, QPoint at, std::uint64_t stampMs) {
    QMouseEvent event(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, at, at,
                      surface->mapToGlobal(at), Qt::LeftButton,
                      press ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    event.setTimestamp(stampMs);
    QCoreApplication::sendEvent(surface, &event);
}

using SteadyClock = std::chrono::steady_clock;

// The window system's clock in these tests: whole ms, 5 s ahead of the steady clock.
std::uint64_t StampOf(SteadyClock::time_point t) {
    return static_cast<std::uint64_t>(
               std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch())
                   .count()) +
           5000;
}

// A press and its release handled before the driver looks are kept as one press, with the
// point and the time of the press: from its timestamp once the window system's clock has been
// seen to agree with the steady clock, from its arrival before that. A touch is kept the same
// way (ContactState).
TEST_F(TouchWindowTest, APressIsKeptWithItsPointAndTheTimeItWasStamped) {
    const SteadyClock::time_point first = SteadyClock::now();
    SendStampedClick(surface, true, QPoint(300, 200), StampOf(first));
    SendStampedClick(surface, false, QPoint(300, 200), StampOf(first));
    EXPECT_EQ(window.PointCount(), 0);
    const std::optional<Press> tap = window.TakePress();
    ASSERT_TRUE(tap.has_value());
    EXPECT_EQ(tap->point, (ContactPoint{300, 200}));
    EXPECT_TRUE(tap->released);
    EXPECT_GE(tap->at, first);  // not yet trusted: its arrival
    EXPECT_FALSE(window.TakePress().has_value());

    // Prompt taps over a while, until the stamps are trusted (however busy the machine).
    for (int k = 0; k < 1000 && !window.MouseTimesTrusted(); ++k) {
        QTest::qWait(20);
        const SteadyClock::time_point now = SteadyClock::now();
        SendStampedClick(surface, true, QPoint(10, 10), StampOf(now));
        SendStampedClick(surface, false, QPoint(10, 10), StampOf(now));
    }
    ASSERT_TRUE(window.MouseTimesTrusted());
    window.TakePress();

    // A press delivered 150 ms after it happened is placed at its stamp, not its arrival.
    const SteadyClock::time_point pressed = SteadyClock::now();
    QTest::qWait(150);
    SendStampedClick(surface, true, QPoint(700, 400), StampOf(pressed));
    SendStampedClick(surface, false, QPoint(700, 400), StampOf(pressed) + 10);
    const std::optional<Press> late = window.TakePress();
    ASSERT_TRUE(late.has_value());
    EXPECT_EQ(late->point, (ContactPoint{700, 400}));
    EXPECT_TRUE(late->released);
    const double errorMs = std::chrono::duration<double, std::milli>(late->at - pressed).count();
    EXPECT_GE(errorMs, -1.0);
    EXPECT_LE(errorMs, 2.0);
}

TEST_F(TouchWindowTest, EitherMouseButtonMakesOneContactThatFollowsTheMouse) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        SCOPED_TRACE(button);
        QTest::mousePress(surface, button, Qt::NoModifier, QPoint(400, 300));
        EXPECT_EQ(window.Points(), Pts({{400, 300}}));
        QTest::mouseMove(surface, QPoint(420, 330));
        EXPECT_EQ(window.Points(), Pts({{420, 330}}));
        QTest::mouseRelease(surface, button, Qt::NoModifier, QPoint(420, 330));
        EXPECT_EQ(window.PointCount(), 0);
        // Moving with no button held reports nothing.
        QTest::mouseMove(surface, QPoint(450, 350));
        EXPECT_EQ(window.PointCount(), 0);
    }
}

TEST_F(TouchWindowTest, ASecondButtonIsIgnoredAndEitherReleaseEndsTheContact) {
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QTest::mousePress(surface, Qt::RightButton, Qt::NoModifier, QPoint(400, 300));
    EXPECT_EQ(window.Points(), Pts({{400, 300}}));
    EXPECT_EQ(window.Contacts().Buttons(), static_cast<int>(MouseButton::Left));
    QTest::mouseRelease(surface, Qt::RightButton, Qt::NoModifier, QPoint(400, 300));
    EXPECT_EQ(window.PointCount(), 0);
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    EXPECT_EQ(window.PointCount(), 0);
}

TEST_F(TouchWindowTest, AMousePressDuringATouchIsIgnored) {
    QTest::touchEvent(surface, TouchScreen()).press(0, QPoint(300, 200));
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(700, 700));
    EXPECT_EQ(window.Points(), Pts({{300, 200}}));
    // A finger that stays down keeps its place while another event arrives.
    QTest::touchEvent(surface, TouchScreen()).move(0, QPoint(300, 200)).press(1, QPoint(50, 60));
    EXPECT_EQ(window.Points(), Pts({{300, 200}, {50, 60}}));
    QTest::touchEvent(surface, TouchScreen())
        .release(0, QPoint(300, 200))
        .release(1, QPoint(50, 60));
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, QPoint(700, 700));
    EXPECT_EQ(window.PointCount(), 0);
}

TEST_F(TouchWindowTest, ClosingTheWindowEndsAnyContact) {
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    ASSERT_EQ(window.PointCount(), 1);
    EXPECT_FALSE(surface->close());
    EXPECT_EQ(window.PointCount(), 1);

    window.DestroyWindow();
    EXPECT_EQ(window.PointCount(), 0);
    EXPECT_FALSE(window.Contacts().Contact());
    EXPECT_EQ(window.Contacts().Buttons(), 0);
    EXPECT_EQ(window.m_textures.Count(), 0);
}

}  // namespace
}  // namespace quorvel
