// The process: its command line and starting other programs.
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <vector>

namespace win {

inline constexpr UINT SW_HIDE = 0;
inline constexpr UINT SW_SHOWNORMAL = 1;
inline constexpr UINT SW_SHOW = 5;

// The program's arguments, the program itself first; read from the system unless replaced.
const std::vector<std::string>& CommandLineArguments();
void SetCommandLineArguments(std::vector<std::string> arguments);
// The arguments joined with blanks, those holding blanks quoted.
LPCSTR GetCommandLineA();
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// Starts the program that the command line names and does not wait for it. The program is looked
// up as Windows does: a name with a folder as given, else the current folder and then PATH, with
// ".exe" appended when the name has no extension (the bare name is tried last). A file beginning
// with "MZ" is started through wine when wine is installed; other files are made executable for
// their owner first. Returns a value above 31 on success, else 0 (out of resources),
// ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND or ERROR_BAD_FORMAT.
UINT WinExec(LPCSTR commandLine, UINT showCommand);

} // namespace win
