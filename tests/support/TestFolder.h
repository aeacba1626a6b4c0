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

    bool write(const QString& name, const QByteArray& bytes) const {
        QFile f(filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QByteArray read(const QString& name) const {
        QFile f(filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The names in the folder, sorted, without "." and "..".
    QStringList entries() const {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

  private:
    QTemporaryDir m_dir;
};

}  // namespace quorvel::test
