// The socket library's calls: the system's own, from WSOCK32. The port's loader finds the same
// entry points in the library by name; these serve the callers that link to them directly.
#include "platform/Winsock.h"

#include "platform/win32/Native.h"

#include <cstring>

namespace win {

static_assert(sizeof(SOCKET) == sizeof(::SOCKET));
static_assert(sizeof(sockaddr) == sizeof(::sockaddr));
static_assert(sizeof(in_addr) == sizeof(::in_addr));
static_assert(sizeof(fd_set) == sizeof(::fd_set));
static_assert(sizeof(timeval) == sizeof(::timeval));
static_assert(sizeof(WSADATA) == sizeof(::WSADATA));
static_assert(offsetof(WSADATA, szDescription) == offsetof(::WSADATA, szDescription));
static_assert(sizeof(hostent) == sizeof(::hostent));
static_assert(offsetof(servent, s_port) == offsetof(::servent, s_port));
static_assert(sizeof(protoent) == sizeof(::protoent));

namespace {

::HWND Native(HWND window) {
    return reinterpret_cast<::HWND>(window);
}

} // namespace

SOCKET NVL_WINAPI accept(SOCKET s, sockaddr* address, int* addressLength) {
    return ::accept(s, native::As<::sockaddr>(address), addressLength);
}

int NVL_WINAPI bind(SOCKET s, const sockaddr* address, int addressLength) {
    return ::bind(s, native::As<::sockaddr>(address), addressLength);
}

int NVL_WINAPI closesocket(SOCKET s) {
    return ::closesocket(s);
}

int NVL_WINAPI connect(SOCKET s, const sockaddr* address, int addressLength) {
    return ::connect(s, native::As<::sockaddr>(address), addressLength);
}

int NVL_WINAPI ioctlsocket(SOCKET s, long command, u_long* argument) {
    return ::ioctlsocket(s, command, native::As<::u_long>(argument));
}

int NVL_WINAPI getpeername(SOCKET s, sockaddr* address, int* addressLength) {
    return ::getpeername(s, native::As<::sockaddr>(address), addressLength);
}

int NVL_WINAPI getsockname(SOCKET s, sockaddr* address, int* addressLength) {
    return ::getsockname(s, native::As<::sockaddr>(address), addressLength);
}

int NVL_WINAPI getsockopt(SOCKET s, int level, int option, char* value, int* valueLength) {
    return ::getsockopt(s, level, option, value, valueLength);
}

u_long NVL_WINAPI htonl(u_long host) {
    return ::htonl(host);
}

u_short NVL_WINAPI htons(u_short host) {
    return ::htons(host);
}

u_long NVL_WINAPI inet_addr(const char* text) {
    return ::inet_addr(text);
}

char* NVL_WINAPI inet_ntoa(in_addr address) {
    ::in_addr native{};
    std::memcpy(&native, &address, sizeof native);
    return ::inet_ntoa(native);
}

int NVL_WINAPI listen(SOCKET s, int backlog) {
    return ::listen(s, backlog);
}

u_long NVL_WINAPI ntohl(u_long net) {
    return ::ntohl(net);
}

u_short NVL_WINAPI ntohs(u_short net) {
    return ::ntohs(net);
}

int NVL_WINAPI recv(SOCKET s, char* buffer, int length, int flags) {
    return ::recv(s, buffer, length, flags);
}

int NVL_WINAPI recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) {
    return ::recvfrom(s, buffer, length, flags, native::As<::sockaddr>(from), fromLength);
}

int NVL_WINAPI select(int ignored, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet,
                      const timeval* timeout) {
    return ::select(ignored, native::As<::fd_set>(readSet), native::As<::fd_set>(writeSet),
                    native::As<::fd_set>(exceptSet), const_cast<::timeval*>(native::As<::timeval>(timeout)));
}

int NVL_WINAPI send(SOCKET s, const char* buffer, int length, int flags) {
    return ::send(s, buffer, length, flags);
}

int NVL_WINAPI sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength) {
    return ::sendto(s, buffer, length, flags, native::As<::sockaddr>(to), toLength);
}

int NVL_WINAPI setsockopt(SOCKET s, int level, int option, const char* value, int valueLength) {
    return ::setsockopt(s, level, option, value, valueLength);
}

int NVL_WINAPI shutdown(SOCKET s, int how) {
    return ::shutdown(s, how);
}

