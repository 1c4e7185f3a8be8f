#include "cli/FetchUrl.h"

#include <string_view>

namespace cli {
namespace {

constexpr std::string_view kScheme = "ftp://";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%2F" and the like become their bytes; a "%" not followed by two hex digits is an error.
std::optional<std::string> Decode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

bool AllDigits(std::string_view text) {
    if (text.empty() || text.size() > 5) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

std::optional<TFetchUrl> ParseFetchUrl(const std::string& url, std::string& error) {
    std::string_view rest(url);
    if (!rest.starts_with(kScheme)) {
        error = "the address must begin with " + std::string(kScheme);
        return std::nullopt;
    }
    rest.remove_prefix(kScheme.size());
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);

    TFetchUrl result;
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        authority.remove_prefix(at + 1);
        const std::size_t colon = userInfo.find(':');
        const auto user = Decode(userInfo.substr(0, colon));
        const auto password = colon == std::string_view::npos ? std::optional<std::string>("")
                                                              : Decode(userInfo.substr(colon + 1));
        if (!user || !password) {
            error = "a bad %-escape in the user or password";
            return std::nullopt;
        }
        result.User = *user;
        result.Password = *password;
    }
    if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        const int number = AllDigits(port) ? std::stoi(std::string(port)) : 0;
        if (number < 1 || number > 65535) {
            error = "the port must be a number from 1 to 65535";
            return std::nullopt;
        }
        result.Port = std::string(port);
        authority = authority.substr(0, colon);
    }
    if (authority.empty()) {
        error = "the address names no host";
        return std::nullopt;
    }
    result.Host = std::string(authority);
    const auto folder = Decode(path);
    if (!folder) {
        error = "a bad %-escape in the folder";
        return std::nullopt;
    }
    result.Folder = *folder;
    return result;
}

} // namespace cli
