#include "port/LibBase.h"

#include "platform/Kernel.h"
#include "platform/MessageLoop.h"
#include "rtl/FileUtils.h"

#include <algorithm>

namespace port {
namespace {

std::uint32_t MeasureCountsPerMs() {
    win::LARGE_INTEGER frequency{};
    if (!win::QueryPerformanceFrequency(&frequency)) return 0;
    return CountsPerMsFor(frequency.QuadPart);
}

constexpr std::uint32_t kWmQuit = 18;

} // namespace

std::uint32_t CountsPerMs = MeasureCountsPerMs();

std::uint32_t CountsPerMsFor(win::LONGLONG frequency) {
    if (frequency <= 0 || frequency > 0xFFFFFFFFLL) return 0;
    const auto value = static_cast<std::uint32_t>(frequency);
    return value / 1000 + (value % 1000 > 500 ? 1 : 0);
}

std::uint32_t ClockMs() {
    if (CountsPerMs != 0) {
        win::LARGE_INTEGER counter{};
        win::QueryPerformanceCounter(&counter);
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(counter.QuadPart) / CountsPerMs);
    }
    return win::timeGetTime();
}

void StartTimerAt(EventTimer& timer, std::int32_t ticks, std::uint32_t nowMs) {
    ticks = std::min(ticks, MaxTicks);
    timer.StartTicks = static_cast<std::int32_t>(nowMs / MsPerTick);
    timer.ExpireTicks = timer.StartTicks + ticks;
}

bool TimerExpiredAt(const EventTimer& timer, std::uint32_t nowMs) {
    const auto now = static_cast<std::int32_t>(nowMs / MsPerTick);
    if (now > timer.ExpireTicks) return true;
    if (now >= timer.StartTicks) return false;
    // The clock wrapped since the start: count the ticks on from where the clock was before.
    const auto unwrapped =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(nowMs) + 0x100000000ULL) / MsPerTick);
    return unwrapped > timer.ExpireTicks;
}

void StartTimer(EventTimer& timer, std::int32_t ticks) {
    StartTimerAt(timer, ticks, ClockMs());
}

bool TimerExpired(const EventTimer& timer) {
    return TimerExpiredAt(timer, ClockMs());
}

std::uint32_t PumpOneMessage() {
    win::MSG message{};
    if (!win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE)) return 0;
    if (message.message == win::WM_QUIT) {
        win::PostQuitMessage(static_cast<int>(message.wParam));
        return kWmQuit;
    }
    win::TranslateMessage(&message);
    win::DispatchMessageA(&message);
    const auto window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(message.hwnd) & 0xFFFF);
    return (message.message & 0xFFFF) | (window << 16);
}

namespace {

std::uint32_t Pause(std::int32_t ticks, bool yield, const std::function<bool()>& done) {
    if (ticks < 1) return 0;
    EventTimer timer;
    StartTimer(timer, std::min(ticks, MaxTicks));
    std::uint32_t result = 0;
    for (;;) {
        if (yield) result = PumpOneMessage();
        if (result == kWmQuit || TimerExpired(timer) || (done && done())) return result;
        if (result != 0) continue;
        // Nothing to handle: wait for a message or for the next tick instead of spinning.
        const std::uint32_t untilNextTick = MsPerTick - ClockMs() % MsPerTick;
        if (yield)
            win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, untilNextTick, win::QS_ALLINPUT);
        else
            win::Sleep(untilNextTick);
    }
}

} // namespace

std::uint32_t DelayTicks(std::int32_t ticks, bool yield) {
    return Pause(ticks, yield, {});
}

std::uint32_t DelayTicksUntil(std::int32_t ticks, const std::function<bool()>& done) {
    if (done()) return 0;
    return Pause(ticks, true, done);
}

bool FileExistsZ(const char* name) {
    return name != nullptr && rtl::FileExists(name);
}

const gui::TClassInfo& TBaseComponent::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TBaseComponent>("TBaseComponent", &TComponent::StaticClass())
            .String("Version", &TBaseComponent::Version, &TBaseComponent::SetVersion, false)
            .Build();
    return info;
}

} // namespace port
