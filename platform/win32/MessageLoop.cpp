// The thread's message queue and timers: the system's own. Timer procedures are called through a
// thunk, as window procedures are, so they keep the platform's calling convention and nothing
// they throw unwinds through the system.
#include "platform/MessageLoop.h"

#include "platform/win32/Native.h"

#include <map>
#include <mutex>
#include <utility>

namespace win {

static_assert(sizeof(MSG) == sizeof(::MSG));
static_assert(offsetof(MSG, lParam) == offsetof(::MSG, lParam));

namespace {

struct TimerProcedures {
    std::mutex mutex;
    std::map<std::pair<::HWND, UINT_PTR>, TIMERPROC> procedures;
};

TimerProcedures& TheTimers() {
    static TimerProcedures timers;
    return timers;
}

void CALLBACK TimerThunk(::HWND window, ::UINT message, ::UINT_PTR id, ::DWORD time) {
    TIMERPROC procedure = nullptr;
    {
        TimerProcedures& timers = TheTimers();
        std::lock_guard lock(timers.mutex);
        const auto found = timers.procedures.find({window, id});
        if (found != timers.procedures.end()) procedure = found->second;
    }
    if (procedure == nullptr) return;
    try {
        procedure(reinterpret_cast<HWND>(window), message, id, time);
    } catch (...) {
        detail::ReportEscapedException(std::current_exception());
    }
}

::HWND Native(HWND window) {
    return reinterpret_cast<::HWND>(window);
}

} // namespace

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr) return ::PostThreadMessageA(::GetCurrentThreadId(), message, wParam, lParam);
    return ::PostMessageA(Native(window), message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    ::PostQuitMessage(exitCode);
}

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    return ::PeekMessageA(native::As<::MSG>(message), Native(window), filterMin, filterMax, removeFlags);
}

BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    return ::GetMessageA(native::As<::MSG>(message), Native(window), filterMin, filterMax);
}

BOOL TranslateMessage(const MSG* message) {
    return ::TranslateMessage(native::As<::MSG>(message));
}

LRESULT DispatchMessageA(const MSG* message) {
    return ::DispatchMessageA(native::As<::MSG>(message));
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs,
                                DWORD wakeMask) {
    return ::MsgWaitForMultipleObjects(count, handles, waitAll, timeoutMs, wakeMask);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC procedure) {
    const UINT_PTR made =
        ::SetTimer(Native(window), id, elapseMs, procedure != nullptr ? &TimerThunk : nullptr);
    if (made == 0) return 0;
    TimerProcedures& timers = TheTimers();
    std::lock_guard lock(timers.mutex);
    // A window timer keeps the id it was given; a thread timer is known by the one the system chose.
    const UINT_PTR key = window != nullptr ? id : made;
    if (procedure != nullptr)
        timers.procedures[{Native(window), key}] = procedure;
    else
        timers.procedures.erase({Native(window), key});
    return made;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    {
        TimerProcedures& timers = TheTimers();
        std::lock_guard lock(timers.mutex);
        timers.procedures.erase({Native(window), id});
    }
    return ::KillTimer(Native(window), id);
}

} // namespace win
