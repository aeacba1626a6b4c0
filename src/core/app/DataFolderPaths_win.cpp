#include "core/app/DataFolderPaths.h"

#include <windows.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <vector>

namespace quorvel {

QString DefaultDataFolder() {
    // The known Documents folder, also where a lab's IT has moved it (a network drive).
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir::homePath() + QStringLiteral("/Documents");
    }
    return documents + QStringLiteral("/Quorvel");
}

QString SharedClickSound() {
    // Asked of the system: main() needs it before the application object that would know.
    std::vector<wchar_t> path(MAX_PATH);
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
               path.size() &&
           path.size() < 32768) {
        path.resize(path.size() * 2);
    }
    const QString program = QString::fromWCharArray(path.data(), static_cast<qsizetype>(length));
    return QDir::fromNativeSeparators(QFileInfo(program).absolutePath()) +
           QStringLiteral("/click.wav");
}

}  // namespace quorvel
