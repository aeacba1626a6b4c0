#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "core/input/ContactState.h"
#include "core/input/InputJournal.h"

// The journal behind the events file: what the contact state hands it, how each press is tied
// to the press the driver is later given, and what a full journal does.

namespace quorvel {
namespace {

EventTime Ms(int ms) {
    return EventTime(std::chrono::milliseconds(1000000 + ms));
}

class InputJournalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        contacts.SetJournal(&journal);
        journal.SetAwaited(0);
    }
    TouchInput Down(int id, int x, int y) { return {x, y, false, id, true}; }
    TouchInput Held(int id, int x, int y) { return {x, y, false, id, false}; }
    TouchInput Up(int id, int x, int y) { return {x, y, true, id, false}; }

    InputJournal journal;
    ContactState contacts;
};

TEST_F(InputJournalTest, EveryFingerAndButtonIsRecordedAndPressesKnowTheirEvent) {
    // Finger 7 down; finger 9 joins; 7 lifts (9 is now the first point); a mouse press during
    // the touch changes no contact but is recorded; 9 lifts; the mouse button comes up.
    contacts.OnTouch({Down(7, 10, 20)}, false, Ms(1));
    const std::optional<Press> first = contacts.TakePress();
    contacts.OnTouch({Held(7, 11, 21), Down(9, 300, 40)}, false, Ms(2));
    contacts.OnTouch({Up(7, 12, 22), Held(9, 301, 41)}, false, Ms(3));
    EXPECT_EQ(contacts.FirstPointEvent(), 1);  // finger 9's press
    contacts.OnButtonDown(MouseButton::Left, 50, 60, Ms(4));
    contacts.OnTouch({Up(9, 302, 42)}, false, Ms(5));
    contacts.OnButtonUp(MouseButton::Left, 51, 61, Ms(6));
    contacts.OnOtherButton(4, true, 70, 80, Ms(7));
    EXPECT_EQ(contacts.FirstPointEvent(), -1);

    struct Want {
        bool press;
        InputSource source;
        int id, x, y, ms;
    };
    const Want want[] = {
        {true, InputSource::Touch, 7, 10, 20, 1},   {true, InputSource::Touch, 9, 300, 40, 2},
        {false, InputSource::Touch, 7, 12, 22, 3},  {true, InputSource::Mouse, 1, 50, 60, 4},
        {false, InputSource::Touch, 9, 302, 42, 5}, {false, InputSource::Mouse, 1, 51, 61, 6},
        {true, InputSource::Mouse, 4, 70, 80, 7},
    };
    const std::vector<InputEvent>& got = journal.Events();
    ASSERT_EQ(got.size(), std::size(want));
    for (std::size_t k = 0; k < got.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(got[k].press, want[k].press);
        EXPECT_EQ(got[k].source, want[k].source);
        EXPECT_EQ(got[k].source_id, want[k].id);
        EXPECT_EQ(got[k].x, want[k].x);
        EXPECT_EQ(got[k].y, want[k].y);
        EXPECT_EQ(got[k].at, Ms(want[k].ms));
        EXPECT_EQ(got[k].awaited, 0);
        EXPECT_EQ(got[k].verdict, InputVerdict::NotCounted);
    }
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->event, 0);
}

TEST_F(InputJournalTest, AMousePressThatBeginsAContactIsTheLatchedPress) {
    contacts.OnButtonDown(MouseButton::Right, 5, 6, Ms(1));
    contacts.OnMouseMove(8, 9, Ms(2));  // a drag keeps its press
    EXPECT_EQ(contacts.FirstPointEvent(), 0);
    const std::optional<Press> press = contacts.TakePress();
    ASSERT_TRUE(press.has_value());
    EXPECT_EQ(press->event, 0);
    journal.SetVerdict(press->event, false);
    EXPECT_EQ(journal.Events()[0].verdict, InputVerdict::Wrong);
    journal.SetVerdict(-1, true);  // a press nobody recorded changes nothing
}

