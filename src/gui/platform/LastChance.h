#pragma once

#include <functional>

namespace quorvel {

// Work that must be done even when the process ends without returning to main(). Qt ends the
// process with exit() when its connection to the display breaks (the X server or the Wayland
// compositor died, the session was killed from under it); only the exit handlers run then.
// While the object lives, its work runs at such an exit, once; it never runs at an ordinary end,
// where the object has gone first. One object at a time. Whatever the work uses must exist
// before the object is made: statics made later are gone by the time it runs.
class LastChance {
  public:
    explicit LastChance(std::function<void()> work);
    ~LastChance();
    LastChance(const LastChance&) = delete;
    LastChance& operator=(const LastChance&) = delete;

  private:
    static void AtExit();

    std::function<void()> m_work;
};

}  // namespace quorvel
