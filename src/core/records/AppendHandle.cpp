#include "core/records/AppendHandle.h"

#include <algorithm>
#include <thread>

namespace quorvel {

bool AppendHandle::Lock(std::chrono::milliseconds wait, const LockWaitHook& hook) {
    // Polled rather than blocking, so a writer that hangs on to the file (a stalled station on
    // a shared drive) costs the operator a bounded wait and a box, never a frozen program.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::chrono::milliseconds pause{1};
    // With a hook the user-interface thread is kept alive between the polls: never longer away.
    const std::chrono::milliseconds longest{hook ? 10 : 50};
    bool told = false;
    const auto ended = [&](bool result) {
        if (told) {
            hook(false);
        }
        return result;
    };
    for (;;) {
        if (TryLock()) {
            return ended(true);
        }
        if (!LockCanWait()) {
            return ended(false);
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return ended(Failed(QStringLiteral("Another program (another station) kept the file "
                                               "locked for %1 s.")
                                    .arg(std::chrono::duration<double>(wait).count(), 0, 'g', 3)));
        }
        if (hook) {
            told = true;
            if (!hook(true)) {
                return ended(Failed(QStringLiteral("The wait for the file was given up.")));
            }
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            pause, deadline - std::chrono::steady_clock::now()));
        pause = std::min(pause * 2, longest);
    }
}

}  // namespace quorvel
