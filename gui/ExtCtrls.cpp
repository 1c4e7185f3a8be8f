#include "gui/ExtCtrls.h"

#include "platform/MessageLoop.h"

#include <algorithm>

namespace gui {
namespace {

constexpr win::UINT_PTR kTimerId = 1;

} // namespace

const TClassInfo& TTimer::StaticClass() {
    static const TClassInfo info = TClassBuilder<TTimer>("TTimer", &TComponent::StaticClass())
                                       .Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled)
                                       .Integer("Interval", &TTimer::Interval, &TTimer::SetInterval)
                                       .Event("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer)
                                       .Creatable()
                                       .Build();
    return info;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    window_ =
        std::make_unique<THiddenWindow>([this](win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            if (message == win::WM_TIMER && wParam == kTimerId) {
                onTimer_.Call(this);
                return win::LRESULT{0};
            }
            return THiddenWindow::DefaultAnswer(window_->Handle(), message, wParam, lParam);
        });
}

TTimer::~TTimer() {
    enabled_ = false;
    UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(std::int64_t interval) {
    if (interval == interval_) return;
    interval_ = interval < 0 ? 0 : interval;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

// Setting Interval or OnTimer restarts the count, as on Windows.
void TTimer::UpdateTimer() {
    if (running_) win::KillTimer(window_->Handle(), kTimerId);
    running_ = false;
    if (!enabled_ || interval_ == 0 || !onTimer_ || IsLoading()) return;
    running_ = win::SetTimer(window_->Handle(), kTimerId, static_cast<win::UINT>(interval_), nullptr) != 0;
}

const TClassInfo& TImage::StaticClass() {
    static const TClassInfo info = TClassBuilder<TImage>("TImage", &TControl::StaticClass())
                                       .Object("Picture", &TImage::Picture, &TImage::SetPicture)
                                       .Boolean("Center", &TImage::Center, &TImage::SetCenter)
                                       .Boolean("Stretch", &TImage::Stretch, &TImage::SetStretch)
                                       .Event("OnClick", &TImage::OnClick, &TImage::SetOnClick)
                                       .Creatable()
                                       .Build();
    return info;
}

TImage::TImage(TComponent* owner) : TControl(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = [this] { Changed("Picture"); };
}

void TImage::SetCenter(bool center) {
    SetField(center_, center, "Center");
}

void TImage::SetStretch(bool stretch) {
    SetField(stretch_, stretch, "Stretch");
}

const TClassInfo& TCustomRadioGroup::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TCustomRadioGroup>("TCustomRadioGroup", &TWinControl::StaticClass()).Build();
    return info;
}

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner) : TWinControl(owner) {
    items_.OnChange = [this] {
        if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
        Changed("Items");
    };
}

void TCustomRadioGroup::SetItemIndex(std::int64_t index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    SetField(itemIndex_, index, "ItemIndex");
}

void TCustomRadioGroup::SetColumns(std::int64_t columns) {
    SetField(columns_, std::max<std::int64_t>(columns, 1), "Columns");
}

const TClassInfo& TRadioGroup::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TRadioGroup>("TRadioGroup", &TCustomRadioGroup::StaticClass())
            .String("Caption", &TRadioGroup::Caption, &TRadioGroup::SetCaption)
            .Integer("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns)
            .Strings("Items", &TRadioGroup::Items)
            .Integer("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex)
            .Event("OnClick", &TRadioGroup::OnClick, &TRadioGroup::SetOnClick)
            .Creatable()
            .Build();
    return info;
}

const TClassInfo& THeader::StaticClass() {
    static const TClassInfo info = TClassBuilder<THeader>("THeader", &TWinControl::StaticClass())
                                       .Strings("Sections", &THeader::Sections)
                                       .Creatable()
                                       .Build();
    return info;
}

THeader::THeader(TComponent* owner) : TWinControl(owner) {
    sections_.OnChange = [this] { Changed("Sections"); };
}

const TClassInfo& TNotebook::StaticClass() {
    static const TClassInfo info = TClassBuilder<TNotebook>("TNotebook", &TCustomPages::StaticClass())
                                       .Strings("Pages", &TNotebook::Pages)
                                       .Integer("PageIndex", &TNotebook::PageIndex, &TNotebook::SetPageIndex)
                                       .Creatable()
                                       .Build();
    return info;
}

} // namespace gui
