#pragma once

#include <string>

namespace quorvel {

// One result line of the summary file, read back for the ranking. Texts are CP932 bytes.
struct SummaryRecord {
    std::string type;       // "A" or "B"
    std::string date;       // "yyyy/mm/dd"
    std::string time;       // "hh:mm:ss"
    std::string subject;    // the subject ID
    double total_rt = 0.0;  // seconds
    bool latest = false;    // true only for the file's last result line
};

}  // namespace quorvel
