// The address of a remote folder: ftp://[USER[:PASSWORD]@]HOST[:PORT]/FOLDER.
#pragma once

#include <optional>
#include <string>

namespace cli {

struct TFetchUrl {
    std::string User;     // empty: anonymous
    std::string Password;
    std::string Host;
    std::string Port;     // empty: the "ftp" service
    std::string Folder;   // empty: the login folder

    bool operator==(const TFetchUrl&) const = default;
};

// The parts of `url`, each percent-decoded; nothing, with the reason in `error`, when it is not
// such an address.
std::optional<TFetchUrl> ParseFetchUrl(const std::string& url, std::string& error);

} // namespace cli
