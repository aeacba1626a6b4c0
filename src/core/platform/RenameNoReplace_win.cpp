#include "core/platform/RenameNoReplace.h"

#include <QFileInfo>

#include <windows.h>

namespace quorvel {

bool RenameWithoutReplacing(const QString& from, const QString& to, bool& existed,
                            QString& reason) {
    existed = false;
    reason.clear();
    const std::wstring source = QFileInfo(from).absoluteFilePath().toStdWString();
    const std::wstring target = QFileInfo(to).absoluteFilePath().toStdWString();
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0) {
        return true;
    }
    const DWORD error = GetLastError();
    existed = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    reason = qt_error_string(static_cast<int>(error));
    return false;
}

}  // namespace quorvel
