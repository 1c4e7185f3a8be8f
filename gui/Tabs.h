// Tab sets and tabbed notebooks.
#pragma once

#include "gui/Pages.h"

namespace gui {

class TTabSet : public TCustomTabs {
    GUI_CLASS_INFO
public:
    using TCustomTabs::TCustomTabs;
};

class TTabbedNotebook : public TCustomPages {
    GUI_CLASS_INFO
public:
    using TCustomPages::TCustomPages;
};

} // namespace gui
