// The database calls of the socket library: hosts, services and protocols, each published in a
// buffer of the calling thread, as Winsock keeps one per thread.
#include "platform/Winsock.h"

#include "platform/WinsockInternal.h"

namespace {

// The Windows value of a name that the POSIX headers below define as a macro.
constexpr int kWinAfInet = win::AF_INET;

} // namespace

#include <algorithm>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace win {
namespace {

using detail::Fail;
using detail::FailFromErrno;
using detail::WinsockStarted;

struct HostStorage {
    hostent entry{};
    std::string name;
    std::vector<std::string> aliases;
    std::vector<char*> aliasPointers;
    std::vector<in_addr> addresses;
    std::vector<char*> addressPointers;
};

struct ServiceStorage {
    servent entry{};
    std::string name;
    std::string protocol;
    std::vector<std::string> aliases;
    std::vector<char*> aliasPointers;
};

struct ProtocolStorage {
    protoent entry{};
    std::string name;
    std::vector<std::string> aliases;
    std::vector<char*> aliasPointers;
};

void FillAliases(std::vector<std::string>& aliases, std::vector<char*>& pointers, char** source) {
    aliases.clear();
    for (char** alias = source; alias != nullptr && *alias != nullptr; ++alias)
        aliases.emplace_back(*alias);
    pointers.clear();
    for (auto& alias : aliases)
        pointers.push_back(alias.data());
    pointers.push_back(nullptr);
}

hostent* PublishHost(HostStorage& storage, const std::string& name, const std::vector<in_addr>& addresses) {
    storage.name = name;
    storage.aliases.clear();
    storage.aliasPointers.assign(1, nullptr);
    storage.addresses = addresses;
    storage.addressPointers.clear();
    for (auto& address : storage.addresses)
        storage.addressPointers.push_back(reinterpret_cast<char*>(&address));
    storage.addressPointers.push_back(nullptr);
    storage.entry.h_name = storage.name.data();
    storage.entry.h_aliases = storage.aliasPointers.data();
    storage.entry.h_addrtype = static_cast<short>(kWinAfInet);
    storage.entry.h_length = 4;
    storage.entry.h_addr_list = storage.addressPointers.data();
    return &storage.entry;
}

int ErrorFromResolver(int code) {
    switch (code) {
    case EAI_NONAME:
        return WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
        return WSATRY_AGAIN;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return WSANO_DATA;
#endif
    case EAI_ADDRFAMILY:
        return WSANO_DATA;
    case EAI_MEMORY:
        return WSAENOBUFS;
    default:
        return WSANO_RECOVERY;
    }
}

} // namespace

hostent* gethostbyaddr(const char* address, int length, int type) {
    if (!WinsockStarted()) return nullptr;
    if (address == nullptr || length != 4 || type != kWinAfInet) {
        Fail(WSAEFAULT);
        return nullptr;
    }
    ::sockaddr_in native{};
    native.sin_family = AF_INET;
    std::memcpy(&native.sin_addr.s_addr, address, 4);
    char name[NI_MAXHOST];
    const int result = ::getnameinfo(reinterpret_cast<::sockaddr*>(&native), sizeof native, name, sizeof name,
                                     nullptr, 0, NI_NAMEREQD);
    if (result != 0) {
        Fail(ErrorFromResolver(result));
        return nullptr;
    }
    thread_local HostStorage storage;
    in_addr found{};
    std::memcpy(&found.s_addr, address, 4);
    return PublishHost(storage, name, {found});
}

hostent* gethostbyname(const char* name) {
    if (!WinsockStarted()) return nullptr;
    if (name == nullptr) {
        Fail(WSAEFAULT);
        return nullptr;
    }
    ::addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    ::addrinfo* list = nullptr;
    const int result = ::getaddrinfo(name, nullptr, &hints, &list);
    if (result != 0) {
        Fail(ErrorFromResolver(result));
        return nullptr;
    }
    std::vector<in_addr> addresses;
    for (const ::addrinfo* item = list; item != nullptr; item = item->ai_next) {
        const u_long address = reinterpret_cast<const ::sockaddr_in*>(item->ai_addr)->sin_addr.s_addr;
        if (std::none_of(addresses.begin(), addresses.end(),
                         [&](const in_addr& a) { return a.s_addr == address; }))
            addresses.push_back(in_addr{address});
    }
    const std::string canonical = list->ai_canonname ? list->ai_canonname : name;
    ::freeaddrinfo(list);
    thread_local HostStorage storage;
    return PublishHost(storage, canonical, addresses);
}

int gethostname(char* name, int length) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (name == nullptr || length <= 0) return Fail(WSAEFAULT);
    char native[256] = {};
    if (::gethostname(native, sizeof native - 1) != 0) return FailFromErrno();
    if (std::strlen(native) + 1 > static_cast<std::size_t>(length)) return Fail(WSAEFAULT);
    std::strcpy(name, native);
    return 0;
}

namespace {

servent* PublishService(const ::servent* native) {
    thread_local ServiceStorage storage;
    storage.name = native->s_name;
    storage.protocol = native->s_proto;
    FillAliases(storage.aliases, storage.aliasPointers, native->s_aliases);
    storage.entry.s_name = storage.name.data();
    storage.entry.s_aliases = storage.aliasPointers.data();
    storage.entry.s_port = static_cast<short>(native->s_port);
    storage.entry.s_proto = storage.protocol.data();
    return &storage.entry;
}

protoent* PublishProtocol(const ::protoent* native) {
    thread_local ProtocolStorage storage;
    storage.name = native->p_name;
    FillAliases(storage.aliases, storage.aliasPointers, native->p_aliases);
    storage.entry.p_name = storage.name.data();
    storage.entry.p_aliases = storage.aliasPointers.data();
    storage.entry.p_proto = static_cast<short>(native->p_proto);
    return &storage.entry;
}

} // namespace

servent* getservbyport(int port, const char* protocol) {
    if (!WinsockStarted()) return nullptr;
    ::servent entry{};
    ::servent* found = nullptr;
    char buffer[1024];
    if (::getservbyport_r(port, protocol, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        Fail(WSANO_DATA);
        return nullptr;
    }
    return PublishService(found);
}

servent* getservbyname(const char* name, const char* protocol) {
    if (!WinsockStarted()) return nullptr;
    if (name == nullptr) {
        Fail(WSAEFAULT);
        return nullptr;
    }
    ::servent entry{};
    ::servent* found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(name, protocol, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        Fail(WSANO_DATA);
        return nullptr;
    }
    return PublishService(found);
}

protoent* getprotobynumber(int number) {
    if (!WinsockStarted()) return nullptr;
    ::protoent entry{};
    ::protoent* found = nullptr;
    char buffer[1024];
    if (::getprotobynumber_r(number, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        Fail(WSANO_DATA);
        return nullptr;
    }
    return PublishProtocol(found);
}

protoent* getprotobyname(const char* name) {
    if (!WinsockStarted()) return nullptr;
    if (name == nullptr) {
        Fail(WSAEFAULT);
        return nullptr;
    }
    ::protoent entry{};
    ::protoent* found = nullptr;
    char buffer[1024];
    if (::getprotobyname_r(name, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        Fail(WSANO_DATA);
        return nullptr;
    }
    return PublishProtocol(found);
}

} // namespace win
