// Actions: a caption and a hint shared by the controls and menu items linked to the action.
#pragma once

#include "gui/Component.h"

#include <string>
#include <vector>

namespace gui {

class TAction : public TComponent {
    GUI_CLASS_INFO
public:
    explicit TAction(TComponent* owner);

    // Changes reach every linked client's Caption and Hint.
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    std::string Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    TNotifyEvent OnExecute;
    // Runs OnExecute; false when none is assigned.
    bool Execute();

    // A client takes the action's texts at once and keeps them while linked.
    void Link(TComponent& client);
    void Unlink(TComponent& client);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void Update(TComponent& client) const;

    std::string caption_;
    std::string hint_;
    std::vector<TComponent*> clients_;
};

// The Action property of a control or a menu item: the link, kept safe when either side is freed.
class TActionLink {
public:
    explicit TActionLink(TComponent& client) : client_(client) {}
    ~TActionLink() { Set(nullptr); }
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;

    TAction* Action() const { return action_; }
    void Set(TAction* action);
    // For the client's Notification: forgets an action that is being freed.
    void Removed(const TComponent* component);

private:
    TComponent& client_;
    TAction* action_ = nullptr;
};

} // namespace gui
