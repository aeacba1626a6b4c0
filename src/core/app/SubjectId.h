#pragma once

#include <QString>
#include <string>

namespace quorvel {

// Why the text of the subject field cannot serve as a subject ID. The ID is kept and written in
// CP932 and names the subject's trial log (the ID followed by ".csv"), whose rows it also starts.
enum class SubjectIdFault {
    None,
    NotCp932,      // a character CP932 cannot write
    BadCharacter,  // a path separator, one of : * ? " < > |, or a control character
    ReservedName,  // ".", "..", or a device name that Windows will not open as a file (CON, NUL..)
    EndBlank,      // a blank at the start or end, which the settings file would not keep
    EqualsSign,    // "=", which the settings file reads as the end of the value
    TooLong,       // the trial log's name would pass the 255-byte limit of common file systems
};

// Checks the operator's subject ID. The check goes by characters: a CP932 character whose
// second byte is 0x5C (ソ, 表, 能) is an ordinary letter. An empty ID is accepted: its trial
// log is named ".csv". A comma is accepted and written unquoted, as the record files always
// have; a tab is a control character and refused, so summary lines keep their five fields.
// Every ID accepted here comes back unchanged from the settings file at the next start.
SubjectIdFault CheckSubjectId(const QString& id);

// The ID as CP932 bytes, as the experiment state keeps it. Only for IDs CheckSubjectId
// accepts as far as NotCp932 goes; other characters come out as substitute bytes.
std::string SubjectIdToCp932(const QString& id);

// The text of CP932 bytes for showing. Bytes that are not valid CP932 give a text ending in
// U+FFFD, which CheckSubjectId refuses.
QString SubjectIdFromCp932(const std::string& bytes);

}  // namespace quorvel
