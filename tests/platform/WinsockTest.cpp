#include "platform/Winsock.h"

#include "RecordingWindow.h"

#include "platform/Kernel.h"
#include "platform/Module.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using test::DrainMessages;
using test::Received;
using test::RecordingWindow;

namespace {

constexpr UINT kSocketMessage = 0xB11;

class Winsock : public ::testing::Test {
protected:
    void SetUp() override {
        win::WSADATA data{};
        ASSERT_EQ(win::WSAStartup(0x0101, &data), 0);
        EXPECT_EQ(data.wVersion, 0x0101);
    }
    void TearDown() override {
        for (win::SOCKET s : sockets_)
            win::closesocket(s);
        win::WSACleanup();
        DrainMessages();
    }

    win::SOCKET NewSocket() {
        const win::SOCKET s = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
        EXPECT_NE(s, win::INVALID_SOCKET);
        sockets_.push_back(s);
        return s;
    }

    static win::sockaddr_in Loopback(win::u_short port) {
        win::sockaddr_in address{};
        address.sin_family = win::AF_INET;
        address.sin_port = win::htons(port);
        address.sin_addr.s_addr = win::inet_addr("127.0.0.1");
        return address;
    }

    // A listening socket on a free loopback port; returns the port.
    win::u_short Listen(win::SOCKET s) {
        win::sockaddr_in address = Loopback(0);
        EXPECT_EQ(win::bind(s, reinterpret_cast<win::sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(win::listen(s, 5), 0);
        int length = sizeof address;
        EXPECT_EQ(win::getsockname(s, reinterpret_cast<win::sockaddr*>(&address), &length), 0);
        return win::ntohs(address.sin_port);
    }

    int Connect(win::SOCKET s, win::u_short port) {
        win::sockaddr_in address = Loopback(port);
        return win::connect(s, reinterpret_cast<win::sockaddr*>(&address), sizeof address);
    }

    // A connected pair on loopback: the client (blocking) and the accepted server side.
    std::pair<win::SOCKET, win::SOCKET> ConnectedPair() {
        const win::SOCKET listener = NewSocket();
        const win::u_short port = Listen(listener);
        const win::SOCKET client = NewSocket();
        EXPECT_EQ(Connect(client, port), 0);
        const win::SOCKET server = win::accept(listener, nullptr, nullptr);
        EXPECT_NE(server, win::INVALID_SOCKET);
        sockets_.push_back(server);
        return {client, server};
    }

    // Pumps messages until `count` notifications for the socket arrived, or the wait passed.
    std::vector<Received> Notifications(RecordingWindow& window, win::SOCKET s, std::size_t count,
                                        win::DWORD waitMs = 1000) {
        const win::DWORD start = win::GetTickCount();
        auto forSocket = [&] {
            std::vector<Received> out;
            for (const Received& r : window.received())
                if (r.message == kSocketMessage && r.wParam == s) out.push_back(r);
            return out;
        };
        while (forSocket().size() < count && win::GetTickCount() - start < waitMs) {
            win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT);
            DrainMessages();
        }
        return forSocket();
    }

    static Received Event(win::SOCKET s, long event, int error = 0) {
        return Received{
            kSocketMessage, s,
            win::WSAMAKESELECTREPLY(static_cast<win::WORD>(event), static_cast<win::WORD>(error))};
    }

    std::vector<win::SOCKET> sockets_;
};

TEST_F(Winsock, ConnectingToAListenerReportsConnectThenWrite) {
    RecordingWindow window;
    const win::SOCKET listener = NewSocket();
    const win::u_short port = Listen(listener);
    const win::SOCKET client = NewSocket();
    ASSERT_EQ(win::WSAAsyncSelect(client, window.handle(), kSocketMessage,
                                  win::FD_READ | win::FD_WRITE | win::FD_CONNECT | win::FD_CLOSE),
              0);
    EXPECT_EQ(Connect(client, port), win::SOCKET_ERROR);
    EXPECT_EQ(win::WSAGetLastError(), win::WSAEWOULDBLOCK);
    const auto events = Notifications(window, client, 2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], Event(client, win::FD_CONNECT));
    EXPECT_EQ(events[1], Event(client, win::FD_WRITE));
    win::Sleep(20);
    DrainMessages();
    EXPECT_EQ(Notifications(window, client, 3, 100).size(), 2u) << "FD_WRITE comes once";
}

TEST_F(Winsock, ConnectingToAClosedPortReportsRefusal) {
    RecordingWindow window;
    const win::SOCKET probe = NewSocket();
    const win::u_short port = Listen(probe);
    win::closesocket(probe); // the port is free again and nobody listens
    sockets_.clear();
    const win::SOCKET client = NewSocket();
    win::WSAAsyncSelect(client, window.handle(), kSocketMessage,
                        win::FD_CONNECT | win::FD_WRITE | win::FD_CLOSE);
    Connect(client, port);
    const auto events = Notifications(window, client, 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], Event(client, win::FD_CONNECT, win::WSAECONNREFUSED));
    win::Sleep(20);
    DrainMessages();
    EXPECT_EQ(Notifications(window, client, 2, 100).size(), 1u) << "nothing follows a failed connect";
}

