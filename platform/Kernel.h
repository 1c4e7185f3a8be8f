// Kernel services: last error, clocks, sleeping, critical sections, version and time of day.
#pragma once

#include "platform/WinTypes.h"

#include <atomic>
#include <mutex>

namespace win {

// Performance counter: 10 MHz on the monotonic clock, as on current Windows.
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);

// Milliseconds of the monotonic clock; wraps after 49.7 days like the Windows clocks.
DWORD timeGetTime();
DWORD GetTickCount();

void Sleep(DWORD milliseconds);

// Re-entrant: the owning thread may enter again; it must leave as often as it entered.
#ifdef _WIN32
// The system's own, held in storage of its size.
struct CRITICAL_SECTION {
    alignas(void*) unsigned char storage[sizeof(void*) == 8 ? 40 : 24];
};
#else
struct CRITICAL_SECTION {
    std::recursive_mutex mutex;
    std::atomic<LONG> RecursionCount{0};
};
#endif

void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

// A critical section that is initialized and deleted with the object; usable with std::lock_guard.
class TCriticalSection {
public:
    TCriticalSection() { InitializeCriticalSection(&section_); }
    ~TCriticalSection() { DeleteCriticalSection(&section_); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

inline constexpr DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};

// Reports the host kernel: its version numbers, platform NT, and its name and release as the
// service-pack text. Fails with ERROR_INSUFFICIENT_BUFFER when the size field is not set.
BOOL GetVersionExA(OSVERSIONINFOA* info);

void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);

inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
inline constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

// Only system messages are provided, with inserts left as they stand. Texts end in CR LF as on
// Windows. With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is a char** that receives memory to be
// released with LocalFree. Returns the length written, or 0 with ERROR_MR_MID_NOT_FOUND.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, void* arguments);
HANDLE LocalFree(HANDLE memory);

} // namespace win
