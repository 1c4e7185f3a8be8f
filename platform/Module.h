// Modules: the built-in "WSOCK32", shared objects loaded from files, and the program itself.
#pragma once

#include "platform/WinTypes.h"

namespace win {

// A name without folder is first looked up among the built-in modules (with or without ".DLL",
// ignoring letter case); otherwise it names a shared object, searched in the program's folder and
// then the current folder; ".dll" is appended to a name without extension.
HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName);
// NULL gives the program's own module.
HMODULE GetModuleHandleA(LPCSTR moduleName);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// Makes a module of that name (ignoring folder, extension and letter case) impossible to load,
// as when its file is missing from the system; false makes it loadable again.
void SetModuleAbsent(LPCSTR moduleName, bool absent);

} // namespace win