TEST_F(Winsock, AcceptReadAndCloseFollowWinsockRules) {
    RecordingWindow window;
    const win::SOCKET listener = NewSocket();
    const win::u_short port = Listen(listener);
    ASSERT_EQ(win::WSAAsyncSelect(listener, window.handle(), kSocketMessage,
                                  win::FD_ACCEPT | win::FD_READ | win::FD_CLOSE),
              0);
    const win::SOCKET client = NewSocket(); // blocking
    ASSERT_EQ(Connect(client, port), 0);

    auto events = Notifications(window, listener, 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], Event(listener, win::FD_ACCEPT));
    win::sockaddr_in peer{};
    int peerLength = sizeof peer;
    const win::SOCKET server = win::accept(listener, reinterpret_cast<win::sockaddr*>(&peer), &peerLength);
    ASSERT_NE(server, win::INVALID_SOCKET);
    sockets_.push_back(server);
    EXPECT_EQ(peerLength, 16);
    EXPECT_EQ(peer.sin_addr.s_addr, win::inet_addr("127.0.0.1"));

    // The accepted socket inherits the selection. Two arrivals before any recv give one FD_READ.
    ASSERT_EQ(win::send(client, "abc", 3, 0), 3);
    ASSERT_EQ(Notifications(window, server, 1).size(), 1u);
    ASSERT_EQ(win::send(client, "def", 3, 0), 3);
    win::Sleep(20);
    events = Notifications(window, server, 2, 100);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], Event(server, win::FD_READ));

    char buffer[16] = {};
    ASSERT_EQ(win::recv(server, buffer, 2, 0), 2); // data remains, so FD_READ comes again
    events = Notifications(window, server, 2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], Event(server, win::FD_READ));
    ASSERT_EQ(win::recv(server, buffer, sizeof buffer, 0), 4);
    EXPECT_EQ(std::string(buffer, 4), "cdef");

    win::closesocket(client);
    sockets_.erase(std::find(sockets_.begin(), sockets_.end(), client));
    events = Notifications(window, server, 3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2], Event(server, win::FD_CLOSE));
    EXPECT_EQ(win::recv(server, buffer, sizeof buffer, 0), 0);
    win::Sleep(20);
    DrainMessages();
    EXPECT_EQ(Notifications(window, server, 4, 100).size(), 3u)
        << "FD_CLOSE comes once and EOF is no FD_READ";
}

