#include "platform/Winsock.h"

#include "platform/Kernel.h"
#include "platform/WinsockInternal.h"

namespace {

// Windows values of names that the POSIX headers below define as macros.
constexpr int kWinSolSocket = win::SOL_SOCKET;
constexpr int kWinSoDebug = win::SO_DEBUG;
constexpr int kWinSoAcceptConn = win::SO_ACCEPTCONN;
constexpr int kWinSoReuseAddr = win::SO_REUSEADDR;
constexpr int kWinSoKeepAlive = win::SO_KEEPALIVE;
constexpr int kWinSoDontRoute = win::SO_DONTROUTE;
constexpr int kWinSoBroadcast = win::SO_BROADCAST;
constexpr int kWinSoLinger = win::SO_LINGER;
constexpr int kWinSoDontLinger = win::SO_DONTLINGER;
constexpr int kWinSoOobInline = win::SO_OOBINLINE;
constexpr int kWinSoSndBuf = win::SO_SNDBUF;
constexpr int kWinSoRcvBuf = win::SO_RCVBUF;
constexpr int kWinSoSndLowat = win::SO_SNDLOWAT;
constexpr int kWinSoRcvLowat = win::SO_RCVLOWAT;
constexpr int kWinSoSndTimeo = win::SO_SNDTIMEO;
constexpr int kWinSoRcvTimeo = win::SO_RCVTIMEO;
constexpr int kWinSoError = win::SO_ERROR;
constexpr int kWinSoType = win::SO_TYPE;
constexpr int kWinIpprotoTcp = win::IPPROTO_TCP;
constexpr int kWinTcpNoDelay = win::TCP_NODELAY;
constexpr int kWinSoMaxConn = win::SOMAXCONN;
constexpr long kWinFionbio = win::FIONBIO;
constexpr long kWinFionread = win::FIONREAD;
constexpr long kWinSiocatmark = win::SIOCATMARK;
constexpr int kWinAfInet = win::AF_INET;

} // namespace

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

// glibc may define the byte-order functions as macros; the Winsock ones are defined below.
#undef htons
#undef htonl
#undef ntohs
#undef ntohl

