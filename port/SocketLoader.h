// The socket library's entry points, looked up by name in "WSOCK32" at run time.
#pragma once

#include "platform/Winsock.h"

namespace port {

// The 46 entry points in table order.
#define NVL_SOCKET_ENTRY_POINTS(X)                                                                           \
    X(accept)                                                                                                \
    X(bind)                                                                                                  \
    X(closesocket)                                                                                           \
    X(connect)                                                                                               \
    X(ioctlsocket)                                                                                           \
    X(getpeername)                                                                                           \
    X(getsockname)                                                                                           \
    X(getsockopt)                                                                                            \
    X(htonl)                                                                                                 \
    X(htons)                                                                                                 \
    X(inet_addr)                                                                                             \
    X(inet_ntoa)                                                                                             \
    X(listen)                                                                                                \
    X(ntohl)                                                                                                 \
    X(ntohs)                                                                                                 \
    X(recv)                                                                                                  \
    X(recvfrom)                                                                                              \
    X(select)                                                                                                \
    X(send)                                                                                                  \
    X(sendto)                                                                                                \
    X(setsockopt)                                                                                            \
    X(shutdown)                                                                                              \
    X(socket)                                                                                                \
    X(gethostbyaddr)                                                                                         \
    X(gethostbyname)                                                                                         \
    X(gethostname)                                                                                           \
    X(getservbyport)                                                                                         \
    X(getservbyname)                                                                                         \
    X(getprotobynumber)                                                                                      \
    X(getprotobyname)                                                                                        \
    X(WSAStartup)                                                                                            \
    X(WSACleanup)                                                                                            \
    X(WSASetLastError)                                                                                       \
    X(WSAGetLastError)                                                                                       \
    X(WSAIsBlocking)                                                                                         \
    X(WSAUnhookBlockingHook)                                                                                 \
    X(WSASetBlockingHook)                                                                                    \
    X(WSACancelBlockingCall)                                                                                 \
    X(WSAAsyncGetServByName)                                                                                 \
    X(WSAAsyncGetServByPort)                                                                                 \
    X(WSAAsyncGetProtoByName)                                                                                \
    X(WSAAsyncGetProtoByNumber)                                                                              \
    X(WSAAsyncGetHostByName)                                                                                 \
    X(WSAAsyncGetHostByAddr)                                                                                 \
    X(WSACancelAsyncRequest)                                                                                 \
    X(WSAAsyncSelect)

#define NVL_SOCKET_ENTRY_FIELD(name) decltype(&win::name) name = nullptr;

// The module and the addresses found in it; an address stays empty until it is found.
struct TSocketApi {
    win::HMODULE Module = nullptr;
    NVL_SOCKET_ENTRY_POINTS(NVL_SOCKET_ENTRY_FIELD)
};

#undef NVL_SOCKET_ENTRY_FIELD

// The process-wide table, empty when the program starts.
TSocketApi& SocketApi();

// Loads "WSOCK32" unless a module is held, then looks up every name; false when the module cannot
// be loaded or a name is missing (the addresses found so far stay).
bool LoadSocketApi();
// Releases the module; runs when the program ends.
void UnloadSocketApi();

} // namespace port
