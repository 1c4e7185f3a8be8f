#include "port/DispatchLog.h"

#include "support/ScriptedDevice.h"
#include "support/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using port::TByteFormat;
using port::TDispatchLog;
using port::TLogHeader;
using port::TTrace;
using test::Contents;

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream text(Contents(path));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class Recorders : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return folder_.Path(name); }
    test::TempFolder folder_{"recorders"};
};

} // namespace

TEST_F(Recorders, ATraceHasASectionPerDirection) {
    test::ScriptedDevice device;
    ASSERT_EQ(device.OpenWithSizes(100, 100), 0);
    ASSERT_EQ(device.BeginTrace(100), 0);
    device.SendBlock("AB", 2);
    device.Arrive("OK");
    device.DispatchPass();
    char read[2];
    ASSERT_EQ(device.ReadBuffered(read, 2), 2);
    ASSERT_EQ(device.SaveTrace(File("trace.txt"), false, false, false), 0);
    EXPECT_EQ(Contents(File("trace.txt")), "Transmit: \r\nAB\r\n\r\nReceive: \r\nOK");
    EXPECT_FALSE(device.TracingOn());
    EXPECT_EQ(device.SaveTrace(File("again.txt"), false, false, false), 0);
    EXPECT_FALSE(std::ifstream(File("again.txt")).good()) << "the trace is gone after saving";
}

TEST_F(Recorders, TraceBytesAreWrittenByTheirFormat) {
    const auto write = [&](TByteFormat format, const std::string& bytes) {
        TTrace trace;
        trace.Begin(100);
        for (const char c : bytes)
            trace.Record('T', static_cast<std::uint8_t>(c));
        trace.Save(File("bytes.txt"), false, format);
        return Lines(File("bytes.txt")).at(1);
    };
    EXPECT_EQ(write({}, "\r A\xff"), "[13] A[255]");
    EXPECT_EQ(write({true, false}, "\r A"), "[0D][20]A");
    EXPECT_EQ(write({false, true}, "A"), "[41]");
    EXPECT_EQ(write({}, std::string("\0", 1)), "[0]");

    const std::vector<std::string> full = [&] {
        TTrace trace;
        trace.Begin(100);
        for (int i = 0; i < 79; ++i)
            trace.Record('R', 'x');
        trace.Save(File("long.txt"), false, {});
        return Lines(File("long.txt"));
    }();
    ASSERT_EQ(full.size(), 3u);
    EXPECT_EQ(full[1], std::string(78, 'x')) << "column 79 is never used";
    EXPECT_EQ(full[2], "x");
}

TEST_F(Recorders, AWrappedTraceStartsWithItsOldestEntry) {
    TTrace trace;
    ASSERT_EQ(trace.Begin(4), 0);
    for (const char c : std::string("abcdef"))
        trace.Record('T', static_cast<std::uint8_t>(c));
    ASSERT_EQ(trace.Save(File("wrapped.txt"), false, {}), 0);
    EXPECT_EQ(Lines(File("wrapped.txt")), (std::vector<std::string>{"Transmit: ", "cdef"}));
    EXPECT_EQ(trace.Begin(4000001), -1002);
    EXPECT_FALSE(trace.On());
    ASSERT_EQ(trace.Begin(4), 0);
    trace.Record('Q', '1');
    ASSERT_EQ(trace.Save(File("special.txt"), true, {}), 0);
    ASSERT_EQ(trace.Begin(4), 0);
    trace.Record('Q', '2');
    ASSERT_EQ(trace.Save(File("special.txt"), true, {}), 0);
    EXPECT_EQ(Contents(File("special.txt")), "Special-Q: \r\n1Special-Q: \r\n2") << "appended";
}

