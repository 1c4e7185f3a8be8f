// The export table of the built-in module "WSOCK32".
#include "platform/Winsock.h"

#include "platform/WinsockInternal.h"

namespace win::detail {
namespace {

template <typename Function> FARPROC Export(Function* function) {
    return reinterpret_cast<FARPROC>(function);
}

} // namespace

const std::vector<std::pair<std::string, FARPROC>>& WinsockExports() {
    static const std::vector<std::pair<std::string, FARPROC>> exports = {
        {"accept", Export(&win::accept)},
        {"bind", Export(&win::bind)},
        {"closesocket", Export(&win::closesocket)},
        {"connect", Export(&win::connect)},
        {"ioctlsocket", Export(&win::ioctlsocket)},
        {"getpeername", Export(&win::getpeername)},
        {"getsockname", Export(&win::getsockname)},
        {"getsockopt", Export(&win::getsockopt)},
        {"htonl", Export(&win::htonl)},
        {"htons", Export(&win::htons)},
        {"inet_addr", Export(&win::inet_addr)},
        {"inet_ntoa", Export(&win::inet_ntoa)},
        {"listen", Export(&win::listen)},
        {"ntohl", Export(&win::ntohl)},
        {"ntohs", Export(&win::ntohs)},
        {"recv", Export(&win::recv)},
        {"recvfrom", Export(&win::recvfrom)},
        {"select", Export(&win::select)},
        {"send", Export(&win::send)},
        {"sendto", Export(&win::sendto)},
        {"setsockopt", Export(&win::setsockopt)},
        {"shutdown", Export(&win::shutdown)},
        {"socket", Export(&win::socket)},
        {"gethostbyaddr", Export(&win::gethostbyaddr)},
        {"gethostbyname", Export(&win::gethostbyname)},
        {"gethostname", Export(&win::gethostname)},
        {"getservbyport", Export(&win::getservbyport)},
        {"getservbyname", Export(&win::getservbyname)},
        {"getprotobynumber", Export(&win::getprotobynumber)},
        {"getprotobyname", Export(&win::getprotobyname)},
        {"WSAStartup", Export(&win::WSAStartup)},
        {"WSACleanup", Export(&win::WSACleanup)},
        {"WSASetLastError", Export(&win::WSASetLastError)},
        {"WSAGetLastError", Export(&win::WSAGetLastError)},
        {"WSAIsBlocking", Export(&win::WSAIsBlocking)},
        {"WSAUnhookBlockingHook", Export(&win::WSAUnhookBlockingHook)},
        {"WSASetBlockingHook", Export(&win::WSASetBlockingHook)},
        {"WSACancelBlockingCall", Export(&win::WSACancelBlockingCall)},
        {"WSAAsyncGetServByName", Export(&win::WSAAsyncGetServByName)},
        {"WSAAsyncGetServByPort", Export(&win::WSAAsyncGetServByPort)},
        {"WSAAsyncGetProtoByName", Export(&win::WSAAsyncGetProtoByName)},
        {"WSAAsyncGetProtoByNumber", Export(&win::WSAAsyncGetProtoByNumber)},
        {"WSAAsyncGetHostByName", Export(&win::WSAAsyncGetHostByName)},
        {"WSAAsyncGetHostByAddr", Export(&win::WSAAsyncGetHostByAddr)},
        {"WSACancelAsyncRequest", Export(&win::WSACancelAsyncRequest)},
        {"WSAAsyncSelect", Export(&win::WSAAsyncSelect)},
    };
    return exports;
}

} // namespace win::detail
