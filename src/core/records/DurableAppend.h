#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>

#include "core/records/IoFault.h"

namespace quorvel {

class AppendHandle;

// Told of a wait for another writer's lock: called with true about every 10 ms while the wait
// lasts, where the caller keeps its window alive (events, repaints, a note that it is waiting);
// returning false gives the wait up at once, as a failure. Called once with false when a wait
// ends, the lock granted or not. Never called when the lock is granted at the first try.
using LockWaitHook = std::function<bool(bool waiting)>;

// Appends one block of bytes to a file so that the file ends up holding either all of them,
// on disk, or exactly what it held before. A file that is empty (new, or left empty by a
// writer that was killed) begins with `header`, and so does a file with no data line (only a
// byte-order mark, blank lines), whose bytes the header and block replace; a file with a data
// line never gets the header again.
//
// Several writers, in other processes (other stations on a shared drive) or other threads, may
// append to the same file at once: each Attempt() holds an exclusive lock on the file from
// before it looks at the file's size until its bytes are on disk, so every block lands whole,
// once, after everything that was there when the lock was granted. A lock that another writer
// keeps for longer than the wait is a failure like any other.
//
// Each Attempt() opens, locks, writes, flushes, syncs and closes, checking every step. Only
// regular files (or links to them) are written; a FIFO, device or directory under the name is
// refused without waiting on it. On a failure it takes this attempt's bytes out again (cuts
// the file back to the size it had under the lock, or removes the file it created) before
// reporting. If even that fails, the next Attempt() of the same object finishes it first, as
// long as no other writer has appended since, so retrying after a fault never leaves a
// partial or doubled block behind.
class DurableAppend {
  public:
    DurableAppend(QString path, QByteArray header, QByteArray block, IoFaultHook hook = {});

    // How long Attempt() waits for other writers to release the file.
    static constexpr std::chrono::milliseconds kDefaultLockWait{10000};
    void SetLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }
    void SetLockWaitHook(LockWaitHook hook) { m_lockWaitHook = std::move(hook); }

    // True when the block (and, for an empty file, the header) has reached the disk.
    bool Attempt();

    const QString& Path() const { return m_path; }

    // Why the last Attempt() failed, in the system's words ("No space left on device", "It is
    // not a regular file."); empty after a success, and after a failure that had no reason
    // from the system (a fault a test injected).
    const QString& FailureReason() const { return m_failure; }

    // Where the block begins in the file after a successful Attempt(); -1 before. Other
    // writers' blocks may come before and after it.
    qint64 BlockOffset() const { return m_blockOffset; }

    // Takes the block of the last successful Attempt() out again, when a later file of the same
    // record could not be written: under the lock, and only while the block is still the end
    // of the file (a block another writer has appended after stays: cutting it out would take
    // theirs too). A file left with nothing but its header goes. True when the block is gone.
    bool TakeBack();

    // The last Attempt() found that the file system cannot lock at all (flock gives ENOLCK or
    // EOPNOTSUPP, as NFS without its lock service does) and wrote without the lock: another
    // station appending at the same moment could interleave with this block.
    bool WroteWithoutLock() const { return m_withoutLock; }

    // The last Attempt() failed because another writer kept the lock (for the whole wait, or
    // until the wait was given up).
    bool LockWasHeld() const { return m_lockHeld; }
    // Later attempts append without taking the lock at all: for the last moment of a program asked
    // to end while another station keeps the file, when waiting longer would lose the run.
    // WroteWithoutLock() then says so.
    void SetSkipLock(bool skip) { m_skipLock = skip; }

  private:
    bool Fails(IoOp op) const;
    bool WriteAll(AppendHandle& file, const QByteArray& bytes);
    bool Sync(AppendHandle& file, bool created);
    void Restore(AppendHandle& file, bool owned, qint64 size, const QByteArray& blank = {});
    void RestoreByName(bool owned, qint64 size, qint64 end);

    QString m_path;
    QByteArray m_header;
    QByteArray m_block;
    IoFaultHook m_hook;
    std::chrono::milliseconds m_lockWait = kDefaultLockWait;
    LockWaitHook m_lockWaitHook;
    qint64 m_blockOffset = -1;
    QString m_failure;
    bool m_withoutLock = false;
    bool m_lockHeld = false;
    bool m_skipLock = false;
    // Left over by an attempt whose restoring failed: bytes [from, to) of the file are this
    // object's, and `owned` when the file is one it created (and should not exist).
    struct Leftover {
        qint64 from = 0;
        qint64 to = -1;  // -1: unknown
        bool owned = false;
    };
    std::optional<Leftover> m_leftover;
};

}  // namespace quorvel
