#include "ftp/DataPacket.h"

#include "support/Loopback.h"
#include "support/ScriptedDevice.h"

#include "gui/Application.h"
#include "platform/Kernel.h"
#include "port/PortErrors.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using ftp::TDataPacket;
using ftp::TPacketStartCond;

namespace {

class Collector : public gui::TObject {
public:
    void Packet(gui::TObject*, const std::string& data) { packets.push_back(data); }
    void Raw(gui::TObject*, const char* data, std::int32_t size) {
        raw.emplace_back(data, static_cast<std::size_t>(size));
    }
    void Timeout(gui::TObject*) { ++timeouts; }
    std::vector<std::string> packets;
    std::vector<std::string> raw;
    int timeouts = 0;
};

class DataPackets : public ::testing::Test {
protected:
    void SetUp() override {
        port::OpenMessageTables();
        port_.SetActive(true);
        packet_.SetComPort(&port_);
        packet_.OnStringPacket = ftp::TStringPacketNotifyEvent(&collector_, &Collector::Packet);
        packet_.OnPacket = ftp::TPacketNotifyEvent(&collector_, &Collector::Raw);
        packet_.OnTimeout = gui::TNotifyEvent(&collector_, &Collector::Timeout);
    }
    void TearDown() override { packet_.SetComPort(nullptr); }

    void Arrive(const std::string& bytes) {
        port_.Device().Arrive(bytes);
        port_.Device().DispatchPass();
    }
    void ReplyLines(const std::string& end = "\r\n") {
        packet_.SetStartCond(TPacketStartCond::scAnyData);
        packet_.SetEndCond(ftp::ecString);
        packet_.SetEndString(end);
        packet_.SetTimeOut(0);
        packet_.SetEnabled(true);
    }
    // A start string alone, with no end condition.
    void StartOnly(const std::string& start, bool ignoreCase = true) {
        packet_.SetStartString(start);
        packet_.SetIgnoreCase(ignoreCase);
        packet_.SetEnabled(true);
    }
    int ArmingError() {
        try {
            packet_.SetEnabled(true);
        } catch (const port::EInvalidProperty& e) {
            return e.ErrorCode;
        }
        return 0;
    }

    test::ScriptedPort port_{nullptr};
    TDataPacket packet_{nullptr};
    Collector collector_;
};

} // namespace

TEST_F(DataPackets, ReplyLinesArePacketsEndingInCrLf) {
    ReplyLines();
    Arrive("220 Hi\r\n331 Pass\r\n");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"220 Hi\r\n", "331 Pass\r\n"}));
    EXPECT_EQ(collector_.raw, collector_.packets);
    collector_.packets.clear();
    Arrive("220 Hi\r");
    Arrive("\n331 Pa");
    Arrive("ss\r\n");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"220 Hi\r\n", "331 Pass\r\n"}));
}

TEST_F(DataPackets, StartStringsIgnoreCaseAndUseWildcards) {
    StartOnly("OK");
    Arrive("xokyOkzOK");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"ok", "Ok", "OK"}));
    collector_.packets.clear();
    packet_.SetEnabled(false);
    StartOnly("OK", false);
    Arrive("okOK");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"OK"}));

    collector_.packets.clear();
    packet_.SetEnabled(false);
    StartOnly("A?C");
    Arrive("ABC A-C");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"ABC", "A-C"}));
    collector_.packets.clear();
    packet_.SetEnabled(false);
    StartOnly("A\\?C");
    Arrive("ABC A?C");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"A?C"}));
}

TEST_F(DataPackets, StartMatchesRestartAfterAFailedPartialMatch) {
    StartOnly("AAB");
    Arrive("AAAB");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"AAB"}));
    collector_.packets.clear();
    packet_.SetEnabled(false);
    StartOnly("ABAB");
    Arrive("ABABAB");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"ABAB"}));
    Arrive("AB");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"ABAB", "ABAB"}));
}

TEST_F(DataPackets, StringsCanBeLeftOutOfThePacket) {
    packet_.SetStartString("START");
    packet_.SetEndCond(ftp::ecString);
    packet_.SetEndString("\r\n");
    packet_.SetIncludeStrings(false);
    packet_.SetEnabled(true);
    Arrive("noiseSTARThello\r\n");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"hello"}));
}