TEST_F(Recorders, LogEntriesShowTimeTypeSubtypeAndValue) {
    TDispatchLog log;
    log.Begin(4096);
    log.Record({port::ltDispatch, port::lsWriteCom, 1234, 3, 3}, "A\rB");
    log.Record({port::ltTrigger, port::lsAvail, 12345678, 0xAB, 0}, nullptr);
    log.Record({port::ltTelnet, port::lsTelnetSentWill, 5, 24, 0}, nullptr);
    const std::uint8_t statusKind = 3;
    log.Record({port::ltTriggerDispose, port::lsStatusTrigger, 7, 0x13, 1}, &statusKind);
    log.Record({port::ltTriggerDataChange, port::lsTimerTrigger, 9, 8, 11}, "Deactivated");
    ASSERT_EQ(log.Save(File("log.txt"), false, {}), 0);
    const std::vector<std::string> lines = Lines(File("log.txt"));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "PORTLIB v3.04");
    EXPECT_EQ(lines[1].rfind("Compiler : GCC ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("Operating System : Windows NT ", 0), 0u);
    EXPECT_EQ(lines[3], "Time      Type      SubType       Data      OtherData");
    EXPECT_EQ(lines[4], "--------  --------  ------------  --------  ---------");
    EXPECT_EQ(lines[5], "0001.234  Dispatch  WriteCom      00000003  A[13]B");
    EXPECT_EQ(lines[6], "1234.5678  Trigger   Avail         000000AB  ");
    EXPECT_EQ(lines[7], "0000.005  Telnet    Sent WILL     00000018  [Terminal Type]");
    EXPECT_EQ(lines[8], "0000.007  TrigDisp  Status        00000013  (Output buffer free)");
    EXPECT_EQ(lines[9], "0000.009  TrDatChg  Timer         00000008  Deactivated");
    EXPECT_FALSE(log.HasBuffer());
}

TEST_F(Recorders, LongExtraDataContinuesUnderItsColumn) {
    TDispatchLog log;
    log.Begin(4096);
    const std::string data(40, 'd');
    log.Record({port::ltDispatch, port::lsReadCom, 0, 40, 40}, data.data());
    log.Save(File("wide.txt"), false, {});
    const std::vector<std::string> lines = Lines(File("wide.txt"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5], "0000.000  Dispatch  ReadCom       00000028  " + std::string(33, 'd'));
    EXPECT_EQ(lines[6], std::string(44, ' ') + std::string(7, 'd'));
}

TEST_F(Recorders, AFullLogDropsItsOldestEntries) {
    TDispatchLog log;
    log.Begin(50);
    log.Record({port::ltDispatch, port::lsReadCom, 1, 1, 4}, "1111");
    log.Record({port::ltDispatch, port::lsReadCom, 2, 2, 4}, "2222");
    log.Record({port::ltDispatch, port::lsReadCom, 3, 3, 4}, "3333");
    log.Record({port::ltDispatch, port::lsReadCom, 4, 4, 40}, std::string(40, 'x').data());
    TLogHeader header;
    std::vector<std::uint8_t> extra;
    ASSERT_TRUE(log.TakeOldest(header, extra));
    EXPECT_EQ(header.Value, 2u) << "the oldest entry made room for the third";
    EXPECT_EQ(std::string(extra.begin(), extra.end()), "2222");
    ASSERT_TRUE(log.TakeOldest(header, extra));
    EXPECT_EQ(header.Value, 3u);
    EXPECT_FALSE(log.TakeOldest(header, extra)) << "an entry larger than the log is not kept";
}

TEST_F(Recorders, LoggingGoesOnAfterAFailedSave) {
    test::ScriptedDevice device;
    ASSERT_EQ(device.OpenWithSizes(100, 100), 0);
    device.BeginLog(1000);
    device.NewTimerTrigger();
    EXPECT_EQ(device.SaveLog(File("missing/log.txt"), false, false, false), -3);
    EXPECT_FALSE(device.LoggingOn());
    device.BeginLog(1000);
    device.NewTimerTrigger();
    ASSERT_EQ(device.SaveLog(File("log.txt"), false, false, false), 0);
    const std::vector<std::string> lines = Lines(File("log.txt"));
    ASSERT_EQ(lines.size(), 6u) << "the buffer was emptied when logging began again";
    EXPECT_NE(lines[5].find("TrigAllc  Timer         00000010"), std::string::npos) << lines[5];
    EXPECT_EQ(device.SaveLog(File("empty.txt"), false, false, false), 0);
    EXPECT_FALSE(std::ifstream(File("empty.txt")).good());
}
