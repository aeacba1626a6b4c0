#include "core/platform/FileSizeSignal.h"

namespace quorvel {

void TreatFileSizeLimitAsWriteError() {
    // Windows has no file-size limit signal: a write past a limit fails as any other does.
}

}  // namespace quorvel
