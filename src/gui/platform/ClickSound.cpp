#include "gui/platform/ClickSound.h"

#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace quorvel {

ClickSound::ClickSound() = default;
ClickSound::~ClickSound() = default;

bool ClickSound::Load(const QString& directory) {
    const QString fileName = QDir(directory).filePath(QStringLiteral("click.wav"));
    m_effect.reset();
    const QFileInfo file(fileName);
    if (!file.isFile() || !file.isReadable()) {
        return false;
    }
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    return true;
}

void ClickSound::Play() {
    // A file that failed to decode, or no audio output, leaves the effect in its error
    // state; play() on it does nothing.
    if (m_effect != nullptr && m_effect->status() != QSoundEffect::Error) {
        m_effect->play();
    }
}

}  // namespace quorvel
