#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

namespace quorvel {

// Keeps a topmost window (`_NET_WM_STATE_ABOVE`) topmost only while none of the program's other
// windows is on the screen. Some X11 window managers (Xfce's xfwm4) keep a topmost window above
// its own transient windows, so a dialog, a box or the test screen shown over the topmost frame
// would stand behind it: for as long as any of them is shown the frame steps down to the normal
// layer, where its own windows stand over it, and it is topmost again once the last has gone.
// Menus and tooltips stand over everything anyway and do not count.
//
// Only on X11: Windows keeps owned windows above a topmost owner by itself, and on Wayland no
// window is topmost.
class TopmostWhileAlone : public QObject {
  public:
    // Watches every window of the application from now on; `window` is the topmost one.
    explicit TopmostWhileAlone(QWidget& window);
    ~TopmostWhileAlone() override;
    TopmostWhileAlone(const TopmostWhileAlone&) = delete;
    TopmostWhileAlone& operator=(const TopmostWhileAlone&) = delete;

    // Makes the window topmost, now if it is alone, or else once the others have gone.
    void MakeTopmost();
    // True when the window has been made topmost (even while it has stepped down).
    bool Wanted() const { return m_wanted; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Whether a window other than ours and `leaving` is shown that must stand over ours.
    bool OthersShown(const QWindow* leaving) const;
    void Apply(const QWindow* leaving);

    QPointer<QWidget> m_window;
    bool m_wanted = false;
    bool m_active = false;
};

}  // namespace quorvel
