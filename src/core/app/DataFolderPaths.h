#pragma once

#include <QString>

namespace quorvel {

// Where --data-folder works: ~/Quorvel on Linux and macOS; on Windows the user's Documents
// folder (wherever the user keeps it), Documents\Quorvel, which the Start-menu entry uses.
QString DefaultDataFolder();

// click.wav in the shared folder of an installed Quorvel, copied into a new data folder:
// /usr/share/quorvel for the Debian package; on Windows the program's own folder, where the
// installer and the zip put it.
QString SharedClickSound();

}  // namespace quorvel
