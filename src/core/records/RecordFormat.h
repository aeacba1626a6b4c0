#pragma once

#include <cstdint>
#include <string>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// Both files are CP932 text with CR LF line ends on every platform, so they are composed as
// bytes here and written without any text-mode translation.
inline constexpr char kLineEnd[] = "\r\n";
inline constexpr char kTrialLogHeader[] =
    "Subject,Type,Date,Time,Trial,StimX,StimY,Resp,RespX,RespY,RT,TotalRT,Error\r\n";
inline constexpr char kSummaryHeader[] = "Type\tDate\tTime\tSubject\tTotalRT\r\n";
inline constexpr char kSummaryFileName[] = "QVL.txt";

// The date and time a run's records carry, as printed in both files.
struct RecordTimeText {
    std::string date;  // "YYYY/MM/DD", or "0000/00/00" when local time cannot be had
    std::string time;  // "hh:mm:ss", or "-1:-1:-1" when local time cannot be had
};

// Converts seconds since the epoch to local time (time zone and daylight saving applied).
RecordTimeText FormatRecordTime(std::int64_t seconds);

// One row per completed trial (the first `completed` records), each ending in CR LF.
std::string TrialLogRows(const ExperimentState& state, const RecordTimeText& when);

// The summary line of a completed run, ending in CR LF.
std::string SummaryLine(const ExperimentState& state, const RecordTimeText& when);

// Milliseconds as seconds with three decimals ("%.3f" of ms / 1000.0), independent of the
// process locale so a decimal comma can never reach the file.
std::string FormatSeconds(std::int32_t milliseconds);

}  // namespace quorvel