namespace win {
namespace detail {
namespace {

std::atomic<int> startupCount{0};

bool ToNative(const sockaddr* address, int length, ::sockaddr_in& native) {
    if (address == nullptr || length < static_cast<int>(sizeof(win::sockaddr_in))) return false;
    win::sockaddr_in in{};
    std::memcpy(&in, address, sizeof in);
    native = ::sockaddr_in{};
    native.sin_family = static_cast<sa_family_t>(in.sin_family == kWinAfInet ? AF_INET : in.sin_family);
    native.sin_port = in.sin_port;
    native.sin_addr.s_addr = in.sin_addr.s_addr;
    return true;
}

int FromNative(const ::sockaddr_storage& native, sockaddr* address, int* length) {
    if (address == nullptr || length == nullptr) return 0;
    if (*length < static_cast<int>(sizeof(win::sockaddr_in))) return Fail(WSAEFAULT);
    const auto& in4 = reinterpret_cast<const ::sockaddr_in&>(native);
    win::sockaddr_in out{};
    out.sin_family = static_cast<short>(native.ss_family == AF_INET ? kWinAfInet : native.ss_family);
    out.sin_port = in4.sin_port;
    out.sin_addr.s_addr = in4.sin_addr.s_addr;
    std::memcpy(address, &out, sizeof out);
    *length = sizeof out;
    return 0;
}

int Native(SOCKET s) {
    return static_cast<int>(s);
}

// A socket option's POSIX level and name; false for an option the platform lacks.
bool NativeOption(int level, int option, int& nativeLevel, int& nativeOption) {
    if (level == kWinSolSocket) {
        nativeLevel = SOL_SOCKET;
        switch (option) {
        case kWinSoDebug:
            nativeOption = SO_DEBUG;
            return true;
        case kWinSoAcceptConn:
            nativeOption = SO_ACCEPTCONN;
            return true;
        case kWinSoReuseAddr:
            nativeOption = SO_REUSEADDR;
            return true;
        case kWinSoKeepAlive:
            nativeOption = SO_KEEPALIVE;
            return true;
        case kWinSoDontRoute:
            nativeOption = SO_DONTROUTE;
            return true;
        case kWinSoBroadcast:
            nativeOption = SO_BROADCAST;
            return true;
        case kWinSoLinger:
            nativeOption = SO_LINGER;
            return true;
        case kWinSoOobInline:
            nativeOption = SO_OOBINLINE;
            return true;
        case kWinSoSndBuf:
            nativeOption = SO_SNDBUF;
            return true;
        case kWinSoRcvBuf:
            nativeOption = SO_RCVBUF;
            return true;
        case kWinSoSndLowat:
            nativeOption = SO_SNDLOWAT;
            return true;
        case kWinSoRcvLowat:
            nativeOption = SO_RCVLOWAT;
            return true;
        case kWinSoSndTimeo:
            nativeOption = SO_SNDTIMEO;
            return true;
        case kWinSoRcvTimeo:
            nativeOption = SO_RCVTIMEO;
            return true;
        case kWinSoError:
            nativeOption = SO_ERROR;
            return true;
        case kWinSoType:
            nativeOption = SO_TYPE;
            return true;
        default:
            return false;
        }
    }
    if (level == kWinIpprotoTcp && option == kWinTcpNoDelay) {
        nativeLevel = IPPROTO_TCP;
        nativeOption = TCP_NODELAY;
        return true;
    }
    return false;
}

} // namespace

int WsaErrorFromErrno(int errnoValue) {
    switch (errnoValue) {
    case 0:
        return 0;
    case EINTR:
        return WSAEINTR;
    case EBADF:
        return WSAENOTSOCK;
    case EACCES:
    case EPERM:
        return WSAEACCES;
    case EFAULT:
        return WSAEFAULT;
    case EINVAL:
        return WSAEINVAL;
    case EMFILE:
    case ENFILE:
        return WSAEMFILE;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EAGAIN:
    case EINPROGRESS:
        return WSAEWOULDBLOCK;
    case EALREADY:
        return WSAEALREADY;
    case ENOTSOCK:
        return WSAENOTSOCK;
    case EDESTADDRREQ:
        return WSAEDESTADDRREQ;
    case EMSGSIZE:
        return WSAEMSGSIZE;
    case EPROTOTYPE:
        return WSAEPROTOTYPE;
    case ENOPROTOOPT:
        return WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
        return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
        return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP:
        return WSAEOPNOTSUPP;
    case EPFNOSUPPORT:
        return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT:
        return WSAEAFNOSUPPORT;
    case EADDRINUSE:
        return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
        return WSAEADDRNOTAVAIL;
    case ENETDOWN:
        return WSAENETDOWN;
    case ENETUNREACH:
        return WSAENETUNREACH;
    case ENETRESET:
        return WSAENETRESET;
    case ECONNABORTED:
        return WSAECONNABORTED;
    case ECONNRESET:
        return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
        return WSAENOBUFS;
    case EISCONN:
        return WSAEISCONN;
    case ENOTCONN:
        return WSAENOTCONN;
    case ESHUTDOWN:
    case EPIPE:
        return WSAESHUTDOWN;
    case ETOOMANYREFS:
        return WSAETOOMANYREFS;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case ELOOP:
        return WSAELOOP;
    case ENAMETOOLONG:
        return WSAENAMETOOLONG;
    case EHOSTDOWN:
        return WSAEHOSTDOWN;
    case EHOSTUNREACH:
        return WSAEHOSTUNREACH;
    case ENOTEMPTY:
        return WSAENOTEMPTY;
    case EUSERS:
        return WSAEUSERS;
    case EDQUOT:
        return WSAEDQUOT;
    case ESTALE:
        return WSAESTALE;
    case EREMOTE:
        return WSAEREMOTE;
    default:
        return WSAEINVAL;
    }
}

int Fail(int wsaError) {
    SetLastError(static_cast<DWORD>(wsaError));
    return SOCKET_ERROR;
}

int FailFromErrno() {
    return Fail(WsaErrorFromErrno(errno));
}

bool WinsockStarted() {
    if (startupCount.load() > 0) return true;
    Fail(WSANOTINITIALISED);
    return false;
}

} // namespace detail

using detail::Fail;
using detail::FailFromErrno;
using detail::Native;
using detail::WinsockStarted;

SOCKET accept(SOCKET s, sockaddr* address, int* addressLength) {
    if (!WinsockStarted()) return INVALID_SOCKET;
    if (address != nullptr &&
        (addressLength == nullptr || *addressLength < static_cast<int>(sizeof(sockaddr_in)))) {
        Fail(WSAEFAULT);
        return INVALID_SOCKET;
    }
    ::sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    const int fd = ::accept4(Native(s), reinterpret_cast<::sockaddr*>(&native), &nativeLength, SOCK_CLOEXEC);
    const int savedErrno = errno;
    if (detail::IsSelected(s)) detail::NoteAccepted(s, fd < 0 ? INVALID_SOCKET : static_cast<SOCKET>(fd));
    if (fd < 0) {
        Fail(detail::WsaErrorFromErrno(savedErrno));
        return INVALID_SOCKET;
    }
    if (!detail::IsSelected(static_cast<SOCKET>(fd)))
        detail::TrackSocket(static_cast<SOCKET>(fd), detail::SocketPhase::Connected);
    detail::FromNative(native, address, addressLength);
    return static_cast<SOCKET>(fd);
}

int bind(SOCKET s, const sockaddr* address, int addressLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    ::sockaddr_in native{};
    if (!detail::ToNative(address, addressLength, native)) return Fail(WSAEFAULT);
    if (::bind(Native(s), reinterpret_cast<::sockaddr*>(&native), sizeof native) != 0) return FailFromErrno();
    return 0;
}

int closesocket(SOCKET s) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    detail::ForgetSocket(s);
    if (::close(Native(s)) != 0) return FailFromErrno();
    return 0;
}

