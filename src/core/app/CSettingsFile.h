#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/app/SettingsFormat.h"

namespace quorvel {

// The operator's last conditions, kept as an ordered list of key/value texts in "<base>.ini"
// in the folder given to Load (the program gives its working directory). Every entry read is kept
// and written back, in the order in which its key first occurred; keys compare exactly, byte for
// byte. Entries are never removed.
class CSettingsFile {
  public:
    // Composes the file name (base + ".ini", in `directory`) and reads the file's entries
    // through SetString; Save writes to the same file.
    // A file that cannot be opened, or is not a regular file (a FIFO would keep the program
    // waiting), empties the store; nothing is reported.
    void Load(const QString& directory, const std::string& base);

    // Replaces the file with every entry, "key = value" and CR LF each. The new contents are
    // written to a temporary file that then takes the file's place, so the file is never
    // left truncated: after a failure (no name yet, directory not writable, disk full) it
    // stays exactly as it was. Something other than a regular file under the name (a FIFO, a
    // device) is left alone and the save fails. True when the file was replaced.
    bool Save() const;

    // Sets the value of `key`, appending a new entry when the key is not there yet.
    void SetString(std::string key, std::string value);
    // As SetString, with the value written as "%d".
    void SetInt(std::string key, std::int32_t value);

    // When `key` is there: copies its value into `value` and returns true. Otherwise leaves
    // `value` untouched and returns false.
    bool GetString(const std::string& key, std::string& value) const;
    // As GetString, with the integer the value begins with (ParseLeadingInt: the leading
    // digits, saturating at the 32-bit limits).
    bool GetInt(const std::string& key, std::int32_t& value) const;

    // Empty until Load has composed it.
    const std::string& FileName() const { return m_fileName; }
    // The file's path in the folder given to Load, as Save writes it; empty before Load.
    const QString& Path() const { return m_path; }
    const std::vector<SettingsEntry>& Entries() const { return m_entries; }

  private:
    const SettingsEntry* Find(const std::string& key) const;

    std::string m_fileName;
    QString m_path;  // the file name in the folder given to Load
    std::vector<SettingsEntry> m_entries;
    // Position of each key in m_entries, so a file of many lines loads in linear time.
    std::unordered_map<std::string, std::size_t> m_index;
};

}  // namespace quorvel
