#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "gui/platform/ClickSound.h"

namespace quorvel {
namespace {

TEST(ClickSound, AMissingFileIsSilent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ClickSound sound;
    EXPECT_FALSE(sound.Load(dir.path()));
    EXPECT_FALSE(sound.HasSound());
    sound.Play();
    sound.Play();
}

TEST(ClickSound, TheFileInTheGivenFolderIsTaken) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/assets/click.wav"),
                            dir.filePath(QStringLiteral("click.wav"))));
    ClickSound sound;
    EXPECT_TRUE(sound.Load(dir.path()));
    EXPECT_TRUE(sound.HasSound());
    // Returns at once whether or not the machine has an audio output.
    sound.Play();
    // A later run that finds the file gone plays nothing.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("click.wav"))));
    EXPECT_FALSE(sound.Load(dir.path()));
    sound.Play();
}

}  // namespace
}  // namespace quorvel
