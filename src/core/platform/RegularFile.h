#pragma once

#include <QFile>
#include <QString>

namespace quorvel {

// Opens an existing file for reading without ever waiting on the open: a FIFO opened plainly
// blocks until another process opens its other end, and a device may too. Anything but a
// regular file (a link to one is fine) is refused, and `file` stays closed.
bool OpenRegularFileForReading(QFile& file);

// True when nothing is at `path` (a new file may be made there) or a regular file is, also
// through links. A FIFO, device, socket or directory there is not ours to replace.
bool IsRegularFileOrMissing(const QString& path);

}  // namespace quorvel
