#include "port/SocketLoader.h"

#include "platform/Module.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

namespace port {
namespace {

struct TEntryPoint {
    const char* name;
    void (*store)(TSocketApi& api, win::FARPROC address);
};

#define NVL_SOCKET_ENTRY_POINT(entry)                                                                        \
    {#entry, [](TSocketApi& api, win::FARPROC address) {                                                     \
         api.entry = reinterpret_cast<decltype(api.entry)>(address);                                         \
     }},

// Table order, except that ioctlsocket is looked up after inet_ntoa.
const std::vector<TEntryPoint>& LookupOrder() {
    static const std::vector<TEntryPoint> order = [] {
        std::vector<TEntryPoint> entries = {NVL_SOCKET_ENTRY_POINTS(NVL_SOCKET_ENTRY_POINT)};
        const auto named = [&](const char* name) {
            return std::find_if(entries.begin(), entries.end(),
                                [name](const TEntryPoint& e) { return std::string_view(e.name) == name; });
        };
        const TEntryPoint ioctl = *named("ioctlsocket");
        entries.erase(named("ioctlsocket"));
        entries.insert(std::next(named("inet_ntoa")), ioctl);
        return entries;
    }();
    return order;
}

#undef NVL_SOCKET_ENTRY_POINT

// Releases the library when the program ends; made once the platform's module registry exists, so
// that it runs before the registry goes.
struct TUnloadAtExit {
    ~TUnloadAtExit() { UnloadSocketApi(); }
};

} // namespace

TSocketApi& SocketApi() {
    static TSocketApi api;
    return api;
}

bool LoadSocketApi() {
    TSocketApi& api = SocketApi();
    if (api.Module == nullptr) api.Module = win::LoadLibraryA("WSOCK32");
    if (api.Module == nullptr) return false;
    static const TUnloadAtExit unloadAtExit;
    for (const TEntryPoint& entry : LookupOrder()) {
        const win::FARPROC address = win::GetProcAddress(api.Module, entry.name);
        if (address == nullptr) return false;
        entry.store(api, address);
    }
    return true;
}

void UnloadSocketApi() {
    TSocketApi& api = SocketApi();
    if (api.Module != nullptr) win::FreeLibrary(api.Module);
    api.Module = nullptr;
}

} // namespace port
