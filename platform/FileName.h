// Which names a folder can hold as files of their own, by the rule of the system that stores them.
#pragma once

#include <string>
#include <string_view>

namespace win {

// The rules of both systems are pure functions, so both are tested anywhere.

// Not empty, not "." or "..", and without "/", ":", control bytes, or a "\" that is not the trail
// byte of a double-byte character of the ANSI code page.
bool IsPosixFileName(std::string_view name);
// folder: the folder the name is stored in, as the program spells it (code page 950 bytes).
// Beyond the POSIX rule: text of code page 950, no device name (with or without an extension),
// no trailing dot or blank, none of < > : " / \ | ? *, at most 255 characters, and the folder, a
// separator and the name within MAX_PATH, all counted in UTF-16 after the conversion from 950.
bool IsWindowsFileName(std::string_view folder, std::string_view name);
// The rule of the system the program runs on.
bool IsStorableFileName(std::string_view folder, std::string_view name);

// Two names that the system stores as one file have the same key: on POSIX the name itself,
// on Windows the name with letter case folded as the system folds it.
std::string WindowsFileNameKey(std::string_view name);
std::string FileNameKey(std::string_view name);

} // namespace win
