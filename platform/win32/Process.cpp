// The process: the system's command line, and WinExec itself.
#include "platform/Process.h"

#include "platform/win32/Native.h"
#include "platform/win32/WidePath.h"

#include <cstdlib>
#include <mutex>

namespace win {
namespace {

std::mutex commandLineMutex;

std::vector<std::string>& Arguments() {
    static std::vector<std::string> arguments(__argv, __argv + __argc);
    return arguments;
}

std::string& ReplacedCommandLine() {
    static std::string joined;
    return joined;
}

} // namespace

const std::vector<std::string>& CommandLineArguments() {
    std::lock_guard lock(commandLineMutex);
    return Arguments();
}

void SetCommandLineArguments(std::vector<std::string> arguments) {
    std::lock_guard lock(commandLineMutex);
    Arguments() = std::move(arguments);
    ReplacedCommandLine() = JoinCommandLine(Arguments());
}

LPCSTR GetCommandLineA() {
    std::lock_guard lock(commandLineMutex);
    return ReplacedCommandLine().empty() ? ::GetCommandLineA() : ReplacedCommandLine().c_str();
}

// What the system's WinExec does, with the command line read in the program's code page: a quoted
// full path starts that file, searched nowhere. The installer is not waited for.
UINT WinExec(LPCSTR commandLine, UINT showCommand) {
    std::optional<std::wstring> line = native::WidePath(commandLine);
    if (!line) return ERROR_FILE_NOT_FOUND; // no file can have that name
    ::STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<::WORD>(showCommand);
    ::PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, line->data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        const ::DWORD error = ::GetLastError();
        return error < 32 ? error : ERROR_BAD_FORMAT; // above 31 would read as success
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return 33;
}

} // namespace win
