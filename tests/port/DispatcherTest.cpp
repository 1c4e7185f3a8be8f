#include "port/Dispatcher.h"

#include "support/ScriptedDevice.h"

#include "platform/Kernel.h"
#include "platform/Window.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using port::MsgTriggerAvail;
using port::MsgTriggerData;
using port::MsgTriggerStatus;
using port::MsgTriggerTimer;
using test::ScriptedDevice;

namespace {

struct Delivery {
    std::uint32_t msg;
    std::uint32_t wParam;
    std::int32_t lParam;
    std::string read;
    bool operator==(const Delivery&) const = default;
};

// An event handler that records each message and then runs its action.
class Handler : public gui::TObject {
public:
    explicit Handler(ScriptedDevice& device) : device_(device) {}
    void Handle(std::uint32_t msg, std::uint32_t wParam, std::int32_t lParam) {
        deliveries.push_back({msg, wParam, lParam, ""});
        if (action) action(deliveries.back());
    }
    port::TEventHandlerProc Method() { return port::TEventHandlerProc(this, &Handler::Handle); }
    // A handler with code of its own: handlers are told apart by their code.
    port::TEventHandlerProc OtherMethod() { return port::TEventHandlerProc(this, &Handler::HandleOther); }
    void HandleOther(std::uint32_t msg, std::uint32_t wParam, std::int32_t lParam) {
        Handle(msg, wParam, lParam);
    }

    // Reads `count` bytes into the delivery's record.
    void Read(Delivery& delivery, std::uint32_t count) {
        std::string bytes(count, '\0');
        ASSERT_EQ(device_.ReadBuffered(bytes.data(), count), static_cast<int>(count));
        delivery.read += bytes;
    }
    void ReadAnnounced() {
        action = [this](Delivery& d) {
            if (d.msg == MsgTriggerAvail) Read(d, d.wParam);
        };
    }

    std::vector<Delivery> deliveries;
    std::function<void(Delivery&)> action;

private:
    ScriptedDevice& device_;
};

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(device_.OpenWithSizes(4096, 100), 0); }
    std::int32_t Data(std::uint32_t value) const {
        return static_cast<std::int32_t>((static_cast<std::uint32_t>(device_.Handle()) << 16) + value);
    }

    ScriptedDevice device_;
    Handler first_{device_};
    Handler second_{device_};
};

} // namespace

TEST_F(Dispatcher, EachArrivalIsAnnouncedOnceToAHandlerThatReadsIt) {
    device_.AddEventHandler(first_.Method());
    first_.ReadAnnounced();
    device_.SetAvailThreshold(1);
    device_.Arrive("hello");
    device_.DispatchPass();
    device_.Arrive("!");
    device_.DispatchPass();
    device_.DispatchPass();
    EXPECT_EQ(first_.deliveries, (std::vector<Delivery>{{MsgTriggerAvail, 5, Data(0), "hello"},
                                                        {MsgTriggerAvail, 1, Data(0), "!"}}));
    EXPECT_FALSE(device_.RunTriggerChecks()) << "nothing new";
    EXPECT_EQ(device_.ReceivedCount(), 0u);
}

TEST_F(Dispatcher, HandlersOfOneMessageReadTheSameBytesAndTheTailMovesOnce) {
    device_.AddEventHandler(first_.Method());
    device_.AddEventHandler(second_.Method());
    second_.action = [&](Delivery& d) {
        EXPECT_EQ(device_.ReceivedCount(), 6u) << "the second handler reads from the same start";
        second_.Read(d, 6);
        std::string more(1, '\0');
        EXPECT_EQ(device_.ReadBuffered(more.data(), 1), -3007);
    };
    first_.action = [&](Delivery& d) {
        first_.Read(d, 2);
        EXPECT_EQ(device_.ReceivedCount(), 4u) << "what this handler can still read";
        first_.Read(d, 4);
    };
    device_.SetAvailThreshold(1);
    device_.Arrive("shared");
    device_.DispatchPass();
    EXPECT_EQ(first_.deliveries[0].read, "shared");
    EXPECT_EQ(second_.deliveries[0].read, "shared");
    EXPECT_EQ(device_.ReceivedCount(), 0u);
}

