#include "port/LibBase.h"

#include "platform/Kernel.h"
#include "platform/MessageLoop.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using port::EventTimer;
using port::MaxTicks;

namespace {

// The first clock reading, from `startMs` on, at which the countdown is expired.
std::uint32_t FirstExpiry(const EventTimer& timer, std::uint32_t startMs) {
    std::uint32_t now = startMs;
    while (!port::TimerExpiredAt(timer, now))
        ++now;
    return now;
}

} // namespace

TEST(LibBase, CountsPerMsRoundsTheFrequency) {
    EXPECT_EQ(port::CountsPerMsFor(10000000), 10000u);
    EXPECT_EQ(port::CountsPerMsFor(3579545), 3580u) << "remainder 545 rounds up";
    EXPECT_EQ(port::CountsPerMsFor(1193500), 1193u) << "remainder 500 does not";
    EXPECT_EQ(port::CountsPerMsFor(0), 0u);
    EXPECT_EQ(port::CountsPerMsFor(0x100000000LL), 0u) << "a frequency beyond 32 bits is not used";
    EXPECT_EQ(port::CountsPerMs, 10000u) << "measured at program start";
}

TEST(LibBase, WithoutThePerformanceCounterTheClockIsTheMultimediaClock) {
    const std::uint32_t saved = port::CountsPerMs;
    port::CountsPerMs = 0;
    const std::uint32_t before = win::timeGetTime();
    const std::uint32_t clock = port::ClockMs();
    const std::uint32_t after = win::timeGetTime();
    port::CountsPerMs = saved;
    EXPECT_GE(clock, before);
    EXPECT_LE(clock, after);
}

TEST(LibBase, AFiveTickCountdownExpiresAfter275AndBy330Milliseconds) {
    for (std::uint32_t start = 55000; start < 55000 + 55; ++start) {
        EventTimer timer;
        port::StartTimerAt(timer, 5, start);
        const std::uint32_t elapsed = FirstExpiry(timer, start) - start;
        EXPECT_GT(elapsed, 275u) << "started at " << start;
        EXPECT_LE(elapsed, 330u) << "started at " << start;
    }
}

TEST(LibBase, AZeroTickCountdownExpiresWhenTheTickMovesOn) {
    EventTimer timer;
    port::StartTimerAt(timer, 0, 110);
    EXPECT_FALSE(port::TimerExpiredAt(timer, 110));
    EXPECT_FALSE(port::TimerExpiredAt(timer, 164));
    EXPECT_TRUE(port::TimerExpiredAt(timer, 165));
}

TEST(LibBase, CountdownsAreCappedAtMaxTicks) {
    EXPECT_EQ(static_cast<long long>(MaxTicks) * 55, 2147483635LL);
    EventTimer capped, largest;
    port::StartTimerAt(capped, MaxTicks + 1000, 0);
    port::StartTimerAt(largest, MaxTicks, 0);
    EXPECT_EQ(capped.StartTicks, largest.StartTicks);
    EXPECT_EQ(capped.ExpireTicks, largest.ExpireTicks);
    EXPECT_EQ(capped.ExpireTicks, MaxTicks);
    EXPECT_FALSE(port::TimerExpiredAt(capped, static_cast<std::uint32_t>(MaxTicks) * 55));
    EXPECT_TRUE(port::TimerExpiredAt(capped, (static_cast<std::uint32_t>(MaxTicks) + 1) * 55));
}

TEST(LibBase, CountdownsAcrossTheClockWrap) {
    const std::uint32_t nearWrap = 0xFFFFFFFFu - 110; // two ticks before the clock wraps
    const std::int32_t lastTick = static_cast<std::int32_t>(0xFFFFFFFFu / 55);
    EventTimer timer;
    port::StartTimerAt(timer, 10, nearWrap);
    EXPECT_EQ(timer.StartTicks, lastTick - 2);
    EXPECT_EQ(timer.ExpireTicks, lastTick + 8);
    EXPECT_FALSE(port::TimerExpiredAt(timer, 0xFFFFFFFFu));
    EXPECT_FALSE(port::TimerExpiredAt(timer, 0)) << "the wrap alone does not expire a countdown";
    // 10 ticks after a start 111 ms before the wrap: expiry between 550 and 605 ms after it.
    const std::uint32_t expiry = FirstExpiry(timer, 0);
    EXPECT_EQ(expiry, 469u);
    EXPECT_GT(expiry + 111, 550u);
    EXPECT_LE(expiry + 111, 605u);

    EventTimer longest;
    port::StartTimerAt(longest, MaxTicks, nearWrap);
    EXPECT_FALSE(port::TimerExpiredAt(longest, 0));
    EXPECT_FALSE(port::TimerExpiredAt(longest, 2147483000u)) << "about 24.9 days after the start";
    EXPECT_TRUE(port::TimerExpiredAt(longest, 2147483647u));
}

TEST(LibBase, RealCountdownsRunOnTheClock) {
    EventTimer timer;
    port::StartTimer(timer, 1);
    EXPECT_FALSE(port::TimerExpired(timer));
    win::Sleep(115);
    EXPECT_TRUE(port::TimerExpired(timer));
}

TEST(LibBase, FlagHelpers) {
    std::uint32_t flags = 0x5;
    EXPECT_TRUE(port::FlagIsSet(flags, 0x4u));
    EXPECT_FALSE(port::FlagIsSet(flags, 0x2u));
    port::SetFlag(flags, 0x2u);
    EXPECT_EQ(flags, 0x7u);
    port::ClearFlag(flags, 0x5u);
    EXPECT_EQ(flags, 0x2u);
    std::uint16_t small = 0xFFFF;
    port::ClearFlag(small, static_cast<std::uint16_t>(0x00FF));
    EXPECT_EQ(small, 0xFF00);
}

