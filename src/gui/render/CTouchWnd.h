#pragma once

#include <QRect>
#include <vector>

#include "core/input/ContactState.h"
#include "core/input/EventClock.h"
#include "core/input/InputJournal.h"
#include "gui/render/CDXWnd.h"

class QWidget;

namespace quorvel {

// The experiment window: the drawing window that also turns touches and mouse presses into
// the current contact points, in physical window pixels, which the experiment driver polls.
// It decides nothing about responses.
class CTouchWnd : public CDXWnd {
  public:
    CTouchWnd();
    ~CTouchWnd() override;

    // The on-screen window, captioned "Experiment Window", over `rect` (physical pixels),
    // kept above the main frame. False when one exists already.
    bool Create(QWidget* parentFrame, const QRect& rect);

    // Greater than 0 while the screen is touched or a mouse button is held.
    int PointCount() const { return m_contacts.PointCount(); }
    // The current contact points (PointCount() of them); the first is the response.
    const std::vector<ContactPoint>& Points() const { return m_contacts.Points(); }
    const ContactState& Contacts() const { return m_contacts; }
    // The earliest press since the last call, even one already released (ContactState).
    std::optional<Press> TakePress() { return m_contacts.TakePress(); }
    // Whether the window system's timestamps of touch events, and of mouse events, are in use
    // to place presses (EventClock).
    bool TouchTimesTrusted() const { return m_touchClock.Trusted(); }
    bool MouseTimesTrusted() const { return m_mouseClock.Trusted(); }

    // Every press and release while a target is awaited, for the run's events file.
    InputJournal& Journal() { return m_journal; }
    const InputJournal& Journal() const { return m_journal; }

    // Whether the system has a touch screen among its input devices.
    static bool TouchScreenReady();

  protected:
    // The device is released and the contact ends with the window.
    void OnDestroy() override;
    void OnTouch(QTouchEvent& event) override;
    void OnMouse(QMouseEvent& event) override;

  private:
    ContactState m_contacts;
    InputJournal m_journal;
    // The points of the touch event being handled; kept so that handling one allocates nothing.
    std::vector<TouchInput> m_touchInputs;
    // When an event happened, from its timestamp where the window system's clock proves
    // reliable, otherwise its arrival. Touch and mouse events are judged apart: they may come
    // from different devices and drivers, or (in tests) from a stamping clock that does not
    // keep time at all, and one source's agreement must not vouch for the other's stamps.
    EventClock m_touchClock;
    EventClock m_mouseClock;
};

}  // namespace quorvel