TEST_F(Dispatcher, BytesLeftUnreadAreAnnouncedAgainOnlyWithNewData) {
    device_.AddEventHandler(first_.Method());
    first_.action = [&](Delivery& d) { first_.Read(d, 2); };
    device_.SetAvailThreshold(1);
    device_.Arrive("abcd");
    device_.DispatchPass();
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 1u) << "reading less ends the checks";
    device_.Arrive("e");
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 2u);
    EXPECT_EQ(first_.deliveries[1].wParam, 3u) << "the held bytes and the new one";
    EXPECT_EQ(first_.deliveries[1].read, "cd");
}

TEST_F(Dispatcher, ReadingDuringATimerNotificationMovesTheTailAtOnce) {
    device_.AddEventHandler(first_.Method());
    device_.Arrive("xyz");
    device_.DispatchPass();
    const std::int32_t timer = device_.NewTimerTrigger();
    ASSERT_EQ(device_.ArmTimerTrigger(timer, 1, true), 0);
    first_.action = [&](Delivery& d) {
        first_.Read(d, 2);
        EXPECT_EQ(device_.ReceivedCount(), 1u);
    };
    win::Sleep(120);
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 1u);
    EXPECT_EQ(first_.deliveries[0],
              (Delivery{MsgTriggerTimer, static_cast<std::uint32_t>(timer), Data(0), "xy"}));
    device_.DispatchPass();
    EXPECT_EQ(first_.deliveries.size(), 1u) << "a timer fires once";
    EXPECT_EQ(device_.ArmTimerTrigger(timer + 8, 1, true), -5003);
}

TEST_F(Dispatcher, DataTriggersReportOverlappingAndSplitMatches) {
    device_.AddEventHandler(first_.Method());
    const std::int32_t aa = device_.NewDataTrigger("AA", false);
    const std::int32_t split = device_.NewDataTrigger("\r\n", false);
    device_.Arrive("AAA\r");
    device_.DispatchPass();
    device_.Arrive("\n");
    device_.DispatchPass();
    // The data value is the pattern's length.
    const auto data = [this](std::int32_t handle) {
        return Delivery{MsgTriggerData, static_cast<std::uint32_t>(handle), Data(2), ""};
    };
    EXPECT_EQ(first_.deliveries, (std::vector<Delivery>{data(aa), data(aa), data(split)}));
    EXPECT_EQ(device_.NewDataTrigger("", false), -1002);
    EXPECT_EQ(device_.NewDataTrigger(std::string(23, 'x'), false), -1002);
}

TEST_F(Dispatcher, IgnoringCaseUpperCasesTheReceivedByteOnly) {
    device_.AddEventHandler(first_.Method());
    const std::int32_t upper = device_.NewDataTrigger("OK", true);
    const std::int32_t lower = device_.NewDataTrigger("ok", true);
    device_.Arrive("ok");
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 1u);
    EXPECT_EQ(first_.deliveries[0].wParam, static_cast<std::uint32_t>(upper)) << "not " << lower;
}

TEST_F(Dispatcher, AMatchAfterEnoughUnreadBytesIsAnnouncedFirst) {
    device_.AddEventHandler(first_.Method());
    device_.SetAvailThreshold(3);
    const std::int32_t end = device_.NewDataTrigger("\r\n", false);
    first_.ReadAnnounced();
    device_.Arrive("220 ready\r\nrest");
    device_.DispatchPass();
    ASSERT_GE(first_.deliveries.size(), 2u);
    EXPECT_EQ(first_.deliveries[0], (Delivery{MsgTriggerAvail, 9, Data(0), "220 ready"}));
    EXPECT_EQ(first_.deliveries[1].msg, MsgTriggerData);
    EXPECT_EQ(first_.deliveries[1].wParam, static_cast<std::uint32_t>(end));
}

TEST_F(Dispatcher, TriggerHandlesAreCountedThenReused) {
    std::int32_t last = 0;
    for (int i = 1; i < 4096; ++i)
        last = device_.NewTimerTrigger();
    EXPECT_EQ(last, 4095 * 8);
    ASSERT_EQ(device_.DeleteTrigger(8), 0);
    EXPECT_EQ(device_.NewTimerTrigger(), 8) << "the smallest free multiple of 8";
    EXPECT_EQ(device_.NewTimerTrigger(), 4096 * 8);
    EXPECT_EQ(device_.DeleteTrigger(0), -5003);
    EXPECT_EQ(device_.DeleteTrigger(12345), -5003);
}

