#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "gui/platform/ClickSound.h"

namespace quorvel {
namespace {

// The working directory of the test, restored afterwards.
class InDirectory {
  public:
    explicit InDirectory(const QString& path) : m_old(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~InDirectory() { QDir::setCurrent(m_old); }

  private:
    QString m_old;
};

TEST(ClickSound, AMissingFileIsSilent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    InDirectory cd(dir.path());
    ClickSound sound;
    EXPECT_FALSE(sound.Load());
    EXPECT_FALSE(sound.HasSound());
    sound.Play();
    sound.Play();
}

TEST(ClickSound, TheFileInTheWorkingDirectoryIsTaken) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/assets/click.wav"),
                            dir.filePath(QStringLiteral("click.wav"))));
    InDirectory cd(dir.path());
    ClickSound sound;
    EXPECT_TRUE(sound.Load());
    EXPECT_TRUE(sound.HasSound());
    // Returns at once whether or not the machine has an audio output.
    sound.Play();
    // A later run that finds the file gone plays nothing.
    ASSERT_TRUE(QFile::remove(QStringLiteral("click.wav")));
    EXPECT_FALSE(sound.Load());
    sound.Play();
}

}  // namespace
}  // namespace quorvel
