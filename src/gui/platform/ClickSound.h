#pragma once

#include <QString>
#include <memory>

namespace quorvel {

// The click on a correct touch. Loaded once per run; Play returns at once. A missing or
// unreadable file means silence and no message. On Windows the system plays the sound from a
// copy held in memory (PlaySound), so no touch waits for the disk and the file stays free to
// be replaced or removed; elsewhere Qt Multimedia plays it.
class ClickSound {
  public:
    ClickSound();
    ~ClickSound();
    ClickSound(const ClickSound&) = delete;
    ClickSound& operator=(const ClickSound&) = delete;

    // Takes "click.wav" in `directory` (the folder the run's records go to). False, and silent
    // from then on, when the file is not there.
    bool Load(const QString& directory);
    // Starts the sound, if any, without waiting for it.
    void Play();
    bool HasSound() const;

  private:
    // The loaded sound, as the platform plays it (ClickSound_posix.cpp, ClickSound_win.cpp).
    struct Sound;

    // "click.wav" in `directory` as an absolute name, or nothing when it is not a readable file.
    static QString ReadableClick(const QString& directory);

    std::unique_ptr<Sound> m_sound;
};

}  // namespace quorvel
