#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <utility>

#include "core/records/DurableAppend.h"

// The file handle under DurableAppend, one implementation per platform (AppendHandle_posix.cpp,
// AppendHandle_win.cpp); the wait for the lock is shared (AppendHandle.cpp).

namespace quorvel {

// How many times to open the file again when it vanishes between looking and opening, or
// another writer removes it while this one waits for the lock.
constexpr int kOpenTries = 100;

// One open data file, read and written through the same handle, and the lock on it. Closing
// (or destroying) it releases the lock.
class AppendHandle {
  public:
    AppendHandle() = default;
    ~AppendHandle() { Close(); }
    AppendHandle(const AppendHandle&) = delete;
    AppendHandle& operator=(const AppendHandle&) = delete;

    // Opens the file at `path` for reading and writing, creating it when it does not exist
    // and `mayCreate`; `created` tells whether this call made it. Never waits: a FIFO opened
    // plainly blocks until someone opens its other end, so anything but a regular file (a
    // link to one is fine) is refused once it is open, before it is used.
    bool Open(const QString& path, bool mayCreate, bool& created);

    // Takes the exclusive lock, polling for up to `wait` while another writer has it; `hook`,
    // when given, is told of the wait (LockWaitHook).
    bool Lock(std::chrono::milliseconds wait, const LockWaitHook& hook = {});
    // After Lock() failed: the file system cannot lock at all (NFS without its lock service),
    // so no wait or retry will ever get the lock.
    bool LocksUnsupported() const { return m_noLocks; }
    // One try, no waiting.
    bool TryLock();

    // True when `path` still names this file: a writer that held the lock before may have
    // removed it (its own new file, which it could not fill), and bytes appended to a removed
    // file are lost.
    bool IsNamedBy(const QString& path) const;

    qint64 Size() const;
    bool ReadByte(qint64 at, char& byte) const;
    // Reads `size` bytes from `at` into `data`; false when fewer came.
    bool ReadAt(qint64 at, char* data, qint64 size) const;
    // Writes at the end of the file; true when every byte was taken.
    bool Append(const char* data, qint64 size);
    bool Truncate(qint64 size);
    bool Sync();
    // False when closing reported an error (a network drive may report a failed write only
    // here).
    bool Close();
    bool IsOpen() const;

    // Why the last operation that failed failed, in the system's words; empty when no
    // operation has failed.
    const QString& Error() const { return m_error; }

  private:
    // After TryLock() failed: true when the lock is only held by another writer, so waiting
    // may get it; false, with the reason kept, when the system refused the lock for good (a
    // file system that cannot lock at all also sets LocksUnsupported()).
    bool LockCanWait();

    // Keeps the system's reason for the failure that just happened and returns false.
    bool Failed() {
        m_error = qt_error_string(-1);
        return false;
    }
    bool Failed(QString reason) {
        m_error = std::move(reason);
        return false;
    }

    QString m_error;
    bool m_noLocks = false;
    // The open file: a descriptor on POSIX, a HANDLE on Windows, whose invalid value is -1 as
    // well; -1 while closed.
    qintptr m_file = -1;
};

}  // namespace quorvel
