#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/input/ContactState.h"

namespace quorvel {

void PrintTo(const ContactPoint& p, std::ostream* os) {
    *os << "(" << p.x << "," << p.y << ")";
}

bool operator==(const Press& a, const Press& b) {
    return a.point == b.point && a.at == b.at && a.released == b.released;
}

void PrintTo(const Press& p, std::ostream* os) {
    *os << "press at (" << p.point.x << "," << p.point.y << ") "
        << std::chrono::duration_cast<std::chrono::milliseconds>(p.at.time_since_epoch()).count()
        << " ms" << (p.released ? ", released" : "");
}

namespace {

using Event = std::function<void(ContactState&)>;
using Points = std::vector<ContactPoint>;

constexpr MouseButton kLeft = MouseButton::Left;
constexpr MouseButton kRight = MouseButton::Right;

Event Touch(std::vector<TouchInput> inputs) {
    return [inputs](ContactState& s) { s.OnTouch(inputs); };
}
Event Unreadable() {
    return [](ContactState& s) { s.OnTouch({{1, 1, false}}, true); };
}
Event Down(MouseButton b, int x, int y) {
    return [=](ContactState& s) { s.OnButtonDown(b, x, y); };
}
Event Move(int x, int y) {
    return [=](ContactState& s) { s.OnMouseMove(x, y); };
}
Event Up(MouseButton b) {
    return [=](ContactState& s) { s.OnButtonUp(b); };
}
Event Destroy() {
    return [](ContactState& s) { s.OnDestroy(); };
}

struct Row {
    std::string name;
    std::vector<Event> events;
    bool contact;
    int buttons;
    Points points;
};

void RunRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ContactState s;
        for (const Event& e : row.events) {
            e(s);
        }
        EXPECT_EQ(s.Contact(), row.contact);
        EXPECT_EQ(s.Buttons(), row.buttons);
        EXPECT_EQ(s.Points(), row.points);
        EXPECT_EQ(s.PointCount(), static_cast<int>(row.points.size()));
    }
}

TEST(ContactState, StartsIdle) {
    ContactState s;
    EXPECT_FALSE(s.Contact());
    EXPECT_EQ(s.Buttons(), 0);
    EXPECT_EQ(s.PointCount(), 0);
    EXPECT_TRUE(s.Points().empty());
}

TEST(ContactState, TouchMessagesListTheContactsThatAreDown) {
    RunRows({
        {"two fingers, in the order delivered",
         {Touch({{30, 40, false}, {10, 20, false}})},
         true,
         0,
         {{30, 40}, {10, 20}}},
        {"one lifting, one moving: the moving one",
         {Touch({{1, 2, false}, {3, 4, false}}), Touch({{1, 2, true}, {5, 6, false}})},
         true,
         0,
         {{5, 6}}},
        {"all lifting: idle",
         {Touch({{1, 2, false}, {3, 4, false}}), Touch({{1, 2, true}, {3, 4, true}})},
         false,
         0,
         {}},
        {"an empty message: idle", {Touch({{1, 2, false}}), Touch({})}, false, 0, {}},
        {"negative and large positions pass unchanged",
         {Touch({{-5, 2000000, false}})},
         true,
         0,
         {{-5, 2000000}}},
        {"unreadable: points kept, contact on",
         {Touch({{7, 8, false}}), Touch({{7, 8, true}}), Unreadable()},
         true,
         0,
         {}},
        {"unreadable while touching keeps the points",
         {Touch({{7, 8, false}}), Unreadable()},
         true,
         0,
         {{7, 8}}},
        {"unreadable: a press is then ignored", {Unreadable(), Down(kLeft, 3, 3)}, true, 0, {}},
        {"unreadable: a release ends it", {Unreadable(), Up(kLeft)}, false, 0, {}},
    });
}

