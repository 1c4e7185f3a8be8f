#include "gui/ActnList.h"

#include <algorithm>

namespace gui {

const TClassInfo& TAction::StaticClass() {
    static const TClassInfo info = TClassBuilder<TAction>("TAction", &TComponent::StaticClass())
                                       .String("Caption", &TAction::Caption, &TAction::SetCaption)
                                       .String("Hint", &TAction::Hint, &TAction::SetHint)
                                       .Event("OnExecute", &TAction::OnExecute)
                                       .Creatable()
                                       .Build();
    return info;
}

TAction::TAction(TComponent* owner) : TComponent(owner) {}

void TAction::SetCaption(const std::string& caption) {
    caption_ = caption;
    for (TComponent* client : clients_)
        Update(*client);
}

void TAction::SetHint(const std::string& hint) {
    hint_ = hint;
    for (TComponent* client : clients_)
        Update(*client);
}

bool TAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

void TAction::Link(TComponent& client) {
    if (std::find(clients_.begin(), clients_.end(), &client) == clients_.end()) clients_.push_back(&client);
    FreeNotification(&client);
    Update(client);
}

void TAction::Unlink(TComponent& client) {
    std::erase(clients_, &client);
}

void TAction::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove) std::erase(clients_, component);
}

void TAction::Update(TComponent& client) const {
    if (HasProperty(client, "Caption")) SetProperty(client, "Caption", caption_);
    if (HasProperty(client, "Hint")) SetProperty(client, "Hint", hint_);
}

void TActionLink::Set(TAction* action) {
    if (action == action_) return;
    if (action_ != nullptr) action_->Unlink(client_);
    action_ = action;
    if (action_ != nullptr) action_->Link(client_);
}

void TActionLink::Removed(const TComponent* component) {
    if (component == action_) action_ = nullptr;
}

} // namespace gui
