#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "records/IoFault.h"

class QFile;

namespace quorvel {

// Appends one block of bytes to a file so that the file ends up holding either all of them,
// on disk, or exactly what it held before. A file that does not exist yet is created and
// begins with `header`; an existing file never gets the header again.
//
// Each Attempt() opens, writes, flushes, syncs and closes, checking every step. On a failure it
// restores the file (truncates it back, or removes the file it created) before reporting. If
// even that restoring fails, the next Attempt() of the same object finishes it first, so
// retrying after a fault never leaves a partial or doubled block behind.
class DurableAppend {
  public:
    DurableAppend(QString path, QByteArray header, QByteArray block, IoFaultHook hook = {});

    // True when the block (and, for a new file, the header) has reached the disk.
    bool Attempt();

    const QString& Path() const { return path_; }

  private:
    bool Fails(IoOp op) const;
    bool WriteAll(QFile& file, const QByteArray& bytes);
    bool Sync(QFile& file, bool created);
    void Restore(QFile& file, bool created, qint64 size);

    QString path_;
    QByteArray header_;
    QByteArray block_;
    IoFaultHook hook_;
    // Left over by an attempt whose restoring failed: the file is one this object created
    // (and must start again from nothing), or must be cut back to this size.
    bool leftoverCreated_ = false;
    std::optional<qint64> leftoverSize_;
};

}  // namespace quorvel
