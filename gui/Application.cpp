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

void TApplication::Terminate() { win::PostQuitMessage(0); }

void TApplication::HandleException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        if (OnException) OnException(this, e);
        else ShowException(e.what());
    } catch (...) {
        ShowException("Unknown exception");
    }
}

void TApplication::ShowException(const std::string& message) {
    MessageBoxA(nullptr, message.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == mainForm_) mainForm_ = nullptr;
}

TApplication& Application() {
    static TApplication application(nullptr);
    return application;
}

} // namespace gui
