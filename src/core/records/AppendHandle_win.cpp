#include "core/records/AppendHandle.h"

#include <QFileInfo>
#include <algorithm>

#include <windows.h>

namespace quorvel {

namespace {

HANDLE Handle(qintptr file) {
    return reinterpret_cast<HANDLE>(file);
}

qintptr ToFile(HANDLE handle) {
    return reinterpret_cast<qintptr>(handle);
}

// A read or write at byte `at` of the file.
OVERLAPPED At(qint64 at) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    return where;
}

}  // namespace

bool AppendHandle::LockCanWait() {
    // The reason for a refused lock is not told apart here: the wait goes on to its deadline.
    return true;
}

bool AppendHandle::Open(const QString& path, bool mayCreate, bool& created) {
    Close();
    const std::wstring name = QFileInfo(path).absoluteFilePath().toStdWString();
    // Shared for deleting too, so a writer can remove its own new file while others have it
    // open and waiting for the lock.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    created = false;
    if (mayCreate) {
        m_file = ToFile(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        created = m_file != -1;
    }
    if (!created) {
        m_file = ToFile(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (m_file == -1) {
        return Failed();
    }
    if (GetFileType(Handle(m_file)) != FILE_TYPE_DISK) {  // a pipe or a device
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
    return LockFileEx(Handle(m_file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
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
    const bool same = GetFileInformationByHandle(Handle(m_file), &mine) != 0 &&
                      GetFileInformationByHandle(other, &theirs) != 0 &&
                      mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
                      mine.nFileIndexHigh == theirs.nFileIndexHigh &&
                      mine.nFileIndexLow == theirs.nFileIndexLow;
    CloseHandle(other);
    return same;
}

qint64 AppendHandle::Size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(Handle(m_file), &size) != 0 ? static_cast<qint64>(size.QuadPart) : -1;
}

bool AppendHandle::ReadByte(qint64 at, char& byte) const {
    OVERLAPPED where = At(at);
    DWORD read = 0;
    return ReadFile(Handle(m_file), &byte, 1, &read, &where) != 0 && read == 1;
}

bool AppendHandle::ReadAt(qint64 at, char* data, qint64 size) const {
    while (size > 0) {
        OVERLAPPED where = At(at);
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(size, 1 << 30));
        DWORD read = 0;
        if (ReadFile(Handle(m_file), data, chunk, &read, &where) == 0 || read == 0) {
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
        OVERLAPPED where = At(at);
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(size, 1 << 30));
        DWORD written = 0;
        if (WriteFile(Handle(m_file), data, chunk, &written, &where) == 0 || written == 0) {
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
    return SetFileInformationByHandle(Handle(m_file), FileEndOfFileInfo, &end, sizeof end) != 0;
}

bool AppendHandle::Sync() {
    return FlushFileBuffers(Handle(m_file)) != 0 || Failed();
}

bool AppendHandle::Close() {
    if (m_file == -1) {
        return true;
    }
    const bool ok = CloseHandle(Handle(m_file)) != 0 || Failed();
    m_file = -1;
    return ok;
}

bool AppendHandle::IsOpen() const {
    return m_file != -1;
}

}  // namespace quorvel