TEST(ContactState, MousePressesGiveOnePoint) {
    RunRows({
        {"left down", {Down(kLeft, 100, 200)}, true, 1, {{100, 200}}},
        {"right down answers like left", {Down(kRight, 100, 200)}, true, 2, {{100, 200}}},
        {"left drag", {Down(kLeft, 1, 1), Move(5, 6), Move(7, 9)}, true, 1, {{7, 9}}},
        {"left click", {Down(kLeft, 1, 1), Up(kLeft)}, false, 0, {}},
        {"move with no button", {Move(5, 6)}, false, 0, {}},
        {"right down, move, right up, move",
         {Down(kRight, 1, 1), Move(2, 2), Up(kRight), Move(3, 3)},
         false,
         0,
         {}},
        {"right while left held is ignored",
         {Down(kLeft, 1, 1), Down(kRight, 9, 9)},
         true,
         1,
         {{1, 1}}},
        {"right released while left held ends the contact",
         {Down(kLeft, 1, 1), Down(kRight, 9, 9), Up(kRight)},
         false,
         1,
         {}},
        {"left still held: moving reports it again",
         {Down(kLeft, 1, 1), Down(kRight, 9, 9), Up(kRight), Move(4, 4)},
         true,
         1,
         {{4, 4}}},
        {"left released while right pressed ends the contact",
         {Down(kLeft, 1, 1), Down(kRight, 9, 9), Up(kLeft)},
         false,
         0,
         {}},
        {"release with no contact", {Up(kLeft), Up(kRight)}, false, 0, {}},
        {"a second release", {Down(kLeft, 1, 1), Up(kLeft), Up(kLeft)}, false, 0, {}},
    });
}

TEST(ContactState, TouchAndMouseShareOneContact) {
    RunRows({
        {"a press while touching is ignored",
         {Touch({{5, 5, false}}), Down(kLeft, 9, 9)},
         true,
         0,
         {{5, 5}}},
        {"a release ends a touch contact", {Touch({{5, 5, false}}), Up(kRight)}, false, 0, {}},
        {"a touch replaces a mouse contact's point",
         {Down(kLeft, 1, 1), Touch({{7, 8, false}, {9, 10, false}})},
         true,
         1,
         {{7, 8}, {9, 10}}},
        {"a lift ends a mouse contact", {Down(kLeft, 1, 1), Touch({{7, 8, true}})}, false, 1, {}},
        // The release comes when no contact is in progress: it changes nothing but the
        // button, so hovering afterwards reports no contact.
        {"release after a touch ended the contact, then a move",
         {Down(kLeft, 1, 1), Touch({{7, 8, true}}), Up(kLeft), Move(3, 3)},
         false,
         0,
         {}},
    });
}

TEST(ContactState, DestroyingTheWindowForgetsEverything) {
    RunRows({
        {"during a mouse contact", {Down(kLeft, 1, 1), Destroy()}, false, 0, {}},
        {"during a touch", {Touch({{1, 1, false}, {2, 2, false}}), Destroy()}, false, 0, {}},
        // A button held as the window went must not turn the next run's hovering into
        // contacts.
        {"then a move", {Down(kRight, 1, 1), Destroy(), Move(4, 4)}, false, 0, {}},
        {"then a press", {Down(kLeft, 1, 1), Destroy(), Down(kLeft, 2, 2)}, true, 1, {{2, 2}}},
    });
}

EventTime At(int ms) {
    return EventTime(std::chrono::milliseconds(ms));
}

// The press a run of events leaves for the driver: the earliest contact begun since the last
// take, at its first point and its own time, marked released once its contact ended. Events
// are {event, ms}; a null event is a take by the driver, whose result is checked in `takes`.
struct PressRow {
    std::string name;
    std::vector<std::function<void(ContactState&, EventTime)>> events;
    std::vector<std::optional<Press>> takes;  // every take in order, then a final one
};

using Feed = std::function<void(ContactState&, EventTime)>;
Feed TouchAt(std::vector<TouchInput> inputs) {
    return [inputs](ContactState& s, EventTime at) { s.OnTouch(inputs, false, at); };
}
Feed DownAt(MouseButton b, int x, int y) {
    return [=](ContactState& s, EventTime at) { s.OnButtonDown(b, x, y, at); };
}
Feed MoveAt(int x, int y) {
    return [=](ContactState& s, EventTime at) { s.OnMouseMove(x, y, at); };
}
Feed UpAt(MouseButton b) {
    return [=](ContactState& s, EventTime) { s.OnButtonUp(b); };
}
const Feed kTake;  // the driver looks

std::optional<Press> Pressed(int x, int y, int ms, bool released) {
    return Press{{x, y}, At(ms), released};
}

