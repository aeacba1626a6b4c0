#pragma once

#include <QWindow>

class QMouseEvent;
class QTouchEvent;

namespace quorvel {

// What the drawing window learns from its on-screen window.
class SurfaceEvents {
  public:
    virtual ~SurfaceEvents() = default;
    // The window's size changed; width and height in physical pixels.
    virtual void OnSize(Qt::WindowStates states, int width, int height) = 0;
    virtual void OnTouch(QTouchEvent& event) = 0;
    virtual void OnMouse(QMouseEvent& event) = 0;
    // The window (or part of it) came into view and needs its picture again.
    virtual void OnExpose() = 0;
};

// The on-screen window the experiment is drawn into, with OpenGL or through a backing store
// (`type`, fixed before the window is first shown). It never paints by itself:
// the picture changes only when a frame is presented. The user cannot close it (the close
// box and Alt+F4 do nothing); the program destroys it.
class SurfaceWindow : public QWindow {
  public:
    SurfaceWindow(SurfaceEvents& events, QSurface::SurfaceType type);

    // Size in physical pixels: the window's size times its device pixel ratio.
    QSize PixelSize() const;

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void touchEvent(QTouchEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    SurfaceEvents& m_events;
};

}  // namespace quorvel
