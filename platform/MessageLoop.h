// The thread's message queue: posted messages, quit, timers, the wait and the toolkit hooks.
#pragma once

#include "platform/Window.h"

#include <exception>
#include <functional>

namespace win {

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
inline constexpr UINT PM_NOYIELD = 0x0002;

inline constexpr UINT USER_TIMER_MINIMUM = 10;
inline constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr DWORD QS_ALLINPUT = 0x04FF;

// Posted messages are delivered first in first out. A NULL window posts a thread message to the
// calling thread. Fails with ERROR_INVALID_WINDOW_HANDLE for a window that does not exist.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Order of retrieval, as on Windows: posted messages, then WM_QUIT, then WM_TIMER of a due timer.
// A window filter of NULL takes every message, (HWND)-1 thread messages only.
BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits until a message arrives; returns 0 for WM_QUIT, -1 for an invalid window filter. While
// posted messages wait that the filter excludes, the wait polls instead of sleeping.
BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* message);
// WM_TIMER with a timer procedure calls the procedure instead of the window. An exception that
// escapes goes to the message exception handler and never further.
LRESULT DispatchMessageA(const MSG* message);
// Waits until a message can be retrieved or the time-out passes; no handles are supported, so
// `count` must be 0. Returns WAIT_OBJECT_0 when input is waiting, else WAIT_TIMEOUT.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs,
                                DWORD wakeMask);

// A window timer (window given) posts WM_TIMER to that window and is identified by (window, id);
// a thread timer (no window) gets a new id unless `id` names an existing thread timer. A timer
// that is late fires once, not once per missed interval.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);

using MessageExceptionHandler = std::function<void(std::exception_ptr)>;
// Installs the handler for exceptions escaping window procedures; returns the previous one.
// Without a handler the exception's message is written to standard error.
MessageExceptionHandler SetMessageExceptionHandler(MessageExceptionHandler handler);
namespace detail {
// Hands the exception to the installed handler, or writes its message to standard error.
void ReportEscapedException(std::exception_ptr error);
} // namespace detail

#ifndef _WIN32
// Hooks for a GUI toolkit that runs this thread's queue from its own event loop:
// watch the descriptor for reading, wake at the time-out, and then handle what is ready.
int MessageLoopDescriptor();
// Milliseconds until the nearest timer is due: 0 when one is due, -1 when there is none.
int MessageLoopTimeoutMs();
// Handles every message that is ready now, as GetMessageA, TranslateMessage and DispatchMessageA
// would. Returns true when WM_QUIT was retrieved; its exit code is stored in `exitCode`.
bool DispatchReadyMessages(int* exitCode);
#endif

} // namespace win
