// Program paths at the system's wide calls. The program spells paths in its own code page (950
// unless NVL_ACP names another) whatever the system's is, so every path goes through an explicit
// conversion instead of the system's A calls, which would read it in the system's code page.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace win::native {

// The path in UTF-16, or nothing when it is no text of the program's code page (the last error is
// then ERROR_INVALID_NAME) or null (ERROR_INVALID_PARAMETER).
std::optional<std::wstring> WidePath(const char* path);

// A path or name the system gives back, in the program's code page; a character that the code
// page lacks becomes '?', which no name may hold, never a look-alike.
std::string ProgramPath(std::wstring_view path);

// Copies a path into a caller's buffer of `size` bytes as the A calls do: its length when it fits
// with its terminator, else the size it needs, terminator included, and nothing copied.
DWORD CopyPath(const std::string& path, char* buffer, DWORD size);

// Fills the buffer with as much of the path as fits with its terminator, without splitting a
// double-byte character; true when all of it fitted.
bool CopyPathPrefix(const std::string& path, char* buffer, std::size_t size);

} // namespace win::native
