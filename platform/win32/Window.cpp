// Window classes and windows: the system's own. The system calls one thunk for every window made
// through these calls; the thunk calls the platform's procedure of the window, catching what
// escapes it, so procedures keep the platform's calling convention and exceptions never unwind
// through the system's frames.
#include "platform/Window.h"

#include "platform/MessageLoop.h"
#include "platform/win32/Native.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <string>

namespace win {

static_assert(sizeof(CREATESTRUCTA) == sizeof(::CREATESTRUCTA));

namespace {

struct Procedures {
    std::recursive_mutex mutex;
    std::map<std::string, WNDPROC> ofClass; // by lower-case class name
    std::map<::HWND, WNDPROC> ofWindow;
};

Procedures& TheProcedures() {
    static Procedures procedures;
    return procedures;
}

std::string Lower(LPCSTR name) {
    std::string lower = name == nullptr ? "" : name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return lower;
}

::HWND Native(HWND window) {
    return reinterpret_cast<::HWND>(window);
}

::HINSTANCE Instance(HINSTANCE instance) {
    return instance != nullptr ? reinterpret_cast<::HINSTANCE>(instance) : ::GetModuleHandleA(nullptr);
}

// The window's procedure; a window seen for the first time takes its class's.
WNDPROC ProcedureOf(::HWND window) {
    Procedures& procedures = TheProcedures();
    std::lock_guard lock(procedures.mutex);
    if (const auto found = procedures.ofWindow.find(window); found != procedures.ofWindow.end())
        return found->second;
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof name);
    const auto found = procedures.ofClass.find(Lower(name));
    if (found == procedures.ofClass.end()) return nullptr;
    procedures.ofWindow[window] = found->second;
    return found->second;
}

::LRESULT CALLBACK Thunk(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    const WNDPROC procedure = ProcedureOf(window);
    ::LRESULT result = 0;
    if (procedure == nullptr) {
        result = ::DefWindowProcA(window, message, wParam, lParam);
    } else {
        try {
            result = procedure(reinterpret_cast<HWND>(window), message, wParam, lParam);
        } catch (...) {
            detail::ReportEscapedException(std::current_exception());
        }
    }
    if (message == WM_NCDESTROY) {
        Procedures& procedures = TheProcedures();
        std::lock_guard lock(procedures.mutex);
        procedures.ofWindow.erase(window);
    }
    return result;
}

} // namespace

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    ::WNDCLASSA native{};
    native.style = windowClass->style;
    native.lpfnWndProc = &Thunk;
    native.cbClsExtra = windowClass->cbClsExtra;
    native.cbWndExtra = windowClass->cbWndExtra;
    native.hInstance = Instance(windowClass->hInstance);
    native.hIcon = static_cast<::HICON>(windowClass->hIcon);
    native.hCursor = static_cast<::HCURSOR>(windowClass->hCursor);
    native.hbrBackground = static_cast<::HBRUSH>(windowClass->hbrBackground);
    native.lpszMenuName = windowClass->lpszMenuName;
    native.lpszClassName = windowClass->lpszClassName;
    const ATOM atom = ::RegisterClassA(&native);
    if (atom != 0) {
        Procedures& procedures = TheProcedures();
        std::lock_guard lock(procedures.mutex);
        procedures.ofClass[Lower(windowClass->lpszClassName)] = windowClass->lpfnWndProc;
    }
    return atom;
}

bool EnsureClassRegistered(const WNDCLASSA& windowClass) {
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    if (!::UnregisterClassA(className, Instance(instance))) return FALSE;
    Procedures& procedures = TheProcedures();
    std::lock_guard lock(procedures.mutex);
    procedures.ofClass.erase(Lower(className));
    return TRUE;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* windowClass) {
    ::WNDCLASSA native{};
    if (!::GetClassInfoA(Instance(instance), className, &native)) return FALSE;
    Procedures& procedures = TheProcedures();
    std::lock_guard lock(procedures.mutex);
    const auto found = procedures.ofClass.find(Lower(className));
    *windowClass = WNDCLASSA{native.style,
                             found == procedures.ofClass.end() ? nullptr : found->second,
                             native.cbClsExtra,
                             native.cbWndExtra,
                             reinterpret_cast<HINSTANCE>(native.hInstance),
                             native.hIcon,
                             native.hCursor,
                             native.hbrBackground,
                             native.lpszMenuName,
                             native.lpszClassName};
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
    return reinterpret_cast<HWND>(::CreateWindowExA(exStyle, className, windowName, style, x, y, width,
                                                    height, Native(parent), static_cast<::HMENU>(menu),
                                                    Instance(instance), param));
}

BOOL DestroyWindow(HWND window) {
    return ::DestroyWindow(Native(window));
}

BOOL IsWindow(HWND window) {
    return ::IsWindow(Native(window));
}

HWND GetParent(HWND window) {
    return reinterpret_cast<HWND>(::GetParent(Native(window)));
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(Native(window), message, wParam, lParam);
}

// Procedures handed out by GWLP_WNDPROC are the platform's, so they are called directly.
LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure != nullptr ? procedure(window, message, wParam, lParam)
                                : DefWindowProcA(window, message, wParam, lParam);
}

// On 32-bit Windows the system's names are macros for the plain calls; they must not rename these.
namespace {
LONG_PTR SystemGetWindowLongPtr(::HWND window, int index) {
    return ::GetWindowLongPtrA(window, index);
}
LONG_PTR SystemSetWindowLongPtr(::HWND window, int index, LONG_PTR value) {
    return ::SetWindowLongPtrA(window, index, value);
}
} // namespace
#undef GetWindowLongPtrA
#undef SetWindowLongPtrA

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    if (index != GWLP_WNDPROC) return SystemGetWindowLongPtr(Native(window), index);
    return reinterpret_cast<LONG_PTR>(ProcedureOf(Native(window)));
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    if (index != GWLP_WNDPROC) return SystemSetWindowLongPtr(Native(window), index, value);
    const WNDPROC previous = ProcedureOf(Native(window));
    Procedures& procedures = TheProcedures();
    std::lock_guard lock(procedures.mutex);
    procedures.ofWindow[Native(window)] = reinterpret_cast<WNDPROC>(value);
    return reinterpret_cast<LONG_PTR>(previous);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    return ::SetWindowTextA(Native(window), text);
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    return ::GetWindowTextA(Native(window), text, maxCount);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Native(window), message, wParam, lParam);
}

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeoutMs, DWORD_PTR* result) {
    return ::SendMessageTimeoutA(Native(window), message, wParam, lParam, flags, timeoutMs,
                                 native::As<::DWORD_PTR>(result));
}

} // namespace win
