#pragma once

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

namespace quorvel::test {

// Acts for the operator and the subject while the program runs its own event loops (the
// driver's pump, dialogs, message boxes). Every five milliseconds it looks at the first step of
// its script: once the step's condition holds and the pace allows, the step's action runs.
// Actions run from a posted call, never inside the timer's own callback, so an action may open
// a modal loop (a menu command that runs a whole test) and the bot keeps acting inside it.
//
// The pace is the least time between two actions. People do not lift a finger and touch again
// within a millisecond; a bot that did could lift and press between two of the driver's
// samples, and the driver would rightly take the new press for the old finger still down.
class ScriptBot : public QObject {
  public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    ScriptBot() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        m_sinceLast.start();
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    }

    // Appends a step that runs once `when` holds.
    void Then(QString name, Condition when, Action act) {
        m_steps.push_back({std::move(name), std::move(when), std::move(act)});
    }
    // Appends a step that runs at the next tick.
    void Then(QString name, Action act) {
        Then(
            std::move(name), [] { return true; }, std::move(act));
    }

    // Steps that take over when the script derails, to bring the program back to rest (let go
    // of everything, abort the test) so that a fault ends as a failure rather than a hang.
    void SetRescue(std::deque<std::pair<QString, Action>> steps) { m_rescue = std::move(steps); }
    // Called (typically from a condition) when the program went somewhere the script cannot
    // follow: the remaining steps are dropped and the rescue steps run instead.
    void Derail() { m_derailed = true; }

    // The least time between two actions, in milliseconds.
    void SetPace(int ms) { m_paceMs = ms; }

    void Start() { m_timer.start(); }
    void Stop() { m_timer.stop(); }

    bool Done() const { return m_steps.empty() && !m_busy; }
    // The step the bot waits for, to say where a script stalled.
    QString Waiting() const { return m_steps.empty() ? QString() : m_steps.front().name; }

  private:
    struct Step {
        QString name;
        Condition when;
        Action act;
    };

    void Tick() {
        if (m_busy || m_steps.empty() || m_sinceLast.elapsed() < m_paceMs) {
            return;
        }
        const bool ready = m_steps.front().when();
        if (m_derailed) {
            m_derailed = false;
            m_steps.clear();
            for (auto& [name, act] : m_rescue) {
                Then(name, std::move(act));
            }
            m_rescue.clear();
            return;
        }
        if (!ready) {
            return;
        }
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        // QUORVEL_BOT_TRACE=1 shows how far a script got when a run on a new desktop hangs.
        if (qEnvironmentVariableIsSet("QUORVEL_BOT_TRACE")) {
            qInfo("bot: %s", qPrintable(step.name));
        }
        m_busy = true;
        QMetaObject::invokeMethod(
            this,
            [this, act = std::move(step.act)] {
                m_busy = false;
                m_sinceLast.restart();
                act();
            },
            Qt::QueuedConnection);
    }

    QTimer m_timer;
    std::deque<Step> m_steps;
    bool m_busy = false;
    bool m_derailed = false;
    std::deque<std::pair<QString, Action>> m_rescue;
    int m_paceMs = 10;
    QElapsedTimer m_sinceLast;
};

}  // namespace quorvel::test
