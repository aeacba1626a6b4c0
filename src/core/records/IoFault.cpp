#include "core/records/IoFault.h"

#include <algorithm>

namespace quorvel {

IoFaultInjector::IoFaultInjector(std::vector<IoFault> faults) {
    for (IoFault& f : faults) {
        m_planned.push_back({std::move(f), 0});
    }
}

bool IoFaultInjector::operator()(IoOp op, const QString& path) {
    bool fail = false;
    for (Planned& p : m_planned) {
        if (p.fault.op && *p.fault.op != op) {
            continue;
        }
        if (!p.fault.file.isEmpty() && !path.endsWith(QLatin1Char('/') + p.fault.file) &&
            path != p.fault.file) {
            continue;
        }
        ++p.matched;
        if (p.matched == p.fault.nth || (p.fault.sticky && p.matched > p.fault.nth)) {
            fail = true;
        }
    }
    m_log.push_back({op, path, fail});
    return fail;
}

int IoFaultInjector::FailureCount() const {
    return static_cast<int>(
        std::count_if(m_log.begin(), m_log.end(), [](const Seen& s) { return s.failed; }));
}

}  // namespace quorvel
