// Windows Sockets 1.1, the built-in module "WSOCK32": types, constants and the 46 entry points.
//
// The POSIX headers define some of these names as macros (SOL_SOCKET, SO_REUSEADDR, htons, ...), so
// a file that includes both must include this header first.
#pragma once

#include "platform/WinTypes.h"

namespace win {

using u_char = std::uint8_t;
using u_short = std::uint16_t;
using u_int = std::uint32_t;
using u_long = std::uint32_t;
#ifdef _WIN32
using SOCKET = UINT_PTR;
#else
using SOCKET = std::uint32_t;
#endif

inline constexpr SOCKET INVALID_SOCKET = ~SOCKET{0};
inline constexpr int SOCKET_ERROR = -1;

inline constexpr int AF_UNSPEC = 0;
inline constexpr int AF_INET = 2;
inline constexpr int PF_INET = AF_INET;
inline constexpr int SOCK_STREAM = 1;
inline constexpr int SOCK_DGRAM = 2;
inline constexpr int IPPROTO_IP = 0;
inline constexpr int IPPROTO_TCP = 6;
inline constexpr int IPPROTO_UDP = 17;

inline constexpr u_long INADDR_ANY = 0x00000000;
inline constexpr u_long INADDR_LOOPBACK = 0x7F000001;
inline constexpr u_long INADDR_NONE = 0xFFFFFFFF;

inline constexpr int SOL_SOCKET = 0xFFFF;
inline constexpr int SO_DEBUG = 0x0001;
inline constexpr int SO_ACCEPTCONN = 0x0002;
inline constexpr int SO_REUSEADDR = 0x0004;
inline constexpr int SO_KEEPALIVE = 0x0008;
inline constexpr int SO_DONTROUTE = 0x0010;
inline constexpr int SO_BROADCAST = 0x0020;
inline constexpr int SO_LINGER = 0x0080;
inline constexpr int SO_OOBINLINE = 0x0100;
inline constexpr int SO_DONTLINGER = ~SO_LINGER;
inline constexpr int SO_SNDBUF = 0x1001;
inline constexpr int SO_RCVBUF = 0x1002;
inline constexpr int SO_SNDLOWAT = 0x1003;
inline constexpr int SO_RCVLOWAT = 0x1004;
inline constexpr int SO_SNDTIMEO = 0x1005;
inline constexpr int SO_RCVTIMEO = 0x1006;
inline constexpr int SO_ERROR = 0x1007;
inline constexpr int SO_TYPE = 0x1008;
inline constexpr int TCP_NODELAY = 0x0001;
inline constexpr int SOMAXCONN = 0x7FFFFFFF;

inline constexpr int MSG_OOB = 0x1;
inline constexpr int MSG_PEEK = 0x2;
inline constexpr int MSG_DONTROUTE = 0x4;

inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

inline constexpr long FIONREAD = 0x4004667F;
inline constexpr long FIONBIO = static_cast<long>(0x8004667Eu);
inline constexpr long SIOCATMARK = 0x40047307;

inline constexpr long FD_READ = 0x01;
inline constexpr long FD_WRITE = 0x02;
inline constexpr long FD_OOB = 0x04;
inline constexpr long FD_ACCEPT = 0x08;
inline constexpr long FD_CONNECT = 0x10;
inline constexpr long FD_CLOSE = 0x20;

inline constexpr int MAXGETHOSTSTRUCT = 1024;

inline constexpr int WSABASEERR = 10000;
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETOOMANYREFS = 10059;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAELOOP = 10062;
inline constexpr int WSAENAMETOOLONG = 10063;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAENOTEMPTY = 10066;
inline constexpr int WSAEPROCLIM = 10067;
inline constexpr int WSAEUSERS = 10068;
inline constexpr int WSAEDQUOT = 10069;
inline constexpr int WSAESTALE = 10070;
inline constexpr int WSAEREMOTE = 10071;
inline constexpr int WSASYSNOTREADY = 10091;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAEDISCON = 10101;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

struct in_addr {
    u_long s_addr; // network byte order
};

struct sockaddr {
    u_short sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    short sin_family;
    u_short sin_port; // network byte order
    in_addr sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(sockaddr_in) == 16);

struct hostent {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};

struct servent {
    char* s_name;
    char** s_aliases;
#ifdef _WIN64
    char* s_proto;
    short s_port; // network byte order
#else
    short s_port; // network byte order
    char* s_proto;
#endif
};

struct protoent {
    char* p_name;
    char** p_aliases;
    short p_proto;
};

struct linger {
    u_short l_onoff;
    u_short l_linger;
};

struct timeval {
    long tv_sec;
    long tv_usec;
};

// Winsock's set: a count and an array of up to 64 sockets.
struct fd_set {
    u_int fd_count;
    SOCKET fd_array[64];
};

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
#ifdef _WIN64
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
    char szDescription[257];
    char szSystemStatus[129];
#else
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
#endif
};

using BLOCKINGHOOK = BOOL(NVL_WINAPI*)();

