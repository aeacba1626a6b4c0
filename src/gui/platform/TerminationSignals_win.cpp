#include "gui/platform/TerminationSignals.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <utility>

namespace quorvel {

TerminationSignals::TerminationSignals(std::function<void()> onRequest,
                                       std::function<void()> onSessionEnd)
    : m_onRequest(std::move(onRequest)), m_onSessionEnd(std::move(onSessionEnd)) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        return;
    }
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        m_sessionEnding = true;
        OnReadable();
    });
    // aboutToQuit also comes at an ordinary end; only after the session asked is it the last
    // moment before the process is ended from outside.
    connect(app, &QCoreApplication::aboutToQuit, this, [this] {
        if (m_sessionEnding && m_onSessionEnd) {
            m_onSessionEnd();
        }
    });
    m_installed = true;
}

TerminationSignals::~TerminationSignals() = default;

bool TerminationSignals::Installed() const {
    return m_installed;
}

void TerminationSignals::OnReadable() {
    if (m_onRequest) {
        m_onRequest();
    }
}

}  // namespace quorvel
