#include "gui/platform/ProcessEnd.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

namespace quorvel {

void EndProcessIfTeardownMayHang(int exitCode) {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace quorvel
