#include "gui/render/SurfaceWindow.h"

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTouchEvent>
#include <QtMath>

namespace quorvel {

SurfaceWindow::SurfaceWindow(SurfaceEvents& events, QSurface::SurfaceType type) : m_events(events) {
    setSurfaceType(type);
    // A dialog-type window, because X11 records the owner (WM_TRANSIENT_FOR) only for those,
    // and without an owner a window manager lets the frame stack over the test.
    setFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setCursor(QCursor(Qt::ArrowCursor));
}

QSize SurfaceWindow::PixelSize() const {
    const qreal ratio = devicePixelRatio();
    return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

bool SurfaceWindow::event(QEvent* event) {
    if (event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QWindow::event(event);
}

void SurfaceWindow::resizeEvent(QResizeEvent* event) {
    QWindow::resizeEvent(event);
    const QSize pixels = PixelSize();
    m_events.OnSize(windowStates(), pixels.width(), pixels.height());
}

void SurfaceWindow::exposeEvent(QExposeEvent* /*event*/) {
    // Without a compositor nothing keeps the window's picture: whatever stood over it (the
    // closed conditions dialog) would stay in view until the next frame. The last frame is
    // shown again.
    if (isExposed()) {
        m_events.OnExpose();
    }
}

void SurfaceWindow::touchEvent(QTouchEvent* event) {
    m_events.OnTouch(*event);
    // Accepted, so the platform does not make mouse events out of the same touch.
    event->accept();
}

void SurfaceWindow::mousePressEvent(QMouseEvent* event) {
    m_events.OnMouse(*event);
}

void SurfaceWindow::mouseReleaseEvent(QMouseEvent* event) {
    m_events.OnMouse(*event);
}

void SurfaceWindow::mouseMoveEvent(QMouseEvent* event) {
    m_events.OnMouse(*event);
}

void SurfaceWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click has already arrived as a press of its own.
    event->accept();
}

void SurfaceWindow::keyPressEvent(QKeyEvent* event) {
    // Keys are polled by the experiment driver; the window only swallows the press.
    event->accept();
}

}  // namespace quorvel
