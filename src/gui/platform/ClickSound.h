#pragma once

#include <QString>
#include <memory>

class QSoundEffect;

namespace quorvel {

// The click on a correct touch. Loaded once per run; Play returns at once. A missing or
// unreadable file means silence and no message.
class ClickSound {
  public:
    ClickSound();
    ~ClickSound();
    ClickSound(const ClickSound&) = delete;
    ClickSound& operator=(const ClickSound&) = delete;

    // Takes the file (relative names are looked up in the working directory). False, and
    // silent from then on, when the file is not there.
    bool Load(const QString& fileName = QStringLiteral("click.wav"));
    // Starts the sound, if any, without waiting for it.
    void Play();
    bool HasSound() const { return m_effect != nullptr; }

  private:
    std::unique_ptr<QSoundEffect> m_effect;
};

}  // namespace quorvel