TEST_F(InputJournalTest, NothingIsRecordedWhileNoTargetIsAwaitedOrWhenDisabled) {
    journal.SetAwaited(-1);
    contacts.OnTouch({Down(1, 1, 1)}, false, Ms(1));
    EXPECT_EQ(contacts.TakePress()->event, -1);
    contacts.OnTouch({Up(1, 1, 1)}, false, Ms(2));
    journal.SetAwaited(3);
    journal.SetEnabled(false);
    contacts.OnTouch({Down(2, 1, 1)}, false, Ms(3));
    EXPECT_TRUE(journal.Events().empty());
    journal.SetEnabled(true);
    contacts.OnTouch({Up(2, 1, 1)}, false, Ms(4));
    ASSERT_EQ(journal.Events().size(), 1u);
    EXPECT_EQ(journal.Events()[0].awaited, 3);
}

// After the run's last target the finger on it lifts: that release is still recorded, under the
// last target, while presses are not; once the record is composed nothing more is.
TEST_F(InputJournalTest, AfterTheRunOnlyReleasesAreRecordedUntilItStops) {
    journal.SetAwaited(24);
    contacts.OnTouch({Down(1, 5, 6)}, false, Ms(1));
    journal.FinishRun();
    contacts.OnTouch({Held(1, 5, 6), Down(2, 7, 8)}, false, Ms(2));  // a press after the run
    contacts.OnTouch({Up(1, 5, 6), Held(2, 7, 8)}, false, Ms(3));
    journal.SetAwaited(-1);
    contacts.OnTouch({Up(2, 7, 8)}, false, Ms(4));
    const std::vector<InputEvent>& got = journal.Events();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[0].press);
    EXPECT_FALSE(got[1].press);
    EXPECT_EQ(got[1].source_id, 1);
    EXPECT_EQ(got[1].awaited, 24);
    // A new run records presses again.
    journal.Clear();
    journal.SetAwaited(0);
    contacts.OnTouch({Down(3, 1, 1)}, false, Ms(5));
    EXPECT_EQ(journal.Events().size(), 1u);
}

// A full journal keeps the first kCapacity events and counts the rest; it never grows, so
// recording cannot allocate between a touch and its time stamp, and a new run starts empty.
TEST_F(InputJournalTest, AFullJournalKeepsTheFirstEventsAndCountsTheRest) {
    const InputEvent* storage = nullptr;
    for (std::size_t k = 0; k < InputJournal::kCapacity + 5; ++k) {
        const std::int32_t index =
            journal.Add(k % 2 == 0, InputSource::Touch, 1, 0, 0, Ms(static_cast<int>(k)));
        EXPECT_EQ(index, k < InputJournal::kCapacity ? static_cast<std::int32_t>(k) : -1);
        if (k == 0) {
            storage = journal.Events().data();
        }
    }
    EXPECT_EQ(journal.Events().size(), InputJournal::kCapacity);
    EXPECT_EQ(journal.Events().data(), storage);
    EXPECT_EQ(journal.Dropped(), 5);

    journal.NoteClockReset(Ms(0));
    journal.NoteClockReset(Ms(10));
    journal.NoteClockReset(Ms(20));  // only the first two resets mean anything
    EXPECT_EQ(journal.ResetCount(), 2);
    EXPECT_EQ(journal.Reset(1), Ms(10));
    journal.Clear();
    EXPECT_TRUE(journal.Events().empty());
    EXPECT_EQ(journal.Dropped(), 0);
    EXPECT_EQ(journal.ResetCount(), 0);
    EXPECT_EQ(journal.Add(true, InputSource::Touch, 1, 0, 0, Ms(0)), -1);  // nothing awaited
    EXPECT_EQ(journal.Events().capacity(), InputJournal::kCapacity);
}

}  // namespace
}  // namespace quorvel
