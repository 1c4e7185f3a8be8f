#include "port/WinsockPort.h"

#include "support/Loopback.h"

#include "port/PortErrors.h"
#include "port/SocketDispatcher.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using port::ESocketException;
using port::TPortState;

namespace {

class Port : public port::TCustomWinsockPort {
public:
    explicit Port(gui::TComponent* owner = nullptr) : TCustomWinsockPort(owner) {
        DeviceKind = port::dkWinsock;
        OpenOnDemand = false;
    }
    port::TWinsockDispatcher& Device() {
        return static_cast<port::TWinsockDispatcher&>(*CurrentDispatcher());
    }
};

class Events : public gui::TObject {
public:
    void Connected(gui::TObject*) { log.push_back("connected"); }
    void Disconnected(gui::TObject*) { log.push_back("disconnected"); }
    void Error(gui::TObject*, int code) { log.push_back("error " + std::to_string(code)); }
    void Accept(gui::TObject*, win::u_long address, bool& accept) {
        log.push_back(address == win::htonl(0x7F000001) ? "accept 127.0.0.1" : "accept ?");
        accept = acceptClients;
    }
    void Available(gui::TObject* sender, std::uint16_t count) {
        std::string bytes(count, '\0');
        static_cast<Port*>(sender)->Device().ReadBuffered(bytes.data(), count);
        received += bytes;
    }
    void Timer(gui::TObject*, std::uint16_t) { ++timerTicks; }

    void Watch(Port& port) {
        port.OnConnected = gui::TNotifyEvent(this, &Events::Connected);
        port.OnDisconnected = gui::TNotifyEvent(this, &Events::Disconnected);
        port.OnConnectionError = port::TWsErrorEvent(this, &Events::Error);
        port.OnAcceptClient = port::TWsAcceptEvent(this, &Events::Accept);
        port.SetOnDataAvailable(port::TTriggerAvailEvent(this, &Events::Available));
    }
    int Count(const std::string& entry) const {
        return static_cast<int>(std::count(log.begin(), log.end(), entry));
    }

    std::vector<std::string> log;
    std::string received;
    bool acceptClients = true;
    int timerTicks = 0;
};

int SocketError(const std::function<void()>& action) {
    try {
        action();
    } catch (const ESocketException& e) {
        return e.ErrorCode;
    }
    return 0;
}

class WinsockPort : public ::testing::Test {
protected:
    void SetUp() override {
        port::OpenMessageTables();
        port::DeviceSocket();
        events_.Watch(port_);
        port_.TelnetMode = false;
    }

    Events events_;
    Port port_;
};

} // namespace

TEST_F(WinsockPort, AClientExchangesDataAndClosesWhenTheServerDoes) {
    win::u_short number = 0;
    const win::SOCKET listener = test::RawListener(number);
    port_.SetServerAddress(" 127.0.0.1 ");
    EXPECT_EQ(port_.ServerAddress(), "127.0.0.1");
    port_.SetWsPort(std::to_string(number));
    port_.SetActive(true);
    ASSERT_TRUE(test::PumpUntil([&] { return events_.Count("connected") == 1; }));
    const win::SOCKET server = win::accept(listener, nullptr, nullptr);
    test::SetNonBlocking(server);

    test::SendRaw(server, "220 welcome\r\n");
    ASSERT_TRUE(test::PumpUntil([&] { return events_.received == "220 welcome\r\n"; }));
    port_.SendText("USER me\r\n");
    EXPECT_EQ(test::ReceiveAll(server), "USER me\r\n");

    EXPECT_EQ(SocketError([&] { port_.SetServerAddress("127.0.0.1"); }), 0) << "the same value";
    EXPECT_EQ(SocketError([&] { port_.SetWsPort("21"); }), 9006);

    win::closesocket(server);
    ASSERT_TRUE(test::PumpUntil([&] { return port_.PortState() == TPortState::psClosed; }));
    EXPECT_EQ(events_.Count("disconnected"), 1);
    EXPECT_EQ(events_.Count("connected"), 1);
    win::closesocket(listener);
}