int connect(SOCKET s, const sockaddr* address, int addressLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    ::sockaddr_in native{};
    if (!detail::ToNative(address, addressLength, native)) return Fail(WSAEFAULT);
    const int result = ::connect(Native(s), reinterpret_cast<::sockaddr*>(&native), sizeof native);
    const int error = result == 0 ? 0 : errno;
    if (detail::IsSelected(s)) {
        switch (error) {
        case 0:
        case EINPROGRESS:
        case ECONNREFUSED:
        case ETIMEDOUT:
        case ENETUNREACH:
        case EHOSTUNREACH:
            // A selected socket reports the outcome of every started connect through FD_CONNECT.
            detail::NoteConnectStarted(s, error == EINPROGRESS ? 0 : detail::WsaErrorFromErrno(error));
            return Fail(WSAEWOULDBLOCK);
        default:
            break;
        }
    }
    if (result != 0) {
        if (error == EINPROGRESS) detail::TrackSocket(s, detail::SocketPhase::Connecting);
        return Fail(detail::WsaErrorFromErrno(error));
    }
    detail::TrackSocket(s, detail::SocketPhase::Connected);
    return 0;
}

int ioctlsocket(SOCKET s, long command, u_long* argument) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (argument == nullptr) return Fail(WSAEFAULT);
    switch (command) {
    case kWinFionbio: {
        if (*argument == 0 && detail::IsSelected(s)) return Fail(WSAEINVAL);
        const int flags = ::fcntl(Native(s), F_GETFL);
        if (flags < 0) return FailFromErrno();
        if (::fcntl(Native(s), F_SETFL, *argument ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) != 0)
            return FailFromErrno();
        return 0;
    }
    case kWinFionread: {
        int available = 0;
        if (::ioctl(Native(s), FIONREAD, &available) != 0) return FailFromErrno();
        *argument = static_cast<u_long>(available);
        return 0;
    }
    case kWinSiocatmark: {
        const int mark = ::sockatmark(Native(s));
        if (mark < 0) return FailFromErrno();
        *argument = mark ? 1 : 0; // TRUE when no urgent data waits, as Winsock answers
        return 0;
    }
    default:
        return Fail(WSAEINVAL);
    }
}

int getpeername(SOCKET s, sockaddr* address, int* addressLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (address == nullptr || addressLength == nullptr) return Fail(WSAEFAULT);
    ::sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    if (::getpeername(Native(s), reinterpret_cast<::sockaddr*>(&native), &nativeLength) != 0)
        return FailFromErrno();
    return detail::FromNative(native, address, addressLength);
}

