#include "port/ComPort.h"

#include "support/ScriptedDevice.h"
#include "support/TempFolder.h"

#include "gui/Application.h"
#include "platform/MessageLoop.h"
#include "port/PortErrors.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using port::TPortState;
using port::TTraceLogState;
using test::ScriptedDevice;
using test::ScriptedPort;

namespace {

class Events : public gui::TObject {
public:
    void Any(gui::TObject*, std::uint32_t msg, std::uint16_t handle, std::uint16_t data) {
        log.push_back("any " + std::to_string(msg - port::MsgTriggerAvail + 1) + " " +
                      std::to_string(handle) + " " + std::to_string(data));
    }
    void Available(gui::TObject*, std::uint16_t count) {
        log.push_back("available " + std::to_string(count));
        if (onAvailable) onAvailable(count);
    }
    void Timer(gui::TObject*, std::uint16_t handle) { log.push_back("timer " + std::to_string(handle)); }
    void Sent(gui::TObject*) { log.push_back("sent"); }
    void Opened(gui::TObject*) { log.push_back("opened"); }
    void Closing(gui::TObject*) { log.push_back("closing"); }
    void Listener(gui::TObject*, bool opening) {
        log.push_back(opening ? "listener open" : "listener close");
    }
    void OtherListener(gui::TObject*, bool opening) { log.push_back(opening ? "other open" : "other close"); }
    void Shown(gui::TObject*, const std::exception& e) { log.push_back(std::string("shown ") + e.what()); }

    std::vector<std::string> log;
    std::function<void(std::uint16_t)> onAvailable;
};

class ComPort : public ::testing::Test {
protected:
    void SetUp() override {
        port::OpenMessageTables();
        port_.OnPortOpened = gui::TNotifyEvent(&events_, &Events::Opened);
        port_.OnPortClosing = gui::TNotifyEvent(&events_, &Events::Closing);
        gui::Application().OnException =
            gui::TMethod<void(gui::TObject*, const std::exception&)>(&events_, &Events::Shown);
    }
    void TearDown() override { gui::Application().OnException = {}; }

    void HandlePosted() {
        win::MSG message;
        while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
            win::DispatchMessageA(&message);
    }

    test::TempFolder folder_{"comport"};
    Events events_;
    ScriptedPort port_{nullptr};
};

} // namespace

TEST_F(ComPort, ActiveOpensAndClosesAndTellsTheListenersLastFirst) {
    port_.AddPortListener(port::TPortListenerProc(&events_, &Events::Listener));
    port_.AddPortListener(port::TPortListenerProc(&events_, &Events::OtherListener));
    port_.SetActive(true);
    EXPECT_EQ(port_.PortState(), TPortState::psOpen);
    EXPECT_NE(port_.PortWindow(), nullptr);
    port_.SetActive(true);
    port_.SetActive(false);
    EXPECT_EQ(port_.PortState(), TPortState::psClosed);
    EXPECT_NE(port_.CurrentDispatcher(), nullptr) << "asking a closed port for its dispatcher opens it";
    EXPECT_EQ(events_.log, (std::vector<std::string>{"other open", "listener open", "opened", "other close",
                                                     "listener close", "closing", "other open",
                                                     "listener open", "opened"}));
}

TEST_F(ComPort, TriggerMessagesBecomeThePortsEvents) {
    port_.SetOnAnyTrigger(port::TTriggerEvent(&events_, &Events::Any));
    port_.SetOnDataAvailable(port::TTriggerAvailEvent(&events_, &Events::Available));
    port_.SetOnTimerTrigger(port::TTriggerHandleEvent(&events_, &Events::Timer));
    port_.OnOutputSentTrigger = gui::TNotifyEvent(&events_, &Events::Sent);
    port_.SetActive(true);
    events_.log.clear();
    events_.onAvailable = [&](std::uint16_t count) {
        std::string bytes(count, '\0');
        port_.Device().ReadBuffered(bytes.data(), count);
    };
    port_.Device().Arrive("hello");
    port_.Device().DispatchPass();
    const std::int32_t timer = port_.Device().NewTimerTrigger();
    port_.Device().ArmTimerTrigger(timer, 1, true);
    win::Sleep(120);
    port_.Device().DispatchPass();
    const std::int32_t sent = port_.Device().NewStatusTrigger(port::skOutputSent);
    port_.Device().ArmStatusTrigger(sent, 0, true);
    port_.SendText("x");
    port_.Device().DispatchPass();
    EXPECT_EQ(events_.log, (std::vector<std::string>{"any 1 5 5", "available 5", "any 3 8 0", "timer 8",
                                                     "any 4 21 0", "sent"}));
}

TEST_F(ComPort, ClosingInsideANotificationCompletesAfterThePassAndAPendingOpenFollows) {
    port_.SetOnDataAvailable(port::TTriggerAvailEvent(&events_, &Events::Available));
    port_.SetActive(true);
    events_.onAvailable = [&](std::uint16_t) {
        port_.SetActive(false);
        EXPECT_EQ(port_.PortState(), TPortState::psClosing);
        port_.SetActive(true);
        EXPECT_EQ(port_.PortState(), TPortState::psClosing) << "the open waits for the close";
    };
    port_.Device().Arrive("bye");
    port_.Device().DispatchPass();
    EXPECT_EQ(port_.PortState(), TPortState::psClosing);
    HandlePosted();
    EXPECT_EQ(port_.PortState(), TPortState::psOpen);
    EXPECT_TRUE(port_.Active());
}

