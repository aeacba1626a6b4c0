#pragma once

#include <QString>
#include <string>

namespace quorvel {

// The one rule for what may stand before ".csv" as a trial log's name, on every platform the
// files may be copied to. The conditions dialog refuses what this refuses, with the reason;
// the writer never opens such a name.
enum class TrialLogStemFault {
    None,
    BadCharacter,  // a path separator, one of : * ? " < > |, or a control character (tab too:
                   // it would split the summary file's line)
    ReservedName,  // "." or "..", or a name Windows opens as a device whatever follows its
                   // first dot or blanks: CON, PRN, AUX, NUL, COM0-9, LPT0-9
    NotCp932,      // bytes that do not decode as CP932
};
TrialLogStemFault CheckTrialLogStem(const QString& id);

// The trial log's file name for a subject ID held as CP932 bytes: the ID decoded to characters
// followed by ".csv", so a Japanese ID gives a readable name on every platform. This is the one
// place the name is judged: the conditions dialog asks it about the bytes it is about to keep,
// and the writer about the bytes it writes.
struct TrialLogName {
    QString name;
    // Why the name must not be opened; None when it may.
    TrialLogStemFault fault = TrialLogStemFault::NotCp932;
    // False when the ID could lead the writer outside the working directory or onto a device,
    // or cannot be decoded: such a log is treated as one that cannot be opened.
    bool safe = false;
};

TrialLogName MakeTrialLogName(const std::string& subject);

// Whether a subject ID can name a trial log. The conditions dialog can use it to refuse an ID
// before a test instead of after it.
bool IsUsableSubjectId(const std::string& subject);

}  // namespace quorvel
