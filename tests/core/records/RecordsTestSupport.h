#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "core/experiment/ExperimentState.h"

namespace quorvel::test {

// Dates in the expected bytes are UTC, whatever zone the machine is in.
inline void UseUtc() {
    qputenv("TZ", "UTC");
    tzset();
}

// 2024-03-05 07:08:09 UTC: every date and time field needs its zero padding.
constexpr std::int64_t kRecordTime = 1709622489;

// The file's bytes, or nothing when it does not exist.
inline std::optional<QByteArray> FileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return f.readAll();
}

// A run with `completed` targets done. Targets lie on a diagonal; every correct touch lands 3
// right and 2 above the centre; every fourth target first drew a touch on no circle. The first
// target took 1500 ms, and from the clock's restart each later one is found 1000 ms after the
// one before, so trial k (k >= 2) has TotalRT 1000 * (k - 1).
inline ExperimentState MakeRun(std::string subject, TestType type, int completed) {
    ExperimentState s;
    s.subject = std::move(subject);
    s.test_type = type;
    ResetLog(s);
    for (int i = 0; i < kTargetCount; ++i) {
        s.stimuli[i] = {70 + 35 * i, 697 - 25 * i};
    }
    for (int i = 0; i < completed; ++i) {
        TrialRecord& r = s.records[i];
        const bool missed = i % 4 == 3;
        r.resp = missed ? 0 : i + 1;
        r.resp_x = s.stimuli[i].x + 3;
        r.resp_y = s.stimuli[i].y - 2;
        r.hit_time = i == 0 ? 1500 : 1000 * i;
        r.errors = missed ? 1 : 0;
    }
    s.completed = completed;
    return s;
}

}  // namespace quorvel::test