TEST_F(ComPort, TracingFollowsTheStateTable) {
    port_.TraceName = folder_.Path("port.trc");
    port_.SetTracing(TTraceLogState::tlDump);
    EXPECT_EQ(port_.Tracing(), TTraceLogState::tlOff) << "closed: only on and off are kept";
    port_.SetTracing(TTraceLogState::tlOn);
    EXPECT_EQ(port_.Tracing(), TTraceLogState::tlOn);
    port_.SetActive(true);
    EXPECT_TRUE(port_.Device().TracingOn()) << "applied at the open";
    port_.SendText("AB");
    port_.SetTracing(TTraceLogState::tlPause);
    EXPECT_FALSE(port_.Device().TracingOn());
    port_.SetTracing(TTraceLogState::tlOn);
    EXPECT_TRUE(port_.Device().TracingOn()) << "resumed";
    port_.SetActive(false);
    EXPECT_EQ(port_.Tracing(), TTraceLogState::tlOff);
    std::ifstream trace(port_.TraceName, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(trace)), {});
    EXPECT_EQ(text, "Transmit: \r\nAB") << "the close dumps the trace";

    port_.SetActive(true);
    port_.SetTracing(TTraceLogState::tlPause);
    EXPECT_EQ(port_.Tracing(), TTraceLogState::tlOff) << "pausing an off trace does nothing";
    port_.SetTraceSize(5000000);
    EXPECT_EQ(port_.TraceSize(), 4000000u);
    port_.SetLogSize(20000000);
    EXPECT_EQ(port_.LogSize(), 16000000u);
}

TEST_F(ComPort, TriggersSurviveACloseAndTheNextOpen) {
    port_.SetActive(true);
    const std::int32_t timer = port_.Device().NewTimerTrigger();
    port_.SetAvailThreshold(9);
    port_.SetActive(false);
    port_.SetActive(true);
    EXPECT_EQ(port_.Device().ArmTimerTrigger(timer, 1, true), 0);
    EXPECT_EQ(port_.Device().AvailThreshold(), 9);
}

TEST_F(ComPort, WithoutADispatcherSendingRaisesNotOpen) {
    port_.OpenOnDemand = false;
    EXPECT_THROW(port_.SendText("x"), port::ECommNotOpen);
    port_.OpenOnDemand = true;
    port_.SendText("x");
    EXPECT_EQ(port_.PortState(), TPortState::psOpen) << "opened on demand";
    EXPECT_EQ(port_.Device().sent, (std::vector<std::uint8_t>{'x'}));
}

TEST_F(ComPort, AFailedOpenLeavesThePortClosed) {
    port_.failOpen = true;
    EXPECT_THROW(port_.SetActive(true), port::EAlreadyOpen) << "-5 becomes -2008";
    EXPECT_EQ(port_.PortState(), TPortState::psClosed);
    EXPECT_FALSE(port_.Active());
    port::TCustomComPort serial(nullptr);
    EXPECT_THROW(serial.SetActive(true), port::ENullApi) << "no device class: -3001";
}

TEST_F(ComPort, RemovingAListenerRemovesEveryRegistrationOfItsMethod) {
    const port::TPortListenerProc listener(&events_, &Events::Listener);
    port_.AddPortListener(listener);
    port_.AddPortListener(port::TPortListenerProc(&events_, &Events::OtherListener));
    port_.AddPortListener(listener);
    port_.RemovePortListener(listener);
    port_.SetActive(true);
    EXPECT_EQ(events_.log, (std::vector<std::string>{"other open", "opened"}));
}

TEST_F(ComPort, EventExceptionsEndAtTheApplication) {
    port_.SetOnDataAvailable(port::TTriggerAvailEvent(&events_, &Events::Available));
    port_.SetActive(true);
    events_.onAvailable = [](std::uint16_t) { throw rtl::Exception("handler failed"); };
    port_.Device().Arrive("x");
    EXPECT_NO_THROW(port_.Device().DispatchPass());
    EXPECT_EQ(events_.log.back(), "shown handler failed");
}

TEST_F(ComPort, APortActivatedWhileLoadingOpensWhenLoaded) {
    ScriptedPort loading(nullptr);
    loading.BeginLoading();
    loading.SetActive(true);
    EXPECT_EQ(loading.PortState(), TPortState::psClosed);
    loading.Loaded();
    EXPECT_EQ(loading.PortState(), TPortState::psOpen);

    ScriptedPort failing(nullptr);
    failing.failOpen = true;
    failing.BeginLoading();
    failing.SetActive(true);
    failing.Loaded();
    EXPECT_FALSE(failing.Active());
    EXPECT_EQ(events_.log.back(), "shown ie_Open - device already open");
    EXPECT_EQ(failing.Version(), "v3.04");
}