TEST_F(Dispatcher, DeletingHandleOneStopsAvailabilityMessages) {
    device_.AddEventHandler(first_.Method());
    device_.SetAvailThreshold(1);
    EXPECT_EQ(device_.DeleteTrigger(port::AvailTriggerHandle), 0);
    EXPECT_EQ(device_.AvailThreshold(), 0);
    device_.Arrive("quiet");
    device_.DispatchPass();
    EXPECT_TRUE(first_.deliveries.empty());
}

TEST_F(Dispatcher, ShutDownInsideAHandlerEndsTheNotificationAndThePass) {
    device_.AddEventHandler(first_.Method());
    device_.AddEventHandler(second_.Method());
    device_.SetAvailThreshold(1);
    first_.action = [&](Delivery&) {
        device_.ShutDown();
        EXPECT_TRUE(device_.ClosePending());
        EXPECT_TRUE(device_.DispatchingStarted()) << "the buffers stay until the pass ends";
    };
    device_.Arrive("bye");
    device_.DispatchPass();
    EXPECT_EQ(first_.deliveries.size(), 1u);
    EXPECT_TRUE(second_.deliveries.empty());
    EXPECT_FALSE(device_.DispatchingStarted());
    EXPECT_FALSE(device_.InNotify());
    EXPECT_EQ(device_.closes, 1);
}

TEST_F(Dispatcher, AHandlerRemovedDuringANotificationIsSkipped) {
    Handler third(device_);
    device_.AddEventHandler(first_.Method());
    device_.AddEventHandler(second_.OtherMethod());
    device_.AddEventHandler(third.Method());
    device_.SetAvailThreshold(1);
    first_.action = [&](Delivery&) { device_.RemoveEventHandler(second_.OtherMethod()); };
    third.ReadAnnounced();
    device_.Arrive("x");
    device_.DispatchPass();
    EXPECT_TRUE(second_.deliveries.empty());
    EXPECT_EQ(third.deliveries.size(), 1u);
    device_.RemoveEventHandler(first_.Method());
    device_.RemoveEventHandler(third.Method());
    EXPECT_TRUE(device_.HandlersPresent()) << "a found handler is removed without recomputing";
    device_.RemoveEventHandler(third.Method());
    EXPECT_FALSE(device_.HandlersPresent()) << "one that is not found recomputes the flags";
    device_.Arrive("y");
    device_.DispatchPass();
    EXPECT_EQ(first_.deliveries.size(), 1u) << "removed outside a notification: freed at once";
}

TEST_F(Dispatcher, AFullRingLeavesBytesAtTheDeviceUntilSomeAreRead) {
    device_.Arrive(std::string(port::RxRingSize + 10, 'r'));
    device_.DispatchPass();
    EXPECT_EQ(device_.ReceivedCount(), port::RxRingSize);
    EXPECT_EQ(device_.waiting.size(), 10u);
    device_.DispatchPass();
    EXPECT_EQ(device_.waiting.size(), 10u) << "nothing read into a full ring";
    std::string taken(100, '\0');
    ASSERT_EQ(device_.ReadBuffered(taken.data(), 100), 100);
    device_.DispatchPass();
    EXPECT_TRUE(device_.waiting.empty());
    EXPECT_EQ(device_.ReceivedCount(), port::RxRingSize - 90);
    std::string all(port::RxRingSize - 90, '\0');
    ASSERT_EQ(device_.ReadBuffered(all.data(), static_cast<std::uint32_t>(all.size())),
              static_cast<int>(all.size()))
        << "a read across the end of the ring";
    EXPECT_EQ(all, std::string(all.size(), 'r'));
}

TEST_F(Dispatcher, ARingFilledByOneReadIsAnnouncedAndScanned) {
    device_.AddEventHandler(first_.Method());
    first_.ReadAnnounced();
    device_.SetAvailThreshold(1);
    const std::int32_t end = device_.NewDataTrigger("!", false);
    device_.Arrive(std::string(port::RxRingSize - 1, 'r') + "!");
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 3u);
    EXPECT_EQ(first_.deliveries[0], (Delivery{MsgTriggerAvail, port::RxRingSize - 1, Data(0),
                                              std::string(port::RxRingSize - 1, 'r')}));
    EXPECT_EQ(first_.deliveries[1].wParam, static_cast<std::uint32_t>(end));
    EXPECT_EQ(first_.deliveries[2], (Delivery{MsgTriggerAvail, 1, Data(0), "!"}));
    device_.DeleteTrigger(end);
    first_.deliveries.clear();
    device_.Arrive(std::string(port::RxRingSize, 'f'));
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 1u);
    EXPECT_EQ(first_.deliveries[0].wParam, port::RxRingSize) << "without any trigger";
}

