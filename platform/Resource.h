// Resources embedded in a module at build time.
#pragma once

#include "platform/WinTypes.h"

namespace win {

inline LPCSTR MAKEINTRESOURCEA(WORD id) {
    return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(id));
}
inline bool IS_INTRESOURCE(LPCSTR name) {
    return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0;
}

inline const LPCSTR RT_STRING = MAKEINTRESOURCEA(6);
inline const LPCSTR RT_RCDATA = MAKEINTRESOURCEA(10);

// Names compare ignoring letter case; "#123" names the number 123. NULL is the program's module.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// Reads string `id` of the module's string tables, converted to the ANSI code page; at most
// `bufferMax` - 1 bytes and a terminator. Returns the length, 0 when there is no such string.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);

} // namespace win
