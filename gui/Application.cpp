#include "gui/Application.h"

#include "gui/Dialogs.h"
#include "platform/MessageLoop.h"

namespace gui {

const TClassInfo& TApplication::StaticClass() {
    static const TClassInfo info = TClassBuilder<TApplication>("TApplication", &TComponent::StaticClass())
                                       .String("Title", &TApplication::Title, &TApplication::SetTitle)
                                       .Build();
    return info;
}

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
    win::SetMessageExceptionHandler([this](std::exception_ptr error) { HandleException(error); });
}

int TApplication::Run() {
    terminated_ = false;
    int exitCode = 0;
    if (runLoop_) {
        exitCode = runLoop_();
    } else {
        win::MSG message{};
        while (win::GetMessageA(&message, nullptr, 0, 0)) {
            win::TranslateMessage(&message);
            win::DispatchMessageA(&message);
        }
        exitCode = static_cast<int>(message.wParam);
    }
    terminated_ = true;
    return exitCode;
}

void TApplication::Terminate() {
    win::PostQuitMessage(0);
}

namespace {
constexpr win::UINT kReleaseMessage = win::WM_USER + 1;
} // namespace

void TApplication::Release(TComponent* component) {
    if (!window_) {
        window_ = std::make_unique<THiddenWindow>(
            [this](win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
                if (message != kReleaseMessage)
                    return THiddenWindow::DefaultAnswer(window_->Handle(), message, wParam, lParam);
                // Only components that still exist: one may have gone with its owner meanwhile.
                auto* component = reinterpret_cast<TComponent*>(lParam);
                if (std::erase(released_, component) > 0) FreeComponent(component);
                return win::LRESULT{0};
            });
    }
    released_.push_back(component);
    component->FreeNotification(this);
    win::PostMessageA(window_->Handle(), kReleaseMessage, 0, reinterpret_cast<win::LPARAM>(component));
}

void FreeComponent(TComponent* component) {
    if (component == nullptr) return;
    component->BeforeDestruction();
    delete component;
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        if (OnException)
            OnException(this, e);
        else
            ShowException(e.what());
    } catch (...) {
        ShowException("Unknown exception");
    }
}

void TApplication::ShowException(const std::string& message) {
    MessageBoxA(nullptr, message.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == mainForm_) mainForm_ = nullptr;
    std::erase(released_, component);
}

TApplication& Application() {
    static TApplication application(nullptr);
    return application;
}

} // namespace gui