int getsockname(SOCKET s, sockaddr* address, int* addressLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (address == nullptr || addressLength == nullptr) return Fail(WSAEFAULT);
    ::sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    if (::getsockname(Native(s), reinterpret_cast<::sockaddr*>(&native), &nativeLength) != 0)
        return FailFromErrno();
    return detail::FromNative(native, address, addressLength);
}

int getsockopt(SOCKET s, int level, int option, char* value, int* valueLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (value == nullptr || valueLength == nullptr) return Fail(WSAEFAULT);
    int nativeLevel = 0, nativeOption = 0;
    if (level == kWinSolSocket && option == kWinSoDontLinger) {
        nativeLevel = SOL_SOCKET;
        nativeOption = SO_LINGER;
    } else if (!detail::NativeOption(level, option, nativeLevel, nativeOption)) {
        return Fail(WSAENOPROTOOPT);
    }
    if (nativeOption == SO_LINGER && nativeLevel == SOL_SOCKET) {
        ::linger native{};
        socklen_t length = sizeof native;
        if (::getsockopt(Native(s), nativeLevel, nativeOption, &native, &length) != 0) return FailFromErrno();
        if (option == kWinSoDontLinger) {
            if (*valueLength < static_cast<int>(sizeof(BOOL))) return Fail(WSAEFAULT);
            const BOOL dontLinger = native.l_onoff ? FALSE : TRUE;
            std::memcpy(value, &dontLinger, sizeof dontLinger);
            *valueLength = sizeof dontLinger;
            return 0;
        }
        if (*valueLength < static_cast<int>(sizeof(win::linger))) return Fail(WSAEFAULT);
        const win::linger out{static_cast<u_short>(native.l_onoff), static_cast<u_short>(native.l_linger)};
        std::memcpy(value, &out, sizeof out);
        *valueLength = sizeof out;
        return 0;
    }
    if (*valueLength < static_cast<int>(sizeof(int))) return Fail(WSAEFAULT);
    int native = 0;
    socklen_t length = sizeof native;
    if (::getsockopt(Native(s), nativeLevel, nativeOption, &native, &length) != 0) return FailFromErrno();
    if (nativeLevel == SOL_SOCKET && nativeOption == SO_ERROR) native = detail::WsaErrorFromErrno(native);
    if (nativeLevel == SOL_SOCKET && nativeOption == SO_TYPE)
        native = native == SOCK_STREAM ? win::SOCK_STREAM : win::SOCK_DGRAM;
    std::memcpy(value, &native, sizeof native);
    *valueLength = sizeof native;
    return 0;
}

u_long htonl(u_long host) {
    return ::htonl(host);
}
u_short htons(u_short host) {
    return ::htons(host);
}
u_long ntohl(u_long net) {
    return ::ntohl(net);
}
u_short ntohs(u_short net) {
    return ::ntohs(net);
}

u_long inet_addr(const char* text) {
    if (text == nullptr) return INADDR_NONE;
    ::in_addr parsed{};
    return ::inet_aton(text, &parsed) ? parsed.s_addr : INADDR_NONE;
}

char* inet_ntoa(in_addr address) {
    thread_local char text[16];
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address.s_addr);
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

int listen(SOCKET s, int backlog) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (::listen(Native(s), backlog == kWinSoMaxConn ? SOMAXCONN : backlog) != 0) return FailFromErrno();
    detail::NoteListening(s);
    return 0;
}

int recv(SOCKET s, char* buffer, int length, int flags) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
    const ssize_t received = ::recv(Native(s), buffer, static_cast<std::size_t>(length), flags);
    const int savedErrno = errno;
    if (detail::IsSelected(s)) detail::NoteReceived(s, length > 0 && received == length);
    if (received < 0) return Fail(detail::WsaErrorFromErrno(savedErrno));
    return static_cast<int>(received);
}

int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
    ::sockaddr_storage native{};
    socklen_t nativeLength = sizeof native;
    const ssize_t received = ::recvfrom(Native(s), buffer, static_cast<std::size_t>(length), flags,
                                        reinterpret_cast<::sockaddr*>(&native), &nativeLength);
    const int savedErrno = errno;
    if (detail::IsSelected(s)) detail::NoteReceived(s, length > 0 && received == length);
    if (received < 0) return Fail(detail::WsaErrorFromErrno(savedErrno));
    if (from != nullptr && detail::FromNative(native, from, fromLength) != 0) return SOCKET_ERROR;
    return static_cast<int>(received);
}

