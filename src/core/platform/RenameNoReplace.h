#pragma once

#include <QString>

namespace quorvel {

// Gives the file `from` the name `to` in one step, only if no file has that name yet: never over
// an existing file, even one another process puts there at the same moment. The folder is
// synced after, so the new name survives a crash. False when the file keeps its old name;
// `existed` then tells whether that was because `to` was taken, and `reason` gives the system's
// words for any other failure.
bool RenameWithoutReplacing(const QString& from, const QString& to, bool& existed, QString& reason);

}  // namespace quorvel
