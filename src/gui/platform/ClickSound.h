#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QSoundEffect;

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
#ifdef _WIN32
    void Stop();

    QByteArray m_wave;  // the file's bytes, played from memory
    bool m_loaded = false;
#else
    std::unique_ptr<QSoundEffect> m_effect;
#endif
};

}  // namespace quorvel
