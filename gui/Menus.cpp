#include "gui/Menus.h"

namespace gui {

const TClassInfo& TMenuItem::StaticClass() {
    static const TClassInfo info = TClassBuilder<TMenuItem>("TMenuItem", &TComponent::StaticClass())
                                       .Object("Action", &TMenuItem::Action, &TMenuItem::SetAction)
                                       .String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
                                       .Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked)
                                       .String("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
                                       .Event("OnClick", &TMenuItem::OnClick)
                                       .Creatable()
                                       .Build();
    return info;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

void TMenuItem::Click() {
    if (OnClick || Action() == nullptr)
        OnClick.Call(this);
    else
        Action()->Execute();
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove) actionLink_.Removed(component);
}

} // namespace gui