TEST(ContactState, KeepsTheEarliestPressUntilTheDriverTakesIt) {
    const std::vector<PressRow> rows = {
        {"a tap is kept after its release",
         {TouchAt({{5, 6, false}}), TouchAt({{5, 6, true}})},
         {Pressed(5, 6, 1, true)}},
        {"a held press, then taken: its release does not bring it back",
         {TouchAt({{5, 6, false}}), kTake, TouchAt({{5, 6, true}})},
         {Pressed(5, 6, 1, false), std::nullopt}},
        {"the press's own point, not where the finger moved",
         {TouchAt({{5, 6, false}}), TouchAt({{9, 9, false}})},
         {Pressed(5, 6, 1, false)}},
        {"two taps before a look: the first only",
         {TouchAt({{1, 1, false}}), TouchAt({{1, 1, true}}), TouchAt({{2, 2, false}}),
          TouchAt({{2, 2, true}})},
         {Pressed(1, 1, 1, true)}},
        {"a first tap taken, a second kept for the next look",
         {TouchAt({{1, 1, false}}), TouchAt({{1, 1, true}}), kTake, TouchAt({{2, 2, false}})},
         {Pressed(1, 1, 1, true), Pressed(2, 2, 4, false)}},
        {"a second finger while one is down is no new press",
         {TouchAt({{1, 1, false}}), kTake, TouchAt({{1, 1, false}, {3, 3, false}})},
         {Pressed(1, 1, 1, false), std::nullopt}},
        {"two fingers together: one press at the first",
         {TouchAt({{4, 4, false}, {3, 3, false}})},
         {Pressed(4, 4, 1, false)}},
        {"a mouse click",
         {DownAt(kLeft, 7, 8), MoveAt(9, 9), UpAt(kLeft)},
         {Pressed(7, 8, 1, true)}},
        {"a mouse press ignored during a touch is no press",
         {TouchAt({{1, 1, false}}), kTake, DownAt(kLeft, 7, 8)},
         {Pressed(1, 1, 1, false), std::nullopt}},
        {"a touch ended while a button is held; the drag starts a new contact",
         {DownAt(kLeft, 7, 8), kTake, TouchAt({}), MoveAt(9, 9)},
         {Pressed(7, 8, 1, false), Pressed(9, 9, 4, false)}},
        {"nothing pressed, nothing taken", {MoveAt(1, 1), UpAt(kRight)}, {std::nullopt}},
    };
    for (const PressRow& row : rows) {
        SCOPED_TRACE(row.name);
        ContactState s;
        std::size_t take = 0;
        int ms = 0;
        for (const Feed& e : row.events) {
            ++ms;
            if (e) {
                e(s, At(ms));
                continue;
            }
            ASSERT_LT(take, row.takes.size());
            EXPECT_EQ(s.TakePress(), row.takes[take]) << "take " << take;
            ++take;
        }
        ASSERT_EQ(take + 1, row.takes.size());
        EXPECT_EQ(s.PendingPress(), row.takes[take]);
        EXPECT_EQ(s.TakePress(), row.takes[take]) << "last take";
        EXPECT_EQ(s.TakePress(), std::nullopt) << "handed out once";
    }
}

TEST(ContactState, UnreadableTouchesAndDestructionLeaveNoPress) {
    ContactState s;
    s.OnTouch({{1, 1, false}}, true, At(1));
    EXPECT_EQ(s.TakePress(), std::nullopt);
    s.OnTouch({{2, 2, false}}, false, At(2));
    s.OnDestroy();
    EXPECT_EQ(s.TakePress(), std::nullopt);
}

TEST(ToPhysicalPixel, ScalesAndTruncatesTowardZero) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Case {
        double logical, ratio;
        std::int32_t expected;
    };
    const Case cases[] = {
        {1.99, 1.0, 1},     {-0.5, 1.0, 0},
        {-1.5, 1.0, -1},    {10.0, 1.5, 15},
        {100.4, 1.25, 125}, {99.99, 2.0, 199},
        {0.0, 2.0, 0},      {kNaN, 1.0, 0},
        {1.0, kNaN, 0},     {1e20, 1.0, kMax},
        {-1e20, 1.0, kMin}, {kInf, 1.0, kMax},
        {-kInf, 1.0, kMin}, {2147483647.5, 1.0, kMax},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.logical << " x " << c.ratio);
        EXPECT_EQ(ToPhysicalPixel(c.logical, c.ratio), c.expected);
    }
}

TEST(ToPhysicalPixel, EveryPhysicalPixelComesBackAtEveryScaleFactor) {
    // The window system hands over a physical pixel divided by the ratio; at 1.5, 773 came
    // back as 772 through truncation, one column in six short.
    for (double ratio = 1.0; ratio <= 3.0; ratio += 0.25) {
        int wrong = 0;
        int firstWrong = -1;
        for (int pixel = -8; pixel <= 3840; ++pixel) {
            const double logical = pixel / ratio;
            if (ToPhysicalPixel(logical, ratio) != pixel) {
                ++wrong;
                firstWrong = firstWrong < 0 ? pixel : firstWrong;
            }
        }
        EXPECT_EQ(wrong, 0) << "ratio " << ratio << ", first at pixel " << firstWrong;
    }
}

}  // namespace
}  // namespace quorvel
