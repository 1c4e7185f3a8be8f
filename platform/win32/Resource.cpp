// Resources: the system's, compiled into the program with windres.
#include "platform/Resource.h"

#include "platform/win32/Native.h"

namespace win {
namespace {

::HMODULE Native(HMODULE module) {
    return reinterpret_cast<::HMODULE>(module);
}

} // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    return reinterpret_cast<HRSRC>(::FindResourceA(Native(module), name, type));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    return ::LoadResource(Native(module), reinterpret_cast<::HRSRC>(resource));
}

void* LockResource(HGLOBAL data) {
    return ::LockResource(data);
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    return ::SizeofResource(Native(module), reinterpret_cast<::HRSRC>(resource));
}

BOOL FreeResource(HGLOBAL data) {
    return ::FreeResource(data);
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
    return ::LoadStringA(reinterpret_cast<::HINSTANCE>(instance), id, buffer, bufferMax);
}

} // namespace win
