// Asynchronous selection and the asynchronous database calls of the socket library.
#include "platform/Winsock.h"

#include "platform/Kernel.h"
#include "platform/MessageLoop.h"
#include "platform/ThreadQueue.h"
#include "platform/WinsockInternal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unordered_map>

namespace win {
namespace detail {
namespace {

struct SocketState {
    SocketPhase phase = SocketPhase::Idle;
    HWND window = nullptr;
    UINT message = 0;
    long events = 0;
    bool readEnabled = true;
    bool writeEnabled = true;
    bool acceptEnabled = true;
    bool connectReported = false;
    bool closeReported = false;
    bool peerClosed = false;
    int pendingConnectError = 0; // a connect that failed at once, reported through FD_CONNECT
    std::shared_ptr<ThreadQueue> queue;
    std::uint32_t watched = 0;
};

struct Notification {
    HWND window;
    UINT message;
    SOCKET socket;
    long event;
    int error;
};

std::recursive_mutex registryMutex;
std::unordered_map<SOCKET, SocketState>& Sockets() {
    static std::unordered_map<SOCKET, SocketState> sockets;
    return sockets;
}

int PendingSocketError(int fd) {
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    return error;
}

void Evaluate(SOCKET s);

// Brings the socket's epoll interest in line with what could still be reported.
void UpdateWatch(SOCKET s, SocketState& state) {
    std::uint32_t interest = 0;
    const bool selected = state.events != 0 && state.queue;
    if (selected) {
        switch (state.phase) {
        case SocketPhase::Connecting:
            interest = EPOLLOUT;
            break;
        case SocketPhase::Listening:
            if (state.acceptEnabled && (state.events & FD_ACCEPT)) interest = EPOLLIN;
            break;
        case SocketPhase::Connected:
            // After FD_CLOSE nothing more is reported. Once the peer's close is known, what is
            // left to report follows the application's reads, not the socket.
            if (state.closeReported) break;
            if (state.readEnabled && (state.events & FD_READ) && !state.peerClosed) interest |= EPOLLIN;
            if (state.writeEnabled && (state.events & FD_WRITE)) interest |= EPOLLOUT;
            if (!state.peerClosed && (state.events & FD_CLOSE)) interest |= EPOLLRDHUP;
            break;
        case SocketPhase::Idle:
        case SocketPhase::Failed:
            break;
        }
    }
    if (interest == state.watched) return;
    // A socket with nothing left to report leaves the set: epoll reports hang-ups even to an
    // empty interest, which would wake the loop for nothing.
    if (interest == 0)
        state.queue->Unwatch(static_cast<int>(s));
    else
        state.queue->Watch(static_cast<int>(s), interest, [s](std::uint32_t) { Evaluate(s); });
    state.watched = interest;
}

std::vector<Notification> Collect(SOCKET s, SocketState& state) {
    std::vector<Notification> out;
    if (state.events == 0 || !state.queue) return out;
    const int fd = static_cast<int>(s);
    ::pollfd probe{fd, POLLIN | POLLOUT | POLLRDHUP, 0};
    ::poll(&probe, 1, 0);
    const short ready = probe.revents;
    auto notify = [&](long event, int error) {
        if (state.events & event) out.push_back(Notification{state.window, state.message, s, event, error});
    };

    if (state.phase == SocketPhase::Connecting) {
        int error = state.pendingConnectError;
        if (error == 0 && !(ready & (POLLOUT | POLLERR | POLLHUP))) return out;
        if (error == 0) error = WsaErrorFromErrno(PendingSocketError(fd));
        state.pendingConnectError = 0;
        state.connectReported = true;
        state.phase = error == 0 ? SocketPhase::Connected : SocketPhase::Failed;
        notify(FD_CONNECT, error);
        if (error != 0) return out;
        ::poll(&probe, 1, 0);
    }
    const short now = probe.revents;
    if (state.phase == SocketPhase::Listening) {
        if ((now & POLLIN) && state.acceptEnabled && (state.events & FD_ACCEPT)) {
            state.acceptEnabled = false;
            notify(FD_ACCEPT, 0);
        }
        return out;
    }
    if (state.phase != SocketPhase::Connected) return out;
    int available = 0;
    ::ioctl(fd, FIONREAD, &available);
    if (now & (POLLRDHUP | POLLHUP | POLLERR)) state.peerClosed = true;
    if ((now & POLLIN) && available > 0 && state.readEnabled && (state.events & FD_READ)) {
        state.readEnabled = false;
        notify(FD_READ, 0);
    }
    if ((now & POLLOUT) && state.writeEnabled && (state.events & FD_WRITE)) {
        state.writeEnabled = false;
        notify(FD_WRITE, 0);
    }
    // As with Winsock, a graceful close is reported once everything the peer sent has been read,
    // so no data is lost; a failed connection is reported at once.
    const bool unread = available > 0 && (state.events & FD_READ);
    if (state.peerClosed && !state.closeReported && (state.events & FD_CLOSE) && (!unread || (now & POLLERR))) {
        state.closeReported = true;
        notify(FD_CLOSE, WsaErrorFromErrno(PendingSocketError(fd)));
    }
    return out;
}

void Evaluate(SOCKET s) {
    std::vector<Notification> notifications;
    {
        std::lock_guard lock(registryMutex);
        const auto found = Sockets().find(s);
        if (found == Sockets().end()) return;
        notifications = Collect(s, found->second);
        UpdateWatch(s, found->second);
    }
    for (const Notification& n : notifications)
        PostMessageA(n.window, n.message, n.socket,
                     WSAMAKESELECTREPLY(static_cast<WORD>(n.event), static_cast<WORD>(n.error)));
}

template <typename Change> void Modify(SOCKET s, Change change) {
    {
        std::lock_guard lock(registryMutex);
        const auto found = Sockets().find(s);
        if (found == Sockets().end()) return;
        change(found->second);
    }
    Evaluate(s);
}

} // namespace

void TrackSocket(SOCKET s, SocketPhase phase) {
    std::lock_guard lock(registryMutex);
    Sockets()[s].phase = phase;
}

// Notifications still queued for a closed socket are dropped: the system hands its number to the
// next socket at once, which must not receive them.
void ForgetSocket(SOCKET s) {
    std::lock_guard lock(registryMutex);
    const auto found = Sockets().find(s);
    if (found == Sockets().end()) return;
    const SocketState& state = found->second;
    if (state.watched != 0) state.queue->Unwatch(static_cast<int>(s));
    if (state.queue) state.queue->Discard(state.window, state.message, s);
    Sockets().erase(found);
}

bool IsSelected(SOCKET s) {
    std::lock_guard lock(registryMutex);
    const auto found = Sockets().find(s);
    return found != Sockets().end() && found->second.events != 0;
}

bool WasConnected(SOCKET s) {
    std::lock_guard lock(registryMutex);
    const auto found = Sockets().find(s);
    return found != Sockets().end() && found->second.phase == SocketPhase::Connected;
}

void NoteConnectStarted(SOCKET s, int immediateError) {
    Modify(s, [&](SocketState& state) {
        state.phase = SocketPhase::Connecting;
        state.pendingConnectError = immediateError;
    });
}

void NoteListening(SOCKET s) {
    {
        std::lock_guard lock(registryMutex);
        Sockets()[s].phase = SocketPhase::Listening;
    }
    Evaluate(s);
}

void NoteAccepted(SOCKET listening, SOCKET accepted) {
    SocketState inherited;
    {
        std::lock_guard lock(registryMutex);
        const auto found = Sockets().find(listening);
        if (found == Sockets().end()) return;
        found->second.acceptEnabled = true;
        if (accepted != INVALID_SOCKET) {
            inherited.phase = SocketPhase::Connected;
            inherited.window = found->second.window;
            inherited.message = found->second.message;
            inherited.events = found->second.events;
            inherited.queue = found->second.queue;
            const int flags = ::fcntl(static_cast<int>(accepted), F_GETFL);
            ::fcntl(static_cast<int>(accepted), F_SETFL, flags | O_NONBLOCK);
            Sockets()[accepted] = inherited;
        }
    }
    Evaluate(listening);
    if (accepted != INVALID_SOCKET) Evaluate(accepted);
}

// A recv that filled the caller's whole buffer has most likely left data behind, so FD_READ is
// posted again at once without probing the socket; as on Winsock, an FD_READ may then find
// nothing to read. Anything else is probed as usual.
void NoteReceived(SOCKET s, bool bufferFilled) {
    std::optional<Notification> again;
    {
        std::lock_guard lock(registryMutex);
        const auto found = Sockets().find(s);
        if (found == Sockets().end()) return;
        SocketState& state = found->second;
        state.readEnabled = true;
        if (bufferFilled && state.queue && state.phase == SocketPhase::Connected && (state.events & FD_READ) &&
            !state.peerClosed && !state.closeReported) {
            state.readEnabled = false;
            again = Notification{state.window, state.message, s, FD_READ, 0};
        }
    }
    if (again)
        PostMessageA(again->window, again->message, again->socket, WSAMAKESELECTREPLY(FD_READ, 0));
    else
        Evaluate(s);
}

void NoteSendBlocked(SOCKET s) {
    Modify(s, [](SocketState& state) { state.writeEnabled = true; });
}

} // namespace detail

int WSAAsyncSelect(SOCKET s, HWND window, UINT message, long events) {
    if (!detail::WinsockStarted()) return SOCKET_ERROR;
    const int fd = static_cast<int>(s);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return detail::FailFromErrno();
    int type = 0;
    socklen_t typeLength = sizeof type;
    if (::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0) return detail::Fail(WSAENOTSOCK);
    std::shared_ptr<detail::ThreadQueue> queue;
    if (events != 0) {
        queue = detail::QueueOfWindow(window);
        if (!queue) return detail::Fail(WSAEINVAL);
    }
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    {
        std::lock_guard lock(detail::registryMutex);
        detail::SocketState& state = detail::Sockets()[s];
        if (state.watched != 0 && state.queue) state.queue->Unwatch(fd);
        state.watched = 0;
        state.events = events;
        // A cancelled selection keeps where it went, so that a close can still drop what is queued.
        if (events != 0) {
            state.window = window;
            state.message = message;
            state.queue = queue;
        }
        // A new selection reports the current state afresh, as Winsock does.
        state.readEnabled = state.writeEnabled = state.acceptEnabled = true;
        state.closeReported = false;
        state.peerClosed = false;
    }
    detail::Evaluate(s);
    return 0;
}

namespace {

// Copies a database entry into the caller's buffer: the record first, then its strings and lists.
class EntryPacker {
public:
    EntryPacker(char* buffer, int length) : buffer_(buffer), length_(length) {}

