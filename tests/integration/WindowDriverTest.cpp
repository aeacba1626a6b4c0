#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPointingDevice>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <array>
#include <memory>

#include "core/experiment/DriveExperiment.h"
#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "core/experiment/MsTimer.h"
#include "gui/experiment/TargetImages.h"
#include "gui/experiment/WindowDriverIo.h"
#include "gui/platform/ClickSound.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessageBoxScript.h"
#include "gui/platform/QtMessageBoxes.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/OpenWindow.h"
#include "support/ProcessStateTest.h"
#include "support/ScriptBot.h"
#include "support/TestTouchScreen.h"
#include "support/TouchGeometry.h"

// Whole tests driven on the real experiment window: real touches and mouse presses at the
// mapped positions of a seeded layout, the real key state, clock and message boxes.

namespace quorvel {
namespace {

using test::ScriptBot;
using test::TouchScreen;

// The real driver I/O, counting the clicks it starts and telling which target the driver has
// begun to look for, and after how many of that target's wrong presses: a press made before
// that (while it still waits for keys, the last finger, or the lift of a wrong press) answers
// nothing, as the driver's rules say, and a script that pressed then would wait for ever. On a
// loaded machine the driver can be that late whatever pace the script keeps, so the script
// goes by what the driver did, not by time.
class CountingIo : public WindowDriverIo {
  public:
    using WindowDriverIo::WindowDriverIo;
    void PlayClick() override {
        ++clicks;
        WindowDriverIo::PlayClick();
    }
    std::optional<Press> TakePress() override {
        if (watched != nullptr) {
            lookingFor = watched->completed;
            if (lookingFor < kTargetCount) {
                errorsWhenLooking = watched->records[lookingFor].errors;
            }
        }
        return WindowDriverIo::TakePress();
    }
    int clicks = 0;
    const ExperimentState* watched = nullptr;
    int lookingFor = -1;
    int errorsWhenLooking = 0;
};

class WindowDriverTest : public test::ProcessStateTest {
  protected:
    void SetUp() override {
        TouchScreen();
        io.watched = &state;
        ASSERT_EQ(test::OpenWindow(window, QSize(1920, 1080)), 1);
        surface = window.Window();
        ASSERT_EQ(surface->devicePixelRatio(), 1.0);
        bot.SetRescue({
            {QStringLiteral("let go"),
             [this] {
                 QTest::touchEvent(surface, TouchScreen()).release(0, {}).release(1, {});
                 QTest::mouseRelease(surface, Qt::LeftButton);
                 QTest::mouseRelease(surface, Qt::RightButton);
             }},
            {QStringLiteral("abort"), [this] { QTest::keyPress(surface, Qt::Key_Escape); }},
            {QStringLiteral("release Escape"),
             [this] { QTest::keyRelease(surface, Qt::Key_Escape); }},
        });
    }
    void TearDown() override { window.DestroyWindow(); }

    void Prepare(TestType type, std::int32_t seed) {
        state.test_type = type;
        LcgRandom rng;
        SeedForRun(rng, seed);
        ASSERT_EQ(PlaceTargets(rng, state.stimuli), kTargetCount);
        ResetLog(state);
        ASSERT_TRUE(BuildTargetImages(window, state));
    }

    // `kept`: what the records are reported to have kept, for the end message.
    DriveOutcome Drive(KeptRecords kept = {}) {
        // The instruction and the end message.
        MessageBoxScript::Answer(QMessageBox::Ok);
        MessageBoxScript::Answer(QMessageBox::Ok);
        bot.Start();
        const DriveOutcome outcome =
            DriveExperiment(state, io, boxes, [kept](DriveOutcome) { return kept; });
        bot.Stop();
        EXPECT_TRUE(bot.Done()) << "the script stopped at: " << bot.Waiting().toStdString();
        return outcome;
    }

    Stimulus Centre(int i) const { return state.stimuli[i]; }
    Stimulus Off(int i, int dx, int dy) const {
        return {state.stimuli[i].x + dx, state.stimuli[i].y + dy};
    }
    QPoint Px(Stimulus s) const { return test::PixelFor(window.Mapping(), s); }

