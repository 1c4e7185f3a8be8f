#include "gui/qt/QtBackend.h"

#include "gui/Application.h"
#include "gui/Dialogs.h"
#include "gui/StdCtrls.h"
#include "platform/MessageLoop.h"
#include "support/BackendTesting.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

int ticksInsideBox = 0;
int ticks = 0;
bool boxOpen = false;

void Tick(win::HWND, win::UINT, win::UINT_PTR, win::DWORD) {
    ++ticks;
    if (boxOpen) ++ticksInsideBox;
    if (boxOpen && ticksInsideBox == 3) {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    }
}

using Backend = test::BackendTest<gui::qt::TBackend>;
using test::RunUntilQuit;
using test::TClickForm;

} // namespace

TEST_F(Backend, PlatformTimersKeepRunningInsideAModalBox) {
    ticks = ticksInsideBox = 0;
    const win::UINT_PTR timer = win::SetTimer(nullptr, 0, 15, &Tick);
    const int exitCode = RunUntilQuit([] {
        boxOpen = true;
        gui::MessageDlg("Waiting", gui::TMsgDlgType::mtInformation, {gui::TMsgDlgBtn::mbOK});
        boxOpen = false;
        win::PostQuitMessage(4);
    });
    win::KillTimer(nullptr, timer);
    EXPECT_EQ(exitCode, 4) << "the quit message ends Qt's loop with its code";
    EXPECT_GE(ticksInsideBox, 3) << "the box was closed by a tick that came while it was open";
}

TEST_F(Backend, ANoticeHoldsNoWindowAndTheProgramEndsWhileItIsOpen) {
    bool shown = false;
    const int exitCode = RunUntilQuit([&] {
        gui::ShowNotice("Notice", "Two files failed", gui::TDialogIcon::Warning);
        for (QWidget* top : QApplication::topLevelWidgets())
            shown = shown || (top->windowTitle() == "Notice" && top->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        win::PostQuitMessage(5);
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(exitCode, 5) << "the loop ended with the box still open";
}

TEST_F(Backend, WidgetsFollowTheModelAndClicksReachIt) {
    TClickForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    form.SetCaption("\xA5\x5C\xAF\xE0"); // 功能 in Big5
    auto* button = new gui::TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 20, 90, 25);
    button->SetCaption("Exit");
    button->SetOnClick(gui::TNotifyEvent(&form, &TClickForm::Clicked));
    gui::qt::ShowForm(form);
    form.Show();

    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->windowTitle() == QString::fromUtf8("功能")) window = top;
    ASSERT_NE(window, nullptr) << "the caption is shown through the ANSI code page";
    EXPECT_EQ(window->size(), QSize(200, 100));
    auto* pushButton = window->findChild<QPushButton*>();
    ASSERT_NE(pushButton, nullptr);
    EXPECT_EQ(pushButton->geometry(), QRect(10, 20, 90, 25));
    EXPECT_EQ(pushButton->text(), "Exit");
    button->SetCaption("Leave");
    EXPECT_EQ(pushButton->text(), "Leave") << "kept in step with the model";
    pushButton->click();
    EXPECT_EQ(form.clicks, 1);
}

TEST_F(Backend, AnExceptionInAClickIsShownAndGoesNoFurther) {
    struct Thrower : gui::TButton {
        using TButton::TButton;
        void Click() override { throw std::runtime_error("Required files not complete !"); }
    };
    gui::TForm form(nullptr);
    auto* button = new Thrower(&form);
    button->SetParent(&form);
    gui::qt::ShowForm(form);
    std::string shown;
    gui::Application().OnException = gui::TMethod<void(gui::TObject*, const std::exception&)>();
    struct Recorder : gui::TDialogProvider {
        std::string* text;
        gui::TModalResult Show(const gui::TDialogRequest& request) override {
            *text = request.Text;
            return gui::mrOk;
        }
    } recorder;
    recorder.text = &shown;
    gui::TDialogProvider* previous = gui::SetDialogProvider(&recorder);
    QWidget* buttonWidget = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = top->findChild<QPushButton*>(); found != nullptr && top->isHidden())
            buttonWidget = found;
    ASSERT_NE(buttonWidget, nullptr);
    static_cast<QPushButton*>(buttonWidget)->click();
    gui::SetDialogProvider(previous);
    EXPECT_EQ(shown, "Required files not complete !");
}
