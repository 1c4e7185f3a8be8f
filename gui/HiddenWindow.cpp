#include "gui/HiddenWindow.h"

#include <stdexcept>

namespace gui {
namespace {

constexpr win::LPCSTR kClassName = "TPUtilWindow";

void RegisterOnce(win::WNDPROC procedure) {
    win::WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = kClassName;
    if (!win::EnsureClassRegistered(windowClass))
        throw std::runtime_error("cannot register the hidden window class");
}

} // namespace

THiddenWindow::THiddenWindow(TWindowMethod method)
    : method_(std::make_unique<TWindowMethod>(std::move(method))) {
    RegisterOnce(&THiddenWindow::Procedure);
    handle_ = win::CreateWindowExA(win::WS_EX_TOOLWINDOW, kClassName, "", win::WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, nullptr, nullptr);
    if (handle_ == nullptr) throw std::runtime_error("cannot create a hidden window");
    win::SetWindowLongPtrA(handle_, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(method_.get()));
}

THiddenWindow::~THiddenWindow() {
    win::SetWindowLongPtrA(handle_, win::GWLP_USERDATA, 0);
    win::DestroyWindow(handle_);
}

win::LRESULT THiddenWindow::Procedure(win::HWND window, win::UINT message, win::WPARAM wParam,
                                      win::LPARAM lParam) {
    auto* method = reinterpret_cast<TWindowMethod*>(win::GetWindowLongPtrA(window, win::GWLP_USERDATA));
    if (method == nullptr) return DefaultAnswer(window, message, wParam, lParam);
    return (*method)(message, wParam, lParam);
}

} // namespace gui
