#include "core/platform/RegularFile.h"

#include <QFileInfo>

namespace quorvel {

bool OpenRegularFileForReading(QFile& file) {
    // No FIFOs in the file system; pipes and devices have names of their own ("\\.\").
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
}

bool IsRegularFileOrMissing(const QString& path) {
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

}  // namespace quorvel
