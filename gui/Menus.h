// Menu items.
#pragma once

#include "gui/ActnList.h"
#include "gui/Component.h"

#include <string>

namespace gui {

class TMenuItem : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TMenuItem(TComponent* owner);
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    std::string Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked) { checked_ = checked; }
    TAction* Action() const { return actionLink_.Action(); }
    void SetAction(TAction* action) { actionLink_.Set(action); }
    TNotifyEvent OnClick;
    // OnClick, else the linked action.
    void Click();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::string caption_;
    std::string hint_;
    bool checked_ = false;
    TActionLink actionLink_{*this};
};

} // namespace gui
