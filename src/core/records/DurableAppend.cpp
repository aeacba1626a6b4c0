#include "core/records/DurableAppend.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace quorvel {

namespace {

// A new file's name lives in its directory; syncing the directory keeps the name (or its
// removal) after a crash. Not every file system supports this, so a failure here is not an
// error of the append.
void SyncDirectoryOf(const QString& path) {
#ifndef _WIN32
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

// How many times to open the file again when it vanishes between looking and opening, or
// another writer removes it while this one waits for the lock.
constexpr int kOpenTries = 100;

}  // namespace

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
#ifdef _WIN32
    HANDLE m_handle = INVALID_HANDLE_VALUE;
#else
    int m_fd = -1;
#endif
};

bool AppendHandle::Lock(std::chrono::milliseconds wait, const LockWaitHook& hook) {
    // Polled rather than blocking, so a writer that hangs on to the file (a stalled station on
    // a shared drive) costs the operator a bounded wait and a box, never a frozen program.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::chrono::milliseconds pause{1};
    // With a hook the user-interface thread is kept alive between the polls: never longer away.
    const std::chrono::milliseconds longest{hook ? 10 : 50};
    bool told = false;
    const auto ended = [&](bool result) {
        if (told) {
            hook(false);
        }
        return result;
    };
    for (;;) {
        if (TryLock()) {
            return ended(true);
        }
#ifndef _WIN32
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOTSUP || errno == ENOSYS) {
            m_noLocks = true;  // no locks on this file system
            return ended(Failed());
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return ended(Failed());
        }
#endif
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return ended(Failed(QStringLiteral("Another program (another station) kept the file "
                                               "locked for %1 s.")
                                    .arg(std::chrono::duration<double>(wait).count(), 0, 'g', 3)));
        }
        if (hook) {
            told = true;
            if (!hook(true)) {
                return ended(Failed(QStringLiteral("The wait for the file was given up.")));
            }
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            pause, deadline - std::chrono::steady_clock::now()));
        pause = std::min(pause * 2, longest);
    }
}

#ifdef _WIN32

bool AppendHandle::Open(const QString& path, bool mayCreate, bool& created) {
    Close();
    const std::wstring name = QFileInfo(path).absoluteFilePath().toStdWString();
    // Shared for deleting too, so a writer can remove its own new file while others have it
    // open and waiting for the lock.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    created = false;
    if (mayCreate) {
        m_handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        created = m_handle != INVALID_HANDLE_VALUE;
    }
    if (!created) {
        m_handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (m_handle == INVALID_HANDLE_VALUE) {
        return Failed();
    }
    if (GetFileType(m_handle) != FILE_TYPE_DISK) {  // a pipe or a device
        Close();
        return Failed(QStringLiteral("It is not a regular file."));
    }
    return true;
}

bool AppendHandle::TryLock() {
    // One byte far past any data: the lock only keeps other writers out, while the ranking
    // and other readers still read the file (Windows locks keep out reads of their range).
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    return LockFileEx(m_handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &at) != 0;
}

bool AppendHandle::IsNamedBy(const QString& path) const {
    const std::wstring name = QFileInfo(path).absoluteFilePath().toStdWString();
    HANDLE other =
        CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (other == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION mine{};
    BY_HANDLE_FILE_INFORMATION theirs{};
    const bool same = GetFileInformationByHandle(m_handle, &mine) != 0 &&
                      GetFileInformationByHandle(other, &theirs) != 0 &&
                      mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
                      mine.nFileIndexHigh == theirs.nFileIndexHigh &&
                      mine.nFileIndexLow == theirs.nFileIndexLow;
    CloseHandle(other);
    return same;
}

qint64 AppendHandle::Size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(m_handle, &size) != 0 ? static_cast<qint64>(size.QuadPart) : -1;
}

bool AppendHandle::ReadByte(qint64 at, char& byte) const {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD read = 0;
    return ReadFile(m_handle, &byte, 1, &read, &where) != 0 && read == 1;
}

bool AppendHandle::ReadAt(qint64 at, char* data, qint64 size) const {
    while (size > 0) {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(size, 1 << 30));
        DWORD read = 0;
        if (ReadFile(m_handle, data, chunk, &read, &where) == 0 || read == 0) {
            return false;
        }
        data += read;
        size -= read;
        at += read;
    }
    return true;
}

