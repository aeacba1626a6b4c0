#include "records/DurableAppend.h"

#include <QFile>
#include <QFileInfo>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quorvel {

namespace {

// Pushes the file's data from the system's cache to the disk.
bool SyncHandle(int fd) {
#ifdef _WIN32
    return _commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

// A new file's name lives in its directory; syncing the directory keeps the name after a crash.
// Not every file system supports this, so a failure here is not an error of the append.
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

// What must come before a block appended to a file of `size` bytes so that the block starts on
// a line of its own: nothing when the file is empty, cannot be read, or ends with LF; the rest
// of a CR LF otherwise. Our files end every line with CR LF; one that does not ends in a row
// cut short by a failure that could not be undone, or was edited by hand.
QByteArray LineEndBefore(const QString& path, qint64 size) {
    char last = '\n';
    QFile probe(path);
    if (size > 0 && probe.open(QIODevice::ReadOnly) && probe.seek(size - 1)) {
        probe.getChar(&last);
    }
    if (last == '\n') {
        return QByteArray();
    }
    return last == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

}  // namespace

DurableAppend::DurableAppend(QString path, QByteArray header, QByteArray block, IoFaultHook hook)
    : path_(std::move(path)),
      header_(std::move(header)),
      block_(std::move(block)),
      hook_(std::move(hook)) {}

bool DurableAppend::Fails(IoOp op) const {
    return hook_ && hook_(op, path_);
}

bool DurableAppend::Attempt() {
    if (Fails(IoOp::Open)) {
        return false;
    }
    QFile file(path_);
    bool created = false;
    // Creating exclusively tells a new file from an existing one in one step, and opening the
    // existing one never creates it: the header goes exactly into files this call created.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        created = true;
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)) {
        return false;
    }
    qint64 base = created ? 0 : file.size();
    if (base < 0) {
        file.close();
        return false;
    }
    if (!created && leftoverCreated_) {
        // Our own file from an earlier attempt that could not be removed: start it again.
        created = true;
        base = 0;
    } else if (!created && leftoverSize_ && *leftoverSize_ < base) {
        base = *leftoverSize_;
    }
    if (file.size() != base && (Fails(IoOp::Truncate) || !file.resize(base))) {
        file.close();
        return false;
    }
    leftoverCreated_ = false;
    leftoverSize_.reset();

    // An unfinished last line is ended first, or it would swallow the block's first row.
    QByteArray bytes = created ? header_ + block_ : LineEndBefore(path_, base) + block_;
    if (!WriteAll(file, bytes) || !Sync(file, created)) {
        Restore(file, created, base);
        return false;
    }
    const bool closeFault = Fails(IoOp::Close);
    file.close();
    if (closeFault || file.error() != QFileDevice::NoError) {
        // The bytes may or may not be whole on the disk: take them out, so a retry adds one copy.
        Restore(file, created, base);
        return false;
    }
    return true;
}

bool DurableAppend::WriteAll(QFile& file, const QByteArray& bytes) {
    if (Fails(IoOp::Write)) {
        // Fail as a disk that fills up part way does: some of the bytes reach the file.
        file.write(bytes.left(bytes.size() / 2));
        file.flush();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        return false;
    }
    return !Fails(IoOp::Flush) && file.flush();
}

bool DurableAppend::Sync(QFile& file, bool created) {
    if (Fails(IoOp::Sync) || !SyncHandle(file.handle())) {
        return false;
    }
    if (created) {
        SyncDirectoryOf(path_);
    }
    return true;
}

void DurableAppend::Restore(QFile& file, bool created, qint64 size) {
    if (file.isOpen()) {
        if (!created && !Fails(IoOp::Truncate) && file.resize(size)) {
            SyncHandle(file.handle());
            file.close();
            return;
        }
        file.close();
    }
    // By name: the handle is gone, or could not cut the file.
    if (created) {
        if (Fails(IoOp::Remove) || !QFile::remove(path_)) {
            leftoverCreated_ = true;
        }
    } else if (Fails(IoOp::Truncate) || !QFile::resize(path_, size)) {
        leftoverSize_ = size;
    }
}

}  // namespace quorvel
