#include "core/platform/FileSizeSignal.h"

#ifndef _WIN32
#include <csignal>
#endif

namespace quorvel {

void TreatFileSizeLimitAsWriteError() {
#ifndef _WIN32
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace quorvel
