#include "rtl/IntText.h"

#include "rtl/Exceptions.h"

#include <cstdio>
#include <limits>

namespace rtl {
namespace {

// Parses into a magnitude; `hex` tells which syntax was used.
bool Parse(const std::string& text, bool& negative, bool& hex, std::uint64_t& magnitude) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    }
    if (i == text.size()) return false;
    magnitude = 0;
    const std::uint64_t base = hex ? 16 : 10;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / base) return false;
        magnitude = magnitude * base + digit;
    }
    return true;
}

[[noreturn]] void NotAnInteger(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

} // namespace

std::string IntToStr(std::int64_t value) {
    return std::to_string(value);
}

std::string IntToHex(std::int64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits < 0 ? 0 : digits,
                  static_cast<unsigned long long>(value));
    return text;
}

bool TryStrToInt(const std::string& text, std::int32_t& value) {
    bool negative = false, hex = false;
    std::uint64_t magnitude = 0;
    if (!Parse(text, negative, hex, magnitude)) return false;
    if (hex && magnitude <= 0xFFFFFFFFu) {
        const auto wrapped = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
        value = negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(wrapped)) : wrapped;
        return true;
    }
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    if (magnitude > limit) return false;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

bool TryStrToInt64(const std::string& text, std::int64_t& value) {
    bool negative = false, hex = false;
    std::uint64_t magnitude = 0;
    if (!Parse(text, negative, hex, magnitude)) return false;
    if (hex) {
        value = static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
        return true;
    }
    const std::uint64_t limit = negative ? 9223372036854775808u : 9223372036854775807u;
    if (magnitude > limit) return false;
    value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

std::int32_t StrToInt(const std::string& text) {
    std::int32_t value = 0;
    if (!TryStrToInt(text, value)) NotAnInteger(text);
    return value;
}

std::int64_t StrToInt64(const std::string& text) {
    std::int64_t value = 0;
    if (!TryStrToInt64(text, value)) NotAnInteger(text);
    return value;
}

std::int32_t StrToIntDef(const std::string& text, std::int32_t defaultValue) {
    std::int32_t value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

} // namespace rtl
