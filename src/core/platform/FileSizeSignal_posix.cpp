#include "core/platform/FileSizeSignal.h"

#include <csignal>

namespace quorvel {

void TreatFileSizeLimitAsWriteError() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace quorvel