    // True once the driver awaits target i. Should it have gone past i, a touch was judged
    // otherwise than the script expects: the test fails and the bot lets go and aborts.
    bool Awaiting(int i) {
        if (state.completed > i) {
            ADD_FAILURE() << "the driver went past target " << i
                          << " while the script was at: " << bot.Waiting().toStdString();
            bot.Derail();
            return false;
        }
        return state.completed == i;
    }
    // True once the driver looks for target i's touch: its waits for keys and fingers done,
    // and done again since it last counted a wrong press.
    bool Looking(int i) {
        return Awaiting(i) && io.lookingFor == i && io.errorsWhenLooking == state.records[i].errors;
    }
    // True once target i has been hit. A hit judged wrong (more errors than the script makes
    // for target i) derails the script as above.
    bool Reached(int i) {
        if (state.records[i].errors > expectedErrors[i] || state.completed > i + 1) {
            ADD_FAILURE() << "target " << i << " was not judged as the script expects at: "
                          << bot.Waiting().toStdString();
            bot.Derail();
            return false;
        }
        return state.completed == i + 1;
    }

    // --- the subject's hands, as script steps ---
    void TouchCorrect(int i, Stimulus at) {
        bot.Then(
            QStringLiteral("touch target %1").arg(i), [this, i] { return Looking(i); },
            [this, at] { QTest::touchEvent(surface, TouchScreen()).press(0, Px(at)); });
        bot.Then(
            QStringLiteral("lift from target %1").arg(i), [this, i] { return Reached(i); },
            [this, at] { QTest::touchEvent(surface, TouchScreen()).release(0, Px(at)); });
    }
    void ClickCorrect(int i, Stimulus at, Qt::MouseButton button = Qt::LeftButton) {
        bot.Then(
            QStringLiteral("click target %1").arg(i), [this, i] { return Looking(i); },
            [this, at, button] { QTest::mousePress(surface, button, {}, Px(at)); });
        bot.Then(
            QStringLiteral("release on target %1").arg(i), [this, i] { return Reached(i); },
            [this, at, button] { QTest::mouseRelease(surface, button, {}, Px(at)); });
    }
    // A wrong touch while target i is awaited, lifted once the driver has counted it as the
    // n-th error of target i.
    void TouchWrong(int i, Stimulus at, int n) {
        expectedErrors[i] = std::max(expectedErrors[i], n);
        bot.Then(
            QStringLiteral("wrong touch %1 for target %2").arg(n).arg(i),
            [this, i] { return Looking(i) && window.PointCount() == 0; },
            [this, at] { QTest::touchEvent(surface, TouchScreen()).press(0, Px(at)); });
        bot.Then(
            QStringLiteral("lift wrong touch %1 for target %2").arg(n).arg(i),
            [this, i, n] { return state.records[i].errors == n; },
            [this, at] { QTest::touchEvent(surface, TouchScreen()).release(0, Px(at)); });
    }
    void Wait(const QString& name, int ticks) {
        bot.Then(
            name, [n = 0, ticks]() mutable { return ++n > ticks; }, [] {});
    }

