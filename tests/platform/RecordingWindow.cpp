#include "RecordingWindow.h"

namespace test {
namespace {

constexpr win::LPCSTR kClassName = "RecordingWindow";

void RegisterOnce(win::WNDPROC procedure) {
    static const bool registered = [&] {
        win::WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.lpszClassName = kClassName;
        return win::RegisterClassA(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

RecordingWindow::RecordingWindow() {
    RegisterOnce(&RecordingWindow::Procedure);
    handle_ = win::CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    win::SetWindowLongPtrA(handle_, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(this));
}

RecordingWindow::~RecordingWindow() {
    win::DestroyWindow(handle_);
}

win::LRESULT RecordingWindow::Procedure(win::HWND window, win::UINT message, win::WPARAM wParam,
                                        win::LPARAM lParam) {
    auto* self = reinterpret_cast<RecordingWindow*>(win::GetWindowLongPtrA(window, win::GWLP_USERDATA));
    if (self != nullptr && (message >= win::WM_USER || message == win::WM_TIMER)) {
        const Received entry{message, wParam, lParam};
        self->received_.push_back(entry);
        if (self->onMessage) self->onMessage(entry);
        return 0;
    }
    return win::DefWindowProcA(window, message, wParam, lParam);
}

int DrainMessages() {
    int handled = 0;
    win::MSG message{};
    while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE)) {
        win::TranslateMessage(&message);
        win::DispatchMessageA(&message);
        ++handled;
    }
    return handled;
}

} // namespace test
