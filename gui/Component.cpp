#include "gui/Component.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace gui {

const TClassInfo& TPersistent::StaticClass() {
    static const TClassInfo info = TClassBuilder<TPersistent>("TPersistent", &TObject::StaticClass()).Build();
    return info;
}

void TPersistent::Assign(const TPersistent& source) {
    throw EComponentError("Cannot assign a " + source.ClassName() + " to a " + ClassName());
}

const TClassInfo& TComponent::StaticClass() {
    static const TClassInfo info = TClassBuilder<TComponent>("TComponent", &TPersistent::StaticClass())
                                       .String("Name", &TComponent::Name, &TComponent::SetName, false)
                                       .Integer("Tag", &TComponent::Tag, &TComponent::SetTag)
                                       .Build();
    return info;
}

TComponent::TComponent(TComponent* owner) {
    if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Those that asked to be told may remove themselves while being told.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->RemoveFreeNotification(this);
        other->Notification(this, TOperation::opRemove);
    }
    while (!components_.empty()) {
        TComponent* last = components_.back();
        last->BeforeDestruction();
        RemoveComponent(last);
        delete last;
    }
    if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EComponentError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<std::size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* component : components_)
        if (strcasecmp(component->name_.c_str(), name.c_str()) == 0) return component;
    return nullptr;
}

int TComponent::ComponentIndex() const {
    if (owner_ == nullptr) return -1;
    const auto& siblings = owner_->components_;
    return static_cast<int>(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

void TComponent::ValidateName(const std::string& name) const {
    const bool identifier =
        !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_') &&
        std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
    if (!name.empty() && !identifier) throw EComponentError("'" + name + "' is not a valid component name");
    if (owner_ != nullptr) {
        const TComponent* existing = owner_->FindComponent(name);
        if (existing != nullptr && existing != this)
            throw EComponentError("A component named " + name + " already exists");
    }
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    ValidateName(name);
    name_ = name;
}

void TComponent::SetDesigning(bool designing) {
    if (designing)
        state_ |= csDesigning;
    else
        state_ &= ~static_cast<TComponentState>(csDesigning);
    for (TComponent* component : components_)
        component->SetDesigning(designing);
}

void TComponent::Loaded() {
    state_ &= ~static_cast<TComponentState>(csLoading);
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component->name_.empty() && FindComponent(component->name_) != nullptr)
        throw EComponentError("A component named " + component->name_ + " already exists");
    if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    const auto found = std::find(components_.begin(), components_.end(), component);
    if (found == components_.end()) return;
    Notification(component, TOperation::opRemove);
    std::erase(components_, component);
    component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
    if (component == nullptr || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
        component->freeNotifies_.end())
        component->freeNotifies_.push_back(this);
}

// Both sides forget the link, as FreeNotification made both know it.
void TComponent::RemoveFreeNotification(TComponent* component) {
    if (component == nullptr) return;
    std::erase(freeNotifies_, component);
    std::erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove) RemoveFreeNotification(component);
    // Copied: a component may free or move others while it is told.
    const std::vector<TComponent*> owned = components_;
    for (TComponent* each : owned)
        if (std::find(components_.begin(), components_.end(), each) != components_.end())
            each->Notification(component, operation);
}

void TComponent::Destroying() {
    if (IsDestroying()) return;
    state_ |= csDestroying;
    for (TComponent* component : components_)
        component->Destroying();
}

} // namespace gui
