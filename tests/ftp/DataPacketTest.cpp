#include "ftp/DataPacket.h"

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
    void ReplyLines() {
        packet_.SetStartCond(TPacketStartCond::scAnyData);
        packet_.SetEndCond(ftp::ecString);
        packet_.SetEndString("\r\n");
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
