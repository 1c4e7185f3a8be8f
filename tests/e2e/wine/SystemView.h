// The system's own view of the files, beside the platform's calls that the Windows suites test;
// apart, since the system's headers and the platform's declare the same names.
#pragma once

#include <string>

namespace systemview {

unsigned CodePage();
bool IsFile(const std::wstring& path);
bool IsFolder(const std::wstring& path);
// Removes the folder with everything in it.
void RemoveTree(const std::wstring& path);

} // namespace systemview
