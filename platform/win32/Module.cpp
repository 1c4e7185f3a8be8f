// Modules: the system's loader. A module made absent for a test is refused by name, as when its
// file is missing.
#include "platform/Module.h"

#include "platform/Kernel.h"
#include "platform/win32/Native.h"
#include "platform/win32/WidePath.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>
#include <string>

namespace win {
namespace {

struct Absent {
    std::mutex mutex;
    std::set<std::string> names;
};

Absent& TheAbsent() {
    static Absent absent;
    return absent;
}

// "C:\x\WSOCK32.DLL" and "wsock32" both give "wsock32".
std::string BaseName(LPCSTR name) {
    std::string base = name == nullptr ? "" : name;
    if (const std::size_t slash = base.find_last_of("\\/:"); slash != std::string::npos)
        base.erase(0, slash + 1);
    if (const std::size_t dot = base.rfind('.'); dot != std::string::npos) base.erase(dot);
    std::transform(base.begin(), base.end(), base.begin(), [](unsigned char c) { return std::tolower(c); });
    return base;
}

bool IsAbsent(LPCSTR name) {
    Absent& absent = TheAbsent();
    std::lock_guard lock(absent.mutex);
    return absent.names.count(BaseName(name)) != 0;
}

} // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (IsAbsent(fileName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const auto path = native::WidePath(fileName);
    return path ? reinterpret_cast<HMODULE>(::LoadLibraryW(path->c_str())) : nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    return ::FreeLibrary(reinterpret_cast<::HMODULE>(module));
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName) {
    return reinterpret_cast<FARPROC>(::GetProcAddress(reinterpret_cast<::HMODULE>(module), procedureName));
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName == nullptr) return reinterpret_cast<HMODULE>(::GetModuleHandleW(nullptr));
    const auto name = native::WidePath(moduleName);
    return name ? reinterpret_cast<HMODULE>(::GetModuleHandleW(name->c_str())) : nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    // The system's longest path is 32767 units; the buffer grows to it as needed.
    std::wstring wide(MAX_PATH, L'\0');
    ::DWORD length = 0;
    for (;;) {
        length = ::GetModuleFileNameW(reinterpret_cast<::HMODULE>(module), wide.data(),
                                      static_cast<::DWORD>(wide.size()));
        if (length == 0) return 0;
        if (length < wide.size() || wide.size() >= 32768) break;
        wide.resize(wide.size() * 2);
    }
    // As the system's own: cut to the buffer, terminated, with the buffer's size and
    // ERROR_INSUFFICIENT_BUFFER when the path did not fit.
    if (fileName == nullptr || size == 0) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string path = native::ProgramPath({wide.data(), length});
    if (native::CopyPathPrefix(path, fileName, size)) return static_cast<DWORD>(path.size());
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

void SetModuleAbsent(LPCSTR moduleName, bool absent) {
    Absent& modules = TheAbsent();
    std::lock_guard lock(modules.mutex);
    if (absent)
        modules.names.insert(BaseName(moduleName));
    else
        modules.names.erase(BaseName(moduleName));
}

} // namespace win
