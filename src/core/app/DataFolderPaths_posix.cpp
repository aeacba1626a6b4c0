#include "core/app/DataFolderPaths.h"

#include <QDir>

#include "core/app/Version.h"

namespace quorvel {

QString DefaultDataFolder() {
    return QDir::homePath() + QStringLiteral("/Quorvel");
}

QString SharedClickSound() {
    return QLatin1String(kSharedDataDir) + QStringLiteral("/click.wav");
}

}  // namespace quorvel