// A receive that fills its buffer is followed by FD_READ without probing the socket, so a
// fast stream costs one recv per notification; one that finds nothing left then would block.
TEST_F(Winsock, AReceiveThatFillsItsBufferIsFollowedByAnotherRead) {
    RecordingWindow window;
    const auto [client, server] = ConnectedPair();
    ASSERT_EQ(win::WSAAsyncSelect(server, window.handle(), kSocketMessage, win::FD_READ | win::FD_CLOSE), 0);
    ASSERT_EQ(win::send(client, "abcdef", 6, 0), 6);
    ASSERT_EQ(Notifications(window, server, 1).size(), 1u);

    char buffer[16] = {};
    ASSERT_EQ(win::recv(server, buffer, 6, 0), 6);
    auto events = Notifications(window, server, 2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], Event(server, win::FD_READ));
    EXPECT_EQ(win::recv(server, buffer, 6, 0), win::SOCKET_ERROR) << "nothing was left";
    EXPECT_EQ(win::WSAGetLastError(), win::WSAEWOULDBLOCK);

    // A short receive drains the socket and re-enables FD_READ for the next arrival only.
    ASSERT_EQ(win::send(client, "gh", 2, 0), 2);
    ASSERT_EQ(Notifications(window, server, 3).size(), 3u);
    ASSERT_EQ(win::recv(server, buffer, sizeof buffer, 0), 2);
    win::Sleep(20);
    EXPECT_EQ(Notifications(window, server, 4, 100).size(), 3u);

    // After the peer's close, a full receive is not taken for more data: the close comes.
    ASSERT_EQ(win::send(client, "ijkl", 4, 0), 4);
    win::closesocket(client);
    sockets_.erase(std::find(sockets_.begin(), sockets_.end(), client));
    ASSERT_GE(Notifications(window, server, 4).size(), 4u);
    ASSERT_EQ(win::recv(server, buffer, 4, 0), 4);
    events = Notifications(window, server, 5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[4], Event(server, win::FD_CLOSE));
}

// A queue that never empties still hears of its sockets: they are polled between messages.
TEST_F(Winsock, SocketNotificationsReachAQueueThatNeverEmpties) {
    RecordingWindow window;
    window.onMessage = [&](const Received& r) {
        if (r.message == win::WM_USER + 7) win::PostMessageA(window.handle(), win::WM_USER + 7, 0, 0);
    };
    const auto [client, server] = ConnectedPair();
    ASSERT_EQ(win::WSAAsyncSelect(server, window.handle(), kSocketMessage, win::FD_READ), 0);
    win::PostMessageA(window.handle(), win::WM_USER + 7, 0, 0);
    ASSERT_EQ(win::send(client, "x", 1, 0), 1);
    win::Sleep(20);
    const win::DWORD start = win::GetTickCount();
    bool read = false;
    win::MSG message{};
    while (!read && win::GetTickCount() - start < 2000 && win::GetMessageA(&message, nullptr, 0, 0)) {
        win::DispatchMessageA(&message);
        read = message.message == kSocketMessage;
    }
    EXPECT_TRUE(read);
    EXPECT_LT(win::GetTickCount() - start, 100u);
    window.onMessage = nullptr;
}

TEST_F(Winsock, WouldBlockIs10035AndSelectionCanBeCancelled) {
    RecordingWindow window;
    const win::SOCKET listener = NewSocket();
    Listen(listener);
    ASSERT_EQ(win::WSAAsyncSelect(listener, window.handle(), kSocketMessage, win::FD_ACCEPT), 0);
    EXPECT_EQ(win::accept(listener, nullptr, nullptr), win::INVALID_SOCKET);
    EXPECT_EQ(win::WSAGetLastError(), 10035);
    win::u_long blocking = 0;
    EXPECT_EQ(win::ioctlsocket(listener, win::FIONBIO, &blocking), win::SOCKET_ERROR)
        << "a selected socket cannot be made blocking";
    EXPECT_EQ(win::WSAGetLastError(), win::WSAEINVAL);
    EXPECT_EQ(win::WSAAsyncSelect(listener, window.handle(), 0, 0), 0);
    EXPECT_EQ(win::ioctlsocket(listener, win::FIONBIO, &blocking), 0);
}

TEST_F(Winsock, AnUnreadReceiveOnASelectedSocketWouldBlock) {
    RecordingWindow window;
    const win::SOCKET listener = NewSocket();
    const win::u_short port = Listen(listener);
    const win::SOCKET client = NewSocket();
    win::WSAAsyncSelect(client, window.handle(), kSocketMessage, win::FD_CONNECT);
    Connect(client, port);
    Notifications(window, client, 1);
    char byte;
    EXPECT_EQ(win::recv(client, &byte, 1, 0), win::SOCKET_ERROR);
    EXPECT_EQ(win::WSAGetLastError(), win::WSAEWOULDBLOCK);
}

