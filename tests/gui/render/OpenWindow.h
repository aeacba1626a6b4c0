#pragma once

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QString>
#include <QWindow>

#include "gui/platform/MessagePump.h"
#include "gui/render/CDXWnd.h"

namespace quorvel::test {

// Puts the drawing window on the screen at `size` physical pixels from the top-left corner
// and sets up its device; the result of InitDirect3D. A window the size of the screen is
// shown full screen, as a run shows it. Any other size is a window of that shape, shown as
// it is: on X11 past the window manager (which would fit or fill it to the screen), on
// Wayland as a plain window, whose size is the client's to choose.
inline int OpenWindow(CDXWnd& window, QSize size) {
    window.Create(QStringLiteral("Experiment Window"), nullptr, QRect(QPoint(0, 0), size));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenPixels = screen->size() * screen->devicePixelRatio();
    if (size == screenPixels) {
        window.ShowMaximized();
    } else {
        window.Window()->setFlag(Qt::X11BypassWindowManagerHint);
        window.Window()->resize(size / screen->devicePixelRatio());
        window.Window()->show();
    }
    // Waits without a clock: the test harness bounds the whole run.
    while (!window.Window()->isExposed()) {
        Idle();
    }
    window.UpdateWindow();
    return window.InitDirect3D();
}

// Resizes the on-screen window and waits until the window has taken the new size.
inline void ResizeWindow(CDXWnd& window, QSize size) {
    window.Window()->resize(size);
    while (window.m_windowWidth != size.width() || window.m_windowHeight != size.height()) {
        Idle();
    }
}

}  // namespace quorvel::test
