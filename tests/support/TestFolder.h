#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quorvel::test {

// A fresh temporary folder, removed with the object, and whole-file helpers for names in it.
// The code under test is given the folder; the process's working directory stays as it is.
class TestFolder {
  public:
    bool valid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    bool write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    // The names in the folder, sorted, without "." and "..".
    QStringList entries() const {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

  private:
    QTemporaryDir m_dir;
};

// A TestFolder that is the process's working directory for its lifetime (our files are
// relative paths); the previous working directory comes back when it goes.
class WorkingTestFolder : public TestFolder {
  public:
    WorkingTestFolder() : m_previous(QDir::currentPath()) { QDir::setCurrent(path()); }
    ~WorkingTestFolder() { QDir::setCurrent(m_previous); }
    WorkingTestFolder(const WorkingTestFolder&) = delete;
    WorkingTestFolder& operator=(const WorkingTestFolder&) = delete;

  private:
    QString m_previous;
};

// Whole-file helpers for any path, a relative one taken from the working directory as it is at
// the call (the code under test may have moved it).
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool TestFolder::write(const QString& name, const QByteArray& bytes) const {
    return WriteFile(filePath(name), bytes);
}
inline QByteArray TestFolder::read(const QString& name) const {
    return ReadFile(filePath(name));
}

}  // namespace quorvel::test