TEST_F(Winsock, OptionsAndAddressesUseWinsockValues) {
    const win::SOCKET s = NewSocket();
    const int on = 1;
    EXPECT_EQ(
        win::setsockopt(s, win::SOL_SOCKET, win::SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on),
        0);
    int value = 0, length = sizeof value;
    EXPECT_EQ(
        win::getsockopt(s, win::SOL_SOCKET, win::SO_REUSEADDR, reinterpret_cast<char*>(&value), &length), 0);
    EXPECT_NE(value, 0);
    EXPECT_EQ(win::getsockopt(s, win::SOL_SOCKET, win::SO_TYPE, reinterpret_cast<char*>(&value), &length), 0);
    EXPECT_EQ(value, win::SOCK_STREAM);
    EXPECT_EQ(win::setsockopt(s, 12345, 1, reinterpret_cast<const char*>(&on), sizeof on), win::SOCKET_ERROR);
    EXPECT_EQ(win::WSAGetLastError(), win::WSAENOPROTOOPT);

    EXPECT_EQ(win::inet_addr("10.1.2.3"), win::htonl(0x0A010203));
    EXPECT_EQ(win::inet_addr("not an address"), win::INADDR_NONE);
    EXPECT_STREQ(win::inet_ntoa(win::in_addr{win::htonl(0xC0A80001)}), "192.168.0.1");
    EXPECT_EQ(win::htons(0x1234), win::ntohs(0x1234));
    EXPECT_EQ(win::ntohs(win::htons(21)), 21);
}

TEST_F(Winsock, DatabaseLookups) {
    const win::servent* ftp = win::getservbyname("ftp", "tcp");
    ASSERT_NE(ftp, nullptr);
    EXPECT_EQ(win::ntohs(static_cast<win::u_short>(ftp->s_port)), 21);
    EXPECT_STREQ(ftp->s_proto, "tcp");
    EXPECT_EQ(win::getservbyname("no-such-service", "tcp"), nullptr);
    EXPECT_EQ(win::WSAGetLastError(), win::WSANO_DATA);

    const win::hostent* host = win::gethostbyname("127.0.0.1");
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->h_length, 4);
    ASSERT_NE(host->h_addr_list[0], nullptr);
    win::u_long address;
    std::memcpy(&address, host->h_addr_list[0], 4);
    EXPECT_EQ(address, win::inet_addr("127.0.0.1"));
    EXPECT_EQ(win::gethostbyname("no-such-host.invalid"), nullptr);
    const int resolverError = win::WSAGetLastError();
    EXPECT_TRUE(resolverError == win::WSAHOST_NOT_FOUND || resolverError == win::WSATRY_AGAIN)
        << resolverError;

    const win::protoent* tcp = win::getprotobyname("tcp");
    ASSERT_NE(tcp, nullptr);
    EXPECT_EQ(tcp->p_proto, 6);
    char name[256];
    EXPECT_EQ(win::gethostname(name, sizeof name), 0);
}

TEST_F(Winsock, AsynchronousServiceLookupRepliesByMessage) {
    RecordingWindow window;
    alignas(8) char buffer[win::MAXGETHOSTSTRUCT];
    const win::HANDLE task =
        win::WSAAsyncGetServByName(window.handle(), win::WM_USER + 9, "ftp", "tcp", buffer, sizeof buffer);
    ASSERT_NE(task, nullptr);
    DrainMessages();
    ASSERT_EQ(window.received().size(), 1u);
    EXPECT_EQ(window.received()[0].wParam, reinterpret_cast<WPARAM>(task));
    EXPECT_EQ(win::WSAGETASYNCERROR(window.received()[0].lParam), 0);
    const auto* entry = reinterpret_cast<const win::servent*>(buffer);
    EXPECT_STREQ(entry->s_name, "ftp");
    EXPECT_EQ(win::ntohs(static_cast<win::u_short>(entry->s_port)), 21);

    char tiny[8];
    win::WSAAsyncGetServByName(window.handle(), win::WM_USER + 9, "ftp", "tcp", tiny, sizeof tiny);
    DrainMessages();
    ASSERT_EQ(window.received().size(), 2u);
    EXPECT_EQ(win::WSAGETASYNCERROR(window.received()[1].lParam), win::WSAENOBUFS);
    EXPECT_GT(win::WSAGETASYNCBUFLEN(window.received()[1].lParam), sizeof tiny);
}

