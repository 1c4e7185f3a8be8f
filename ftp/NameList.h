// A bare name list (NLST) turned into the names to fetch into a local folder. Each line is a name
// as the server sent it, with only its line end removed; a name is fetched only when the system
// that stores it takes it as a plain name of that folder and no other name of the list would be
// stored as the same file.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ftp {

struct TSkippedName {
    std::string Name;
    const char* Reason;
};

struct TNameChoice {
    // In listing order, each once.
    std::vector<std::string> Fetched;
    std::vector<TSkippedName> Skipped;
};

// `renames` maps remote names to the local names they are stored under; a name that is no key of
// it and would be stored as one of its local names is skipped.
TNameChoice ChooseNames(std::string_view listing, std::string_view folder,
                        const std::map<std::string, std::string>& renames = {});

// The local name of a remote one.
std::string LocalNameOf(const std::string& name, const std::map<std::string, std::string>& renames);

} // namespace ftp
