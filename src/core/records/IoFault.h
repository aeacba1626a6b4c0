#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace quorvel {

// The file operations the record writer performs. Every one of them asks the fault hook first,
// so tests can make any of them fail the way a full disk or a locked file would. Lock is the
// wait for other writers to let go of the file.
enum class IoOp { Open, Lock, Write, Flush, Sync, Close, Truncate, Remove };

// Called before each operation with the file's path; true makes that operation fail. An empty
// hook (the program's case) never fails anything.
using IoFaultHook = std::function<bool(IoOp op, const QString& path)>;

// One planned fault: the nth operation that matches fails, and with `sticky` every matching
// operation after it too.
struct IoFault {
    int nth = 1;  // 1 = the first matching operation
    bool sticky = false;
    std::optional<IoOp> op;  // only operations of this kind count; none: all kinds
    QString file;            // only paths ending in "/" + file count; empty: all files
};

// A hook that fails operations by plan and keeps a log of every operation it was asked about.
// Pass it by reference: `hook = std::ref(injector)`.
class IoFaultInjector {
  public:
    IoFaultInjector() = default;
    explicit IoFaultInjector(std::vector<IoFault> faults);

    bool operator()(IoOp op, const QString& path);

    struct Seen {
        IoOp op;
        QString path;
        bool failed;
    };
    const std::vector<Seen>& Log() const { return m_log; }
    int FailureCount() const;

  private:
    struct Planned {
        IoFault fault;
        int matched = 0;
    };
    std::vector<Planned> m_planned;
    std::vector<Seen> m_log;
};

}  // namespace quorvel
