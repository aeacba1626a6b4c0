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
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        sinceLast_.start();
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    }

    // Appends a step that runs once `when` holds.
    void Then(QString name, Condition when, Action act) {
        steps_.push_back({std::move(name), std::move(when), std::move(act)});
    }
    // Appends a step that runs at the next tick.
    void Then(QString name, Action act) {
        Then(
            std::move(name), [] { return true; }, std::move(act));
    }

    // Steps that take over when the script derails, to bring the program back to rest (let go
    // of everything, abort the test) so that a fault ends as a failure rather than a hang.
    void SetRescue(std::deque<std::pair<QString, Action>> steps) { rescue_ = std::move(steps); }
    // Called (typically from a condition) when the program went somewhere the script cannot
    // follow: the remaining steps are dropped and the rescue steps run instead.
    void Derail() { derailed_ = true; }

    // The least time between two actions, in milliseconds.
    void SetPace(int ms) { paceMs_ = ms; }

    void Start() { timer_.start(); }
    void Stop() { timer_.stop(); }

    bool Done() const { return steps_.empty() && !busy_; }
    // The step the bot waits for, to say where a script stalled.
    QString Waiting() const { return steps_.empty() ? QString() : steps_.front().name; }

  private:
    struct Step {
        QString name;
        Condition when;
        Action act;
    };

    void Tick() {
        if (busy_ || steps_.empty() || sinceLast_.elapsed() < paceMs_) {
            return;
        }
        const bool ready = steps_.front().when();
        if (derailed_) {
            derailed_ = false;
            steps_.clear();
            for (auto& [name, act] : rescue_) {
                Then(name, std::move(act));
            }
            rescue_.clear();
            return;
        }
        if (!ready) {
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        // QUORVEL_BOT_TRACE=1 shows how far a script got when a run on a new desktop hangs.
        if (qEnvironmentVariableIsSet("QUORVEL_BOT_TRACE")) {
            qInfo("bot: %s", qPrintable(step.name));
        }
        busy_ = true;
        QMetaObject::invokeMethod(
            this,
            [this, act = std::move(step.act)] {
                busy_ = false;
                sinceLast_.restart();
                act();
            },
            Qt::QueuedConnection);
    }

    QTimer timer_;
    std::deque<Step> steps_;
    bool busy_ = false;
    bool derailed_ = false;
    std::deque<std::pair<QString, Action>> rescue_;
    int paceMs_ = 10;
    QElapsedTimer sinceLast_;
};

}  // namespace quorvel::test