TEST_F(Winsock, AfterASendThatWouldBlockWriteComesWhenThereIsRoomAgain) {
    RecordingWindow window;
    const win::SOCKET listener = NewSocket();
    const win::u_short port = Listen(listener);
    const win::SOCKET client = NewSocket();
    win::WSAAsyncSelect(client, window.handle(), kSocketMessage, win::FD_CONNECT | win::FD_WRITE);
    Connect(client, port);
    ASSERT_EQ(Notifications(window, client, 2).size(), 2u);
    const win::SOCKET server = win::accept(listener, nullptr, nullptr);
    ASSERT_NE(server, win::INVALID_SOCKET);
    sockets_.push_back(server);

    const std::string block(65536, 'x');
    long long sent = 0;
    int result;
    while ((result = win::send(client, block.data(), static_cast<int>(block.size()), 0)) > 0)
        sent += result;
    EXPECT_EQ(win::WSAGetLastError(), win::WSAEWOULDBLOCK);
    win::Sleep(20);
    DrainMessages();
    EXPECT_EQ(Notifications(window, client, 3, 50).size(), 2u) << "no room yet";

    std::vector<char> sink(1 << 20);
    long long received = 0;
    while (received < sent) {
        const int n = win::recv(server, sink.data(), static_cast<int>(sink.size()), 0);
        ASSERT_GT(n, 0);
        received += n;
    }
    const auto events = Notifications(window, client, 3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2], Event(client, win::FD_WRITE));
}

TEST_F(Winsock, ShutdownOfTheSendingSideIsAGracefulCloseForThePeer) {
    RecordingWindow window;
    const auto [client, server] = ConnectedPair();
    win::WSAAsyncSelect(server, window.handle(), kSocketMessage, win::FD_READ | win::FD_CLOSE);
    ASSERT_EQ(win::send(client, "last words", 10, 0), 10);
    ASSERT_EQ(win::shutdown(client, win::SD_SEND), 0);
    auto events = Notifications(window, server, 2, 200);
    ASSERT_EQ(events.size(), 1u) << "no FD_CLOSE while data is unread";
    EXPECT_EQ(events[0], Event(server, win::FD_READ));
    char buffer[4];
    ASSERT_EQ(win::recv(server, buffer, sizeof buffer, 0), 4);
    events = Notifications(window, server, 2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], Event(server, win::FD_READ)) << "the rest first";
    char rest[16];
    ASSERT_EQ(win::recv(server, rest, sizeof rest, 0), 6);
    events = Notifications(window, server, 3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2], Event(server, win::FD_CLOSE)) << "the close once everything is read";
    EXPECT_EQ(win::shutdown(client, 7), win::SOCKET_ERROR);
    EXPECT_EQ(win::WSAGetLastError(), win::WSAEINVAL);

    // Once both sides have closed, the connection can still be shut down, as on Winsock; a
    // socket that never had a connection cannot.
    ASSERT_EQ(win::shutdown(server, win::SD_SEND), 0);
    win::Sleep(20);
    EXPECT_EQ(win::shutdown(client, win::SD_BOTH), 0);
    EXPECT_EQ(win::shutdown(client, win::SD_BOTH), 0);
    const win::SOCKET unconnected = NewSocket();
    EXPECT_EQ(win::shutdown(unconnected, win::SD_BOTH), win::SOCKET_ERROR);
    EXPECT_EQ(win::WSAGetLastError(), win::WSAENOTCONN);
}

