#include "platform/Window.h"
#include "platform/MessageLoop.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> events;
bool refuseCreation = false;

win::LRESULT LoggingProcedure(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    char name[32] = {};
    win::GetWindowTextA(window, name, sizeof name);
    switch (message) {
    case win::WM_CREATE:
        events.push_back(std::string("create ") + name);
        return refuseCreation ? -1 : 0;
    case win::WM_DESTROY:
        events.push_back(std::string("destroy ") + name);
        return 0;
    case win::WM_NCDESTROY:
        events.push_back(std::string("ncdestroy ") + name);
        return 0;
    case win::WM_USER:
        return static_cast<win::LRESULT>(wParam + 1);
    default:
        return win::DefWindowProcA(window, message, wParam, lParam);
    }
}

void RegisterLoggingClass() {
    static const bool registered = [] {
        win::WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &LoggingProcedure;
        windowClass.lpszClassName = "LoggingWindow";
        return win::RegisterClassA(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
}

win::HWND Create(const char* name, win::HWND parent = nullptr) {
    return win::CreateWindowExA(0, "LoggingWindow", name, parent ? win::WS_CHILD : 0, 0, 0, 10, 10, parent,
                                nullptr, nullptr, nullptr);
}

} // namespace

TEST(Window, CreationCanBeRefusedAndUnknownClassesFail) {
    RegisterLoggingClass();
    events.clear();
    refuseCreation = true;
    EXPECT_EQ(Create("refused"), nullptr);
    refuseCreation = false;
    EXPECT_EQ(events, (std::vector<std::string>{"create refused", "destroy refused", "ncdestroy refused"}));
    EXPECT_EQ(win::CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_CANNOT_FIND_WND_CLASS);
}

TEST(Window, DestroyingAParentDestroysItsChildren) {
    RegisterLoggingClass();
    const win::HWND parent = Create("parent");
    const win::HWND child = Create("child", parent);
    ASSERT_TRUE(parent && child);
    EXPECT_EQ(win::GetParent(child), parent);
    events.clear();
    EXPECT_TRUE(win::DestroyWindow(parent));
    EXPECT_EQ(events, (std::vector<std::string>{"destroy parent", "destroy child", "ncdestroy child",
                                                "ncdestroy parent"}));
    EXPECT_FALSE(win::IsWindow(child));
    EXPECT_FALSE(win::DestroyWindow(parent));
}

TEST(Window, SendWithTimeOutAndDefaultAnswers) {
    RegisterLoggingClass();
    const win::HWND window = Create("answers");
    win::DWORD_PTR result = 0;
    EXPECT_EQ(win::SendMessageTimeoutA(window, win::WM_USER, 41, 0, win::SMTO_NORMAL, 100, &result), 1);
    EXPECT_EQ(result, 42u);
    EXPECT_EQ(win::SendMessageA(window, win::WM_QUERYENDSESSION, 0, 0), win::TRUE);
    EXPECT_EQ(win::SendMessageA(window, win::WM_SETTEXT, 0, reinterpret_cast<win::LPARAM>("renamed")),
              win::TRUE);
    EXPECT_EQ(win::SendMessageA(window, win::WM_GETTEXTLENGTH, 0, 0), 7);
    char text[4];
    EXPECT_EQ(win::GetWindowTextA(window, text, sizeof text), 3) << "cut to the buffer";
    EXPECT_STREQ(text, "ren");
    win::SendMessageA(window, win::WM_CLOSE, 0, 0);
    EXPECT_FALSE(win::IsWindow(window)) << "the default answer to WM_CLOSE destroys the window";
    EXPECT_EQ(win::SendMessageTimeoutA(window, win::WM_USER, 0, 0, win::SMTO_NORMAL, 100, &result), 0);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_WINDOW_HANDLE);
}
