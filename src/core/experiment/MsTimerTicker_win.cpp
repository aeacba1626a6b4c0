#include "core/experiment/MsTimerTicker.h"

#include "core/experiment/MsTimer.h"

#include <windows.h>
// windows.h must come first.
#include <mmsystem.h>
#ifdef _MSC_VER
#pragma comment(lib, "winmm.lib")
#endif

namespace quorvel::mstimer {

namespace {

// The system's multimedia timer calls the ticker every millisecond on its own thread. Its
// calls are what a busy machine delays or drops, so they only mirror the count (CatchUp).
class MultimediaTicker final : public Ticker {
  public:
    // Starts the periodic timer; null when the system refuses it.
    static std::unique_ptr<MultimediaTicker> Start() {
        auto ticker = std::unique_ptr<MultimediaTicker>(new MultimediaTicker());
        // Kill-synchronous: once timeKillEvent returns no call of this timer runs any more,
        // so the ticker can be destroyed right after it.
        ticker->m_id = timeSetEvent(kPeriodMs, 0, &MultimediaTicker::Tick,
                                    reinterpret_cast<DWORD_PTR>(ticker.get()),
                                    TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
        if (ticker->m_id == 0) {
            return nullptr;
        }
        return ticker;
    }
    ~MultimediaTicker() override {
        timeKillEvent(m_id);
        // The stopped clock keeps the count of the moment it stopped, and the hook saw it.
        CatchUp(m_origin, m_last);
    }
    MultimediaTicker(const MultimediaTicker&) = delete;
    MultimediaTicker& operator=(const MultimediaTicker&) = delete;

    std::uint32_t Id() const override { return m_id; }

  private:
    MultimediaTicker() : m_origin(OriginNs()), m_last(tick_count.load()) {}

    static void CALLBACK Tick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        auto* self = reinterpret_cast<MultimediaTicker*>(user);
        CatchUp(self->m_origin, self->m_last);
    }

    std::int64_t m_origin;  // the origin the timer's thread last counted from
    std::int32_t m_last;    // the count the timer's thread last wrote
    UINT m_id = 0;
};

}  // namespace

std::unique_ptr<Ticker> StartTicker() {
    return MultimediaTicker::Start();
}

std::int64_t SystemResolutionNs() {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof(caps)) != TIMERR_NOERROR || caps.wPeriodMin == 0) {
        return -1;
    }
    return static_cast<std::int64_t>(caps.wPeriodMin) * 1000000;
}

void BeginSystemPeriod() {
    timeBeginPeriod(kPeriodMs);
}

void EndSystemPeriod(std::uint32_t period) {
    timeEndPeriod(period);
}

}  // namespace quorvel::mstimer
