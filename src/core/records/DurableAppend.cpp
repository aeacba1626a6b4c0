#include "core/records/DurableAppend.h"

#include "core/platform/SyncFolder.h"
#include "core/records/AppendHandle.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <thread>
#include <utility>

namespace quorvel {

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
                // not help: the block is appended without the lock, as a single station
                // needs none, and the caller says so in the run's record.
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
        SyncFolderOf(m_path);
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
            SyncFolderOf(m_path);
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
            SyncFolderOf(m_path);
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
