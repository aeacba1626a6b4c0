#pragma once

#include <QByteArray>
#include <QString>
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

// Where a run's summary line went. The ranking after the run shows that line as the latest,
// whatever other stations have added to the file around it.
struct SummaryLineWritten {
    QString path;        // the summary file, as written to
    qint64 offset = -1;  // where the line begins in it; -1: no line was written
    QByteArray line;     // the line's bytes, CR LF included
};

}  // namespace quorvel
