#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace quorvel {

// Turns the polite requests to end the process (SIGTERM at logout or shutdown, SIGINT from a
// terminal, SIGHUP when the terminal goes) into a call on the user-interface thread, so the
// program can end as if its frame had been closed: a running test ends as an abort would and
// the settings are saved. Without this the process just dies and the settings are lost.
//
// The handler itself only writes a byte into a socket pair (all a signal handler may safely
// do); a notifier on the other end calls `onRequest` from the event loop. One object at a
// time; the signals get their default action back when it goes.
//
// Windows has no such signals: logout and shutdown come as window messages. When the session
// asks whether it may end (WM_QUERYENDSESSION, Qt's commitDataRequest) the same request is
// made. When it then ends (WM_ENDSESSION, Qt's aboutToQuit from there), Windows ends the
// process as soon as that message is answered, before any event loop returns: `onSessionEnd`
// runs there and then, and must save what must not be lost.
class TerminationSignals : public QObject {
  public:
    explicit TerminationSignals(std::function<void()> onRequest,
                                std::function<void()> onSessionEnd = {});
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (no socket pair, no application object);
    // the program then ends on these requests as it always did.
    bool Installed() const;

  private:
    void OnReadable();

    // One implementation per platform: TerminationSignals_posix.cpp (the signals),
    // TerminationSignals_win.cpp (the session's messages); each uses the fields it needs.
    std::function<void()> m_onRequest;
    std::function<void()> m_onSessionEnd;         // Windows
    bool m_installed = false;                     // Windows
    bool m_sessionEnding = false;                 // Windows
    std::unique_ptr<QSocketNotifier> m_notifier;  // POSIX: the end of the signals' socket pair
};

}  // namespace quorvel
