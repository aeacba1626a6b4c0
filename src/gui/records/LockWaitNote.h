#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>

namespace quorvel {

class OverFullScreen;

// While a run's records wait for a shared file that another station keeps locked (up to ten
// seconds, and again at every Retry), the program stays alive: events keep flowing (repaints,
// timers, a request to end), a note over the test screen says what it is waiting for, and no
// key or click reaches anything meanwhile, so nothing is answered or started by input meant
// for later. Touches on the test screen still reach it: the test is over, and they only let
// its contacts lift.
class LockWaitNote : public QObject {
  public:
    // `over`: the window the note stands over (the test screen); `stopRequested`: the program
    // was asked to end, which gives the wait up.
    LockWaitNote(QWindow* over, std::function<bool()> stopRequested);
    ~LockWaitNote() override;
    LockWaitNote(const LockWaitNote&) = delete;
    LockWaitNote& operator=(const LockWaitNote&) = delete;

    // The records' LockWaitHook: shows the note and dispatches events while `waiting`; takes
    // the note away when the wait ends. False when the wait is to be given up.
    bool OnWait(bool waiting);

    // The note, while it is shown (for tests); null otherwise.
    QWidget* Note() const { return m_note.get(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Show();
    void Hide();

    QPointer<QWindow> m_over;
    std::function<bool()> m_stopRequested;
    std::unique_ptr<QWidget> m_note;
    std::unique_ptr<OverFullScreen> m_aside;
};

}  // namespace quorvel