bool AppendHandle::Append(const char* data, qint64 size) {
    qint64 at = Size();
    while (at >= 0 && size > 0) {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(size, 1 << 30));
        DWORD written = 0;
        if (WriteFile(m_handle, data, chunk, &written, &where) == 0 || written == 0) {
            return Failed();
        }
        data += written;
        size -= written;
        at += written;
    }
    return at >= 0;
}

bool AppendHandle::Truncate(qint64 size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    return SetFileInformationByHandle(m_handle, FileEndOfFileInfo, &end, sizeof end) != 0;
}

bool AppendHandle::Sync() {
    return FlushFileBuffers(m_handle) != 0 || Failed();
}

bool AppendHandle::Close() {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return true;
    }
    const bool ok = CloseHandle(m_handle) != 0 || Failed();
    m_handle = INVALID_HANDLE_VALUE;
    return ok;
}

bool AppendHandle::IsOpen() const {
    return m_handle != INVALID_HANDLE_VALUE;
}

#else

bool AppendHandle::Open(const QString& path, bool mayCreate, bool& created) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK only for the open itself: it is what keeps a FIFO from blocking it.
    const int flags = O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    created = false;
    for (int tries = 0; m_fd < 0 && tries < kOpenTries; ++tries) {
        if (mayCreate) {
            // Creating exclusively tells a new file from an existing one in one step.
            m_fd = ::open(name.constData(), flags | O_CREAT | O_EXCL, 0666);
            if (m_fd >= 0) {
                created = true;
                break;
            }
            if (errno != EEXIST) {
                return Failed();
            }
        }
        m_fd = ::open(name.constData(), flags);
        if (m_fd < 0 && (errno != ENOENT || !mayCreate)) {
            return Failed();
        }
        // ENOENT: removed between the two opens; try creating it again.
    }
    if (m_fd < 0) {
        return Failed();
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        Failed();
        Close();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        Close();
        return Failed(QStringLiteral("It is not a regular file."));
    }
    const int fileFlags = ::fcntl(m_fd, F_GETFL);
    if (fileFlags == -1 || ::fcntl(m_fd, F_SETFL, fileFlags & ~O_NONBLOCK) == -1) {
        Failed();
        Close();
        return false;
    }
    return true;
}

bool AppendHandle::TryLock() {
    // flock, not fcntl's record locks: those belong to the process, so two threads of one
    // process would both be granted them; flock's belong to the open file.
    return ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
}