// A server's last words before it hangs up all arrive, however many they are.
TEST_F(WinsockPort, EverythingSentBeforeTheCloseArrives) {
    for (const std::size_t size : {5000, 12000, 30000}) {
        win::u_short number = 0;
        const win::SOCKET listener = test::RawListener(number);
        events_.received.clear();
        events_.log.clear();
        port_.SetServerAddress("127.0.0.1");
        port_.SetWsPort(std::to_string(number));
        port_.SetActive(true);
        ASSERT_TRUE(test::PumpUntil([&] { return events_.Count("connected") == 1; }));
        const win::SOCKET server = win::accept(listener, nullptr, nullptr);
        std::string sent(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            sent[i] = static_cast<char>('a' + i % 26);
        test::SendRaw(server, sent);
        win::closesocket(server);
        ASSERT_TRUE(test::PumpUntil([&] { return port_.PortState() == TPortState::psClosed; }));
        EXPECT_EQ(events_.received.size(), size);
        EXPECT_TRUE(events_.received == sent) << size;
        win::closesocket(listener);
    }
}

TEST_F(WinsockPort, ARefusedConnectIsOneErrorAndThePortStaysOpen) {
    port_.SetServerAddress("127.0.0.1");
    port_.SetWsPort(std::to_string(test::FreePort()));
    port_.SetActive(true);
    ASSERT_TRUE(test::PumpUntil([&] { return !events_.log.empty(); }));
    test::PumpFor(150);
    EXPECT_EQ(events_.log, (std::vector<std::string>{"error 10061"}));
    EXPECT_EQ(port_.PortState(), TPortState::psOpen);
    port_.SetActive(false);
    EXPECT_EQ(events_.log.back(), "disconnected") << "closing always tells";
}

// A handler that closes its own port inside a connection event: the close completes, and the
// message loop stays free for timers.
TEST_F(WinsockPort, APortClosedInsideEachConnectionEventCloses) {
    struct Closer : gui::TObject {
        Port* port = nullptr;
        void Connected(gui::TObject*) { port->SetActive(false); }
        void Error(gui::TObject*, int) { port->SetActive(false); }
        void Accept(gui::TObject*, win::u_long, bool&) { port->SetActive(false); }
    } closer;
    closer.port = &port_;
    int ticks = 0;
    static int* tickCount = nullptr;
    tickCount = &ticks;
    const win::UINT_PTR timer =
        win::SetTimer(nullptr, 0, 10, [](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) { ++*tickCount; });
    const auto closesAndTicks = [&](const char* event) {
        ASSERT_TRUE(test::PumpUntil([&] { return port_.PortState() == TPortState::psClosed; }, 2000)) << event;
        ticks = 0;
        EXPECT_TRUE(test::PumpUntil([&] { return ticks >= 3; }, 2000)) << event << ": timers run";
    };

    win::u_short number = 0;
    const win::SOCKET listener = test::RawListener(number);
    port_.OnConnected = gui::TNotifyEvent(&closer, &Closer::Connected);
    port_.SetServerAddress("127.0.0.1");
    port_.SetWsPort(std::to_string(number));
    port_.SetActive(true);
    closesAndTicks("OnConnected");
    win::closesocket(listener);

    port_.OnConnected = {};
    port_.OnConnectionError = port::TWsErrorEvent(&closer, &Closer::Error);
    port_.SetWsPort(std::to_string(test::FreePort()));
    port_.SetActive(true);
    closesAndTicks("OnConnectionError");

    port_.OnAcceptClient = port::TWsAcceptEvent(&closer, &Closer::Accept);
    port_.ListenMode = true;
    const win::u_short listening = test::FreePort();
    port_.SetWsPort(std::to_string(listening));
    port_.SetActive(true);
    const win::sockaddr_in address = test::LoopbackAddress(listening);
    const win::SOCKET client = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    win::connect(client, reinterpret_cast<const win::sockaddr*>(&address), sizeof address);
    closesAndTicks("OnAcceptClient");
    win::closesocket(client);
    win::KillTimer(nullptr, timer);
}

TEST_F(WinsockPort, PortTextsAreNumbersOrServices) {
    port_.SetServerAddress("127.0.0.1");
    const auto openedPort = [&](const std::string& text) {
        port_.SetWsPort(text);
        port_.SetActive(true);
        const win::u_short number = win::ntohs(port_.Device().RemoteAddress.sin_port);
        port_.SetActive(false);
        return number;
    };
    EXPECT_EQ(openedPort("ftp"), 21);
    EXPECT_EQ(openedPort("21"), 21);
    EXPECT_EQ(openedPort("65557"), 21) << "the low 16 bits";
    EXPECT_EQ(openedPort("$15"), 21);
    EXPECT_EQ(SocketError([&] { openedPort("65536"); }), 9005);
    EXPECT_EQ(SocketError([&] { openedPort(""); }), 9005);
    EXPECT_EQ(SocketError([&] { openedPort("no-such-service"); }), 9005);
    EXPECT_EQ(port_.PortState(), TPortState::psClosed);
    port_.SetServerAddress("");
    EXPECT_EQ(SocketError([&] { port_.SetActive(true); }), 10039);
}

TEST_F(WinsockPort, AListeningPortServesOneClientAtATime) {
    const win::u_short number = test::FreePort();
    port_.ListenMode = true;
    port_.SetWsPort(std::to_string(number));
    port_.SetActive(true);
    const win::sockaddr_in address = test::LoopbackAddress(number);
    const win::SOCKET first = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    ASSERT_EQ(win::connect(first, reinterpret_cast<const win::sockaddr*>(&address), sizeof address), 0);
    ASSERT_TRUE(test::PumpUntil([&] { return events_.Count("accept 127.0.0.1") == 1; }));

    const win::SOCKET second = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    ASSERT_EQ(win::connect(second, reinterpret_cast<const win::sockaddr*>(&address), sizeof address), 0);
    test::SetNonBlocking(second);
    test::PumpFor(150);
    char byte;
    EXPECT_EQ(win::recv(second, &byte, 1, 0), 0) << "a second client is closed at once";
    EXPECT_EQ(events_.Count("accept 127.0.0.1"), 1);

    test::SendRaw(first, "from the client");
    ASSERT_TRUE(test::PumpUntil([&] { return events_.received == "from the client"; }));
    win::closesocket(first);
    ASSERT_TRUE(test::PumpUntil([&] { return events_.Count("disconnected") == 1; }));
    EXPECT_EQ(port_.PortState(), TPortState::psOpen) << "still listening";

    events_.acceptClients = false;
    const win::SOCKET refused = win::socket(win::AF_INET, win::SOCK_STREAM, 0);
    ASSERT_EQ(win::connect(refused, reinterpret_cast<const win::sockaddr*>(&address), sizeof address), 0);
    test::SetNonBlocking(refused);
    ASSERT_TRUE(test::PumpUntil([&] { return events_.Count("accept 127.0.0.1") == 2; }));
    test::PumpFor(100);
    EXPECT_EQ(win::recv(refused, &byte, 1, 0), 0) << "a refused client is closed";
    for (const win::SOCKET s : {second, refused})
        win::closesocket(s);
}

TEST_F(WinsockPort, TriggersRunFromTheDispatchTimerWithoutData) {
    win::u_short number = 0;
    const win::SOCKET listener = test::RawListener(number);
    port_.SetServerAddress("127.0.0.1");
    port_.SetWsPort(std::to_string(number));
    port_.SetOnTimerTrigger(port::TTriggerHandleEvent(&events_, &Events::Timer));
    port_.SetActive(true);
    const std::int32_t timer = port_.Device().NewTimerTrigger();
    port_.Device().ArmTimerTrigger(timer, 1, true);
    EXPECT_TRUE(test::PumpUntil([&] { return events_.timerTicks == 1; }));
    port_.SetActive(false);
    win::closesocket(listener);
}

TEST_F(WinsockPort, DestroyingAnOpenPortClosesItAsASocketPort) {
    Events events;
    {
        Port listening;
        events.Watch(listening);
        listening.ListenMode = true;
        listening.SetWsPort(std::to_string(test::FreePort()));
        listening.SetActive(true);
    }
    EXPECT_EQ(events.log, (std::vector<std::string>{"disconnected"}));
}
