#include "gui/Tabs.h"

namespace gui {

const TClassInfo& TTabSet::StaticClass() {
    static const TClassInfo info = TClassBuilder<TTabSet>("TTabSet", &TCustomTabs::StaticClass())
                                       .Strings("Tabs", &TTabSet::Tabs)
                                       .Integer("TabIndex", &TTabSet::TabIndex, &TTabSet::SetTabIndex)
                                       .Creatable()
                                       .Build();
    return info;
}

const TClassInfo& TTabbedNotebook::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TTabbedNotebook>("TTabbedNotebook", &TCustomPages::StaticClass())
            .Strings("Pages", &TTabbedNotebook::Pages)
            .Integer("PageIndex", &TTabbedNotebook::PageIndex, &TTabbedNotebook::SetPageIndex)
            .Creatable()
            .Build();
    return info;
}

} // namespace gui