    template <typename T> T* Record() {
        used_ = sizeof(T);
        return fits() ? reinterpret_cast<T*>(buffer_) : nullptr;
    }
    char* String(const char* text) {
        const std::size_t size = std::strlen(text) + 1;
        char* place = Reserve(size, 1);
        if (place != nullptr) std::memcpy(place, text, size);
        return place;
    }
    char** StringList(char** list) {
        std::size_t count = 0;
        while (list != nullptr && list[count] != nullptr)
            ++count;
        auto** pointers = reinterpret_cast<char**>(Reserve((count + 1) * sizeof(char*), alignof(char*)));
        for (std::size_t i = 0; i < count; ++i) {
            char* copy = String(list[i]);
            if (pointers != nullptr) pointers[i] = copy;
        }
        if (pointers != nullptr) pointers[count] = nullptr;
        return pointers;
    }
    char** AddressList(char** list, std::size_t addressLength) {
        std::size_t count = 0;
        while (list != nullptr && list[count] != nullptr)
            ++count;
        auto** pointers = reinterpret_cast<char**>(Reserve((count + 1) * sizeof(char*), alignof(char*)));
        for (std::size_t i = 0; i < count; ++i) {
            char* copy = Reserve(addressLength, 4);
            if (copy != nullptr) std::memcpy(copy, list[i], addressLength);
            if (pointers != nullptr) pointers[i] = copy;
        }
        if (pointers != nullptr) pointers[count] = nullptr;
        return pointers;
    }
    bool fits() const { return used_ <= static_cast<std::size_t>(length_); }
    std::size_t used() const { return used_; }

private:
    char* Reserve(std::size_t size, std::size_t alignment) {
        used_ = (used_ + alignment - 1) / alignment * alignment;
        const std::size_t at = used_;
        used_ += size;
        return fits() ? buffer_ + at : nullptr;
    }

