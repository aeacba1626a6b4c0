#pragma once

namespace quorvel {

// Ends the process with `exitCode` before the application object is torn down, where that
// teardown is known to hang; elsewhere it returns and the normal teardown runs.
//
// Qt 6.4's Wayland client can deadlock while it closes its display connection at exit: its
// event thread waits inside libwayland for a read that was prepared and never finished, and
// the display's destructor waits for that thread for ever. Seen under Weston after every window
// had closed. Whoever calls this has saved and closed everything of its own, so the system
// closing the connection loses nothing.
void EndProcessIfTeardownMayHang(int exitCode);

}  // namespace quorvel