TEST_F(Winsock, ASocketNumberUsedAgainGetsNoneOfTheOldSocketsNotifications) {
    RecordingWindow window;
    const win::SOCKET listener = NewSocket();
    const win::u_short port = Listen(listener);
    for (const bool cancelFirst : {false, true}) {
        const win::SOCKET old = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
        win::WSAAsyncSelect(old, window.handle(), kSocketMessage, win::FD_CONNECT | win::FD_WRITE | win::FD_CLOSE);
        Connect(old, port);
        win::Sleep(50);
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 0, win::QS_ALLINPUT); // queued, not handled
        if (cancelFirst) win::WSAAsyncSelect(old, window.handle(), 0, 0);
        win::closesocket(old);
        const win::SOCKET reused = NewSocket();
        ASSERT_EQ(reused, old) << "the system hands out the lowest free number";
        win::WSAAsyncSelect(reused, window.handle(), kSocketMessage, win::FD_READ | win::FD_CLOSE);
        window.clear();
        EXPECT_TRUE(Notifications(window, reused, 1, 200).empty()) << cancelFirst;
        win::closesocket(reused);
        sockets_.pop_back();
        DrainMessages();
        for (win::SOCKET accepted; (accepted = win::accept(listener, nullptr, nullptr)) != win::INVALID_SOCKET;) {
            win::closesocket(accepted);
            break;
        }
    }
}

TEST_F(Winsock, SelectTellsWhichSocketsAreReady) {
    const win::SOCKET listener = NewSocket();
    const win::u_short port = Listen(listener);
    const win::SOCKET client = NewSocket();
    ASSERT_EQ(Connect(client, port), 0);
    win::fd_set readable{1, {listener}};
    win::fd_set writable{1, {client}};
    const win::timeval wait{1, 0};
    EXPECT_EQ(win::select(0, &readable, &writable, nullptr, &wait), 2);
    EXPECT_EQ(readable.fd_count, 1u) << "a pending connection makes the listener readable";
    EXPECT_EQ(writable.fd_count, 1u);
    const win::SOCKET server = win::accept(listener, nullptr, nullptr);
    sockets_.push_back(server);
    win::fd_set nothing{1, {server}};
    const win::timeval now{0, 0};
    EXPECT_EQ(win::select(0, &nothing, nullptr, nullptr, &now), 0);
    EXPECT_EQ(nothing.fd_count, 0u);
}

TEST_F(Winsock, DatagramsAndLingerOptions) {
    const win::SOCKET receiver = win::socket(win::AF_INET, win::SOCK_DGRAM, 0);
    const win::SOCKET sender = win::socket(win::AF_INET, win::SOCK_DGRAM, 0);
    sockets_.insert(sockets_.end(), {receiver, sender});
    win::sockaddr_in address = Loopback(0);
    ASSERT_EQ(win::bind(receiver, reinterpret_cast<win::sockaddr*>(&address), sizeof address), 0);
    int length = sizeof address;
    win::getsockname(receiver, reinterpret_cast<win::sockaddr*>(&address), &length);
    ASSERT_EQ(win::sendto(sender, "ping", 4, 0, reinterpret_cast<win::sockaddr*>(&address), sizeof address),
              4);
    char buffer[8];
    win::sockaddr_in from{};
    int fromLength = sizeof from;
    ASSERT_EQ(win::recvfrom(receiver, buffer, sizeof buffer, 0, reinterpret_cast<win::sockaddr*>(&from),
                            &fromLength),
              4);
    EXPECT_EQ(std::string(buffer, 4), "ping");
    EXPECT_EQ(from.sin_family, win::AF_INET);

    const win::SOCKET stream = NewSocket();
    const win::linger wanted{1, 5};
    ASSERT_EQ(win::setsockopt(stream, win::SOL_SOCKET, win::SO_LINGER, reinterpret_cast<const char*>(&wanted),
                              sizeof wanted),
              0);
    win::linger got{};
    int gotLength = sizeof got;
    ASSERT_EQ(
        win::getsockopt(stream, win::SOL_SOCKET, win::SO_LINGER, reinterpret_cast<char*>(&got), &gotLength),
        0);
    EXPECT_EQ(got.l_onoff, 1);
    EXPECT_EQ(got.l_linger, 5);
    EXPECT_EQ(win::bind(stream, reinterpret_cast<win::sockaddr*>(&address), 8), win::SOCKET_ERROR);
    EXPECT_EQ(win::WSAGetLastError(), win::WSAEFAULT) << "an address shorter than 16 bytes";
}

