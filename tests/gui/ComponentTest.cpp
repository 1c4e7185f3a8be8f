#include "gui/Component.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using gui::TComponent;
using gui::TOperation;

namespace {

// Records the notifications it receives and what happens to it.
class Watcher : public TComponent {
public:
    Watcher(TComponent* owner, std::vector<std::string>* log = nullptr) : TComponent(owner), log_(log) {}
    ~Watcher() override {
        if (log_) log_->push_back("destroyed " + Name());
    }
    void Loaded() override {
        TComponent::Loaded();
        if (log_) log_->push_back("loaded " + Name());
    }
    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (log_ && component != this)
            log_->push_back(Name() +
                            (operation == TOperation::opInsert ? " saw insert of " : " saw removal of ") +
                            component->Name());
        if (operation == TOperation::opRemove && component == watched) watched = nullptr;
    }

private:
    std::vector<std::string>* log_;
};

} // namespace

TEST(Component, OwnedComponentsKeepCreationOrderAndAreFoundIgnoringCase) {
    TComponent form(nullptr);
    auto* first = new TComponent(&form);
    first->SetName("Label1");
    auto* second = new TComponent(&form);
    second->SetName("btnExit");
    EXPECT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(form.Components(0), first);
    EXPECT_EQ(second->ComponentIndex(), 1);
    EXPECT_EQ(form.FindComponent("BTNEXIT"), second);
    EXPECT_EQ(form.FindComponent("missing"), nullptr);
    EXPECT_EQ(form.FindComponent(""), nullptr);
    EXPECT_THROW(form.Components(2), gui::EComponentError);
}

TEST(Component, NamesMustBeIdentifiersAndUniqueWithinTheOwner) {
    TComponent form(nullptr);
    TComponent* a = new TComponent(&form);
    a->SetName("Timer1");
    TComponent* b = new TComponent(&form);
    EXPECT_THROW(b->SetName("TIMER1"), gui::EComponentError) << "uniqueness ignores letter case";
    EXPECT_THROW(b->SetName("1Timer"), gui::EComponentError);
    EXPECT_THROW(b->SetName("Timer 2"), gui::EComponentError);
    EXPECT_NO_THROW(b->SetName("_Timer2"));
    EXPECT_NO_THROW(a->SetName("timer1")) << "renaming itself is fine";
    TComponent other(nullptr);
    TComponent* c = new TComponent(&other);
    c->SetName("_timer2");
    EXPECT_THROW(form.InsertComponent(c), gui::EComponentError);
    EXPECT_EQ(c->Owner(), &other) << "a refused insertion leaves the component where it was";
}

TEST(Component, TheOwnerFreesItsComponentsLastFirstAndSiblingsAreTold) {
    std::vector<std::string> log;
    {
        Watcher form(nullptr, &log);
        form.SetName("Form");
        auto* client = new Watcher(&form, &log);
        client->SetName("Client");
        auto* logComponent = new Watcher(&form, &log);
        logComponent->SetName("Log");
        logComponent->watched = client;
        log.clear();
        delete client;
        EXPECT_EQ(logComponent->watched, nullptr) << "the removal of a sibling reaches the other components";
        EXPECT_EQ(log, (std::vector<std::string>{"destroyed Client", "Log saw removal of Client",
                                                 "Form saw removal of Client"}));
        log.clear();
    }
    EXPECT_EQ(log.front(), "destroyed Form");
    EXPECT_EQ(log.back(), "destroyed Log");
}

TEST(Component, DestroyingStateReachesOwnedComponents) {
    struct Probe : TComponent {
        using TComponent::TComponent;
        bool* sawDestroying = nullptr;
        ~Probe() override { *sawDestroying = IsDestroying(); }
    };
    bool sawDestroying = false;
    {
        TComponent form(nullptr);
        auto* probe = new Probe(&form);
        probe->sawDestroying = &sawDestroying;
    }
    EXPECT_TRUE(sawDestroying);
}

TEST(Component, FreeNotificationCrossesOwners) {
    auto form = std::make_unique<TComponent>(nullptr);
    TComponent other(nullptr);
    auto* watcher = new Watcher(&other);
    auto* target = new TComponent(form.get());
    watcher->watched = target;
    target->FreeNotification(watcher);
    form.reset();
    EXPECT_EQ(watcher->watched, nullptr);

    auto* second = new TComponent(&other);
    auto* early = new Watcher(nullptr);
    second->FreeNotification(early);
    delete early; // the other side forgets it, so nothing reaches a freed object later
    delete second;

    // Removing the link from one side removes it from both.
    auto* third = new TComponent(&other);
    auto* unlinked = new Watcher(nullptr);
    unlinked->watched = third;
    third->FreeNotification(unlinked);
    unlinked->RemoveFreeNotification(third);
    delete third;
    EXPECT_EQ(unlinked->watched, third) << "no notification after the link was removed";
    delete unlinked;
}

TEST(Component, LoadingAndDesigningStates) {
    std::vector<std::string> log;
    TComponent form(nullptr);
    auto* child = new Watcher(&form, &log);
    child->SetName("Child");
    child->BeginLoading();
    EXPECT_TRUE(child->IsLoading());
    child->Loaded();
    EXPECT_FALSE(child->IsLoading());
    EXPECT_EQ(log, (std::vector<std::string>{"loaded Child"}));
    form.SetDesigning(true);
    EXPECT_TRUE(child->IsDesigning());
    form.SetDesigning(false);
    EXPECT_FALSE(child->IsDesigning());
}

TEST(Component, MovingToAnotherOwner) {
    TComponent a(nullptr), b(nullptr);
    auto* moved = new TComponent(&a);
    b.InsertComponent(moved);
    EXPECT_EQ(a.ComponentCount(), 0);
    EXPECT_EQ(moved->Owner(), &b);
    b.RemoveComponent(moved);
    EXPECT_EQ(moved->Owner(), nullptr);
    delete moved;
    EXPECT_EQ(b.ComponentCount(), 0);
}
