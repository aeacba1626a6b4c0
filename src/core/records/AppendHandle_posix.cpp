#include "core/records/AppendHandle.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quorvel {

namespace {

int Fd(qintptr file) {
    return static_cast<int>(file);
}

}  // namespace

bool AppendHandle::LockCanWait() {
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOTSUP || errno == ENOSYS) {
        m_noLocks = true;  // no locks on this file system
        return Failed();
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
        return Failed();
    }
    return true;
}

bool AppendHandle::Open(const QString& path, bool mayCreate, bool& created) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK only for the open itself: it is what keeps a FIFO from blocking it.
    const int flags = O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    created = false;
    for (int tries = 0; m_file < 0 && tries < kOpenTries; ++tries) {
        if (mayCreate) {
            // Creating exclusively tells a new file from an existing one in one step.
            m_file = ::open(name.constData(), flags | O_CREAT | O_EXCL, 0666);
            if (m_file >= 0) {
                created = true;
                break;
            }
            if (errno != EEXIST) {
                return Failed();
            }
        }
        m_file = ::open(name.constData(), flags);
        if (m_file < 0 && (errno != ENOENT || !mayCreate)) {
            return Failed();
        }
        // ENOENT: removed between the two opens; try creating it again.
    }
    if (m_file < 0) {
        return Failed();
    }
    struct stat st {};
    if (::fstat(Fd(m_file), &st) != 0) {
        Failed();
        Close();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        Close();
        return Failed(QStringLiteral("It is not a regular file."));
    }
    const int fileFlags = ::fcntl(Fd(m_file), F_GETFL);
    if (fileFlags == -1 || ::fcntl(Fd(m_file), F_SETFL, fileFlags & ~O_NONBLOCK) == -1) {
        Failed();
        Close();
        return false;
    }
    return true;
}

bool AppendHandle::TryLock() {
    // flock, not fcntl's record locks: those belong to the process, so two threads of one
    // process would both be granted them; flock's belong to the open file.
    return ::flock(Fd(m_file), LOCK_EX | LOCK_NB) == 0;
}

bool AppendHandle::IsNamedBy(const QString& path) const {
    struct stat mine {};
    struct stat named {};
    return ::fstat(Fd(m_file), &mine) == 0 &&
           ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
           mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

qint64 AppendHandle::Size() const {
    struct stat st {};
    return ::fstat(Fd(m_file), &st) == 0 ? static_cast<qint64>(st.st_size) : -1;
}

bool AppendHandle::ReadByte(qint64 at, char& byte) const {
    return ::pread(Fd(m_file), &byte, 1, static_cast<off_t>(at)) == 1;
}

bool AppendHandle::ReadAt(qint64 at, char* data, qint64 size) const {
    while (size > 0) {
        const ssize_t n =
            ::pread(Fd(m_file), data, static_cast<std::size_t>(size), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= n;
        at += n;
    }
    return true;
}

bool AppendHandle::Append(const char* data, qint64 size) {
    // O_APPEND: every write goes to the end as the file is then, whatever the offset says.
    while (size > 0) {
        const ssize_t n = ::write(Fd(m_file), data, static_cast<std::size_t>(size));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Failed();
        }
        data += n;
        size -= n;
    }
    return true;
}

bool AppendHandle::Truncate(qint64 size) {
    int result = 0;
    do {
        result = ::ftruncate(Fd(m_file), static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed();
}

bool AppendHandle::Sync() {
    return ::fsync(Fd(m_file)) == 0 || Failed();
}

bool AppendHandle::Close() {
    if (m_file < 0) {
        return true;
    }
    // Not retried on EINTR: the descriptor is gone whatever close() reports.
    const bool ok = ::close(Fd(m_file)) == 0 || Failed();
    m_file = -1;
    return ok;
}

bool AppendHandle::IsOpen() const {
    return m_file >= 0;
}

}  // namespace quorvel
