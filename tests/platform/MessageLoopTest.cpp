#include "RecordingWindow.h"

#include "platform/Kernel.h"
#include "platform/MessageLoop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <stdexcept>
#include <string>

using test::DrainMessages;
using test::Received;
using test::RecordingWindow;

namespace {

constexpr UINT kFirst = win::WM_USER + 1;
constexpr UINT kSecond = win::WM_USER + 2;
constexpr UINT kThird = win::WM_USER + 3;

int threadTimerCalls = 0;
win::UINT_PTR lastThreadTimerId = 0;
void CountThreadTimer(win::HWND, UINT message, win::UINT_PTR id, win::DWORD) {
    if (message == win::WM_TIMER) ++threadTimerCalls;
    lastThreadTimerId = id;
}

win::WNDPROC previousProcedure = nullptr;
win::LRESULT Subclassed(win::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kFirst)
        return 1000 + win::CallWindowProcA(previousProcedure, window, message, wParam, lParam);
    return win::CallWindowProcA(previousProcedure, window, message, wParam, lParam);
}

} // namespace

TEST(MessageLoop, PostedMessagesArriveInOrderAndSentOnesAtOnce) {
    RecordingWindow window;
    ASSERT_TRUE(win::IsWindow(window.handle()));
    win::PostMessageA(window.handle(), kFirst, 1, 10);
    win::PostMessageA(window.handle(), kSecond, 2, 20);
    win::SendMessageA(window.handle(), kThird, 3, 30);
    ASSERT_EQ(window.received().size(), 1u) << "a sent message runs before the call returns";
    EXPECT_EQ(window.received()[0], (Received{kThird, 3, 30}));

    EXPECT_EQ(DrainMessages(), 2);
    ASSERT_EQ(window.received().size(), 3u);
    EXPECT_EQ(window.received()[1], (Received{kFirst, 1, 10}));
    EXPECT_EQ(window.received()[2], (Received{kSecond, 2, 20}));
}

