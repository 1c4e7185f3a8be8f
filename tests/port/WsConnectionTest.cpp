#include "port/WsConnection.h"

#include "support/Loopback.h"

#include "port/SocketDispatcher.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

using port::TWsConnection;

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

// A connection whose main socket is connected to a raw peer on loopback.
class WsConnection : public ::testing::Test {
protected:
    void SetUp() override {
        port::TDeviceSocket& device = port::DeviceSocket();
        win::u_short port = 0;
        listener_ = test::RawListener(port);
        connection_ = std::make_unique<TWsConnection>(device, 64, 64);
        const win::SOCKET main = connection_->MainSocket();
        const win::sockaddr_in address = test::LoopbackAddress(port);
        ASSERT_EQ(win::connect(main, reinterpret_cast<const win::sockaddr*>(&address), sizeof address), 0);
        peer_ = win::accept(listener_, nullptr, nullptr);
        test::SetNonBlocking(main);
        test::SetNonBlocking(peer_);
        connection_->IsClient = true;
        connection_->CommSocket = main;
        connection_->TelnetActive = true;
        connection_->SetPeerConnected(true);
    }
    void TearDown() override {
        connection_->CloseSockets();
        win::closesocket(peer_);
        win::closesocket(listener_);
    }

    // What the dispatcher would read after the peer sent `bytes`.
    std::string Deliver(const std::string& bytes) {
        test::SendRaw(peer_, bytes);
        win::Sleep(20);
        std::string out(64, '\0');
        connection_->InputCount();
        const std::uint32_t n = connection_->ReadInto(reinterpret_cast<std::uint8_t*>(out.data()),
                                                      static_cast<std::uint32_t>(out.size()));
        return out.substr(0, n);
    }
    std::uint32_t Write(const std::string& bytes) {
        return connection_->WriteFrom(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      static_cast<std::uint32_t>(bytes.size()));
    }

    win::SOCKET listener_ = win::INVALID_SOCKET;
    win::SOCKET peer_ = win::INVALID_SOCKET;
    std::unique_ptr<TWsConnection> connection_;
};

} // namespace

TEST_F(WsConnection, TelnetEscapesAreRemovedFromReceivedData) {
    EXPECT_EQ(Deliver(Bytes({72, 13, 0, 73})), Bytes({72, 13, 73}));
    EXPECT_EQ(Deliver(Bytes({65, 255, 255, 66})), Bytes({65, 255, 66}));
    EXPECT_EQ(Deliver("220 ready\r\n"), "220 ready\r\n");
    EXPECT_EQ(Deliver(Bytes({65, 255, 241, 66})), "AB") << "another command is dropped";
}

TEST_F(WsConnection, OptionRequestsAreAnsweredAndDeliverNothing) {
    EXPECT_EQ(Deliver(Bytes({255, 251, 1})), "");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 253, 1}));
    EXPECT_EQ(Deliver(Bytes({255, 253, 24})), "");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 251, 24}));
    EXPECT_EQ(Deliver(Bytes({255, 250, 24, 1, 255, 240}) + "x"), "x");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 250, 24, 0}) + "vt100" + Bytes({255, 240}));
    EXPECT_EQ(Deliver(Bytes({255, 252, 5, 255, 254, 3})), "");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 254, 5, 255, 252, 3}));
}

TEST_F(WsConnection, BinaryModeKeepsCarriageReturnsAsTheyAre) {
    EXPECT_EQ(Deliver(Bytes({255, 253, 0})), "");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 251, 0}));
    EXPECT_TRUE(connection_->BinaryOption);
    EXPECT_EQ(Deliver(Bytes({13, 0})), Bytes({13, 0}));
    Write("\r");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), "\r") << "no 0 after an outgoing 13";
    EXPECT_EQ(Deliver(Bytes({255, 254, 0})), "");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 252, 0}));
    EXPECT_FALSE(connection_->BinaryOption);
}

TEST_F(WsConnection, ASequenceSplitAcrossArrivalsWaitsForItsRest) {
    EXPECT_EQ(Deliver("a" + Bytes({255})), "a");
    EXPECT_EQ(Deliver(Bytes({251})), "");
    EXPECT_EQ(test::ReceiveAll(peer_, 50), "") << "not answered before the option arrived";
    EXPECT_EQ(Deliver(Bytes({3}) + "b\r"), "b");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 253, 3}));
    EXPECT_EQ(Deliver(Bytes({0})), "\r") << "the 13 waited for the byte after it";
    EXPECT_EQ(Deliver(Bytes({255, 250, 24, 1})), "");
    EXPECT_EQ(Deliver(Bytes({255, 240}) + "z"), "z");
}

TEST_F(WsConnection, OutgoingBytesAreEscapedForTelnet) {
    EXPECT_EQ(Write("USER anonymous\r\n"), 16u);
    EXPECT_EQ(test::ReceiveAll(peer_, 100), "USER anonymous\r\n");
    EXPECT_EQ(Write(Bytes({255})), 1u);
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 255}));
    Write("a\rb");
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({'a', 13, 0, 'b'}));

    connection_->TelnetActive = false;
    Write(Bytes({255, 13, 'c'}));
    EXPECT_EQ(test::ReceiveAll(peer_, 100), Bytes({255, 13, 'c'}));
    EXPECT_EQ(Deliver(Bytes({255, 251, 1, 13, 0})), Bytes({255, 251, 1, 13, 0}));
}

TEST_F(WsConnection, PendingOutputIsCountedUntilTheRingEmpties) {
    const win::SOCKET main = connection_->CommSocket;
    connection_->CommSocket = win::INVALID_SOCKET;
    EXPECT_EQ(Write("held"), 4u) << "kept in the send ring while there is no connection";
    EXPECT_EQ(connection_->OutputCount(), 4u);
    connection_->CommSocket = main;
    EXPECT_EQ(connection_->OutputCount(), 4u) << "sent now, still counted";
    EXPECT_EQ(connection_->OutputCount(), 0u) << "the first query finding the ring empty";
    EXPECT_EQ(test::ReceiveAll(peer_, 100), "held");
}

TEST_F(WsConnection, TheSendRingNeverSplitsAnEscapedPair) {
    const win::SOCKET main = connection_->CommSocket;
    connection_->CommSocket = win::INVALID_SOCKET;
    EXPECT_EQ(Write(std::string(64 + port::SendRingReserve - 1, 'x')), 64 + port::SendRingReserve - 1);
    EXPECT_EQ(Write(Bytes({255})), 0u) << "one free byte cannot take 255 255";
    connection_->CommSocket = main;
    connection_->OutputCount();
    EXPECT_EQ(test::ReceiveAll(peer_, 300).size(), 64 + port::SendRingReserve - 1);
}

TEST_F(WsConnection, CarrierDetectFollowsTheConnection) {
    port::TWinsockDispatcher dispatcher(nullptr);
    connection_->Dispatcher = &dispatcher;
    connection_->SetPeerConnected(false);
    EXPECT_EQ(dispatcher.ModemStatus() & port::CarrierDetect, 0);
    connection_->SetPeerConnected(true);
    EXPECT_EQ(dispatcher.ModemStatus() & port::CarrierDetect, port::CarrierDetect);
    connection_->Dispatcher = nullptr;
}
