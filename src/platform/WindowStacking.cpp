#include "platform/WindowStacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace quorvel {

void StackAbove(QWidget& topLevel, QWindow* owner) {
    if (owner == nullptr) {
        return;
    }
    // The native window must exist for the owner to be recorded; it is shown later.
    topLevel.winId();
    if (QWindow* handle = topLevel.windowHandle()) {
        handle->setTransientParent(owner);
    }
}

bool WindowSystemPlacesWindows() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace quorvel
