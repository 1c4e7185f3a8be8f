// The timer, the image, the radio group, the header and the notebook.
#pragma once

#include "gui/Controls.h"
#include "gui/HiddenWindow.h"
#include "gui/Pages.h"
#include "rtl/StringList.h"

#include <memory>

namespace gui {

// Fires OnTimer every Interval milliseconds while Enabled, on a window timer of its own hidden
// window; runs only when Interval is not 0 and OnTimer is assigned.
class TTimer : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    std::int64_t Interval() const { return interval_; }
    void SetInterval(std::int64_t interval);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);
    // Whether a platform timer is running now.
    bool Running() const { return running_; }
    void Loaded() override;

private:
    void UpdateTimer();

    bool enabled_ = true;
    std::int64_t interval_ = 1000;
    TNotifyEvent onTimer_;
    bool running_ = false;
    std::unique_ptr<THiddenWindow> window_;
};

// Shows a picture (an icon or a bitmap).
class TImage : public TControl {
    GUI_CLASS_INFO
public:
    explicit TImage(TComponent* owner);
    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* picture) { picture_->Assign(*picture); }
    bool Center() const { return center_; }
    void SetCenter(bool center);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

private:
    std::unique_ptr<TPicture> picture_;
    bool center_ = false;
    bool stretch_ = false;
};

// A captioned group of radio buttons, one per item.
class TCustomRadioGroup : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TCustomRadioGroup(TComponent* owner);
    rtl::TStrings* Items() const { return &items_; }
    // -1 when no button is checked.
    std::int64_t ItemIndex() const { return itemIndex_; }
    void SetItemIndex(std::int64_t index);
    std::int64_t Columns() const { return columns_; }
    void SetColumns(std::int64_t columns);

private:
    mutable rtl::TStringList items_;
    std::int64_t itemIndex_ = -1;
    std::int64_t columns_ = 1;
};

class TRadioGroup : public TCustomRadioGroup {
    GUI_CLASS_INFO
public:
    using TCustomRadioGroup::TCustomRadioGroup;
};

// A row of sections, one per line of Sections.
class THeader : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit THeader(TComponent* owner);
    rtl::TStrings* Sections() const { return &sections_; }

private:
    mutable rtl::TStringList sections_;
};

// Pages shown one at a time, without tabs.
class TNotebook : public TCustomPages {
    GUI_CLASS_INFO
public:
    using TCustomPages::TCustomPages;
};

} // namespace gui