int select(int, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet, const timeval* timeout) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    std::vector<::pollfd> polls;
    auto add = [&](fd_set* set, short events) {
        if (set == nullptr) return;
        for (u_int i = 0; i < std::min<u_int>(set->fd_count, 64); ++i) {
            const int fd = Native(set->fd_array[i]);
            auto found =
                std::find_if(polls.begin(), polls.end(), [&](const ::pollfd& p) { return p.fd == fd; });
            if (found == polls.end())
                polls.push_back(::pollfd{fd, events, 0});
            else
                found->events = static_cast<short>(found->events | events);
        }
    };
    add(readSet, POLLIN);
    add(writeSet, POLLOUT);
    add(exceptSet, POLLPRI);
    if (polls.empty()) return Fail(WSAEINVAL);
    const int waitMs =
        timeout == nullptr ? -1 : static_cast<int>(timeout->tv_sec * 1000 + timeout->tv_usec / 1000);
    int ready;
    do {
        ready = ::poll(polls.data(), polls.size(), waitMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return FailFromErrno();
    int count = 0;
    auto keep = [&](fd_set* set, short wanted) {
        if (set == nullptr) return;
        u_int kept = 0;
        for (u_int i = 0; i < std::min<u_int>(set->fd_count, 64); ++i) {
            const int fd = Native(set->fd_array[i]);
            const auto found =
                std::find_if(polls.begin(), polls.end(), [&](const ::pollfd& p) { return p.fd == fd; });
            if (found->revents & wanted) {
                set->fd_array[kept++] = set->fd_array[i];
                ++count;
            }
        }
        set->fd_count = kept;
    };
    keep(readSet, POLLIN | POLLHUP | POLLERR);
    keep(writeSet, POLLOUT | POLLERR);
    keep(exceptSet, POLLPRI);
    return count;
}

int send(SOCKET s, const char* buffer, int length, int flags) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
    const ssize_t sent = ::send(Native(s), buffer, static_cast<std::size_t>(length), flags | MSG_NOSIGNAL);
    if (sent < 0) {
        const int savedErrno = errno;
        if ((savedErrno == EAGAIN || savedErrno == EWOULDBLOCK) && detail::IsSelected(s))
            detail::NoteSendBlocked(s);
        return Fail(detail::WsaErrorFromErrno(savedErrno));
    }
    return static_cast<int>(sent);
}

int sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (to == nullptr) return send(s, buffer, length, flags);
    ::sockaddr_in native{};
    if (!detail::ToNative(to, toLength, native)) return Fail(WSAEFAULT);
    const ssize_t sent = ::sendto(Native(s), buffer, static_cast<std::size_t>(length), flags | MSG_NOSIGNAL,
                                  reinterpret_cast<::sockaddr*>(&native), sizeof native);
    if (sent < 0) {
        const int savedErrno = errno;
        if ((savedErrno == EAGAIN || savedErrno == EWOULDBLOCK) && detail::IsSelected(s))
            detail::NoteSendBlocked(s);
        return Fail(detail::WsaErrorFromErrno(savedErrno));
    }
    return static_cast<int>(sent);
}