namespace {

int handledByWindow = 0;
int timerTicks = 0;
win::LRESULT CountingProcedure(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (message == win::WM_USER) ++handledByWindow;
    if (message == win::WM_TIMER) ++timerTicks;
    return win::DefWindowProcA(window, message, wParam, lParam);
}

win::HWND CountingWindow() {
    static const bool registered = [] {
        win::WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &CountingProcedure;
        windowClass.lpszClassName = "LibBaseCounting";
        return win::RegisterClassA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    return win::CreateWindowExA(0, "LibBaseCounting", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

} // namespace

TEST(LibBase, PumpOneMessageReportsWhatItHandled) {
    EXPECT_EQ(port::PumpOneMessage(), 0u);
    const win::HWND window = CountingWindow();
    handledByWindow = 0;
    win::PostMessageA(window, win::WM_USER, 0, 0);
    const std::uint32_t result = port::PumpOneMessage();
    EXPECT_EQ(handledByWindow, 1);
    EXPECT_EQ(result & 0xFFFF, win::WM_USER);
    EXPECT_EQ(result >> 16, reinterpret_cast<std::uintptr_t>(window) & 0xFFFF);
    win::DestroyWindow(window);
}

TEST(LibBase, DelayTicksWithNoTicksTouchesNothing) {
    win::PostMessageA(nullptr, win::WM_USER, 0, 0);
    EXPECT_EQ(port::DelayTicks(0, true), 0u);
    EXPECT_EQ(port::DelayTicks(-1, true), 0u);
    win::MSG message{};
    EXPECT_TRUE(win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE)) << "the message still waits";
}

TEST(LibBase, DelayTicksPumpsAndEndsEarlyAtAQuitThatStaysQueued) {
    const win::HWND window = CountingWindow();
    handledByWindow = 0;
    win::PostMessageA(window, win::WM_USER, 0, 0);
    win::PostQuitMessage(3);
    const std::uint32_t start = port::ClockMs();
    EXPECT_EQ(port::DelayTicks(100, true), 18u);
    EXPECT_LT(port::ClockMs() - start, 1000u) << "ended long before 5.5 s";
    EXPECT_EQ(handledByWindow, 1);
    win::MSG message{};
    ASSERT_EQ(win::GetMessageA(&message, nullptr, 0, 0), win::FALSE) << "the main loop still sees the quit";
    EXPECT_EQ(message.wParam, 3u);
    win::DestroyWindow(window);
}

TEST(LibBase, DelayTicksUntilEndsOnceItsConditionHolds) {
    const win::HWND window = CountingWindow();
    handledByWindow = 0;
    win::PostMessageA(window, win::WM_USER, 0, 0);
    win::PostMessageA(window, win::WM_USER, 0, 0);
    const std::uint32_t start = port::ClockMs();
    port::DelayTicksUntil(100, [] { return handledByWindow == 1; });
    EXPECT_LT(port::ClockMs() - start, 1000u) << "ended long before 5.5 s";
    EXPECT_EQ(handledByWindow, 1) << "the second message waits for the main loop";

    handledByWindow = 0;
    const std::uint32_t idle = port::ClockMs();
    EXPECT_EQ(port::DelayTicksUntil(100, [] { return true; }), 0u);
    EXPECT_LT(port::ClockMs() - idle, 50u);
    EXPECT_EQ(handledByWindow, 0) << "a condition that holds at once handles nothing";
    EXPECT_EQ(port::PumpOneMessage() & 0xFFFF, win::WM_USER);

    const std::uint32_t full = port::ClockMs();
    port::DelayTicksUntil(2, [] { return false; });
    EXPECT_GE(port::ClockMs() - full, 55u) << "without the condition the whole pause passes";
    win::DestroyWindow(window);
}

TEST(LibBase, DelayTicksWaitsItsTicksAndHandlesTimers) {
    const win::HWND window = CountingWindow();
    timerTicks = 0;
    win::SetTimer(window, 1, 20, nullptr);
    const std::uint32_t start = port::ClockMs();
    const std::uint32_t last = port::DelayTicks(3, true);
    EXPECT_TRUE(last == 0 || (last & 0xFFFF) == win::WM_TIMER)
        << "the last pump's result: nothing, or a tick";
    EXPECT_GT(port::ClockMs() - start, 110u);
    EXPECT_GE(timerTicks, 2) << "timer messages were handled inside the wait";
    win::DestroyWindow(window);

    timerTicks = 0;
    const win::HWND quiet = CountingWindow();
    win::SetTimer(quiet, 1, 10, nullptr);
    const std::uint32_t quietStart = port::ClockMs();
    EXPECT_EQ(port::DelayTicks(2, false), 0u);
    EXPECT_GT(port::ClockMs() - quietStart, 55u);
    EXPECT_EQ(timerTicks, 0) << "without yield nothing is handled";
    win::DestroyWindow(quiet);
}

TEST(LibBase, FileExistsZ) {
    const std::string name = (std::filesystem::temp_directory_path() / "libbase-exists.trc").string();
    std::ofstream(name) << "x";
    EXPECT_TRUE(port::FileExistsZ(name.c_str()));
    std::filesystem::remove(name);
    EXPECT_FALSE(port::FileExistsZ(name.c_str()));
    EXPECT_FALSE(port::FileExistsZ(nullptr));
    EXPECT_FALSE(port::FileExistsZ(std::filesystem::temp_directory_path().string().c_str()))
        << "a folder is no file";
}
