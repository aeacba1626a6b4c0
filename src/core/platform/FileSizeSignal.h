#pragma once

namespace quorvel {

// Makes a write past the process's file-size limit (ulimit -f, a lab's login limits) fail
// with an error, as a full disk does, instead of ending the process: by default the system
// kills a process that writes past the limit (SIGXFSZ), in the middle of an append, and the
// cut row stays in the file for ever. With the signal ignored the writers see the error,
// take their bytes out again and tell the operator. Process-wide; the program calls it once
// at start-up. Nothing to do where there are no such signals (Windows).
void TreatFileSizeLimitAsWriteError();

}  // namespace quorvel
