#include "gui/platform/ClickSound.h"

#include <QByteArray>
#include <QFile>

#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

namespace quorvel {

struct ClickSound::Sound {
    QByteArray wave;  // the file's bytes, played from memory

    Sound() = default;
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
    ~Sound() {
        // The system plays from this buffer while we go on; it must stop before the buffer goes.
        if (!wave.isEmpty()) {
            PlaySoundW(nullptr, nullptr, 0);
        }
    }
};

ClickSound::ClickSound() = default;
ClickSound::~ClickSound() = default;

bool ClickSound::Load(const QString& directory) {
    m_sound.reset();
    QFile file(ReadableClick(directory));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    auto sound = std::make_unique<Sound>();
    sound->wave = file.readAll();
    m_sound = std::move(sound);
    return true;
}

void ClickSound::Play() {
    // Asynchronous, and never the system's default sound in place of a file that does not
    // play: a broken click.wav stays silent, as a missing one does.
    if (m_sound != nullptr && !m_sound->wave.isEmpty()) {
        PlaySoundW(reinterpret_cast<LPCWSTR>(m_sound->wave.constData()), nullptr,
                   SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }
}

}  // namespace quorvel
