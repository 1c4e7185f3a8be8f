#include "port/SocketComponent.h"

#include "gui/Application.h"
#include "platform/MessageLoop.h"
#include "platform/Module.h"
#include "platform/Window.h"
#include "port/SocketLoader.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using port::ESocketException;
using port::TSocket;

namespace {

class Recorder : public gui::TObject {
public:
    void Accept(TSocket*, win::SOCKET) { events.push_back("accept"); }
    void Connect(TSocket*, win::SOCKET) { events.push_back("connect"); }
    void Disconnect(TSocket*, win::SOCKET) { events.push_back("disconnect"); }
    void Read(TSocket*, win::SOCKET) { events.push_back("read"); }
    void Write(TSocket*, win::SOCKET) { events.push_back("write"); }
    void Error(TSocket*, win::SOCKET, int code) { events.push_back("error " + std::to_string(code)); }
    void Shown(gui::TObject*, const std::exception& e) { events.push_back(std::string("shown ") + e.what()); }

    void Listen(TSocket& socket, bool errors = true) {
        socket.OnSocketAccept = port::TSocketNotifyEvent(this, &Recorder::Accept);
        socket.OnSocketConnect = port::TSocketNotifyEvent(this, &Recorder::Connect);
        socket.OnSocketDisconnect = port::TSocketNotifyEvent(this, &Recorder::Disconnect);
        socket.OnSocketRead = port::TSocketNotifyEvent(this, &Recorder::Read);
        socket.OnSocketWrite = port::TSocketNotifyEvent(this, &Recorder::Write);
        if (errors) socket.OnSocketError = port::TSocketErrorEvent(this, &Recorder::Error);
    }

    std::vector<std::string> events;
};

win::sockaddr_in Loopback(win::u_short port) {
    win::sockaddr_in address{};
    address.sin_family = win::AF_INET;
    address.sin_port = win::htons(port);
    address.sin_addr.s_addr = win::htonl(0x7F000001);
    return address;
}

// A listening socket on a free loopback port, whose notifications go to the component.
win::SOCKET Listening(TSocket& socket, win::u_short& port) {
    const win::SOCKET listener = socket.NewStreamSocket();
    win::sockaddr_in address = Loopback(0);
    EXPECT_EQ(socket.BindTo(listener, address), 0);
    int length = sizeof address;
    win::getsockname(listener, reinterpret_cast<win::sockaddr*>(&address), &length);
    port = socket.PortFromNet(address.sin_port);
    EXPECT_EQ(socket.SelectNotifications(listener, win::FD_ACCEPT), 0);
    EXPECT_EQ(socket.StartListen(listener, 5), 0);
    return listener;
}

win::LRESULT Notify(const TSocket& socket, win::WORD event, win::WORD error, win::SOCKET s = 7) {
    return win::SendMessageA(socket.NotifyWindow(), port::SocketSelectMessage, s,
                             win::WSAMAKESELECTREPLY(event, error));
}

} // namespace

TEST(SocketComponent, WithoutTheSocketLibraryEveryOperationRaisesNotReady) {
    port::UnloadSocketApi();
    win::SetModuleAbsent("WSOCK32", true);
    {
        TSocket socket(nullptr);
        EXPECT_FALSE(socket.LibraryLoaded());
        EXPECT_EQ(socket.StartupError(), 9002);
        EXPECT_EQ(socket.NotifyWindow(), nullptr);
        const std::vector<std::function<void()>> operations = {
            [&] { socket.NewStreamSocket(); },          [&] { socket.ResolveService("ftp"); },
            [&] { socket.TextToAddress("127.0.0.1"); }, [&] { socket.DisposeSocket(3); },
            [&] { socket.LastSocketError(); },
        };
        for (const auto& operation : operations) {
            try {
                operation();
                ADD_FAILURE() << "an operation ran without the socket library";
            } catch (const ESocketException& e) {
                EXPECT_EQ(e.ErrorCode, 9002);
                EXPECT_EQ(e.Message(), "Winsock not initialized - Error loading Winsock DLL");
            }
        }
    }
    win::SetModuleAbsent("WSOCK32", false);
    TSocket socket(nullptr);
    EXPECT_TRUE(socket.LibraryLoaded()) << "a new instance loads the library again";
    EXPECT_EQ(socket.StartupError(), 0);
    EXPECT_NE(socket.NotifyWindow(), nullptr);
    EXPECT_EQ(socket.StartupData().wVersion, 0x0101);
}

