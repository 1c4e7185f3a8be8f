// The bases of the controls whose tabs or pages are named by lines of text.
#pragma once

#include "gui/Controls.h"
#include "rtl/StringList.h"

namespace gui {

// One tab per line of Tabs; TabIndex is -1 when no tab is selected.
class TCustomTabs : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TCustomTabs(TComponent* owner);
    rtl::TStrings* Tabs() const { return &tabs_; }
    std::int64_t TabIndex() const { return tabIndex_; }
    void SetTabIndex(std::int64_t index);

private:
    mutable rtl::TStringList tabs_;
    std::int64_t tabIndex_ = -1;
};

// One page per line of Pages; PageIndex is the page shown.
class TCustomPages : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TCustomPages(TComponent* owner);
    rtl::TStrings* Pages() const { return &pages_; }
    std::int64_t PageIndex() const { return pageIndex_; }
    void SetPageIndex(std::int64_t index);

private:
    mutable rtl::TStringList pages_;
    std::int64_t pageIndex_ = 0;
};

} // namespace gui
