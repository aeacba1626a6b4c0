#include "gui/platform/ClickSound.h"

#include <QDir>
#include <QFileInfo>

namespace quorvel {

QString ClickSound::ReadableClick(const QString& directory) {
    const QFileInfo file(QDir(directory).filePath(QStringLiteral("click.wav")));
    if (!file.isFile() || !file.isReadable()) {
        return {};
    }
    return file.absoluteFilePath();
}

bool ClickSound::HasSound() const {
    return m_sound != nullptr;
}

}  // namespace quorvel
