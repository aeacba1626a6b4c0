#include "core/platform/RenameNoReplace.h"

#include <QFile>
#include <QFileInfo>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace quorvel {

#ifdef _WIN32

bool RenameWithoutReplacing(const QString& from, const QString& to, bool& existed,
                            QString& reason) {
    existed = false;
    reason.clear();
    const std::wstring source = QFileInfo(from).absoluteFilePath().toStdWString();
    const std::wstring target = QFileInfo(to).absoluteFilePath().toStdWString();
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0) {
        return true;
    }
    const DWORD error = GetLastError();
    existed = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    reason = qt_error_string(static_cast<int>(error));
    return false;
}

#else

namespace {

void SyncFolderOf(const QString& path) {
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool RenameWithoutReplacing(const QString& from, const QString& to, bool& existed,
                            QString& reason) {
    existed = false;
    reason.clear();
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    int result = -1;
#if defined(SYS_renameat2) && defined(__linux__)
    constexpr unsigned kNoReplace = 1;  // RENAME_NOREPLACE
    result = static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, source.constData(), AT_FDCWD,
                                        target.constData(), kNoReplace));
    if (result != 0 && errno != EINVAL && errno != ENOSYS) {
        existed = errno == EEXIST;
        reason = qt_error_string(errno);
        return false;
    }
#endif
    if (result != 0) {
        // A file system without the one-step call: a second link, which is never made over an
        // existing name, then the old name goes.
        if (::link(source.constData(), target.constData()) != 0) {
            existed = errno == EEXIST;
            reason = qt_error_string(errno);
            return false;
        }
        ::unlink(source.constData());
    }
    SyncFolderOf(to);
    return true;
}

#endif

}  // namespace quorvel
