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
class TerminationSignals : public QObject {
  public:
    explicit TerminationSignals(std::function<void()> onRequest);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (no socket pair); the program then ends
    // on these signals as it always did.
    bool Installed() const { return m_notifier != nullptr; }

  private:
    void OnReadable();

    std::function<void()> m_onRequest;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace quorvel
