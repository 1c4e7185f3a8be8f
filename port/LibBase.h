// The port library's time base: a millisecond clock, countdowns in 55 ms ticks, a one-message
// pump, a delay that keeps windows responsive, and bit operations on flag words; and the base
// class of the library's components.
#pragma once

#include "gui/Component.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <functional>

namespace port {

inline constexpr std::uint32_t MsPerTick = 55;
// The largest tick count whose length in milliseconds fits a signed 32-bit integer.
inline constexpr std::int32_t MaxTicks = 39045157;

// Performance-counter counts per millisecond, measured once at program start; 0 when the
// high-resolution counter is not used.
extern std::uint32_t CountsPerMs;
// The start-up rule: frequency div 1000, rounded up when the remainder is above 500; 0 for a
// frequency that is 0 or does not fit in 32 bits.
std::uint32_t CountsPerMsFor(win::LONGLONG frequency);

// A countdown: both values in ticks of ClockMs.
struct EventTimer {
    std::int32_t StartTicks = 0;
    std::int32_t ExpireTicks = 0;
};

template <typename Flags> constexpr bool FlagIsSet(Flags flags, Flags mask) {
    return (flags & mask) != 0;
}
template <typename Flags> constexpr void SetFlag(Flags& flags, Flags mask) {
    flags = static_cast<Flags>(flags | mask);
}
template <typename Flags> constexpr void ClearFlag(Flags& flags, Flags mask) {
    flags = static_cast<Flags>(flags & ~mask);
}

// Milliseconds of a free-running clock: the performance counter when CountsPerMs is set, else
// the multimedia clock. Wraps at 2^32.
std::uint32_t ClockMs();

void StartTimer(EventTimer& timer, std::int32_t ticks);
// Also right across the wrap of ClockMs: the ticks after the wrap continue those before it.
bool TimerExpired(const EventTimer& timer);
// The same at a given clock reading.
void StartTimerAt(EventTimer& timer, std::int32_t ticks, std::uint32_t nowMs);
bool TimerExpiredAt(const EventTimer& timer, std::uint32_t nowMs);

// Handles one waiting message of the thread's queue. 0 when none waits; a quit message is posted
// again, so the main loop still sees it, and gives 18; any other message gives its number in the
// low 16 bits and the low 16 bits of its window in the high 16 bits.
std::uint32_t PumpOneMessage();
// Waits `ticks` ticks, handling messages when `yield` is set, and ends early at a quit message.
// Returns the last PumpOneMessage result (18 after a quit), 0 without yield or for ticks < 1.
std::uint32_t DelayTicks(std::int32_t ticks, bool yield);
// The same pause, dispatching messages, ended early as soon as `done` holds.
std::uint32_t DelayTicksUntil(std::int32_t ticks, const std::function<bool()>& done);

bool FileExistsZ(const char* name);

// The library's components: their Version reads "v3.04" and is never stored.
class TBaseComponent : public gui::TComponent {
    GUI_CLASS_INFO
public:
    using gui::TComponent::TComponent;
    std::string Version() const { return "v3.04"; }
    void SetVersion(const std::string&) {}
};

} // namespace port
