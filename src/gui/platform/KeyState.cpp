#include "gui/platform/KeyState.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace quorvel {

namespace {

// Index of a watched key for a Qt key code, or -1. Both Return keys count as Enter.
int Slot(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Escape:
            return static_cast<int>(WatchedKey::Escape);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return static_cast<int>(WatchedKey::Enter);
        default:
            return -1;
    }
}

// The top-level window a key event was delivered to, or the one holding the keyboard.
QWindow* WindowOf(QObject* watched) {
    if (auto* window = qobject_cast<QWindow*>(watched)) {
        return window;
    }
    if (auto* widget = qobject_cast<QWidget*>(watched)) {
        if (QWindow* handle = widget->window()->windowHandle()) {
            return handle;
        }
    }
    return QGuiApplication::focusWindow();
}

}  // namespace

KeyState::KeyState(QObject* parent) : QObject(parent) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
}

KeyState::~KeyState() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

bool KeyState::Held(const Bits& bits) const {
    // The window that took the press closed or was hidden: its release will not reach us.
    return bits.down && !bits.pressedIn.isNull() && bits.pressedIn->isVisible();
}

bool KeyState::Query(WatchedKey key) {
    Bits& bits = m_keys[static_cast<int>(key)];
    const bool result = Held(bits) || bits.pressedSinceQuery;
    bits.pressedSinceQuery = false;
    return result;
}

bool KeyState::IsDown(WatchedKey key) const {
    return Held(m_keys[static_cast<int>(key)]);
}

bool KeyState::PressedSinceQuery(WatchedKey key) const {
    return m_keys[static_cast<int>(key)].pressedSinceQuery;
}

void KeyState::Clear() {
    m_keys = {};
}

bool KeyState::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            // A key event may pass here more than once while it travels to parent widgets;
            // setting the bits again is harmless.
            auto* key = static_cast<QKeyEvent*>(event);
            const int slot = Slot(key->key());
            if (slot >= 0) {
                m_keys[slot].down = true;
                m_keys[slot].pressedIn = WindowOf(watched);
                // A repeat says the key is still held; only a real press is a new one.
                if (!key->isAutoRepeat()) {
                    m_keys[slot].pressedSinceQuery = true;
                }
            }
            break;
        }
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            const int slot = Slot(key->key());
            // An auto-repeat release is followed by another press: the key stays down.
            if (slot >= 0 && !key->isAutoRepeat()) {
                m_keys[slot].down = false;
            }
            break;
        }
        case QEvent::ApplicationStateChange:
            // The release of a key held while the program loses the keyboard goes to another
            // program; without this the key would stay down here for ever (a held Escape would
            // abort every later run).
            if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
                Qt::ApplicationActive) {
                for (Bits& bits : m_keys) {
                    bits.down = false;
                }
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

KeyState& AppKeyState() {
    // Owned by the application object, so it ends with it; made again should a later
    // application object ask for it.
    static QPointer<KeyState> instance;
    if (instance.isNull()) {
        instance = new KeyState(QCoreApplication::instance());
    }
    return *instance;
}

}  // namespace quorvel