TEST(MessageLoop, PeekWithoutRemovalLeavesTheMessageAndFiltersSelect) {
    RecordingWindow window;
    win::PostMessageA(window.handle(), kFirst, 0, 0);
    win::PostMessageA(nullptr, kSecond, 0, 0);
    win::MSG message{};
    ASSERT_TRUE(win::PeekMessageA(&message, nullptr, 0, 0, win::PM_NOREMOVE));
    EXPECT_EQ(message.message, kFirst);
    const win::HWND threadOnly = reinterpret_cast<win::HWND>(static_cast<win::LONG_PTR>(-1));
    ASSERT_TRUE(win::PeekMessageA(&message, threadOnly, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(message.message, kSecond);
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_FALSE(win::PeekMessageA(&message, nullptr, kThird, kThird, win::PM_REMOVE));
    ASSERT_TRUE(win::PeekMessageA(&message, window.handle(), kFirst, kFirst, win::PM_REMOVE));
    EXPECT_FALSE(win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE));
}

TEST(MessageLoop, PostingToAMissingWindowFails) {
    win::HWND gone;
    {
        RecordingWindow window;
        gone = window.handle();
    }
    EXPECT_FALSE(win::IsWindow(gone));
    EXPECT_FALSE(win::PostMessageA(gone, kFirst, 0, 0));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(win::SendMessageA(gone, kFirst, 0, 0), 0);
}

TEST(MessageLoop, MessagesForADestroyedWindowAreDropped) {
    auto window = std::make_unique<RecordingWindow>();
    win::PostMessageA(window->handle(), kFirst, 0, 0);
    window.reset();
    win::MSG message{};
    ASSERT_TRUE(win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(win::DispatchMessageA(&message), 0);
}

TEST(MessageLoop, TimerMessagesComeOnlyWhenNoPostedMessageWaits) {
    RecordingWindow window;
    ASSERT_NE(win::SetTimer(window.handle(), 7, 10, nullptr), 0u);
    win::Sleep(30);
    win::PostMessageA(window.handle(), kFirst, 0, 0);
    win::PostMessageA(window.handle(), kSecond, 0, 0);
    DrainMessages();
    ASSERT_EQ(window.received().size(), 3u);
    EXPECT_EQ(window.received()[0].message, kFirst);
    EXPECT_EQ(window.received()[1].message, kSecond);
    EXPECT_EQ(window.received()[2], (Received{win::WM_TIMER, 7, 0}));
    win::KillTimer(window.handle(), 7);
}

TEST(MessageLoop, ALateTimerFiresOnceAndKillTimerStopsIt) {
    RecordingWindow window;
    win::SetTimer(window.handle(), 1, 10, nullptr);
    win::Sleep(120); // many intervals pass
    DrainMessages();
    ASSERT_EQ(window.received().size(), 1u);
    EXPECT_EQ(window.received()[0].message, win::WM_TIMER);

    win::Sleep(20);
    DrainMessages();
    EXPECT_EQ(window.received().size(), 2u) << "the timer keeps running";

    EXPECT_TRUE(win::KillTimer(window.handle(), 1));
    win::Sleep(20);
    DrainMessages();
    EXPECT_EQ(window.received().size(), 2u);
    EXPECT_FALSE(win::KillTimer(window.handle(), 1));
}

TEST(MessageLoop, SettingATimerAgainReplacesIt) {
    RecordingWindow window;
    win::SetTimer(window.handle(), 3, 10, nullptr);
    win::SetTimer(window.handle(), 3, 100000, nullptr);
    win::Sleep(20);
    DrainMessages();
    EXPECT_TRUE(window.received().empty());
    win::KillTimer(window.handle(), 3);
}

TEST(MessageLoop, ThreadTimersCallTheirProcedure) {
    threadTimerCalls = 0;
    const win::UINT_PTR id = win::SetTimer(nullptr, 0, 10, &CountThreadTimer);
    ASSERT_NE(id, 0u);
    win::Sleep(15);
    DrainMessages();
    EXPECT_EQ(threadTimerCalls, 1);
    EXPECT_EQ(lastThreadTimerId, id);
    const win::UINT_PTR second = win::SetTimer(nullptr, 0, 10, &CountThreadTimer);
    EXPECT_NE(second, id) << "a thread timer gets an id of its own";
    const win::UINT_PTR named = win::SetTimer(nullptr, 1, 100000, &CountThreadTimer);
    EXPECT_NE(named, id) << "naming a small id replaces no generated timer";
    EXPECT_NE(named, second);
    EXPECT_TRUE(win::KillTimer(nullptr, named));
    EXPECT_TRUE(win::KillTimer(nullptr, id));
    EXPECT_TRUE(win::KillTimer(nullptr, second));
    win::Sleep(15);
    DrainMessages();
    EXPECT_EQ(threadTimerCalls, 1);
}

TEST(MessageLoop, DestroyingAWindowKillsItsTimers) {
    win::HWND handle;
    {
        RecordingWindow window;
        handle = window.handle();
        win::SetTimer(handle, 1, 10, nullptr);
    }
    EXPECT_EQ(win::MessageLoopTimeoutMs(), -1);
    EXPECT_FALSE(win::KillTimer(handle, 1));
}

TEST(MessageLoop, AReplacedProcedureCanCallThePreviousOne) {
    RecordingWindow window;
    previousProcedure = reinterpret_cast<win::WNDPROC>(win::SetWindowLongPtrA(
        window.handle(), win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(&Subclassed)));
    ASSERT_NE(previousProcedure, nullptr);
    EXPECT_EQ(win::SendMessageA(window.handle(), kFirst, 5, 6), 1000);
    ASSERT_EQ(window.received().size(), 1u) << "the previous procedure still ran";
    EXPECT_EQ(window.received()[0], (Received{kFirst, 5, 6}));
    win::SetWindowLongPtrA(window.handle(), win::GWLP_WNDPROC,
                           reinterpret_cast<win::LONG_PTR>(previousProcedure));
}

TEST(MessageLoop, ExtraBytesHoldValuesPerWindow) {
    win::WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &win::DefWindowProcA;
    windowClass.cbWndExtra = 16;
    windowClass.lpszClassName = "ExtraBytesClass";
    ASSERT_NE(win::RegisterClassA(&windowClass), 0);
    windowClass.lpszClassName = "EXTRABYTESCLASS";
    EXPECT_EQ(win::RegisterClassA(&windowClass), 0) << "class names ignore letter case";
    EXPECT_EQ(win::GetLastError(), win::ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_TRUE(win::EnsureClassRegistered(windowClass)) << "a class that is there already will do";
    windowClass.lpfnWndProc = nullptr;
    windowClass.lpszClassName = "NoProcedureClass";
    EXPECT_FALSE(win::EnsureClassRegistered(windowClass));
    windowClass.lpfnWndProc = &win::DefWindowProcA;
    windowClass.lpszClassName = "ExtraBytesClass";

    const win::HWND a =
        win::CreateWindowExA(0, "extrabytesclass", "a", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    const win::HWND b =
        win::CreateWindowExA(0, "ExtraBytesClass", "b", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(win::SetWindowLongPtrA(a, 8, 42), 0);
    EXPECT_EQ(win::GetWindowLongPtrA(a, 8), 42);
    EXPECT_EQ(win::GetWindowLongPtrA(b, 8), 0);
    EXPECT_EQ(win::GetWindowLongPtrA(a, 12), 0) << "past the extra bytes";
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(win::UnregisterClassA("ExtraBytesClass", nullptr));
    win::DestroyWindow(a);
    win::DestroyWindow(b);
    EXPECT_TRUE(win::UnregisterClassA("ExtraBytesClass", nullptr));
}

TEST(MessageLoop, AnExceptionInAProcedureReachesTheHandlerAndTheLoopGoesOn) {
    RecordingWindow window;
    window.onMessage = [](const Received& r) {
        if (r.message == kFirst) throw std::runtime_error("boom");
    };
    std::string caught;
    auto previous = win::SetMessageExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            caught = e.what();
        }
    });
    win::PostMessageA(window.handle(), kFirst, 0, 0);
    win::PostMessageA(window.handle(), kSecond, 0, 0);
    EXPECT_EQ(DrainMessages(), 2);
    EXPECT_EQ(caught, "boom");
    ASSERT_EQ(window.received().size(), 2u);
    EXPECT_EQ(window.received()[1].message, kSecond);
    win::SetMessageExceptionHandler(std::move(previous));
}

TEST(MessageLoop, QuitEndsGetMessageWithItsCodeAfterPostedMessages) {
    RecordingWindow window;
    win::PostMessageA(window.handle(), kFirst, 0, 0);
    win::PostQuitMessage(7);
    win::MSG message{};
    ASSERT_EQ(win::GetMessageA(&message, nullptr, 0, 0), win::TRUE);
    EXPECT_EQ(message.message, kFirst);
    EXPECT_EQ(win::GetMessageA(&message, nullptr, 0, 0), win::FALSE);
    EXPECT_EQ(message.message, win::WM_QUIT);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_FALSE(win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE)) << "the quit was taken";
}

TEST(MessageLoop, GetMessageWaitsForATimer) {
    RecordingWindow window;
    win::SetTimer(window.handle(), 2, 30, nullptr);
    const win::DWORD start = win::GetTickCount();
    win::MSG message{};
    ASSERT_TRUE(win::GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, win::WM_TIMER);
    EXPECT_GE(win::GetTickCount() - start, 29u);
    win::KillTimer(window.handle(), 2);
}

TEST(MessageLoop, MsgWaitReportsInputOrTimesOut) {
    EXPECT_EQ(win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT),
              win::WAIT_TIMEOUT);
    win::PostMessageA(nullptr, kFirst, 0, 0);
    EXPECT_EQ(win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 1000, win::QS_ALLINPUT),
              win::WAIT_OBJECT_0);
    DrainMessages();
}

