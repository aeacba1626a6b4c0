#include "gui/platform/ClickSound.h"

#include <QSoundEffect>
#include <QUrl>

namespace quorvel {

struct ClickSound::Sound {
    QSoundEffect effect;
};

ClickSound::ClickSound() = default;
ClickSound::~ClickSound() = default;

bool ClickSound::Load(const QString& directory) {
    const QString fileName = ReadableClick(directory);
    m_sound.reset();
    if (fileName.isEmpty()) {
        return false;
    }
    m_sound = std::make_unique<Sound>();
    m_sound->effect.setSource(QUrl::fromLocalFile(fileName));
    return true;
}

void ClickSound::Play() {
    // A file that failed to decode, or no audio output, leaves the effect in its error
    // state; play() on it does nothing.
    if (m_sound != nullptr && m_sound->effect.status() != QSoundEffect::Error) {
        m_sound->effect.play();
    }
}

}  // namespace quorvel