constexpr LPARAM WSAMAKEASYNCREPLY(WORD bufferLength, WORD error) {
    return MAKELPARAM(bufferLength, error);
}
constexpr LPARAM WSAMAKESELECTREPLY(WORD event, WORD error) {
    return MAKELPARAM(event, error);
}
constexpr WORD WSAGETSELECTEVENT(LPARAM lParam) {
    return LOWORD(static_cast<DWORD_PTR>(lParam));
}
constexpr WORD WSAGETSELECTERROR(LPARAM lParam) {
    return HIWORD(static_cast<DWORD_PTR>(lParam));
}
constexpr WORD WSAGETASYNCBUFLEN(LPARAM lParam) {
    return LOWORD(static_cast<DWORD_PTR>(lParam));
}
constexpr WORD WSAGETASYNCERROR(LPARAM lParam) {
    return HIWORD(static_cast<DWORD_PTR>(lParam));
}

// The entry points, in the order of the socket loader's table. Every call except the byte-order
// and address-text helpers fails with WSANOTINITIALISED until WSAStartup has succeeded.
SOCKET NVL_WINAPI accept(SOCKET s, sockaddr* address, int* addressLength);
int NVL_WINAPI bind(SOCKET s, const sockaddr* address, int addressLength);
int NVL_WINAPI closesocket(SOCKET s);
int NVL_WINAPI connect(SOCKET s, const sockaddr* address, int addressLength);
int NVL_WINAPI ioctlsocket(SOCKET s, long command, u_long* argument);
int NVL_WINAPI getpeername(SOCKET s, sockaddr* address, int* addressLength);
int NVL_WINAPI getsockname(SOCKET s, sockaddr* address, int* addressLength);
int NVL_WINAPI getsockopt(SOCKET s, int level, int option, char* value, int* valueLength);
u_long NVL_WINAPI htonl(u_long host);
u_short NVL_WINAPI htons(u_short host);
u_long NVL_WINAPI inet_addr(const char* text);
char* NVL_WINAPI inet_ntoa(in_addr address);
int NVL_WINAPI listen(SOCKET s, int backlog);
u_long NVL_WINAPI ntohl(u_long net);
u_short NVL_WINAPI ntohs(u_short net);
int NVL_WINAPI recv(SOCKET s, char* buffer, int length, int flags);
int NVL_WINAPI recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength);
int NVL_WINAPI select(int ignored, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet,
                      const timeval* timeout);
int NVL_WINAPI send(SOCKET s, const char* buffer, int length, int flags);
int NVL_WINAPI sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength);
int NVL_WINAPI setsockopt(SOCKET s, int level, int option, const char* value, int valueLength);
int NVL_WINAPI shutdown(SOCKET s, int how);
SOCKET NVL_WINAPI socket(int family, int type, int protocol);
hostent* NVL_WINAPI gethostbyaddr(const char* address, int length, int type);
hostent* NVL_WINAPI gethostbyname(const char* name);
int NVL_WINAPI gethostname(char* name, int length);
servent* NVL_WINAPI getservbyport(int port, const char* protocol);
servent* NVL_WINAPI getservbyname(const char* name, const char* protocol);
protoent* NVL_WINAPI getprotobynumber(int number);
protoent* NVL_WINAPI getprotobyname(const char* name);
int NVL_WINAPI WSAStartup(WORD versionRequested, WSADATA* data);
int NVL_WINAPI WSACleanup();
void NVL_WINAPI WSASetLastError(int error);
int NVL_WINAPI WSAGetLastError();
BOOL NVL_WINAPI WSAIsBlocking();
int NVL_WINAPI WSAUnhookBlockingHook();
BLOCKINGHOOK NVL_WINAPI WSASetBlockingHook(BLOCKINGHOOK hook);
int NVL_WINAPI WSACancelBlockingCall();
HANDLE NVL_WINAPI WSAAsyncGetServByName(HWND window, UINT message, const char* name, const char* protocol,
                                        char* buffer, int bufferLength);
HANDLE NVL_WINAPI WSAAsyncGetServByPort(HWND window, UINT message, int port, const char* protocol,
                                        char* buffer, int bufferLength);
HANDLE NVL_WINAPI WSAAsyncGetProtoByName(HWND window, UINT message, const char* name, char* buffer,
                                         int bufferLength);
HANDLE NVL_WINAPI WSAAsyncGetProtoByNumber(HWND window, UINT message, int number, char* buffer,
                                           int bufferLength);
HANDLE NVL_WINAPI WSAAsyncGetHostByName(HWND window, UINT message, const char* name, char* buffer,
                                        int bufferLength);
HANDLE NVL_WINAPI WSAAsyncGetHostByAddr(HWND window, UINT message, const char* address, int length, int type,
                                        char* buffer, int bufferLength);
int NVL_WINAPI WSACancelAsyncRequest(HANDLE task);
// Makes the socket non-blocking and posts (wParam = socket, lParam = event | error << 16) to the
// window: FD_READ again only after a recv, FD_WRITE after a send that would block, FD_ACCEPT after
// an accept, FD_CONNECT and FD_CLOSE once; a failed connect is FD_CONNECT with its error. A mask of
// 0 cancels the notifications. Sockets accepted from a selected socket inherit its selection.
int NVL_WINAPI WSAAsyncSelect(SOCKET s, HWND window, UINT message, long events);

} // namespace win
