#include "core/platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quorvel {

bool OpenRegularFileForReading(QFile& file) {
    const QByteArray name = QFile::encodeName(file.fileName());
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    // Blocking again for the reads, which on a regular file never wait anyway.
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags == -1 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1 ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool IsRegularFileOrMissing(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        // Nothing there, or a link to nothing: creating the file is up to the writer.
        return errno == ENOENT;
    }
    return S_ISREG(st.st_mode);
}

}  // namespace quorvel
