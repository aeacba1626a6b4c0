#include "core/platform/SyncFolder.h"

namespace quorvel {

void SyncFolderOf(const QString&) {
    // Windows has no call that syncs a folder.
}

}  // namespace quorvel
