#include "platform/win32/WidePath.h"

#include "platform/CodePage.h"

#include "platform/win32/Native.h"

#include <cstring>
#include <limits>

namespace win::native {

std::optional<std::wstring> WidePath(const char* path) {
    if (path == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    const std::size_t length = std::strlen(path);
    if (length == 0) return std::wstring();
    if (length > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        ::SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    const ::UINT codePage = win::GetACP();
    const int bytes = static_cast<int>(length);
    const int size = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path, bytes, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size <= 0 ||
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path, bytes, wide.data(), size) != size) {
        ::SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    return wide;
}

std::string ProgramPath(std::wstring_view path) {
    if (path.empty() || path.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
    const ::UINT codePage = win::GetACP();
    // UTF-8 takes no flags; elsewhere no best-fit look-alike (a slash for a fraction slash) is wanted.
    const ::DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int units = static_cast<int>(path.size());
    const int size = ::WideCharToMultiByte(codePage, flags, path.data(), units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, flags, path.data(), units, text.data(), size, nullptr, nullptr);
    return text;
}

DWORD CopyPath(const std::string& path, char* buffer, DWORD size) {
    if (buffer == nullptr || size <= path.size()) return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

bool CopyPathPrefix(const std::string& path, char* buffer, std::size_t size) {
    if (size == 0) return path.empty();
    const std::size_t copied = AnsiPrefixLength(path, size - 1);
    std::memcpy(buffer, path.data(), copied);
    buffer[copied] = '\0';
    return copied == path.size();
}

} // namespace win::native
