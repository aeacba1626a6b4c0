#include "gui/platform/ClickSound.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace quorvel {

ClickSound::ClickSound() = default;
ClickSound::~ClickSound() = default;

bool ClickSound::Load(const QString& fileName) {
    effect_.reset();
    const QFileInfo file(fileName);
    if (!file.isFile() || !file.isReadable()) {
        return false;
    }
    effect_ = std::make_unique<QSoundEffect>();
    effect_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    return true;
}

void ClickSound::Play() {
    // A file that failed to decode, or no audio output, leaves the effect in its error
    // state; play() on it does nothing.
    if (effect_ != nullptr && effect_->status() != QSoundEffect::Error) {
        effect_->play();
    }
}

}  // namespace quorvel
