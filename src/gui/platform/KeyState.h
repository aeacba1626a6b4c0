#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <array>

namespace quorvel {

// The keys the experiment driver watches.
enum class WatchedKey { Escape, Enter };

// Key state for the driver's polling: whether a key is down now, and whether it was pressed
// since the previous query. Fed by an application-wide event filter, so it only learns of
// presses and releases when events are dispatched: a loop waiting for a release must pump.
//
// A key is held only as long as the keyboard's events can still tell us of its release. A
// press that closes a box (Enter on a dialog) sends the release to a window that is gone by
// then, and on some systems it never arrives. So a key counts as down only while the window
// that took its press is still there and shown (and, as before, while the program has the
// keyboard at all). A key still held after its window closed comes back by its auto-repeat,
// which marks it down without counting as a new press, so a held Escape never aborts by
// repeating.
class KeyState : public QObject {
  public:
    // Starts watching the application's key events at once.
    explicit KeyState(QObject* parent = nullptr);
    ~KeyState() override;

    // True when the key is down now or was pressed since the previous query; the query clears
    // the "pressed since" part.
    bool Query(WatchedKey key);
    // Down now, without touching the "pressed since" part.
    bool IsDown(WatchedKey key) const;
    // Pressed since the previous query, without clearing it.
    bool PressedSinceQuery(WatchedKey key) const;
    // Forget everything (both parts, both keys).
    void Clear();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Bits {
        bool down = false;
        bool pressedSinceQuery = false;
        QPointer<QWindow> pressedIn;  // the window that took the press
    };
    bool Held(const Bits& bits) const;
    std::array<Bits, 2> m_keys{};
};

// The process's key state, made on first use and owned by the application object; make it
// early (at start-up) so no press is missed.
KeyState& AppKeyState();

}  // namespace quorvel
