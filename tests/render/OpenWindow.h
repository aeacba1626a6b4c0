#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QWindow>

#include "platform/MessagePump.h"
#include "render/CDXWnd.h"

namespace quorvel::test {

// Puts the drawing window on the screen at `size` physical pixels from the top-left corner,
// as a run does, and sets up its device; the result of InitDirect3D.
inline int OpenWindow(CDXWnd& window, QSize size) {
    window.Create(QStringLiteral("Experiment Window"), nullptr, QRect(QPoint(0, 0), size));
    window.ShowMaximized();
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