namespace {

// Runs the queue the way a GUI toolkit does: poll the descriptor with the deadline as time-out,
// then handle what is ready.
std::vector<Received> RunThroughToolkitHooks(RecordingWindow& window, int* exitCode) {
    for (int round = 0; round < 100; ++round) {
        ::pollfd watch{win::MessageLoopDescriptor(), POLLIN, 0};
        ::poll(&watch, 1, win::MessageLoopTimeoutMs());
        if (win::DispatchReadyMessages(exitCode)) break;
    }
    return window.received();
}

std::vector<Received> RunThroughGetMessage(RecordingWindow& window, int* exitCode) {
    win::MSG message{};
    while (win::GetMessageA(&message, nullptr, 0, 0)) {
        win::TranslateMessage(&message);
        win::DispatchMessageA(&message);
    }
    *exitCode = static_cast<int>(message.wParam);
    return window.received();
}

std::vector<Received> Scenario(std::vector<Received> (*run)(RecordingWindow&, int*), int* exitCode) {
    RecordingWindow window;
    int ticks = 0;
    window.onMessage = [&](const Received& r) {
        if (r.message == win::WM_TIMER && ++ticks == 2) {
            win::KillTimer(window.handle(), 9);
            win::PostMessageA(window.handle(), kThird, 3, 0);
        }
        if (r.message == kThird) win::PostQuitMessage(5);
    };
    win::PostMessageA(window.handle(), kFirst, 1, 0);
    win::SetTimer(window.handle(), 9, 15, nullptr);
    win::PostMessageA(window.handle(), kSecond, 2, 0);
    return run(window, exitCode);
}

} // namespace

TEST(MessageLoop, ToolkitHooksDeliverTheSameMessagesAsGetMessage) {
    int viaGetMessage = 0, viaHooks = 0;
    const auto expected = Scenario(&RunThroughGetMessage, &viaGetMessage);
    const auto actual = Scenario(&RunThroughToolkitHooks, &viaHooks);
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(expected[2], (Received{win::WM_TIMER, 9, 0}));
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(viaGetMessage, 5);
    EXPECT_EQ(viaHooks, 5);
}

TEST(MessageLoop, TheDescriptorIsReadableOnlyWhileMessagesWait) {
    DrainMessages();
    ::pollfd watch{win::MessageLoopDescriptor(), POLLIN, 0};
    EXPECT_EQ(::poll(&watch, 1, 0), 0);
    win::PostMessageA(nullptr, kFirst, 0, 0);
    EXPECT_EQ(::poll(&watch, 1, 0), 1);
    DrainMessages();
    EXPECT_EQ(::poll(&watch, 1, 0), 0);
}

TEST(MessageLoop, HandlingIsReentrant) {
    RecordingWindow window;
    window.onMessage = [&](const Received& r) {
        if (r.message == kFirst) DrainMessages(); // a modal box pumps messages inside a handler
    };
    win::PostMessageA(window.handle(), kFirst, 0, 0);
    win::PostMessageA(window.handle(), kSecond, 0, 0);
    DrainMessages();
    ASSERT_EQ(window.received().size(), 2u);
    EXPECT_EQ(window.received()[1].message, kSecond);
}
