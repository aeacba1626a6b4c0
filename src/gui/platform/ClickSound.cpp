#include "gui/platform/ClickSound.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>
#else
#include <QSoundEffect>
#include <QUrl>
#endif

namespace quorvel {

namespace {

// The file's absolute name, or nothing when it is not a readable file.
QString ReadableClick(const QString& directory) {
    const QFileInfo file(QDir(directory).filePath(QStringLiteral("click.wav")));
    if (!file.isFile() || !file.isReadable()) {
        return {};
    }
    return file.absoluteFilePath();
}

}  // namespace

#ifdef _WIN32

ClickSound::ClickSound() = default;

ClickSound::~ClickSound() {
    Stop();
}

void ClickSound::Stop() {
    // The system plays from our buffer while we go on; it must stop before the buffer goes.
    if (!m_wave.isEmpty()) {
        PlaySoundW(nullptr, nullptr, 0);
    }
}

bool ClickSound::Load(const QString& directory) {
    Stop();
    m_wave.clear();
    m_loaded = false;
    QFile file(ReadableClick(directory));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    m_wave = file.readAll();
    m_loaded = true;
    return true;
}

void ClickSound::Play() {
    // Asynchronous, and never the system's default sound in place of a file that does not
    // play: a broken click.wav stays silent, as a missing one does.
    if (!m_wave.isEmpty()) {
        PlaySoundW(reinterpret_cast<LPCWSTR>(m_wave.constData()), nullptr,
                   SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }
}

bool ClickSound::HasSound() const {
    return m_loaded;
}

#else

ClickSound::ClickSound() = default;
ClickSound::~ClickSound() = default;

bool ClickSound::Load(const QString& directory) {
    const QString fileName = ReadableClick(directory);
    m_effect.reset();
    if (fileName.isEmpty()) {
        return false;
    }
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(fileName));
    return true;
}

void ClickSound::Play() {
    // A file that failed to decode, or no audio output, leaves the effect in its error
    // state; play() on it does nothing.
    if (m_effect != nullptr && m_effect->status() != QSoundEffect::Error) {
        m_effect->play();
    }
}

bool ClickSound::HasSound() const {
    return m_effect != nullptr;
}

#endif

}  // namespace quorvel
