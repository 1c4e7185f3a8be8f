// Code pages through the system's conversions. The program's texts are in its own ANSI code page
// (950 unless NVL_ACP names another) whatever the system's is, so CP_ACP means that one here.
#include "platform/CodePage.h"

#include "platform/win32/Native.h"

#include <cstdlib>
#include <string>

namespace win {
namespace {

constexpr UINT kDefaultAnsiCodePage = 950;

UINT Resolve(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_OEMCP ? GetACP() : codePage;
}

} // namespace

UINT GetACP() {
    static const UINT codePage = [] {
        const char* chosen = std::getenv("NVL_ACP");
        const UINT value = chosen != nullptr ? static_cast<UINT>(std::strtoul(chosen, nullptr, 10)) : 0;
        return value != 0 && ::IsValidCodePage(value) ? value : kDefaultAnsiCodePage;
    }();
    return codePage;
}

UINT GetOEMCP() {
    return GetACP();
}

BOOL IsValidCodePage(UINT codePage) {
    return ::IsValidCodePage(codePage);
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
    return ::IsDBCSLeadByteEx(Resolve(codePage), testChar);
}

BOOL IsDBCSLeadByte(BYTE testChar) {
    return IsDBCSLeadByteEx(CP_ACP, testChar);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength, LPWSTR wide,
                        int wideLength) {
    return ::MultiByteToWideChar(Resolve(codePage), flags, multiByte, multiByteLength,
                                 reinterpret_cast<::LPWSTR>(wide), wideLength);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR multiByte,
                        int multiByteLength, LPCSTR defaultChar, BOOL* usedDefaultChar) {
    const UINT resolved = Resolve(codePage);
    // UTF-8 takes neither a default character nor its flag.
    if (resolved == CP_UTF8) defaultChar = nullptr, usedDefaultChar = nullptr;
    return ::WideCharToMultiByte(resolved, flags, reinterpret_cast<::LPCWSTR>(wide), wideLength, multiByte,
                                 multiByteLength, defaultChar, native::As<::BOOL>(usedDefaultChar));
}

// Letters a to z only: the system's upper-casing follows its own code page, not the program's.
DWORD CharUpperBuffA(LPSTR text, DWORD length) {
    for (DWORD i = 0; i < length; ++i) {
        const auto byte = static_cast<BYTE>(text[i]);
        if (IsDBCSLeadByte(byte) && i + 1 < length) {
            ++i;
            continue;
        }
        if (byte >= 'a' && byte <= 'z') text[i] = static_cast<char>(byte - 'a' + 'A');
    }
    return length;
}

} // namespace win
