// Integer texts in the runtime's syntax: decimal with an optional sign, or hexadecimal after "$",
// "0x" or "x"; leading blanks are allowed, anything after the digits is not.
#pragma once

#include <cstdint>
#include <string>

namespace rtl {

std::string IntToStr(std::int64_t value);
// Upper-case hexadecimal, at least `digits` wide.
std::string IntToHex(std::int64_t value, int digits);

// Hexadecimal texts may use the full unsigned 32-bit range ("$FFFFFFFF" is -1).
bool TryStrToInt(const std::string& text, std::int32_t& value);
bool TryStrToInt64(const std::string& text, std::int64_t& value);
// Raise EConvertError "'TEXT' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);
std::int64_t StrToInt64(const std::string& text);
std::int32_t StrToIntDef(const std::string& text, std::int32_t defaultValue);

} // namespace rtl