SOCKET NVL_WINAPI socket(int family, int type, int protocol) {
    return ::socket(family, type, protocol);
}

hostent* NVL_WINAPI gethostbyaddr(const char* address, int length, int type) {
    return reinterpret_cast<hostent*>(::gethostbyaddr(address, length, type));
}

hostent* NVL_WINAPI gethostbyname(const char* name) {
    return reinterpret_cast<hostent*>(::gethostbyname(name));
}

int NVL_WINAPI gethostname(char* name, int length) {
    return ::gethostname(name, length);
}

servent* NVL_WINAPI getservbyport(int port, const char* protocol) {
    return reinterpret_cast<servent*>(::getservbyport(port, protocol));
}

servent* NVL_WINAPI getservbyname(const char* name, const char* protocol) {
    return reinterpret_cast<servent*>(::getservbyname(name, protocol));
}

protoent* NVL_WINAPI getprotobynumber(int number) {
    return reinterpret_cast<protoent*>(::getprotobynumber(number));
}

protoent* NVL_WINAPI getprotobyname(const char* name) {
    return reinterpret_cast<protoent*>(::getprotobyname(name));
}

int NVL_WINAPI WSAStartup(WORD versionRequested, WSADATA* data) {
    return ::WSAStartup(versionRequested, native::As<::WSADATA>(data));
}

int NVL_WINAPI WSACleanup() {
    return ::WSACleanup();
}

void NVL_WINAPI WSASetLastError(int error) {
    ::WSASetLastError(error);
}

int NVL_WINAPI WSAGetLastError() {
    return ::WSAGetLastError();
}

BOOL NVL_WINAPI WSAIsBlocking() {
    return ::WSAIsBlocking();
}

int NVL_WINAPI WSAUnhookBlockingHook() {
    return ::WSAUnhookBlockingHook();
}

// Through void (*)(), the one function type every other converts to without complaint.
BLOCKINGHOOK NVL_WINAPI WSASetBlockingHook(BLOCKINGHOOK hook) {
    using AnyFunction = void (*)();
    const ::FARPROC previous =
        ::WSASetBlockingHook(reinterpret_cast<::FARPROC>(reinterpret_cast<AnyFunction>(hook)));
    return reinterpret_cast<BLOCKINGHOOK>(reinterpret_cast<AnyFunction>(previous));
}

int NVL_WINAPI WSACancelBlockingCall() {
    return ::WSACancelBlockingCall();
}

HANDLE NVL_WINAPI WSAAsyncGetServByName(HWND window, UINT message, const char* name, const char* protocol,
                                        char* buffer, int bufferLength) {
    return ::WSAAsyncGetServByName(Native(window), message, name, protocol, buffer, bufferLength);
}

HANDLE NVL_WINAPI WSAAsyncGetServByPort(HWND window, UINT message, int port, const char* protocol,
                                        char* buffer, int bufferLength) {
    return ::WSAAsyncGetServByPort(Native(window), message, port, protocol, buffer, bufferLength);
}

HANDLE NVL_WINAPI WSAAsyncGetProtoByName(HWND window, UINT message, const char* name, char* buffer,
                                         int bufferLength) {
    return ::WSAAsyncGetProtoByName(Native(window), message, name, buffer, bufferLength);
}

HANDLE NVL_WINAPI WSAAsyncGetProtoByNumber(HWND window, UINT message, int number, char* buffer,
                                           int bufferLength) {
    return ::WSAAsyncGetProtoByNumber(Native(window), message, number, buffer, bufferLength);
}

HANDLE NVL_WINAPI WSAAsyncGetHostByName(HWND window, UINT message, const char* name, char* buffer,
                                        int bufferLength) {
    return ::WSAAsyncGetHostByName(Native(window), message, name, buffer, bufferLength);
}

HANDLE NVL_WINAPI WSAAsyncGetHostByAddr(HWND window, UINT message, const char* address, int length, int type,
                                        char* buffer, int bufferLength) {
    return ::WSAAsyncGetHostByAddr(Native(window), message, address, length, type, buffer, bufferLength);
}

int NVL_WINAPI WSACancelAsyncRequest(HANDLE task) {
    return ::WSACancelAsyncRequest(task);
}

int NVL_WINAPI WSAAsyncSelect(SOCKET s, HWND window, UINT message, long events) {
    return ::WSAAsyncSelect(s, Native(window), message, events);
}

} // namespace win
