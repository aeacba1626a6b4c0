#include "gui/platform/TopmostWhileAlone.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace quorvel {

namespace {

// A window that must stand over the topmost one: shown, top-level, and not a menu or tooltip
// (those are placed over everything by the window system itself).
bool MustStandOver(const QWindow& window) {
    const Qt::WindowType type = window.type();
    return window.isVisible() && window.isTopLevel() && type != Qt::Popup && type != Qt::ToolTip &&
           type != Qt::SplashScreen;
}

}  // namespace

TopmostWhileAlone::TopmostWhileAlone(QWidget& window)
    : m_window(&window), m_active(QGuiApplication::platformName() == QLatin1String("xcb")) {
    if (m_active) {
        QCoreApplication::instance()->installEventFilter(this);
    }
}

TopmostWhileAlone::~TopmostWhileAlone() {
    if (m_active && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void TopmostWhileAlone::MakeTopmost() {
    if (m_window.isNull()) {
        return;
    }
    m_wanted = true;
    // The widget's own flag says what the window is meant to be, whether it stands topmost now
    // is the native window's. Not setWindowFlag: that hides the window and shows it again, and
    // a window manager that sees the window mapped again may forget that it was maximised.
    if (!m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        m_window->overrideWindowFlags(m_window->windowFlags() | Qt::WindowStaysOnTopHint);
    }
    Apply(nullptr);
}

bool TopmostWhileAlone::OthersShown(const QWindow* leaving) const {
    const QWindow* own = m_window.isNull() ? nullptr : m_window->windowHandle();
    for (const QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window != own && window != leaving && MustStandOver(*window)) {
            return true;
        }
    }
    return false;
}

void TopmostWhileAlone::Apply(const QWindow* leaving) {
    if (!m_wanted || m_window.isNull()) {
        return;
    }
    // A window not created yet takes the widget's flags when it is.
    QWindow* own = m_window->windowHandle();
    if (own == nullptr) {
        return;
    }
    const bool topmost = !m_active || !OthersShown(leaving);
    if (own->flags().testFlag(Qt::WindowStaysOnTopHint) != topmost) {
        // The native window alone: a mapped window changes its state in place, unmapped and
        // shown again.
        own->setFlag(Qt::WindowStaysOnTopHint, topmost);
    }
}

bool TopmostWhileAlone::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide) {
        return false;
    }
    auto* window = qobject_cast<QWindow*>(watched);
    if (window == nullptr || m_window.isNull() || window == m_window->windowHandle()) {
        return false;
    }
    // A window is shown before it is mapped, so the frame steps down before it; one that is
    // hiding may still count itself as shown.
    Apply(type == QEvent::Hide ? window : nullptr);
    return false;
}

}  // namespace quorvel
