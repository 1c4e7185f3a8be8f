// What the backends' suites share: the backend made once per suite, the application's loop run
// around a piece of code, and a form that counts clicks.
#pragma once

#include "gui/Application.h"
#include "gui/Forms.h"
#include "platform/MessageLoop.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace test {

// A suite whose tests run with `Backend` as the application's backend.
template <typename Backend> class BackendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "backend_tests";
        static char* argv[] = {name, nullptr};
        backend_ = std::make_unique<Backend>(argc, argv);
    }
    static void TearDownTestSuite() { backend_.reset(); }

private:
    static inline std::unique_ptr<Backend> backend_;
};

// Runs the application's loop until the code inside it posts the quit message.
inline int RunUntilQuit(std::function<void()> insideTheLoop) {
    static std::function<void()> pending;
    pending = std::move(insideTheLoop);
    win::SetTimer(nullptr, 0, 10, [](win::HWND, win::UINT, win::UINT_PTR id, win::DWORD) {
        win::KillTimer(nullptr, id);
        pending();
    });
    return gui::Application().Run();
}

class TClickForm : public gui::TForm {
    GUI_CLASS_INFO
public:
    using TForm::TForm;
    void Clicked(gui::TObject*) { ++clicks; }
    int clicks = 0;
};

inline const gui::TClassInfo& TClickForm::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TClickForm>("TClickForm", &TForm::StaticClass()).Build();
    return info;
}

} // namespace test
