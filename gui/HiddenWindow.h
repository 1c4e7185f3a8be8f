// Hidden windows whose messages go to a function, for non-visual components (timers, sockets).
#pragma once

#include "platform/Window.h"

#include <functional>
#include <memory>

namespace gui {

using TWindowMethod = std::function<win::LRESULT(win::UINT message, win::WPARAM wParam, win::LPARAM lParam)>;

// Owns its window; messages without an answer of the method's own should be answered with
// DefaultAnswer. Destroying the object destroys the window.
class THiddenWindow {
public:
    explicit THiddenWindow(TWindowMethod method);
    ~THiddenWindow();
    THiddenWindow(const THiddenWindow&) = delete;
    THiddenWindow& operator=(const THiddenWindow&) = delete;

    win::HWND Handle() const { return handle_; }
    static win::LRESULT DefaultAnswer(win::HWND window, win::UINT message, win::WPARAM wParam,
                                      win::LPARAM lParam) {
        return win::DefWindowProcA(window, message, wParam, lParam);
    }

private:
    static win::LRESULT Procedure(win::HWND window, win::UINT message, win::WPARAM wParam,
                                  win::LPARAM lParam);

    std::unique_ptr<TWindowMethod> method_;
    win::HWND handle_ = nullptr;
};

} // namespace gui
