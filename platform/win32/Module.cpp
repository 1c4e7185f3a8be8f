// Modules: the system's loader. A module made absent for a test is refused by name, as when its
// file is missing.
#include "platform/Module.h"

#include "platform/Kernel.h"
#include "platform/win32/Native.h"

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
    return reinterpret_cast<HMODULE>(::LoadLibraryA(fileName));
}

BOOL FreeLibrary(HMODULE module) {
    return ::FreeLibrary(reinterpret_cast<::HMODULE>(module));
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName) {
    return reinterpret_cast<FARPROC>(::GetProcAddress(reinterpret_cast<::HMODULE>(module), procedureName));
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    return reinterpret_cast<HMODULE>(::GetModuleHandleA(moduleName));
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    return ::GetModuleFileNameA(reinterpret_cast<::HMODULE>(module), fileName, size);
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
