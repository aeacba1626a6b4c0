#pragma once

#include <QString>

namespace quorvel {

// Syncs the folder that holds `path`: a file's name lives in its folder, so this keeps a new
// name (or a removal) after a crash. Not every file system supports it, and Windows has no
// such call, so it reports nothing; callers treat it as a help, never as a step that can fail.
void SyncFolderOf(const QString& path);

}  // namespace quorvel
