#include "ftp/NameList.h"

#include "platform/FileName.h"
#include "rtl/StagedFile.h"

#include <algorithm>
#include <set>

namespace ftp {
namespace {

bool HoldsControlByte(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// The lines of the listing, each without its CR LF or LF; a last line may lack its line end.
std::vector<std::string> Lines(std::string_view listing) {
    std::vector<std::string> lines;
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        listing.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace

std::string LocalNameOf(const std::string& name, const std::map<std::string, std::string>& renames) {
    const auto renamed = renames.find(name);
    return renamed == renames.end() ? name : renamed->second;
}

TNameChoice ChooseNames(std::string_view listing, std::string_view folder,
                        const std::map<std::string, std::string>& renames) {
    std::set<std::string> renamedKeys;
    for (const auto& [remote, local] : renames)
        renamedKeys.insert(win::FileNameKey(local));

    TNameChoice choice;
    std::vector<std::string> candidates;
    // The names each key of a stored file stands for.
    std::map<std::string, std::set<std::string>> namesOfKey;
    for (std::string& name : Lines(listing)) {
        if (name.empty()) continue;
        const std::string local = LocalNameOf(name, renames);
        const char* refusal = nullptr;
        if (HoldsControlByte(name))
            refusal = "holds a control character";
        else if (!win::IsStorableFileName(folder, local))
            refusal = "not a plain file name here";
        else if (rtl::TStagedFile::IsStagingName(local))
            refusal = "a name of the download's own temporary files";
        else if (!renames.contains(name) && renamedKeys.contains(win::FileNameKey(local)))
            refusal = "would replace a file stored under another name";
        if (refusal != nullptr) {
            choice.Skipped.push_back({std::move(name), refusal});
            continue;
        }
        namesOfKey[win::FileNameKey(local)].insert(name);
        candidates.push_back(std::move(name));
    }
    std::set<std::string> taken;
    for (std::string& name : candidates) {
        if (namesOfKey[win::FileNameKey(LocalNameOf(name, renames))].size() > 1)
            choice.Skipped.push_back({std::move(name), "stored as the same file as another listed name"});
        else if (taken.insert(name).second)
            choice.Fetched.push_back(std::move(name));
    }
    return choice;
}

} // namespace ftp
