#pragma once

#include <QString>
#include <memory>
#include <string>

class QSoundEffect;

namespace quorvel {

// The click on a correct touch. Loaded once per run; Play returns at once. A missing or
// unreadable file means silence and no message. On Windows the system plays the file itself
// (PlaySound, as the records' original program did); elsewhere Qt Multimedia plays it.
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
#ifdef _WIN32
    std::wstring m_file;  // empty: silent
#else
    std::unique_ptr<QSoundEffect> m_effect;
#endif
};

}  // namespace quorvel
