#include "ftp/NameList.h"

#include "platform/FileName.h"
#include "rtl/StagedFile.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace ftp {
namespace {

bool HoldsControlByte(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// The lines of the listing, each without its CR LF or LF; a last line may lack its line end.
std::vector<std::string_view> Lines(std::string_view listing) {
    std::vector<std::string_view> lines;
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
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
    std::vector<std::string> renamedKeys;
    for (const auto& [remote, local] : renames)
        renamedKeys.push_back(win::FileNameKey(local));

    TNameChoice choice;
    const std::vector<std::string_view> lines = Lines(listing);
    // The key of the file each acceptable line would be stored as, with the line's number; sorted,
    // names that would be one file lie side by side. A listing may hold a great many names, so
    // each is kept once, as a view into the listing, until the choice is made.
    std::vector<std::pair<std::string, std::uint32_t>> keys;
    for (std::uint32_t index = 0; index < lines.size(); ++index) {
        const std::string name(lines[index]);
        if (name.empty()) continue;
        const bool renamed = renames.contains(name);
        const std::string local = LocalNameOf(name, renames);
        std::string key = win::FileNameKey(local);
        const char* refusal = nullptr;
        if (HoldsControlByte(name))
            refusal = "holds a control character";
        else if (!win::IsStorableFileName(folder, local))
            refusal = "not a plain file name here";
        else if (rtl::TStagedFile::IsStagingName(local))
            refusal = "a name of the download's own temporary files";
        else if (!renamed && std::find(renamedKeys.begin(), renamedKeys.end(), key) != renamedKeys.end())
            refusal = "would replace a file stored under another name";
        if (refusal != nullptr)
            choice.Skipped.push_back({name, refusal});
        else
            keys.emplace_back(std::move(key), index);
    }
    std::sort(keys.begin(), keys.end());
    // Lines that share a key: one file listed twice is fetched once; different names that would be
    // one file are all refused.
    std::vector<std::uint32_t> fetched;
    for (std::size_t first = 0; first < keys.size();) {
        std::size_t last = first + 1;
        bool aliases = false;
        while (last < keys.size() && keys[last].first == keys[first].first) {
            aliases = aliases || lines[keys[last].second] != lines[keys[first].second];
            ++last;
        }
        if (aliases) {
            for (std::size_t i = first; i < last; ++i)
                choice.Skipped.push_back(
                    {std::string(lines[keys[i].second]), "stored as the same file as another listed name"});
        } else {
            fetched.push_back(keys[first].second);
        }
        first = last;
    }
    std::vector<std::pair<std::string, std::uint32_t>>().swap(keys);
    std::sort(fetched.begin(), fetched.end());
    choice.Fetched.reserve(fetched.size());
    for (const std::uint32_t index : fetched)
        choice.Fetched.emplace_back(lines[index]);
    return choice;
}

} // namespace ftp