// A pattern whose first bytes a handler has read already has no unread bytes before it.
TEST_F(Dispatcher, TheCountBeforeAMatchIsNeverNegative) {
    device_.AddEventHandler(first_.Method());
    first_.ReadAnnounced();
    device_.SetAvailThreshold(1);
    device_.NewDataTrigger("ABC", false);
    device_.Arrive("A");
    device_.DispatchPass();
    device_.Arrive("BC");
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 3u);
    EXPECT_EQ(first_.deliveries[0].read, "A");
    EXPECT_EQ(first_.deliveries[1].msg, MsgTriggerData) << "no announcement of bytes before the pattern";
    EXPECT_EQ(first_.deliveries[2], (Delivery{MsgTriggerAvail, 2, Data(0), "BC"}));
}

TEST_F(Dispatcher, AHandlerThatRaisesKeepsWhatItReadAndNothingIsDeliveredTwice) {
    device_.AddEventHandler(first_.Method());
    device_.SetAvailThreshold(1);
    first_.action = [&](Delivery& d) {
        first_.Read(d, 2);
        throw rtl::Exception("handler failed");
    };
    device_.Arrive("abcd");
    EXPECT_THROW(device_.DispatchPass(), rtl::Exception);
    EXPECT_EQ(device_.ReceivedCount(), 2u) << "the two bytes read are gone";
    first_.ReadAnnounced();
    device_.Arrive("e");
    device_.DispatchPass();
    ASSERT_EQ(first_.deliveries.size(), 2u);
    EXPECT_EQ(first_.deliveries[1].read, "cde");
}

TEST_F(Dispatcher, SendBlockTakesAtMostTheFreeOutputRoom) {
    device_.pendingOutput = 40;
    EXPECT_EQ(device_.OutputFree(), 60u);
    EXPECT_EQ(device_.SendBlock(std::string(61, 'x').data(), 61), -3006);
    EXPECT_TRUE(device_.sent.empty());
    EXPECT_EQ(device_.SendBlock(std::string(60, 'x').data(), 60), 0);
    EXPECT_EQ(device_.sent.size(), 60u);
    EXPECT_EQ(device_.SendBlock("", 0), 0);
    device_.writeResult = 0;
    EXPECT_EQ(device_.SendBlock("y", 1), -3004);
}

TEST_F(Dispatcher, StatusTriggersFireOnceUntilArmedAgain) {
    device_.AddEventHandler(first_.Method());
    const std::int32_t sent = device_.NewStatusTrigger(port::skOutputSent);
    const std::int32_t free = device_.NewStatusTrigger(port::skOutputFree);
    EXPECT_EQ(port::StatusKindOf(sent), port::skOutputSent);
    EXPECT_EQ(port::StatusKindOf(free), port::skOutputFree);
    ASSERT_EQ(device_.ArmStatusTrigger(sent, 0, true), 0);
    ASSERT_EQ(device_.ArmStatusTrigger(free, 80, true), 0);
    device_.pendingOutput = 30;
    device_.DispatchPass();
    EXPECT_TRUE(first_.deliveries.empty()) << "nothing sent, 70 free";
    device_.SendBlock("abc", 3);
    device_.pendingOutput = 10;
    device_.DispatchPass();
    EXPECT_EQ(first_.deliveries,
              (std::vector<Delivery>{{MsgTriggerStatus, static_cast<std::uint32_t>(sent), Data(0), ""},
                                     {MsgTriggerStatus, static_cast<std::uint32_t>(free), Data(90), ""}}));
    device_.DispatchPass();
    EXPECT_EQ(first_.deliveries.size(), 2u);
    EXPECT_EQ(device_.NewStatusTrigger(9), -1002);
}

