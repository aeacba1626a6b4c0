#include "gui/experiment/WindowDriverIo.h"

#include <QAbstractEventDispatcher>
#include <chrono>
#include <thread>

#include "core/experiment/HitTest.h"
#include "core/experiment/MsTimer.h"
#include "gui/platform/ClickSound.h"
#include "gui/platform/KeyState.h"
#include "gui/platform/MessagePump.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/DrawScene.h"

namespace quorvel {

namespace {

constexpr int kIdleMs = 1;
// How long a practice's wrong touch stays marked: long enough to be seen, short enough not to
// hold the subject up.
constexpr std::chrono::milliseconds kWrongMarkTime{400};

}  // namespace

WindowDriverIo::WindowDriverIo(CTouchWnd& window, const ExperimentState& state, KeyState& keys,
                               ClickSound& click)
    : m_window(window), m_state(state), m_keys(keys), m_click(click) {
    m_idleLimit.setSingleShot(true);
    m_idleLimit.setTimerType(Qt::PreciseTimer);
    m_idleLimit.setInterval(kIdleMs);
    m_window.Journal().Clear();
}

void WindowDriverIo::DrawScene(int completed) {
    quorvel::DrawScene(m_window, m_state, completed);
}

void WindowDriverIo::ShowWrongTouch(int awaited, const Stimulus& touch) {
    if (m_state.wrong_texture <= 0) {
        return;
    }
    // The circle touched, or where the touch landed when it was on none.
    const int circle = CircleNumberAt(m_state.stimuli, touch, TargetCount(m_state));
    const Stimulus at = circle > 0 ? m_state.stimuli[circle - 1] : touch;
    quorvel::DrawScene(m_window, m_state, awaited,
                       SpriteDraw{m_state.wrong_texture, at.x - kImageHalf, at.y - kImageHalf});
    const auto until = std::chrono::steady_clock::now() + kWrongMarkTime;
    while (std::chrono::steady_clock::now() < until && !StopRequested()) {
        Idle();
    }
    DrawScene(awaited);
}

void WindowDriverIo::Pump() {
    quorvel::Pump();
}

void WindowDriverIo::Idle() {
    quorvel::Pump();
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
        return;
    }
    // Blocks until input or another event arrives (and dispatches it), or the limit passes.
    m_idleLimit.start();
    dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
    m_idleLimit.stop();
}

bool WindowDriverIo::KeyPressed(int key) {
    switch (key) {
        case kEscape:
            return m_keys.Query(WatchedKey::Escape);
        case kEnter:
            return m_keys.Query(WatchedKey::Enter);
        default:
            return false;
    }
}

int WindowDriverIo::PointCount() const {
    return m_window.PointCount();
}

ContactPoint WindowDriverIo::FirstPoint() const {
    if (m_window.PointCount() <= 0 || m_window.Points().empty()) {
        return ContactPoint();
    }
    return m_window.Points().front();
}

std::optional<Press> WindowDriverIo::TakePress() {
    return m_window.TakePress();
}

StimulusMapping WindowDriverIo::Mapping() const {
    return m_window.Mapping();
}

void WindowDriverIo::PlayClick() {
    m_click.Play();
}

bool WindowDriverIo::StopRequested() const {
    return m_stop && m_stop();
}

void WindowDriverIo::Awaiting(int target) {
    // At the run's end the journal still takes releases: the finger on the last target lifts
    // after it. The record's writer stops it (SetAwaited(-1)) once the record is composed.
    if (target < 0) {
        m_window.Journal().FinishRun();
        return;
    }
    m_window.Journal().SetAwaited(target);
}

void WindowDriverIo::ClockReset() {
    // The clock's own origin where it has one, so the events file and the trial log count from
    // the same instant; otherwise the reset is placed now, within the clock's resolution of it.
    m_window.Journal().NoteClockReset(MsTimerOrigin().value_or(std::chrono::steady_clock::now()));
}

std::int32_t WindowDriverIo::FirstPointEvent() const {
    return m_window.Contacts().FirstPointEvent();
}

void WindowDriverIo::Judged(const Press& press, bool correct) {
    m_window.Journal().SetVerdict(press.event, correct);
}

}  // namespace quorvel
