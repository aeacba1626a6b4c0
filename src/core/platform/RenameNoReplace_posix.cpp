#include "core/platform/RenameNoReplace.h"

#include <QFile>

#include "core/platform/SyncFolder.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace quorvel {

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

}  // namespace quorvel
