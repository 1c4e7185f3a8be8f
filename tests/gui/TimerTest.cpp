#include "gui/ExtCtrls.h"
#include "gui/FormReader.h"

#include "platform/Kernel.h"
#include "platform/MessageLoop.h"

#include <gtest/gtest.h>

namespace {

class TTimerForm : public gui::TComponent {
    GUI_CLASS_INFO
public:
    using TComponent::TComponent;
    void Timer1Timer(gui::TObject* sender) {
        ++ticks;
        lastSender = sender;
    }
    int ticks = 0;
    gui::TObject* lastSender = nullptr;
};

const gui::TClassInfo& TTimerForm::StaticClass() {
    static const gui::TClassInfo info =
        gui::TClassBuilder<TTimerForm>("TTimerForm", &TComponent::StaticClass())
            .Method("Timer1Timer", &TTimerForm::Timer1Timer)
            .Build();
    return info;
}

void PumpFor(win::DWORD milliseconds) {
    const win::DWORD start = win::GetTickCount();
    win::MSG message{};
    while (win::GetTickCount() - start < milliseconds) {
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 5, win::QS_ALLINPUT);
        while (win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE))
            win::DispatchMessageA(&message);
    }
}

} // namespace

TEST(Timer, AStoredDisabledTimerWaitsUntilEnabled) {
    gui::RegisterClass(gui::TTimer::StaticClass());
    TTimerForm form(nullptr);
    gui::ReadComponent(form, "object Form: TTimerForm\n"
                             "  object Timer1: TTimer\n"
                             "    Enabled = False\n"
                             "    Interval = 2000\n"
                             "    OnTimer = Timer1Timer\n"
                             "  end\n"
                             "end\n");
    auto* timer = static_cast<gui::TTimer*>(form.FindComponent("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->Running());
    EXPECT_EQ(timer->Interval(), 2000);
    timer->SetInterval(15);
    timer->SetEnabled(true);
    EXPECT_TRUE(timer->Running());
    PumpFor(100);
    EXPECT_GE(form.ticks, 2);
    EXPECT_EQ(form.lastSender, timer);
    timer->SetEnabled(false);
    const int ticks = form.ticks;
    PumpFor(40);
    EXPECT_EQ(form.ticks, ticks);
}

TEST(Timer, RunsOnlyWithAnIntervalAndAHandler) {
    gui::TTimer timer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.Running()) << "no handler yet";
    TTimerForm form(nullptr);
    timer.SetOnTimer(gui::TNotifyEvent(&form, &TTimerForm::Timer1Timer));
    EXPECT_TRUE(timer.Running());
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(10);
    EXPECT_TRUE(timer.Running());
    timer.SetOnTimer({});
    EXPECT_FALSE(timer.Running());
}
