// The language switch for the library's component kinds, and the switch of every window at once.
#pragma once

#include "multilang/LangSwitchBase.h"

#include <cstdint>

namespace multilang {

class TLangSwitch : public TBaseLangSwitch {
    GUI_CLASS_INFO
public:
    using TBaseLangSwitch::TBaseLangSwitch;

    // Writes each kind's texts in its order: list kinds take one group per item, and a component
    // whose entry gave nothing still consumes its name group.
    void TranslateComponent(gui::TComponent& component, int& index) override;
    // The reverse: the component's current texts as rows of the grid, keyed like the table.
    void GatherTexts(gui::TComponent& component, int index, TTextGrid& grid) override;
};

// Switches every instance that has the language, in creation order, and makes it the language
// of windows loaded from now on.
void SetGlobalLanguage(std::uint8_t language);

} // namespace multilang