    CTouchWnd window;
    QWindow* surface = nullptr;
    ExperimentState state;
    KeyState keys;
    ClickSound click;
    CountingIo io{window, state, keys, click};
    QtMessageBoxes boxes;
    ScriptBot bot;
    std::array<int, kTargetCount> expectedErrors{};
};

TEST_F(WindowDriverTest, ACompleteTestWithWrongTouchesFingersAndAHeldEscape) {
    Prepare(kPartA, 1);
    const Stimulus empty = test::EmptySpot(state.stimuli);

    // Escape still held when the first target's wait begins: the driver waits for its
    // release instead of aborting, and the first target's clock runs meanwhile.
    QTest::keyPress(surface, Qt::Key_Escape);
    bot.Then(
        QStringLiteral("release Escape"), [] { return timer_id != 0 && MsTimerNow() >= 30; },
        [this] { QTest::keyRelease(surface, Qt::Key_Escape); });

    // 0: exactly 50 units from the centre is a hit.
    TouchCorrect(0, Off(0, 50, 0));
    // 1: 51 units is on no circle; then an unreached circle; then a mouse click hits.
    TouchWrong(1, Off(1, 51, 0), 1);
    TouchWrong(1, Centre(10), 2);
    ClickCorrect(1, Centre(1));
    // 2: the circle already completed is a wrong touch on circle 1.
    TouchWrong(2, Centre(0), 1);
    TouchCorrect(2, Centre(2));
    // 3: a wrong first touch on an unreached circle gives its number.
    TouchWrong(3, Centre(7), 1);
    TouchCorrect(3, Off(3, 0, -50));
    // 4: two fingers, the first on the target: a hit.
    bot.Then(
        QStringLiteral("two fingers, first on target 4"), [this] { return Looking(4); },
        [this] {
            QTest::touchEvent(surface, TouchScreen())
                .press(0, Px(Centre(4)))
                .press(1, Px(Centre(20)));
        });
    bot.Then(
        QStringLiteral("lift both from target 4"), [this] { return Reached(4); },
        [this] {
            QTest::touchEvent(surface, TouchScreen())
                .release(0, Px(Centre(4)))
                .release(1, Px(Centre(20)));
        });
    // 5: two fingers, the first on empty space: one wrong touch, whatever the second one is on.
    expectedErrors[5] = 1;
    bot.Then(
        QStringLiteral("two fingers, first on empty space"),
        [this] { return Looking(5) && window.PointCount() == 0; },
        [this, empty] {
            QTest::touchEvent(surface, TouchScreen()).press(0, Px(empty)).press(1, Px(Centre(5)));
        });
    bot.Then(
        QStringLiteral("lift both after the wrong touch"),
        [this] { return state.records[5].errors == 1 || !Awaiting(5); },
        [this, empty] {
            QTest::touchEvent(surface, TouchScreen())
                .release(0, Px(empty))
                .release(1, Px(Centre(5)));
        });
    TouchCorrect(5, Centre(5));
    // 6: the finger stays down after the hit and slides onto target 7: nothing happens until
    // it is lifted.
    bot.Then(
        QStringLiteral("touch target 6 and hold"), [this] { return Looking(6); },
        [this] { QTest::touchEvent(surface, TouchScreen()).press(0, Px(Centre(6))); });
    bot.Then(
        QStringLiteral("slide onto target 7"), [this] { return Awaiting(7); },
        [this] { QTest::touchEvent(surface, TouchScreen()).move(0, Px(Centre(7))); });
    Wait(QStringLiteral("hold on target 7"), 30);
    bot.Then(QStringLiteral("lift the held finger"), [this] {
        EXPECT_EQ(state.completed, 7);
        EXPECT_EQ(state.records[7].resp, -1);
        EXPECT_EQ(state.records[7].errors, 0);
        QTest::touchEvent(surface, TouchScreen()).release(0, Px(Centre(7)));
    });
    // 7..24: hits, by touch and by either mouse button.
    for (int i = 7; i < kTargetCount; ++i) {
        if (i % 3 == 0) {
            ClickCorrect(i, Centre(i), i % 2 == 0 ? Qt::LeftButton : Qt::RightButton);
        } else {
            TouchCorrect(i, Centre(i));
        }
    }

    ASSERT_EQ(Drive({true, true, true}), DriveOutcome::Completed);
    EXPECT_EQ(state.completed, kTargetCount);
    EXPECT_EQ(io.clicks, kTargetCount);  // never for a wrong touch

    struct Expected {
        int position;
        int resp;
        Stimulus first;
        int errors;
    };
    const Expected rows[] = {
        {0, 1, Off(0, 50, 0), 0}, {1, 0, Off(1, 51, 0), 2}, {2, 1, Centre(0), 1},
        {3, 8, Centre(7), 1},     {4, 5, Centre(4), 0},     {5, 0, empty, 1},
        {6, 7, Centre(6), 0},     {7, 8, Centre(7), 0},     {24, 25, Centre(24), 0},
    };
    for (const Expected& e : rows) {
        SCOPED_TRACE(e.position);
        const TrialRecord& r = state.records[e.position];
        EXPECT_EQ(r.trial, e.position + 1);
        EXPECT_EQ(r.resp, e.resp);
        EXPECT_EQ(r.resp_x, e.first.x);
        EXPECT_EQ(r.resp_y, e.first.y);
        EXPECT_EQ(r.errors, e.errors);
    }
    // The first target's time includes the held Escape.
    EXPECT_GE(state.records[0].hit_time, 29);
    for (int i = 2; i < kTargetCount; ++i) {
        EXPECT_GE(state.records[i].hit_time, state.records[i - 1].hit_time) << i;
    }

    const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, QStringLiteral("実験開始"));
    EXPECT_EQ(shown[0].text, QStringLiteral("数字（1～25）を順番に選んでください"));
    EXPECT_EQ(shown[1].caption, QStringLiteral("課題終了"));
    EXPECT_EQ(shown[1].text, QStringLiteral("終了です。お疲れさまでした。\n（所要時間 = %1 秒）")
                                 .arg(state.records[24].hit_time / 1000.0, 0, 'f', 3));
}

TEST_F(WindowDriverTest, EscapeWhileATargetIsAwaitedAbortsTheTest) {
    Prepare(kPartB, 7);
    const Stimulus empty = test::EmptySpot(state.stimuli);
    TouchCorrect(0, Centre(0));
    ClickCorrect(1, Centre(1), Qt::RightButton);
    TouchWrong(2, empty, 1);
    bot.Then(
        QStringLiteral("press Escape"), [this] { return Awaiting(2) && window.PointCount() == 0; },
        [this] { QTest::keyPress(surface, Qt::Key_Escape); });
    // Released while the driver waits for the release; then the end message.
    bot.Then(QStringLiteral("release Escape"),
             [this] { QTest::keyRelease(surface, Qt::Key_Escape); });

    ASSERT_EQ(Drive(), DriveOutcome::Aborted);
    EXPECT_EQ(state.completed, 2);
    EXPECT_EQ(io.clicks, 2);
    EXPECT_EQ(state.records[2].resp, 0);
    EXPECT_EQ(state.records[2].resp_x, empty.x);
    EXPECT_EQ(state.records[2].errors, 1);
    EXPECT_EQ(state.records[3].resp, -1);

    const std::vector<ScriptedBox>& shown = MessageBoxScript::Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text,
              QStringLiteral("数字（1～13）とひらがな（あ～し）を順に選んでください"));
    EXPECT_EQ(shown[1].caption, QStringLiteral("課題終了"));
    // Nobody wrote the records here, and the message does not claim anyone did.
    EXPECT_EQ(shown[1].text,
              QStringLiteral("プログラムを中断しました。\n試行データは記録されていません。"));
}

