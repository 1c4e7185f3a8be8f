// The application: its title, its forms, the message loop and the display of exceptions.
#pragma once

#include "gui/Component.h"
#include "gui/HiddenWindow.h"
#include "gui/Method.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gui {

class TApplication : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    std::string Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    // Routes exceptions that escape window procedures to HandleException.
    void Initialize();

    // Creates a form owned by the application; the first one becomes the main form.
    template <typename T> T* CreateForm() {
        T* form = new T(this);
        if (mainForm_ == nullptr) mainForm_ = form;
        return form;
    }
    TComponent* MainForm() const { return mainForm_; }

    // Runs the message loop until Terminate; returns the exit code. A toolkit backend replaces
    // the loop with its own through SetRunLoop.
    int Run();
    // Frees the component once the message being handled now is done.
    void Release(TComponent* component);
    // Ends the loop (posts the quit message).
    void Terminate();
    bool Terminated() const { return terminated_; }
    using TRunLoop = std::function<int()>;
    void SetRunLoop(TRunLoop loop) { runLoop_ = std::move(loop); }

    // OnException when assigned, else ShowException with the exception's message.
    void HandleException(std::exception_ptr error);
    // A message box titled with the application's title, with an error icon and OK.
    void ShowException(const std::string& message);
    TMethod<void(TObject*, const std::exception&)> OnException;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::string title_;
    TComponent* mainForm_ = nullptr;
    bool terminated_ = false;
    TRunLoop runLoop_;
    std::unique_ptr<THiddenWindow> window_;
    std::vector<TComponent*> released_;
};

// Runs BeforeDestruction, then frees the component.
void FreeComponent(TComponent* component);

// The process-wide application.
TApplication& Application();

// Runs `action` and hands what it throws to the application's HandleException: for handlers that
// a toolkit or the system calls, through whose frames no exception may unwind.
template <typename F> void Guarded(F action) {
    try {
        action();
    } catch (...) {
        Application().HandleException(std::current_exception());
    }
}

} // namespace gui