int setsockopt(SOCKET s, int level, int option, const char* value, int valueLength) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (value == nullptr) return Fail(WSAEFAULT);
    if (level == kWinSolSocket && (option == kWinSoLinger || option == kWinSoDontLinger)) {
        ::linger native{};
        if (option == kWinSoDontLinger) {
            if (valueLength < static_cast<int>(sizeof(BOOL))) return Fail(WSAEFAULT);
            BOOL dontLinger;
            std::memcpy(&dontLinger, value, sizeof dontLinger);
            native.l_onoff = dontLinger ? 0 : 1;
        } else {
            if (valueLength < static_cast<int>(sizeof(win::linger))) return Fail(WSAEFAULT);
            win::linger in{};
            std::memcpy(&in, value, sizeof in);
            native.l_onoff = in.l_onoff;
            native.l_linger = in.l_linger;
        }
        if (::setsockopt(Native(s), SOL_SOCKET, SO_LINGER, &native, sizeof native) != 0)
            return FailFromErrno();
        return 0;
    }
    int nativeLevel = 0, nativeOption = 0;
    if (!detail::NativeOption(level, option, nativeLevel, nativeOption)) return Fail(WSAENOPROTOOPT);
    if (valueLength < 1) return Fail(WSAEFAULT);
    int native = 0;
    if (valueLength >= static_cast<int>(sizeof(int)))
        std::memcpy(&native, value, sizeof native);
    else
        native = static_cast<unsigned char>(value[0]); // Winsock accepts a one-byte BOOL
    if (nativeOption == SO_SNDTIMEO || nativeOption == SO_RCVTIMEO) {
        const ::timeval interval{native / 1000, (native % 1000) * 1000};
        if (::setsockopt(Native(s), nativeLevel, nativeOption, &interval, sizeof interval) != 0)
            return FailFromErrno();
        return 0;
    }
    if (::setsockopt(Native(s), nativeLevel, nativeOption, &native, sizeof native) != 0)
        return FailFromErrno();
    return 0;
}

int shutdown(SOCKET s, int how) {
    if (!WinsockStarted()) return SOCKET_ERROR;
    if (how < SD_RECEIVE || how > SD_BOTH) return Fail(WSAEINVAL);
    if (::shutdown(Native(s), how == SD_RECEIVE ? SHUT_RD : how == SD_SEND ? SHUT_WR : SHUT_RDWR) != 0) {
        // As on Winsock, a connection that has completely closed can still be shut down.
        if (errno == ENOTCONN && detail::WasConnected(s)) return 0;
        return FailFromErrno();
    }
    return 0;
}

SOCKET socket(int family, int type, int protocol) {
    if (!WinsockStarted()) return INVALID_SOCKET;
    if (family != kWinAfInet) {
        Fail(WSAEAFNOSUPPORT);
        return INVALID_SOCKET;
    }
    const int nativeType = type == win::SOCK_STREAM ? SOCK_STREAM : type == win::SOCK_DGRAM ? SOCK_DGRAM : -1;
    if (nativeType < 0) {
        Fail(WSAESOCKTNOSUPPORT);
        return INVALID_SOCKET;
    }
    const int fd = ::socket(AF_INET, nativeType | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        FailFromErrno();
        return INVALID_SOCKET;
    }
    detail::TrackSocket(static_cast<SOCKET>(fd), detail::SocketPhase::Idle);
    return static_cast<SOCKET>(fd);
}

int WSAStartup(WORD versionRequested, WSADATA* data) {
    const int major = versionRequested & 0xFF;
    const int minor = versionRequested >> 8;
    if (data == nullptr) return WSAEFAULT;
    if (major < 1) return WSAVERNOTSUPPORTED;
    *data = WSADATA{};
    data->wVersion = (major == 1 && minor == 0) ? 0x0001 : 0x0101;
    data->wHighVersion = 0x0101;
    std::strcpy(data->szDescription, "WinSock 1.1 on POSIX sockets");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = 32767;
    data->iMaxUdpDg = 65467;
    ++detail::startupCount;
    return 0;
}

int WSACleanup() {
    int count = detail::startupCount.load();
    while (count > 0 && !detail::startupCount.compare_exchange_weak(count, count - 1)) {
    }
    if (count <= 0) return Fail(WSANOTINITIALISED);
    return 0;
}

void WSASetLastError(int error) {
    SetLastError(static_cast<DWORD>(error));
}
int WSAGetLastError() {
    return static_cast<int>(GetLastError());
}

BOOL WSAIsBlocking() {
    return FALSE;
}

int WSAUnhookBlockingHook() {
    return WinsockStarted() ? 0 : SOCKET_ERROR;
}

BLOCKINGHOOK WSASetBlockingHook(BLOCKINGHOOK) {
    // Blocking calls never pump messages here, so no hook is ever called and none was set before.
    WinsockStarted();
    return nullptr;
}

int WSACancelBlockingCall() {
    if (!WinsockStarted()) return SOCKET_ERROR;
    return Fail(WSAEINVAL); // no blocking call can be in progress
}

} // namespace win