bool AppendHandle::IsNamedBy(const QString& path) const {
    struct stat mine {};
    struct stat named {};
    return ::fstat(m_fd, &mine) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
           mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

qint64 AppendHandle::Size() const {
    struct stat st {};
    return ::fstat(m_fd, &st) == 0 ? static_cast<qint64>(st.st_size) : -1;
}

bool AppendHandle::ReadByte(qint64 at, char& byte) const {
    return ::pread(m_fd, &byte, 1, static_cast<off_t>(at)) == 1;
}

bool AppendHandle::ReadAt(qint64 at, char* data, qint64 size) const {
    while (size > 0) {
        const ssize_t n =
            ::pread(m_fd, data, static_cast<std::size_t>(size), static_cast<off_t>(at));
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
        const ssize_t n = ::write(m_fd, data, static_cast<std::size_t>(size));
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
        result = ::ftruncate(m_fd, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed();
}

bool AppendHandle::Sync() {
    return ::fsync(m_fd) == 0 || Failed();
}

bool AppendHandle::Close() {
    if (m_fd < 0) {
        return true;
    }
    // Not retried on EINTR: the descriptor is gone whatever close() reports.
    const bool ok = ::close(m_fd) == 0 || Failed();
    m_fd = -1;
    return ok;
}

bool AppendHandle::IsOpen() const {
    return m_fd >= 0;
}

#endif

namespace {

// What must come before a block appended to a file of `size` bytes so that the block starts on
// a line of its own: nothing when the file is empty, cannot be read, or ends with LF; the rest
// of a CR LF otherwise. Our files end every line with CR LF; one that does not ends in a row
// cut short by a failure that could not be undone, or was edited by hand. Read through the
// locked handle, so the byte is never the middle of another writer's block.
QByteArray LineEndBefore(const AppendHandle& file, qint64 size) {
    char last = '\n';
    if (size > 0 && !file.ReadByte(size - 1, last)) {
        last = '\n';
    }
    if (last == '\n') {
        return QByteArray();
    }
    return last == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

// Up to this size a file is looked at to see whether it holds a data line at all.
constexpr qint64 kBlankFileLimit = 64 * 1024;

// True when the file's `size` bytes hold no data line: nothing but a byte-order mark at the
// start and line ends, blanks and tabs (left by an editor, or by a program that writes a mark
// into every new file). Such a file is as good as empty and gets its header; `bytes` are
// what it held, to be put back if the append fails.
bool HoldsNoDataLine(const AppendHandle& file, qint64 size, QByteArray& bytes) {
    if (size <= 0 || size > kBlankFileLimit) {
        return false;
    }
    bytes.resize(size);
    if (!file.ReadAt(0, bytes.data(), size)) {
        bytes.clear();
        return false;
    }
    const QByteArrayView rest =
        bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    for (const char c : rest) {
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t') {
            bytes.clear();
            return false;
        }
    }
    return true;
}

}  // namespace

DurableAppend::DurableAppend(QString path, QByteArray header, QByteArray block, IoFaultHook hook)
    : m_path(std::move(path)),
      m_header(std::move(header)),
      m_block(std::move(block)),
      m_hook(std::move(hook)) {}

bool DurableAppend::Fails(IoOp op) const {
    return m_hook && m_hook(op, m_path);
}

bool DurableAppend::Attempt() {
    m_blockOffset = -1;
    m_failure.clear();
    m_withoutLock = false;
    m_lockHeld = false;
    if (Fails(IoOp::Open)) {
        return false;
    }
    AppendHandle file;
    bool created = false;
    bool locked = false;
    // The file may be removed by the writer holding the lock (its own new file, which it could
    // not fill) while this one waits; then it is opened, or made, again.
    for (int tries = 0; tries < kOpenTries && !locked; ++tries) {
        if (!file.Open(m_path, true, created)) {
            m_failure = file.Error();
            return false;
        }
        if (m_skipLock) {
            m_withoutLock = true;
            locked = file.IsNamedBy(m_path);
            continue;
        }
        if (Fails(IoOp::Lock) || !file.Lock(m_lockWait, m_lockWaitHook)) {
            if (file.LocksUnsupported()) {
                // A file system that cannot lock at all would fail every write, and Retry could
                // not help: the block is appended without the lock, as the Windows program
                // always appended, and the caller says so in the run's record.
                m_withoutLock = true;
                locked = file.IsNamedBy(m_path);
                continue;
            }
            m_failure = file.Error();
            m_lockHeld = true;
            if (created && file.TryLock() && file.Size() == 0 && file.IsNamedBy(m_path) &&
                !Fails(IoOp::Remove)) {
                // This attempt's new, still empty file, and no other writer at it: it goes, so
                // the directory is as it was.
                QFile::remove(m_path);
            }
            return false;
        }
        locked = file.IsNamedBy(m_path);
    }
    if (!locked) {
        return false;
    }

    // From here on the file is this writer's alone: what it holds now is what must be kept.
    qint64 size = file.Size();
    if (size < 0) {
        m_failure = qt_error_string(-1);
        return false;
    }
    // A new file belongs to this writer, which removes it again on a failure, so a run that
    // writes nothing leaves no file behind.
    bool owned = created && size == 0;
    if (m_leftover) {
        // Bytes an earlier attempt could not take out go now, as long as they are still the
        // end of the file. When another writer has appended after them, they stay: cutting
        // them out would take that writer's block too. Its row starts on a line of its own.
        if (m_leftover->to >= 0 && size == m_leftover->to && size > m_leftover->from) {
            if (Fails(IoOp::Truncate) || !file.Truncate(m_leftover->from)) {
                m_failure = file.Error();
                return false;
            }
            size = m_leftover->from;
        }
        owned = owned || (m_leftover->owned && size == 0);
        m_leftover.reset();
    }

    // A file with no data line (only a byte-order mark, only line ends) is as good as empty:
    // it is cut to nothing and gets its header at the top, where readers look for it.
    QByteArray blank;
    if (HoldsNoDataLine(file, size, blank)) {
        if (Fails(IoOp::Truncate) || !file.Truncate(0)) {
            m_failure = file.Error();
            return false;
        }
        size = 0;
    }

    // The header goes into an empty file, whoever made it; an unfinished last line is ended
    // first, or it would swallow the block's first row.
    const QByteArray lead = size == 0 ? m_header : LineEndBefore(file, size);
    if (!WriteAll(file, lead + m_block) || !Sync(file, created)) {
        m_failure = file.Error();
        Restore(file, owned, size, blank);
        return false;
    }
    if (Fails(IoOp::Close)) {
        m_failure = file.Error();
        Restore(file, owned, size, blank);
        return false;
    }
    if (!file.Close()) {
        // The bytes may or may not be whole on the disk: take them out, so a retry adds one copy.
        m_failure = file.Error();
        RestoreByName(owned, size, size + lead.size() + m_block.size());
        return false;
    }
    m_blockOffset = size + lead.size();
    return true;
}

bool DurableAppend::WriteAll(AppendHandle& file, const QByteArray& bytes) {
    if (Fails(IoOp::Write)) {
        // Fail as a disk that fills up part way does: some of the bytes reach the file.
        file.Append(bytes.constData(), bytes.size() / 2);
        return false;
    }
    // Nothing is buffered in the process: every byte has gone to the system once Append
    // returns. The flush step stays so a fault can strike between the last write and the sync.
    return file.Append(bytes.constData(), bytes.size()) && !Fails(IoOp::Flush);
}

bool DurableAppend::Sync(AppendHandle& file, bool created) {
    if (Fails(IoOp::Sync) || !file.Sync()) {
        return false;
    }
    if (created) {
        SyncDirectoryOf(m_path);
    }
    return true;
}

void DurableAppend::Restore(AppendHandle& file, bool owned, qint64 size, const QByteArray& blank) {
    // Still under the lock: no other writer has added anything after this attempt's bytes.
    const qint64 end = file.Size();
    if (owned && size == 0) {
        // This writer's new file goes altogether. Writers waiting for it find it gone once they
        // have the lock, and open the name again.
        if (!Fails(IoOp::Remove) && file.IsNamedBy(m_path) && QFile::remove(m_path)) {
            SyncDirectoryOf(m_path);
            return;
        }
        m_leftover = Leftover{0, end, true};
        return;
    }
    if (!Fails(IoOp::Truncate) && file.Truncate(size)) {
        // What a file without a data line held goes back; it holds no data, so should that
        // fail, the empty file left is as good.
        if (!blank.isEmpty()) {
            file.Append(blank.constData(), blank.size());
        }
        file.Sync();
        return;
    }
    // By name: the handle could not cut the file. The lock still keeps other writers out.
    if (!Fails(IoOp::Truncate) && file.IsNamedBy(m_path) && QFile::resize(m_path, size)) {
        return;
    }
    m_leftover = Leftover{size, end, false};
}

void DurableAppend::RestoreByName(bool owned, qint64 size, qint64 end) {
    // The lock went with the handle: take it again, and take the bytes out only if they are
    // still the end of the file.
    AppendHandle again;
    bool created = false;
    if (again.Open(m_path, false, created) &&
        (again.Lock(m_lockWait) || again.LocksUnsupported()) && again.IsNamedBy(m_path)) {
        if (again.Size() == end) {
            Restore(again, owned, size);
        }
        return;
    }
    m_leftover = Leftover{size, end, owned};
}

bool DurableAppend::TakeBack() {
    if (m_blockOffset < 0) {
        return true;
    }
    AppendHandle file;
    bool created = false;
    if (Fails(IoOp::Open) || !file.Open(m_path, false, created) || !file.Lock(m_lockWait) ||
        !file.IsNamedBy(m_path) || file.Size() != m_blockOffset + m_block.size()) {
        return false;
    }
    if (!m_header.isEmpty() && m_blockOffset == m_header.size()) {
        if (!Fails(IoOp::Remove) && QFile::remove(m_path)) {
            SyncDirectoryOf(m_path);
            m_blockOffset = -1;
            return true;
        }
    }
    if (Fails(IoOp::Truncate) || !file.Truncate(m_blockOffset) || !file.Sync()) {
        return false;
    }
    m_blockOffset = -1;
    return true;
}

}  // namespace quorvel