// How a subject or a device presses Enter on the instruction box, and where its release goes.
// A box closes on the press, so the release goes to a window that is closing or gone; on some
// systems it never arrives at all (a quick key from a macro pad, a barcode scanner or xdotool
// on X11, an ordinary key on Wayland). A key whose release was lost was held down for ever and
// the driver waited on it: the test froze with the first target's clock running.
TEST_F(WindowDriverTest, NoTimingOfEnterOnTheInstructionBoxFreezesTheTest) {
    enum class Release { ToTheClosedBox, Lost, ToTheTestScreen };
    struct Case {
        const char* name;
        int releaseAfterTicks;  // ticks of the bot (5 ms each) between press and release
        Release where;
        bool repeats;  // auto-repeat presses reach the test screen while it is held
    };
    const Case cases[] = {
        {"instant", 0, Release::ToTheClosedBox, false},
        {"10 ms", 2, Release::ToTheClosedBox, false},
        {"100 ms", 20, Release::ToTheClosedBox, false},
        {"release never arrives", 0, Release::Lost, false},
        {"held across the box", 60, Release::ToTheTestScreen, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxScript::Reset();  // real boxes, answered by the bot's keys and clicks
        keys.Clear();
        Prepare(kPartA, 1);
        auto box = std::make_shared<QPointer<QMessageBox>>();
        bot.Then(
            QStringLiteral("Enter on the instruction box"),
            [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; },
            [box] {
                *box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QTest::keyPress(box->data(), Qt::Key_Return);
            });
        for (int t = 1; t <= c.releaseAfterTicks; ++t) {
            bot.Then(QStringLiteral("hold Enter"), [this, c, t] {
                if (c.repeats && t % 6 == 0) {
                    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(),
                                     true);
                    QCoreApplication::sendEvent(surface, &repeat);
                }
            });
        }
        bot.Then(QStringLiteral("release Enter"), [this, box, c] {
            switch (c.where) {
                case Release::ToTheClosedBox:
                    if (!box->isNull()) {
                        QTest::keyRelease(box->data(), Qt::Key_Return);
                    }
                    break;
                case Release::Lost:
                    break;
                case Release::ToTheTestScreen:
                    QTest::keyRelease(surface, Qt::Key_Return);
                    break;
            }
        });
        TouchCorrect(0, Centre(0));
        bot.Then(QStringLiteral("press Escape"),
                 [this] { QTest::keyPress(surface, Qt::Key_Escape); });
        bot.Then(QStringLiteral("release Escape"),
                 [this] { QTest::keyRelease(surface, Qt::Key_Escape); });
        bot.Then(
            QStringLiteral("read the end message"),
            [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; },
            [] {
                auto* end = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                EXPECT_EQ(end->windowTitle(), QStringLiteral("課題終了"));
                end->button(QMessageBox::Ok)->click();
            });

        bot.Start();
        const DriveOutcome outcome = DriveExperiment(state, io, boxes);
        bot.Stop();
        EXPECT_TRUE(bot.Done()) << "the script stopped at: " << bot.Waiting().toStdString();
        EXPECT_EQ(outcome, DriveOutcome::Aborted);
        EXPECT_EQ(state.completed, 1);
        EXPECT_EQ(state.records[0].resp, 1);
        EXPECT_FALSE(keys.IsDown(WatchedKey::Enter));
    }
}

}  // namespace
}  // namespace quorvel