    char* buffer_;
    int length_;
    std::size_t used_ = 0;
};

std::uintptr_t NextTaskHandle() {
    static std::atomic<std::uintptr_t> next{0x100};
    return next.fetch_add(4);
}

// The lookups themselves are quick and local, so each request completes at once; the reply is
// posted like a late one would be.
HANDLE Complete(HWND window, UINT message, int error, std::size_t length) {
    if (!IsWindow(window)) {
        detail::Fail(WSAEINVAL);
        return nullptr;
    }
    const auto task = reinterpret_cast<HANDLE>(NextTaskHandle());
    PostMessageA(window, message, reinterpret_cast<WPARAM>(task),
                 WSAMAKEASYNCREPLY(static_cast<WORD>(std::min<std::size_t>(length, 0xFFFF)),
                                   static_cast<WORD>(error)));
    return task;
}

HANDLE PackHost(HWND window, UINT message, const hostent* entry, char* buffer, int bufferLength) {
    if (entry == nullptr) return Complete(window, message, WSAGetLastError(), 0);
    EntryPacker packer(buffer, bufferLength);
    auto* out = packer.Record<hostent>();
    char* name = packer.String(entry->h_name);
    char** aliases = packer.StringList(entry->h_aliases);
    char** addresses = packer.AddressList(entry->h_addr_list, static_cast<std::size_t>(entry->h_length));
    if (!packer.fits()) return Complete(window, message, WSAENOBUFS, packer.used());
    *out = hostent{name, aliases, entry->h_addrtype, entry->h_length, addresses};
    return Complete(window, message, 0, packer.used());
}

HANDLE PackService(HWND window, UINT message, const servent* entry, char* buffer, int bufferLength) {
    if (entry == nullptr) return Complete(window, message, WSAGetLastError(), 0);
    EntryPacker packer(buffer, bufferLength);
    auto* out = packer.Record<servent>();
    char* name = packer.String(entry->s_name);
    char** aliases = packer.StringList(entry->s_aliases);
    char* protocol = packer.String(entry->s_proto);
    if (!packer.fits()) return Complete(window, message, WSAENOBUFS, packer.used());
    *out = servent{name, aliases, entry->s_port, protocol};
    return Complete(window, message, 0, packer.used());
}

HANDLE PackProtocol(HWND window, UINT message, const protoent* entry, char* buffer, int bufferLength) {
    if (entry == nullptr) return Complete(window, message, WSAGetLastError(), 0);
    EntryPacker packer(buffer, bufferLength);
    auto* out = packer.Record<protoent>();
    char* name = packer.String(entry->p_name);
    char** aliases = packer.StringList(entry->p_aliases);
    if (!packer.fits()) return Complete(window, message, WSAENOBUFS, packer.used());
    *out = protoent{name, aliases, entry->p_proto};
    return Complete(window, message, 0, packer.used());
}

} // namespace

HANDLE WSAAsyncGetServByName(HWND window, UINT message, const char* name, const char* protocol, char* buffer,
                             int bufferLength) {
    if (!detail::WinsockStarted()) return nullptr;
    return PackService(window, message, getservbyname(name, protocol), buffer, bufferLength);
}

HANDLE WSAAsyncGetServByPort(HWND window, UINT message, int port, const char* protocol, char* buffer,
                             int bufferLength) {
    if (!detail::WinsockStarted()) return nullptr;
    return PackService(window, message, getservbyport(port, protocol), buffer, bufferLength);
}

HANDLE WSAAsyncGetProtoByName(HWND window, UINT message, const char* name, char* buffer, int bufferLength) {
    if (!detail::WinsockStarted()) return nullptr;
    return PackProtocol(window, message, getprotobyname(name), buffer, bufferLength);
}

HANDLE WSAAsyncGetProtoByNumber(HWND window, UINT message, int number, char* buffer, int bufferLength) {
    if (!detail::WinsockStarted()) return nullptr;
    return PackProtocol(window, message, getprotobynumber(number), buffer, bufferLength);
}

HANDLE WSAAsyncGetHostByName(HWND window, UINT message, const char* name, char* buffer, int bufferLength) {
    if (!detail::WinsockStarted()) return nullptr;
    return PackHost(window, message, gethostbyname(name), buffer, bufferLength);
}

HANDLE WSAAsyncGetHostByAddr(HWND window, UINT message, const char* address, int length, int type,
                             char* buffer, int bufferLength) {
    if (!detail::WinsockStarted()) return nullptr;
    return PackHost(window, message, gethostbyaddr(address, length, type), buffer, bufferLength);
}

int WSACancelAsyncRequest(HANDLE task) {
    if (!detail::WinsockStarted()) return SOCKET_ERROR;
    // Every request has completed by the time its handle is returned.
    return detail::Fail(task == nullptr ? WSAEINVAL : WSAEALREADY);
}

} // namespace win
