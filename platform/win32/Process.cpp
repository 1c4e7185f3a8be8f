// The process: the system's command line, and WinExec itself.
#include "platform/Process.h"

#include "platform/win32/Native.h"

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

UINT WinExec(LPCSTR commandLine, UINT showCommand) {
    return ::WinExec(commandLine, showCommand);
}

} // namespace win