TEST(SocketComponent, NotificationsBecomeEventsAndErrorsComeAlone) {
    TSocket socket(nullptr);
    Recorder recorder;
    recorder.Listen(socket);
    for (const win::WORD event :
         {win::FD_ACCEPT, win::FD_CONNECT, win::FD_CLOSE, win::FD_READ, win::FD_WRITE})
        EXPECT_EQ(Notify(socket, event, 0), 0);
    Notify(socket, win::FD_READ, 10054);
    Notify(socket, win::FD_OOB, 0);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"accept", "connect", "disconnect", "read", "write", "error 10054"}));
    EXPECT_EQ(win::SendMessageA(socket.NotifyWindow(), win::WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_EQ(win::SendMessageA(socket.NotifyWindow(), win::WM_USER + 5, 0, 0), 0);
}

TEST(SocketComponent, ANotifiedErrorWithoutHandlerEndsAtTheApplication) {
    TSocket socket(nullptr);
    Recorder recorder;
    recorder.Listen(socket, false);
    gui::Application().OnException =
        gui::TMethod<void(gui::TObject*, const std::exception&)>(&recorder, &Recorder::Shown);
    EXPECT_EQ(Notify(socket, win::FD_CONNECT, 10061), 0);
    gui::Application().OnException = {};
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"shown The attempt to connect was forcibly refused"}));
}

TEST(SocketComponent, WouldBlockIsSilentOnlyForCallsThatMayBeUnderWay) {
    TSocket socket(nullptr);
    Recorder recorder;
    recorder.Listen(socket);
    win::u_short port = 0;
    const win::SOCKET listener = Listening(socket, port);

    win::sockaddr_in peer{};
    EXPECT_EQ(socket.AcceptIncoming(listener, peer), win::INVALID_SOCKET);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"error 10035"}))
        << "nobody is waiting to be accepted";
    recorder.events.clear();

    const win::SOCKET client = socket.NewStreamSocket();
    ASSERT_EQ(socket.SelectNotifications(client, win::FD_CONNECT | win::FD_WRITE), 0);
    EXPECT_EQ(socket.ConnectTo(client, Loopback(port)), -1);
    EXPECT_EQ(socket.LastSocketError(), 10035);
    EXPECT_TRUE(recorder.events.empty()) << "a connection under way is no error";

    const auto seen = [&](const char* event) {
        return std::find(recorder.events.begin(), recorder.events.end(), event) != recorder.events.end();
    };
    for (int i = 0; i < 200 && !(seen("accept") && seen("connect")); ++i) {
        win::MsgWaitForMultipleObjects(0, nullptr, false, 10, win::QS_ALLINPUT);
        win::MSG message;
        while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
            win::DispatchMessageA(&message);
    }
    EXPECT_TRUE(seen("accept") && seen("connect"));
    EXPECT_FALSE(std::any_of(recorder.events.begin(), recorder.events.end(),
                             [](const std::string& e) { return e.starts_with("error"); }));
    const win::SOCKET accepted = socket.AcceptIncoming(listener, peer);
    EXPECT_NE(accepted, win::INVALID_SOCKET);
    EXPECT_EQ(socket.AddressToText(peer.sin_addr.s_addr), "127.0.0.1");
    for (const win::SOCKET s : {accepted, client, listener})
        EXPECT_EQ(socket.DisposeSocket(s), 0);
}

TEST(SocketComponent, AFailingCallWithoutHandlerRaisesWithItsCode) {
    TSocket socket(nullptr);
    win::u_short port = 0;
    const win::SOCKET listener = Listening(socket, port);
    const win::SOCKET second = socket.NewStreamSocket();
    try {
        socket.BindTo(second, Loopback(port));
        ADD_FAILURE() << "the port is taken";
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.ErrorCode, 10048);
        EXPECT_EQ(e.Message(), "The address is already in use for this operation");
    }
    socket.DisposeSocket(second);
    socket.DisposeSocket(listener);
}

TEST(SocketComponent, AddressesAndServices) {
    TSocket socket(nullptr);
    EXPECT_EQ(socket.TextToAddress("127.0.0.1"), win::htonl(0x7F000001));
    EXPECT_EQ(socket.TextToAddress("192.168.100.200"), win::htonl(0xC0A864C8));
    EXPECT_EQ(socket.TextToAddress("192.168.100.2001"), win::htonl(0xC0A864C8))
        << "only 15 characters are read";
    EXPECT_EQ(socket.TextToAddress("not an address"), win::INADDR_NONE);
    EXPECT_EQ(socket.ResolveService("ftp"), 21);
    EXPECT_EQ(socket.ResolveService("no-such-service"), 0);
    EXPECT_EQ(socket.ResolveHost("127.0.0.1"), win::htonl(0x7F000001));
    EXPECT_EQ(socket.ResolveHost(std::string(256, 'a')), 0u)
        << "names beyond 255 characters are not looked up";
    EXPECT_EQ(socket.PortToNet(21), win::htons(21));
}