TEST(WinsockStartup, CallsFailUntilStartedAndCleanupCounts) {
    EXPECT_EQ(win::socket(win::AF_INET, win::SOCK_STREAM, 0), win::INVALID_SOCKET);
    EXPECT_EQ(win::WSAGetLastError(), win::WSANOTINITIALISED);
    win::WSADATA data{};
    EXPECT_EQ(win::WSAStartup(0x0000, &data), win::WSAVERNOTSUPPORTED);
    ASSERT_EQ(win::WSAStartup(0x0202, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101) << "a 1.1 library offers 1.1 to a newer request";
    EXPECT_EQ(data.wHighVersion, 0x0101);
    ASSERT_EQ(win::WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(win::WSACleanup(), 0);
    const win::SOCKET s = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    EXPECT_NE(s, win::INVALID_SOCKET) << "one start is still counted";
    win::closesocket(s);
    EXPECT_EQ(win::WSACleanup(), 0);
    EXPECT_EQ(win::WSACleanup(), win::SOCKET_ERROR);
    EXPECT_EQ(win::WSAGetLastError(), win::WSANOTINITIALISED);
}

TEST(WinsockModule, ExportsAll46NamesAndCanBeMadeAbsent) {
    static const char* const kNames[] = {"accept",
                                         "bind",
                                         "closesocket",
                                         "connect",
                                         "ioctlsocket",
                                         "getpeername",
                                         "getsockname",
                                         "getsockopt",
                                         "htonl",
                                         "htons",
                                         "inet_addr",
                                         "inet_ntoa",
                                         "listen",
                                         "ntohl",
                                         "ntohs",
                                         "recv",
                                         "recvfrom",
                                         "select",
                                         "send",
                                         "sendto",
                                         "setsockopt",
                                         "shutdown",
                                         "socket",
                                         "gethostbyaddr",
                                         "gethostbyname",
                                         "gethostname",
                                         "getservbyport",
                                         "getservbyname",
                                         "getprotobynumber",
                                         "getprotobyname",
                                         "WSAStartup",
                                         "WSACleanup",
                                         "WSASetLastError",
                                         "WSAGetLastError",
                                         "WSAIsBlocking",
                                         "WSAUnhookBlockingHook",
                                         "WSASetBlockingHook",
                                         "WSACancelBlockingCall",
                                         "WSAAsyncGetServByName",
                                         "WSAAsyncGetServByPort",
                                         "WSAAsyncGetProtoByName",
                                         "WSAAsyncGetProtoByNumber",
                                         "WSAAsyncGetHostByName",
                                         "WSAAsyncGetHostByAddr",
                                         "WSACancelAsyncRequest",
                                         "WSAAsyncSelect"};
    static_assert(sizeof kNames / sizeof kNames[0] == 46);
    const win::HMODULE module = win::LoadLibraryA("WSOCK32");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(win::LoadLibraryA("wsock32.dll"), module);
    for (const char* name : kNames)
        EXPECT_NE(win::GetProcAddress(module, name), nullptr) << name;
    EXPECT_EQ(win::GetProcAddress(module, "WSAStartupEx"), nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_PROC_NOT_FOUND);
    using Htons = win::u_short (*)(win::u_short);
    EXPECT_EQ(reinterpret_cast<Htons>(win::GetProcAddress(module, "htons"))(0x0102), win::htons(0x0102));
    EXPECT_TRUE(win::FreeLibrary(module));
    EXPECT_TRUE(win::FreeLibrary(module));
    EXPECT_FALSE(win::FreeLibrary(module)) << "released as often as loaded";

    win::SetModuleAbsent("WSOCK32.DLL", true);
    EXPECT_EQ(win::LoadLibraryA("WSOCK32"), nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_MOD_NOT_FOUND);
    win::SetModuleAbsent("wsock32", false);
    const win::HMODULE again = win::LoadLibraryA("WSOCK32");
    EXPECT_NE(again, nullptr);
    win::FreeLibrary(again);
}

} // namespace
