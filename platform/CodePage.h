// Code pages: the ANSI code page and conversions between multi-byte text and UTF-16.
#pragma once

#include "platform/WinTypes.h"

#include <string>

namespace win {

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;

// 950 (traditional Chinese, Big5) unless the environment variable NVL_ACP names another code page.
UINT GetACP();
UINT GetOEMCP();

BOOL IsValidCodePage(UINT codePage);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar);
BOOL IsDBCSLeadByte(BYTE testChar);

// Windows semantics: a length of -1 means NUL-terminated (the terminator is converted and
// counted); an output size of 0 asks for the needed size. Characters the code page cannot hold
// become the default character ('?'); invalid input becomes U+FFFD unless MB_ERR_INVALID_CHARS.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength, LPWSTR wide,
                        int wideLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR multiByte,
                        int multiByteLength, LPCSTR defaultChar, BOOL* usedDefaultChar);

// Upper-cases in place in the ANSI code page; double-byte characters are left untouched.
DWORD CharUpperBuffA(LPSTR text, DWORD length);

// Conveniences over the two conversions for whole strings.
std::u16string AnsiToWide(const std::string& text, UINT codePage = CP_ACP);
std::string WideToAnsi(const std::u16string& text, UINT codePage = CP_ACP);
// The length of the longest prefix of at most `limit` bytes that does not split a double-byte
// character of the ANSI code page.
std::size_t AnsiPrefixLength(const std::string& text, std::size_t limit);

} // namespace win