TEST_F(Dispatcher, SnapshotsCarryTriggersAcrossDispatchers) {
    const std::int32_t timer = device_.NewTimerTrigger();
    device_.ArmTimerTrigger(timer, 20, true);
    device_.NewDataTrigger("END", false);
    device_.SetAvailThreshold(7);
    port::TTriggerSnapshot snapshot;
    device_.SnapshotTriggers(snapshot);

    ScriptedDevice next;
    ASSERT_EQ(next.OpenWithSizes(4096, 100), 0);
    next.ReinstateTriggers(snapshot);
    EXPECT_EQ(next.AvailThreshold(), 7);
    EXPECT_EQ(next.ArmTimerTrigger(timer, 0, false), 0) << "the handle came along";
    EXPECT_NE(next.NewTimerTrigger(), timer) << "new handles never repeat a reinstated one";
    port::DiscardTriggerSnapshot(snapshot);
    EXPECT_FALSE(snapshot.TimerTriggers.has_value());
}

TEST_F(Dispatcher, TheRegistryFindsDispatchersByIndexAndDevice) {
    EXPECT_EQ(port::DispatcherAt(device_.Handle()), &device_);
    EXPECT_EQ(port::DispatcherFromHandle<ScriptedDevice>(5), &device_);
    {
        ScriptedDevice other;
        other.openResult = 9;
        ASSERT_EQ(other.OpenWithSizes(10, 10), 0);
        EXPECT_EQ(port::DispatcherFromHandle<ScriptedDevice>(9), &other);
    }
    EXPECT_EQ(port::DispatcherFromHandle<ScriptedDevice>(9), nullptr)
        << "the cache forgets a destroyed dispatcher";
    ScriptedDevice reused;
    EXPECT_EQ(port::DispatcherAt(reused.Handle()), &reused);
    EXPECT_EQ(port::DispatcherFromHandle<ScriptedDevice>(12345), nullptr);
}

TEST_F(Dispatcher, OpeningFailuresShutTheDeviceDown) {
    ScriptedDevice refused;
    refused.openResult = -8;
    EXPECT_EQ(refused.OpenWithSizes(10, 10), -8);
    EXPECT_EQ(refused.closes, 0) << "no device was opened";
    ScriptedDevice broken;
    broken.setupSucceeds = false;
    broken.errorFlags = 3001;
    EXPECT_EQ(broken.OpenWithSizes(10, 10), -3001);
    EXPECT_EQ(broken.closes, 1);
    EXPECT_FALSE(broken.DispatchingStarted());
    EXPECT_THROW(device_.StartDispatching(), rtl::Exception) << "Dispatcher already started";
}

TEST_F(Dispatcher, WindowsReceiveTriggersOnlyBesideThePortsOwnWindow) {
    static std::vector<win::UINT> received;
    received.clear();
    win::WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = [](win::HWND window, win::UINT message, win::WPARAM w,
                                 win::LPARAM l) -> win::LRESULT {
        if (message >= MsgTriggerAvail && message <= MsgTriggerStatus) received.push_back(message);
        return win::DefWindowProcA(window, message, w, l);
    };
    windowClass.lpszClassName = "DispatcherTestWindow";
    win::RegisterClassA(&windowClass);
    const win::HWND portWindow = win::CreateWindowExA(0, "DispatcherTestWindow", "", 0, 0, 0, 0, 0, nullptr,
                                                      nullptr, nullptr, nullptr);
    const win::HWND other = win::CreateWindowExA(0, "DispatcherTestWindow", "", 0, 0, 0, 0, 0, nullptr,
                                                 nullptr, nullptr, nullptr);
    device_.AddWindowHandler(portWindow);
    device_.RecomputeHandlerFlags(0);
    EXPECT_FALSE(device_.HandlersPresent()) << "the port's own window alone";
    device_.RecomputeHandlerFlags(1);
    device_.NewDataTrigger("!", false);
    device_.Arrive("!");
    device_.DispatchPass();
    EXPECT_EQ(received, (std::vector<win::UINT>{MsgTriggerData}));
    device_.RecomputeHandlerFlags(2);
    device_.AddWindowHandler(other);
    device_.Arrive("!");
    device_.DispatchPass();
    EXPECT_EQ(received.size(), 3u) << "both windows";
    device_.RemoveWindowHandler(other);
    win::DestroyWindow(other);
    win::DestroyWindow(portWindow);
}
