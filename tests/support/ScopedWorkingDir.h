#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quorvel::test {

// Makes a fresh temporary directory the process's working directory for the lifetime of the
// object, and goes back to the previous one afterwards. Our files are relative paths.
class ScopedWorkingDir {
  public:
    ScopedWorkingDir() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~ScopedWorkingDir() { QDir::setCurrent(m_previous); }
    ScopedWorkingDir(const ScopedWorkingDir&) = delete;
    ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

    bool valid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }

    // Whole-file helpers for a name relative to the directory.
    static bool write(const QString& name, const QByteArray& bytes) {
        QFile f(name);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray read(const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The names in the directory, sorted, without "." and "..".
    QStringList entries() const {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

  private:
    QString m_previous;
    QTemporaryDir m_dir;
};

}  // namespace quorvel::test
