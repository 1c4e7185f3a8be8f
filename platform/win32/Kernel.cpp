// Kernel services: the system's own.
#include "platform/Kernel.h"

#include "platform/win32/Native.h"

namespace win {

static_assert(sizeof(CRITICAL_SECTION) >= sizeof(::CRITICAL_SECTION));
static_assert(sizeof(OSVERSIONINFOA) == sizeof(::OSVERSIONINFOA));
static_assert(sizeof(SYSTEMTIME) == sizeof(::SYSTEMTIME));

namespace {
::CRITICAL_SECTION* Native(CRITICAL_SECTION* section) {
    return reinterpret_cast<::CRITICAL_SECTION*>(section->storage);
}
} // namespace

DWORD GetLastError() {
    return ::GetLastError();
}

void SetLastError(DWORD code) {
    ::SetLastError(code);
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    return ::QueryPerformanceFrequency(native::As<::LARGE_INTEGER>(frequency));
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    return ::QueryPerformanceCounter(native::As<::LARGE_INTEGER>(count));
}

// The multimedia timer's millisecond clock counts like the tick count; winmm is not needed.
DWORD timeGetTime() {
    return ::GetTickCount();
}

DWORD GetTickCount() {
    return ::GetTickCount();
}

void Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    ::InitializeCriticalSection(Native(section));
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
    ::DeleteCriticalSection(Native(section));
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
    ::EnterCriticalSection(Native(section));
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) {
    return ::TryEnterCriticalSection(Native(section));
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
    ::LeaveCriticalSection(Native(section));
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return ::GetVersionExA(native::As<::OSVERSIONINFOA>(info));
#pragma GCC diagnostic pop
}

void GetLocalTime(SYSTEMTIME* time) {
    ::GetLocalTime(native::As<::SYSTEMTIME>(time));
}

void GetSystemTime(SYSTEMTIME* time) {
    ::GetSystemTime(native::As<::SYSTEMTIME>(time));
}

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, void* arguments) {
    return ::FormatMessageA(flags, source, messageId, languageId, buffer, size,
                            static_cast<va_list*>(arguments));
}

HANDLE LocalFree(HANDLE memory) {
    return ::LocalFree(memory);
}

} // namespace win