TEST_F(DataPackets, ASizeLimitEqualToTheStartStringEndsOneByteLater) {
    packet_.SetStartString("AB");
    packet_.SetEndCond(ftp::ecPacketSize);
    packet_.SetPacketSize(2);
    packet_.SetEnabled(true);
    Arrive("ABCDE");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"ABC"}));
}

TEST_F(DataPackets, InvalidSettingsAreRefusedWhenArmed) {
    packet_.SetStartCond(TPacketStartCond::scAnyData);
    EXPECT_EQ(ArmingError(), -5503);
    EXPECT_FALSE(packet_.Enabled());
    packet_.SetEndCond(ftp::ecString);
    EXPECT_EQ(ArmingError(), -5504);
    packet_.SetStartCond(TPacketStartCond::scString);
    packet_.SetEndCond(0);
    EXPECT_EQ(ArmingError(), -5501);
    packet_.SetStartString("LONG");
    packet_.SetEndCond(ftp::ecPacketSize);
    packet_.SetPacketSize(2);
    EXPECT_EQ(ArmingError(), -5502);
    packet_.SetStartString("L");
    packet_.SetPacketSize(0);
    EXPECT_EQ(ArmingError(), -5502) << "the size check comes first";
    packet_.SetStartString("");
    packet_.SetStartCond(TPacketStartCond::scAnyData);
    packet_.SetEndCond(ftp::ecPacketSize);
    EXPECT_EQ(ArmingError(), -5505);
    try {
        packet_.SetEnabled(true);
    } catch (const port::EInvalidProperty& e) {
        EXPECT_EQ(e.Message(), "Packet size cannot be zero");
    }
}

TEST_F(DataPackets, ACollectingPacketTimesOutAndStaysDisabled) {
    packet_.SetStartCond(TPacketStartCond::scAnyData);
    packet_.SetEndCond(ftp::ecString);
    packet_.SetEndString("\r\n");
    packet_.SetTimeOut(1);
    packet_.SetEnabled(true);
    Arrive("partial");
    win::Sleep(120);
    port_.Device().DispatchPass();
    EXPECT_EQ(collector_.timeouts, 1);
    EXPECT_FALSE(packet_.Enabled()) << "even with AutoEnable";
    EXPECT_TRUE(collector_.packets.empty());
}

TEST_F(DataPackets, BytesNobodyWaitsForAreDiscarded) {
    Arrive("unwanted\r\n");
    ReplyLines();
    Arrive("wanted\r\n");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"wanted\r\n"}));
    EXPECT_EQ(ftp::PacketManagers().ManagerOf(port_)->BufferCount(), 0);
}

TEST_F(DataPackets, TheManagerFollowsThePort) {
    ReplyLines();
    port_.SetActive(false);
    port_.SetActive(true);
    Arrive("after reopening\r\n");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"after reopening\r\n"}));
    packet_.SetComPort(nullptr);
    EXPECT_EQ(ftp::PacketManagers().ManagerOf(port_), nullptr) << "the last packet frees the manager";
    {
        auto* owned = new test::ScriptedPort(nullptr);
        TDataPacket watcher(nullptr);
        watcher.SetComPort(owned);
        delete owned;
        EXPECT_EQ(watcher.ComPort(), nullptr) << "a freed port is forgotten";
    }
    {
        // An open port freed by its owner, with a packet of its own: the manager leaves the
        // port's listeners before the port closes.
        auto owner = std::make_unique<gui::TComponent>(nullptr);
        auto* open = new test::ScriptedPort(owner.get());
        open->SetActive(true);
        auto* own = new TDataPacket(open);
        own->SetComPort(open);
        owner.reset();
        EXPECT_EQ(ftp::PacketManagers().ManagerOf(port_), nullptr);
    }
}

