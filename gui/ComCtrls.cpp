#include "gui/ComCtrls.h"

namespace gui {

const TClassInfo& TStatusBar::StaticClass() {
    static const TClassInfo info =
        TClassBuilder<TStatusBar>("TStatusBar", &TWinControl::StaticClass())
            .String("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
            .Boolean("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
            .Boolean("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip)
            .Boolean("UseSystemFont", &TStatusBar::UseSystemFont, &TStatusBar::SetUseSystemFont)
            .Event("OnClick", &TStatusBar::OnClick, &TStatusBar::SetOnClick)
            .Creatable()
            .Build();
    return info;
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
    SetAlign(TAlign::alBottom);
    SetTabStop(false);
}

void TStatusBar::SetSimpleText(const std::string& text) {
    SetField(simpleText_, text, "SimpleText");
}

void TStatusBar::SetSimplePanel(bool simplePanel) {
    SetField(simplePanel_, simplePanel, "SimplePanel");
}

void TStatusBar::SetSizeGrip(bool sizeGrip) {
    SetField(sizeGrip_, sizeGrip, "SizeGrip");
}

void TStatusBar::SetUseSystemFont(bool useSystemFont) {
    SetField(useSystemFont_, useSystemFont, "UseSystemFont");
}

TStatusPanel& TStatusBar::AddPanel() {
    panels_.emplace_back();
    Changed("Panels");
    return panels_.back();
}

void TStatusBar::SetPanelText(int index, const std::string& text) {
    panels_.at(static_cast<std::size_t>(index)).Text = text;
    Changed("Panels");
}

} // namespace gui
