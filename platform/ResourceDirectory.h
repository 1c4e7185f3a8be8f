// The layout of a module's embedded resources, shared with the code that the embedder generates.
#pragma once

#include <cstdint>

namespace win {

struct ResourceEntry {
    std::uint32_t type; // resource type number (RT_RCDATA, RT_STRING, ...)
    const char* name;   // resource name, or nullptr when the resource has the number `id`
    std::uint32_t id;
    const unsigned char* data;
    std::uint32_t size;
};

struct ResourceDirectory {
    std::uint32_t magic;
    std::uint32_t count;
    const ResourceEntry* entries;
};

inline constexpr std::uint32_t kResourceDirectoryMagic = 0x524C564E; // "NVLR"

// Every module with resources exports its directory under this name.
inline constexpr const char* kResourceDirectorySymbol = "nvl_resources";

} // namespace win
