// Whole-string conversions and prefixes over the platform's MultiByteToWideChar and WideCharToMultiByte.
#include "platform/CodePage.h"

namespace win {

std::u16string AnsiToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string result(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

std::string WideToAnsi(const std::u16string& text, UINT codePage) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

std::size_t AnsiPrefixLength(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t width = IsDBCSLeadByte(static_cast<BYTE>(text[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return end;
}

} // namespace win
