#include "core/app/CSettingsFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <utility>

#include "core/platform/Cp932.h"
#include "core/platform/RegularFile.h"

namespace quorvel {

namespace {

// The file name as the platform spells it: the base name is CP932 bytes like every text.
QString PathOf(const std::string& fileName) {
    return FromCp932(QByteArrayView(fileName.data(), static_cast<qsizetype>(fileName.size())));
}

}  // namespace

void CSettingsFile::Load(const QString& directory, const std::string& base) {
    m_fileName = base + ".ini";
    m_path = QDir(directory).filePath(PathOf(m_fileName));
    QFile file(m_path);
    if (!OpenRegularFileForReading(file)) {
        m_entries.clear();
        m_index.clear();
        return;
    }
    // A read error part-way keeps what was read before it, like the end of the file.
    const QByteArray bytes = file.readAll();
    for (SettingsEntry& e : ParseSettings(bytes)) {
        SetString(std::move(e.key), std::move(e.value));
    }
}

bool CSettingsFile::Save() const {
    if (m_fileName.empty()) {
        return false;
    }
    // The new file would take the place of whatever has the name, a FIFO or device too.
    if (!IsRegularFileOrMissing(m_path)) {
        return false;
    }
    QSaveFile file(m_path);
    // The new file is written beside the old one and put in its place in one step, so a
    // failure never leaves half a file. A folder the lab has made read-only (the file itself
    // writable) has no room for the new file: the old one is then rewritten in place, as a
    // plain rewrite would, every write still checked.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = FormatSettings(m_entries);
    // The bytes are buffered; flushing here is what finds a full disk. QSaveFile's commit
    // does not check its own flush and would put the cut-short file in place of the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void CSettingsFile::SetString(std::string key, std::string value) {
    const auto found = m_index.find(key);
    if (found != m_index.end()) {
        m_entries[found->second].value = std::move(value);
        return;
    }
    m_index.emplace(key, m_entries.size());
    m_entries.push_back({std::move(key), std::move(value)});
}

void CSettingsFile::SetInt(std::string key, std::int32_t value) {
    SetString(std::move(key), std::to_string(value));
}

bool CSettingsFile::GetString(const std::string& key, std::string& value) const {
    const SettingsEntry* e = Find(key);
    if (e == nullptr) {
        return false;
    }
    value = e->value;
    return true;
}

bool CSettingsFile::GetInt(const std::string& key, std::int32_t& value) const {
    const SettingsEntry* e = Find(key);
    if (e == nullptr) {
        return false;
    }
    value = ParseLeadingInt(e->value);
    return true;
}

const SettingsEntry* CSettingsFile::Find(const std::string& key) const {
    const auto found = m_index.find(key);
    return found == m_index.end() ? nullptr : &m_entries[found->second];
}

}  // namespace quorvel
