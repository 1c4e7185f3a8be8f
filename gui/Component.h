// Components: objects with an owner that frees them, a name unique within the owner, a loading
// phase, a designing flag, and notifications when components are inserted or removed.
#pragma once

#include "gui/TypeInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

class EComponentError : public rtl::Exception {
    using rtl::Exception::Exception;
};

// Objects whose state can be copied from another of a compatible class.
class TPersistent : public TObject {
    GUI_CLASS_INFO
public:
    // Raises EComponentError unless the source's class is supported.
    virtual void Assign(const TPersistent& source);
};

using TNotifyEvent = TMethod<void(TObject* sender)>;

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : std::uint32_t {
    csLoading = 0x01,
    csReading = 0x02,
    csWriting = 0x04,
    csDestroying = 0x08,
    csDesigning = 0x10,
};
using TComponentState = std::uint32_t;

class TComponent : public TPersistent {
    GUI_CLASS_INFO
public:
    // Inserts itself into the owner's components; the owner frees it.
    explicit TComponent(TComponent* owner);
    // Tells the components that asked for it, frees the owned components (the last created first,
    // each after its BeforeDestruction) and leaves the owner.
    ~TComponent() override;
    // Runs while the object is still whole, before it is freed by its owner or FreeComponent.
    virtual void BeforeDestruction() {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    std::string Name() const { return name_; }
    // Raises EComponentError for a name that is no identifier or that a sibling already has.
    virtual void SetName(const std::string& name);
    std::int64_t Tag() const { return tag_; }
    void SetTag(std::int64_t tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    const std::vector<TComponent*>& ComponentList() const { return components_; }
    // Letter case ignored; nullptr when the owner has no component of that name.
    TComponent* FindComponent(const std::string& name) const;
    int ComponentIndex() const;

    TComponentState ComponentState() const { return state_; }
    bool IsLoading() const { return (state_ & csLoading) != 0; }
    bool IsDesigning() const { return (state_ & csDesigning) != 0; }
    bool IsDestroying() const { return (state_ & csDestroying) != 0; }
    void SetDesigning(bool designing);

    // The form reader marks each component it creates as loading and calls Loaded once all of
    // them have their properties.
    void BeginLoading() { state_ |= csLoading; }
    virtual void Loaded();
    // The form reader tells each component the component its description is nested in; controls
    // take it as their parent.
    virtual void SetParentComponent(TComponent* parent) { (void)parent; }

    // Moves the component to another owner (nullptr: nobody frees it then).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // `component` learns of this component's destruction even when they have different owners.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

protected:
    // Called on the owner and on all components it owns when a component is inserted or removed,
    // and on the components registered through FreeNotification when it is destroyed.
    virtual void Notification(TComponent* component, TOperation operation);
    // Sets csDestroying on this component and everything it owns.
    void Destroying();

private:
    void ValidateName(const std::string& name) const;

    TComponent* owner_ = nullptr;
    std::string name_;
    std::int64_t tag_ = 0;
    TComponentState state_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
};

} // namespace gui
