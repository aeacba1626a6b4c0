#include "gui/platform/TerminationSignals.h"

#include <array>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The socket pair between the handler and the event loop. A signal handler can reach nothing
// else, so this is the one place the descriptors can live; -1 while no object is installed.
int g_signalFds[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full socket means a request is already waiting: nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(g_signalFds[0], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onRequest,
                                       std::function<void()> /*onSessionEnd*/)
    : m_onRequest(std::move(onRequest)) {
    if (g_signalFds[0] != -1) {
        return;  // another object has them
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) != 0) {
        g_signalFds[0] = g_signalFds[1] = -1;
        return;
    }
    ::fcntl(g_signalFds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_signalFds[1], F_SETFL, O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(g_signalFds[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    if (m_notifier == nullptr) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    m_notifier.reset();
    ::close(g_signalFds[0]);
    ::close(g_signalFds[1]);
    g_signalFds[0] = g_signalFds[1] = -1;
}

bool TerminationSignals::Installed() const {
    return m_notifier != nullptr;
}

void TerminationSignals::OnReadable() {
    char buffer[16];
    while (::read(g_signalFds[1], buffer, sizeof buffer) > 0) {
    }
    if (m_onRequest) {
        m_onRequest();
    }
}

}  // namespace quorvel