// A handler that closes the port, or takes the last packet off it, ends the delivery cleanly:
// the string event still gets the packet's bytes.
TEST_F(DataPackets, AHandlerMayCloseThePortOrLeaveIt) {
    ReplyLines();
    struct Closer : gui::TObject {
        test::ScriptedPort* port = nullptr;
        TDataPacket* packet = nullptr;
        bool detach = false;
        void Raw(gui::TObject*, const char*, std::int32_t) {
            if (detach)
                packet->SetComPort(nullptr);
            else
                port->SetActive(false);
        }
    } closer;
    closer.port = &port_;
    closer.packet = &packet_;
    packet_.OnPacket = ftp::TPacketNotifyEvent(&closer, &Closer::Raw);
    Arrive("last words\r\nnever seen\r\n");
    test::PumpFor(20); // the close asked for during the notification completes
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"last words\r\n"}));
    EXPECT_EQ(port_.PortState(), port::TPortState::psClosed);

    port_.SetActive(true);
    closer.detach = true;
    collector_.packets.clear();
    Arrive("goodbye\r\n");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"goodbye\r\n"}));
    EXPECT_EQ(ftp::PacketManagers().ManagerOf(port_), nullptr) << "the manager went with its last packet";
}

TEST_F(DataPackets, ManyPacketsInOneArrivalAreDeliveredWithoutGrowingTheStack) {
    ReplyLines("\n");
    struct Depth : gui::TObject {
        std::uintptr_t deepest = UINTPTR_MAX;
        std::uintptr_t shallowest = 0;
        int count = 0;
        void Packet(gui::TObject*, const std::string&) {
            const char marker = 0;
            const auto here = reinterpret_cast<std::uintptr_t>(&marker);
            deepest = std::min(deepest, here);
            shallowest = std::max(shallowest, here);
            ++count;
        }
    } depth;
    packet_.OnStringPacket = ftp::TStringPacketNotifyEvent(&depth, &Depth::Packet);
    std::string lines;
    for (int i = 0; i < 4000; ++i)
        lines += "x\n";
    Arrive(lines);
    EXPECT_EQ(depth.count, 4000);
    EXPECT_LT(depth.shallowest - depth.deepest, 4096u) << "the stack does not grow with the packets";
}

// Settings that cannot be armed, met when the port opens or a delivery ends, leave the packet
// disabled; the port and the other packets go on.
TEST_F(DataPackets, AnArmingThatFailsLaterLeavesThePacketDisabled) {
    struct Reported : gui::TObject {
        std::vector<std::string> messages;
        void Exception(gui::TObject*, const std::exception& e) { messages.push_back(e.what()); }
    } reported;
    gui::Application().OnException =
        gui::TMethod<void(gui::TObject*, const std::exception&)>(&reported, &Reported::Exception);
    TDataPacket broken(nullptr);
    broken.SetComPort(&port_);
    broken.SetStartCond(TPacketStartCond::scAnyData);
    broken.SetEndCond(ftp::ecString);
    broken.SetEndString("\n");
    broken.SetEnabled(true);
    ReplyLines();
    port_.SetActive(false);
    broken.SetEndString("\\");
    EXPECT_TRUE(broken.Enabled()) << "not armed while the port is closed";
    port_.SetActive(true);
    EXPECT_EQ(port_.PortState(), port::TPortState::psOpen) << "the port opens all the same";
    EXPECT_FALSE(broken.Enabled());
    EXPECT_EQ(reported.messages, std::vector<std::string>{"End string is empty"});
    Arrive("ok\r\n");
    EXPECT_EQ(collector_.packets, (std::vector<std::string>{"ok\r\n"}));

    struct Breaker : gui::TObject {
        TDataPacket* packet = nullptr;
        void Packet(gui::TObject*, const std::string&) { packet->SetStartCond(TPacketStartCond::scString); }
    } breaker;
    breaker.packet = &packet_;
    packet_.OnPacket = {};
    packet_.OnStringPacket = ftp::TStringPacketNotifyEvent(&breaker, &Breaker::Packet);
    Arrive("first\r\n");
    EXPECT_FALSE(packet_.Enabled()) << "the empty start string it now has cannot be armed";
    EXPECT_EQ(reported.messages.size(), 2u);
    broken.SetComPort(nullptr);
    gui::Application().OnException = {};
}

TEST_F(DataPackets, ALoneBackslashIsAnEmptyString) {
    packet_.SetStartString("\\");
    EXPECT_EQ(ArmingError(), -5501);
    packet_.SetStartCond(TPacketStartCond::scAnyData);
    packet_.SetEndCond(ftp::ecString);
    packet_.SetEndString("\\");
    EXPECT_EQ(ArmingError(), -5504);
}
