#include "gui/platform/LastChance.h"

#include <cstdlib>
#include <utility>

namespace quorvel {

namespace {

// The armed object. An exit handler takes no argument and can reach nothing else, so this is
// the one place it can be found; null while none is armed.
LastChance* g_armed = nullptr;

}  // namespace

LastChance::LastChance(std::function<void()> work) : m_work(std::move(work)) {
    // Registered anew for every object: exit handlers run in the reverse order of their
    // registration, interleaved with the destruction of function-local statics, so this one
    // runs before any static made up to now is gone. The handlers of earlier objects find
    // nothing armed.
    if (std::atexit(&LastChance::AtExit) == 0) {
        g_armed = this;
    }
}

LastChance::~LastChance() {
    if (g_armed == this) {
        g_armed = nullptr;
    }
}

void LastChance::AtExit() {
    LastChance* armed = g_armed;
    g_armed = nullptr;
    if (armed != nullptr && armed->m_work) {
        armed->m_work();
    }
}

}  // namespace quorvel
