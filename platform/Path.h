// The mapping of the system's Windows-style paths to native ones.
#pragma once

#include <string>
#include <string_view>

namespace win {

// "C:\..." (either letter case) becomes the folder named by NVL_DRIVE_C, else the user's home
// folder, followed by the rest; backslashes become '/'. Other paths only have their backslashes
// turned into '/'. A backslash that is the trail byte of a double-byte character of the ANSI code
// page is part of that character and stays.
std::string NativePath(std::string_view path);

// The native folder that stands for drive C, without trailing separator.
std::string DriveCFolder();

} // namespace win
