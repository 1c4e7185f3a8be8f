// The status bar.
#pragma once

#include "gui/Controls.h"

#include <string>
#include <vector>

namespace gui {

struct TStatusPanel {
    std::string Text;
    std::int64_t Width = 50;
};

// Shows SimpleText when SimplePanel is set, else its panels.
class TStatusBar : public TWinControl {
    GUI_CLASS_INFO
public:
    explicit TStatusBar(TComponent* owner);
    std::string SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& text);
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool simplePanel);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool sizeGrip);
    // The system's status-bar font instead of Font.
    bool UseSystemFont() const { return useSystemFont_; }
    void SetUseSystemFont(bool useSystemFont);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    TStatusPanel& AddPanel();
    std::string PanelText(int index) const { return panels_.at(static_cast<std::size_t>(index)).Text; }
    void SetPanelText(int index, const std::string& text);

private:
    std::string simpleText_;
    bool simplePanel_ = false;
    bool sizeGrip_ = true;
    bool useSystemFont_ = true;
    std::vector<TStatusPanel> panels_;
};

} // namespace gui
