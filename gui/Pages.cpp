#include "gui/Pages.h"

#include <algorithm>

namespace gui {

const TClassInfo& TCustomTabs::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TCustomTabs>("TCustomTabs", &TWinControl::StaticClass()).Build();
    return info;
}

TCustomTabs::TCustomTabs(TComponent* owner) : TWinControl(owner) {
    tabs_.OnChange = [this] {
        if (tabIndex_ >= tabs_.Count()) tabIndex_ = -1;
        Changed("Tabs");
    };
}

void TCustomTabs::SetTabIndex(std::int64_t index) {
    if (index < -1 || index >= tabs_.Count()) index = -1;
    SetField(tabIndex_, index, "TabIndex");
}

const TClassInfo& TCustomPages::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TCustomPages>("TCustomPages", &TWinControl::StaticClass()).Build();
    return info;
}

TCustomPages::TCustomPages(TComponent* owner) : TWinControl(owner) {
    pages_.OnChange = [this] {
        if (pageIndex_ >= pages_.Count()) pageIndex_ = std::max(pages_.Count() - 1, 0);
        Changed("Pages");
    };
}

void TCustomPages::SetPageIndex(std::int64_t index) {
    if (index < 0 || index >= pages_.Count()) return;
    SetField(pageIndex_, index, "PageIndex");
}

} // namespace gui
