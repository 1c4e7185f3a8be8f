#include "platform/Kernel.h"

#include "platform/SystemMessages.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/time.h>
#include <sys/utsname.h>
#include <thread>

namespace win {
namespace {

thread_local DWORD lastError = 0;

std::uint64_t MonotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u + static_cast<std::uint64_t>(ts.tv_nsec);
}

constexpr LONGLONG kCounterFrequency = 10000000; // 100 ns per count

void ToSystemTime(const std::tm& tm, long nanoseconds, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

void ReadRealTime(SYSTEMTIME* out, std::tm* (*breakDown)(const time_t*, std::tm*)) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    breakDown(&ts.tv_sec, &tm);
    ToSystemTime(tm, ts.tv_nsec, out);
}

} // namespace

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD code) {
    lastError = code;
}

DWORD ErrorFromErrno(int errnoValue) {
    switch (errnoValue) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOEXEC:
        return ERROR_BAD_FORMAT;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case ETXTBSY:
    case EBUSY:
        return ERROR_SHARING_VIOLATION;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EILSEQ:
        return ERROR_NO_UNICODE_TRANSLATION;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = kCounterFrequency;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    count->QuadPart = static_cast<LONGLONG>(MonotonicNanoseconds() / 100);
    return TRUE;
}

DWORD timeGetTime() {
    return static_cast<DWORD>(MonotonicNanoseconds() / 1000000);
}
DWORD GetTickCount() {
    return timeGetTime();
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    section->RecursionCount = 0;
}
void DeleteCriticalSection(CRITICAL_SECTION*) {}

void EnterCriticalSection(CRITICAL_SECTION* section) {
    section->mutex.lock();
    ++section->RecursionCount;
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) {
    if (!section->mutex.try_lock()) return FALSE;
    ++section->RecursionCount;
    return TRUE;
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
    --section->RecursionCount;
    section->mutex.unlock();
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    utsname names{};
    uname(&names);
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(names.release, "%u.%u.%u", &major, &minor, &build);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = build;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    const std::string description = std::string(names.sysname) + " " + names.release;
    std::strncpy(info->szCSDVersion, description.c_str(), sizeof info->szCSDVersion - 1);
    info->szCSDVersion[sizeof info->szCSDVersion - 1] = '\0';
    return TRUE;
}

void GetLocalTime(SYSTEMTIME* time) {
    ReadRealTime(time, &localtime_r);
}

void GetSystemTime(SYSTEMTIME* time) {
    ReadRealTime(time, &gmtime_r);
}

DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void*) {
    const char* text = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? detail::SystemMessageText(messageId) : nullptr;
    if (text == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* memory = static_cast<char*>(std::malloc(length + 1));
        if (memory == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(memory, text, length + 1);
        *reinterpret_cast<char**>(buffer) = memory;
        return length;
    }
    if (buffer == nullptr || size <= length) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text, length + 1);
    return length;
}

HANDLE LocalFree(HANDLE memory) {
    std::free(memory);
    return nullptr;
}

} // namespace win
