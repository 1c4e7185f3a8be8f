#include "gui/Application.h"
#include "gui/Dialogs.h"

#include "ScriptedDialogs.h"

#include "platform/MessageLoop.h"

#include <gtest/gtest.h>
#include <stdexcept>

using gui::TDialogIcon;
using gui::TDialogRequest;
using gui::TMsgDlgBtn;
using gui::TMsgDlgType;

namespace {

std::vector<std::string> TextsOf(const TDialogRequest& request) {
    std::vector<std::string> texts;
    for (const auto& button : request.Buttons)
        texts.push_back(button.Text);
    return texts;
}

win::LRESULT Throwing(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (message == win::WM_USER) throw std::runtime_error("Transfer timed out");
    return win::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

TEST(Dialogs, ThePlainMessageBoxIsTitledWithTheApplicationTitle) {
    test::ScriptedDialogs dialogs;
    gui::Application().SetTitle("NVL Setup");
    gui::ShowMessage("Required files not complete !");
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].Caption, "NVL Setup");
    EXPECT_EQ(dialogs.Shown()[0].Text, "Required files not complete !");
    EXPECT_EQ(TextsOf(dialogs.Shown()[0]), (std::vector<std::string>{"OK"}));
}

TEST(Dialogs, MessageDialogsHaveTitlesByKindAndButtonsInTheirOrder) {
    test::ScriptedDialogs dialogs;
    dialogs.Answer(gui::mrNo);
    EXPECT_EQ(gui::MessageDlg("install program now?", TMsgDlgType::mtConfirmation,
                              {TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbYes}),
              gui::mrNo);
    const TDialogRequest& confirm = dialogs.Shown()[0];
    EXPECT_EQ(confirm.Caption, "Confirm");
    EXPECT_EQ(confirm.Icon, TDialogIcon::Question);
    EXPECT_EQ(TextsOf(confirm), (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
    EXPECT_EQ(confirm.Buttons[2].Result, gui::mrCancel);

    gui::MessageDlg("Value must not be higher than\rnumber of available languages.",
                    TMsgDlgType::mtInformation, {TMsgDlgBtn::mbCancel});
    EXPECT_EQ(dialogs.Shown()[1].Caption, "Information");
    EXPECT_EQ(TextsOf(dialogs.Shown()[1]), (std::vector<std::string>{"Cancel"}));
    gui::MessageDlg("careful", TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
    EXPECT_EQ(dialogs.Shown()[2].Caption, "Warning");
}

TEST(Dialogs, MessageBoxATakesButtonsAndIconFromItsFlags) {
    test::ScriptedDialogs dialogs;
    EXPECT_EQ(gui::MessageBoxA(nullptr, "Host not found", "FTP Error: -11001", 0x30), gui::IDOK);
    const TDialogRequest& box = dialogs.Shown()[0];
    EXPECT_EQ(box.Caption, "FTP Error: -11001");
    EXPECT_EQ(box.Icon, TDialogIcon::Warning);
    EXPECT_EQ(TextsOf(box), (std::vector<std::string>{"OK"}));
    dialogs.Answer(gui::IDNO);
    EXPECT_EQ(gui::MessageBoxA(nullptr, "?", "q", gui::MB_YESNOCANCEL | gui::MB_ICONQUESTION), gui::IDNO);
    EXPECT_EQ(TextsOf(dialogs.Shown()[1]), (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
}

TEST(Application, ExceptionsInWindowProceduresAreShownAndTheLoopGoesOn) {
    test::ScriptedDialogs dialogs;
    gui::TApplication application(nullptr);
    application.SetTitle("NVL Setup");
    application.Initialize();
    win::WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Throwing;
    windowClass.lpszClassName = "ThrowingWindow";
    win::RegisterClassA(&windowClass);
    const win::HWND window =
        win::CreateWindowExA(0, "ThrowingWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    win::PostMessageA(window, win::WM_USER, 0, 0);
    win::PostMessageA(window, win::WM_USER, 0, 0);
    application.Terminate();
    EXPECT_EQ(application.Run(), 0);
    EXPECT_TRUE(application.Terminated());
    ASSERT_EQ(dialogs.Shown().size(), 2u) << "a second error is shown too";
    EXPECT_EQ(dialogs.Shown()[0].Caption, "NVL Setup");
    EXPECT_EQ(dialogs.Shown()[0].Text, "Transfer timed out");
    EXPECT_EQ(dialogs.Shown()[0].Icon, TDialogIcon::Error);
    win::DestroyWindow(window);
    win::SetMessageExceptionHandler(nullptr);
}

TEST(Application, TheFirstCreatedFormIsTheMainFormAndARunLoopCanBeReplaced) {
    gui::TApplication application(nullptr);
    auto* first = application.CreateForm<gui::TComponent>();
    application.CreateForm<gui::TComponent>();
    EXPECT_EQ(application.MainForm(), first);
    EXPECT_EQ(first->Owner(), &application);
    delete first;
    EXPECT_EQ(application.MainForm(), nullptr);
    application.SetRunLoop([] { return 3; });
    EXPECT_EQ(application.Run(), 3);
}
