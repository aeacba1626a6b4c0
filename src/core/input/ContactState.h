#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/experiment/Press.h"

namespace quorvel {

// One point of a touch message, in physical window pixels; `lifting` when the finger leaves
// the screen with this message, `pressing` when it comes down with it. `id` names the finger
// for as long as it stays down.
struct TouchInput {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool lifting = false;
    std::int32_t id = 0;
    bool pressing = false;
};

// The mouse buttons, as their bits in the set of held buttons.
enum class MouseButton : int { Left = 1, Right = 2 };

// A position in logical (device-independent) pixels as a physical pixel: scaled by the
// device pixel ratio and truncated toward zero, except that a product within a rounding
// error of a whole number is that number, so every physical pixel comes back exactly. Not a number
// gives 0; values beyond the 32-bit range give its nearest end.
std::int32_t ToPhysicalPixel(double logical, double devicePixelRatio);

class InputJournal;

// What the experiment window knows about the screen being touched or clicked: the contact
// points the driver polls (the first one is the response), fed by the window's touch and
// mouse events. Decides nothing about responses.
class ContactState {
  public:
    // Room taken for this many fingers, so that following them allocates nothing while a test
    // is timed.
    static constexpr std::size_t kFingers = 16;

    ContactState();

    // Every press and release of a finger or mouse button is also handed to `journal` (none:
    // not recorded), including those that change no contact (a mouse press during a touch).
    // The journal must outlive this or be replaced first.
    void SetJournal(InputJournal* journal) { m_journal = journal; }

    // A touch message: its points in the order delivered. Every point that is not lifting is
    // a contact point; when none is left the contact ends. An empty message ends it too. When
    // the message's points could not be read, the points stay as they were but a contact is
    // taken to be in progress, so mouse presses are ignored until a touch message or a button
    // release ends it.
    //
    // `at`, here and below, is when the event happened; a contact that begins with the event is
    // latched as a press at that time (see TakePress).
    void OnTouch(const std::vector<TouchInput>& inputs, bool unreadable = false, EventTime at = {});

    // Starts a mouse contact at (x, y); ignored while any contact is in progress.
    void OnButtonDown(MouseButton button, std::int32_t x, std::int32_t y, EventTime at = {});
    // Moves the contact to (x, y) while a button is held; nothing when none is.
    void OnMouseMove(std::int32_t x, std::int32_t y, EventTime at = {});
    // Either button's release ends the contact in progress, touch contacts included.
    void OnButtonUp(MouseButton button, std::int32_t x = 0, std::int32_t y = 0, EventTime at = {});
    // A press or release of a button that makes no contact (middle, extra buttons): only
    // recorded. `qtButton` is the button's Qt value.
    void OnOtherButton(std::int32_t qtButton, bool down, std::int32_t x, std::int32_t y,
                       EventTime at);
    // The on-screen window is gone: no contact, no points, no buttons held, no press latched.
    void OnDestroy();

    // The earliest press (a contact beginning: the point count going from 0 to more) since the
    // last call, taken by this call so that it is never handed out twice; none when no contact
    // has begun since. Later presses before the call are not latched: if one is still down it
    // is among the points. A latched press is marked released once its contact has ended.
    std::optional<Press> TakePress();
    const std::optional<Press>& PendingPress() const { return m_press; }

    bool Contact() const { return m_contact; }
    int Buttons() const { return m_buttons; }
    // Greater than 0 while the screen is touched or a mouse button is pressed.
    int PointCount() const { return m_pointCount; }
    // The current points, PointCount() of them, in window pixels.
    const std::vector<ContactPoint>& Points() const { return m_points; }
    // The journal's index of the press that began the first point's contact; -1 when unknown.
    std::int32_t FirstPointEvent() const {
        return m_pointEvents.empty() ? -1 : m_pointEvents.front();
    }

  private:
    void SetSinglePoint(std::int32_t x, std::int32_t y, std::int32_t event);
    std::int32_t Record(bool press, bool touch, std::int32_t id, std::int32_t x, std::int32_t y,
                        EventTime at);
    void ClearPoints();
    // Latches a press if the points just went from none to some.
    void LatchIfBegun(int countBefore, EventTime at);
    // The latched press's contact, if it is the current one, has ended.
    void EndLatchedContact();

    bool m_contact = false;
    int m_buttons = 0;
    int m_pointCount = 0;
    std::vector<ContactPoint> m_points;
    // Parallel to m_points: each point's touch id (-1 for the mouse) and the journal index of the
    // press that began it. The previous message's are kept to follow a finger that moves.
    std::vector<std::int32_t> m_pointIds;
    std::vector<std::int32_t> m_pointEvents;
    std::vector<std::int32_t> m_previousIds;
    std::vector<std::int32_t> m_previousEvents;
    InputJournal* m_journal = nullptr;
    std::optional<Press> m_press;
    bool m_pressIsCurrent = false;  // m_press's contact is the one in progress
};

}  // namespace quorvel
