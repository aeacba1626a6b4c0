#pragma once

#include <QObject>
#include <array>

namespace quorvel {

// The keys the experiment driver watches.
enum class WatchedKey { Escape, Enter };

// Key state for the driver's polling: whether a key is down now, and whether it was pressed
// since the previous query. Fed by an application-wide event filter, so it only learns of
// presses and releases when events are dispatched: a loop waiting for a release must pump.
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
    // Forget everything (both parts, both keys).
    void Clear();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Bits {
        bool down = false;
        bool pressedSinceQuery = false;
    };
    std::array<Bits, 2> keys_{};
};

// The process's key state, made on first use and owned by the application object; make it
// early (at start-up) so no press is missed.
KeyState& AppKeyState();

}  // namespace quorvel
