// Resources: the system's, compiled into the program with windres.
#include "platform/Resource.h"

#include "platform/CodePage.h"

#include "platform/win32/Native.h"

#include <cstring>
#include <string>

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

// The system's LoadStringA converts through the system's code page; the program's is the one
// meant, so the UTF-16 text is converted here.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
    if (buffer == nullptr || bufferMax <= 0) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    const wchar_t* text = nullptr;
    const int length =
        ::LoadStringW(reinterpret_cast<::HINSTANCE>(instance), id, reinterpret_cast<::LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return 0;
    const std::string ansi = WideToAnsi(std::u16string(text, text + length));
    const std::size_t copied = AnsiPrefixLength(ansi, static_cast<std::size_t>(bufferMax - 1));
    std::memcpy(buffer, ansi.data(), copied);
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

} // namespace win
