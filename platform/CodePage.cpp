#include "platform/CodePage.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <string_view>
#include <vector>

namespace win {
namespace {

constexpr UINT kDefaultAnsiCodePage = 950;
constexpr char16_t kReplacement = 0xFFFD;

UINT Resolve(UINT codePage) {
    if (codePage == CP_ACP || codePage == CP_OEMCP) return GetACP();
    return codePage;
}

const char* IconvName(UINT codePage) {
    switch (codePage) {
    case 437:
        return "CP437";
    case 850:
        return "CP850";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1250:
        return "CP1250";
    case 1251:
        return "CP1251";
    case 1252:
        return "CP1252";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 20127:
        return "ASCII";
    case 28591:
        return "ISO-8859-1";
    case CP_UTF8:
        return "UTF-8";
    default:
        return nullptr;
    }
}

bool IsDoubleByteCodePage(UINT codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

// One iconv conversion descriptor, closed with its owner.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    // Converts one unit of input; returns false when that unit is invalid or unmappable.
    bool Convert(const char* in, std::size_t inLength, std::string& out) {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        char* inPtr = const_cast<char*>(in);
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(handle_, &inPtr, &inLength, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return false;
        if (iconv(handle_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return false;
        out.append(buffer, sizeof buffer - outLeft);
        return true;
    }

private:
    iconv_t handle_;
};

void AppendUtf16(std::u16string& out, const std::string& utf16le) {
    for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(utf16le[i]) |
                                            (static_cast<unsigned char>(utf16le[i + 1]) << 8)));
}

// Length in bytes of the character that starts at `text`, for the given code page.
std::size_t CharacterLength(UINT codePage, const unsigned char* text, std::size_t left) {
    if (codePage == CP_UTF8) {
        const unsigned char c = text[0];
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        return n <= left ? n : 1;
    }
    if (IsDoubleByteCodePage(codePage) && IsDBCSLeadByteEx(codePage, text[0]) && left >= 2) return 2;
    return 1;
}

bool MultiByteToUtf16(UINT codePage, std::string_view in, bool strict, std::u16string& out) {
    Converter converter("UTF-16LE", IconvName(codePage));
    if (!converter.valid()) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t i = 0;
    while (i < in.size()) {
        if (bytes[i] < 0x80 && codePage != 20127) { // every supported code page is ASCII-compatible
            out.push_back(bytes[i]);
            ++i;
            continue;
        }
        const std::size_t n = CharacterLength(codePage, bytes + i, in.size() - i);
        std::string converted;
        if (converter.Convert(in.data() + i, n, converted)) {
            AppendUtf16(out, converted);
        } else {
            if (strict) return false;
            out.push_back(kReplacement);
        }
        i += n;
    }
    return true;
}

bool Utf16ToMultiByte(UINT codePage, std::u16string_view in, char defaultChar, bool& usedDefault,
                      std::string& out) {
    Converter converter(IconvName(codePage), "UTF-16LE");
    if (!converter.valid()) return false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char16_t c = in[i];
        if (c < 0x80 && codePage != 20127) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        std::size_t units = 1;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] < 0xE000)
            units = 2;
        char raw[4];
        for (std::size_t u = 0; u < units; ++u) {
            raw[2 * u] = static_cast<char>(in[i + u] & 0xFF);
            raw[2 * u + 1] = static_cast<char>(in[i + u] >> 8);
        }
        if (!converter.Convert(raw, 2 * units, out)) {
            out.push_back(defaultChar);
            usedDefault = true;
        }
        i += units - 1;
    }
    return true;
}

std::size_t TerminatedLength(const char* text) {
    return std::strlen(text) + 1;
}
std::size_t TerminatedLength(const char16_t* text) {
    return std::char_traits<char16_t>::length(text) + 1;
}

} // namespace

UINT GetACP() {
    static const UINT codePage = [] {
        const char* value = std::getenv("NVL_ACP");
        if (value != nullptr) {
            const long parsed = std::strtol(value, nullptr, 10);
            if (parsed > 0 && IconvName(static_cast<UINT>(parsed)) != nullptr)
                return static_cast<UINT>(parsed);
        }
        return kDefaultAnsiCodePage;
    }();
    return codePage;
}

UINT GetOEMCP() {
    return GetACP();
}

BOOL IsValidCodePage(UINT codePage) {
    if (IconvName(codePage) == nullptr) return FALSE;
    Converter probe("UTF-16LE", IconvName(codePage));
    return probe.valid() ? TRUE : FALSE;
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
    switch (Resolve(codePage)) {
    case 932:
        return (testChar >= 0x81 && testChar <= 0x9F) || (testChar >= 0xE0 && testChar <= 0xFC);
    case 936:
    case 949:
    case 950:
        return testChar >= 0x81 && testChar <= 0xFE;
    default:
        return FALSE;
    }
}

BOOL IsDBCSLeadByte(BYTE testChar) {
    return IsDBCSLeadByteEx(CP_ACP, testChar);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength, LPWSTR wide,
                        int wideLength) {
    codePage = Resolve(codePage);
    if (multiByte == nullptr || multiByteLength == 0 || multiByteLength < -1 || wideLength < 0 ||
        IconvName(codePage) == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length =
        multiByteLength == -1 ? TerminatedLength(multiByte) : static_cast<std::size_t>(multiByteLength);
    std::u16string converted;
    if (!MultiByteToUtf16(codePage, std::string_view(multiByte, length), (flags & MB_ERR_INVALID_CHARS) != 0,
                          converted)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (wideLength == 0) return static_cast<int>(converted.size());
    if (converted.size() > static_cast<std::size_t>(wideLength)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(converted.begin(), converted.end(), wide);
    return static_cast<int>(converted.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideLength, LPSTR multiByte,
                        int multiByteLength, LPCSTR defaultChar, BOOL* usedDefaultChar) {
    codePage = Resolve(codePage);
    if (wide == nullptr || wideLength == 0 || wideLength < -1 || multiByteLength < 0 ||
        IconvName(codePage) == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length =
        wideLength == -1 ? TerminatedLength(wide) : static_cast<std::size_t>(wideLength);
    std::string converted;
    bool usedDefault = false;
    if (!Utf16ToMultiByte(codePage, std::u16string_view(wide, length), defaultChar ? *defaultChar : '?',
                          usedDefault, converted)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? TRUE : FALSE;
    if (multiByteLength == 0) return static_cast<int>(converted.size());
    if (converted.size() > static_cast<std::size_t>(multiByteLength)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(multiByte, converted.data(), converted.size());
    return static_cast<int>(converted.size());
}

DWORD CharUpperBuffA(LPSTR text, DWORD length) {
    const UINT codePage = GetACP();
    const bool doubleByte = IsDoubleByteCodePage(codePage);
    auto* bytes = reinterpret_cast<unsigned char*>(text);
    for (DWORD i = 0; i < length; ++i) {
        unsigned char& c = bytes[i];
        if (doubleByte && IsDBCSLeadByteEx(codePage, c)) {
            ++i; // skip the trail byte, which may look like a Latin letter
            continue;
        }
        if (c >= 'a' && c <= 'z') {
            c = static_cast<unsigned char>(c - 0x20);
        } else if (!doubleByte && codePage == 1252) {
            if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
                c = static_cast<unsigned char>(c - 0x20);
            else if (c == 0x9A || c == 0x9C || c == 0x9E)
                c = static_cast<unsigned char>(c - 0x10);
            else if (c == 0xFF)
                c = 0x9F;
        }
    }
    return length;
}

} // namespace win
