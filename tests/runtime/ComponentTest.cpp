#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "runtime/TComponent.h"

using namespace trimora;

namespace {
std::vector<std::string> gLog;  // destruction and notice order, per test

class Probe : public TComponent {
  public:
    Probe(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
    ~Probe() override { gLog.push_back("~" + Name()); }
    TComponent* watched = nullptr;

  protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove) {
            gLog.push_back(Name() + " notified of " + c->Name());
            if (c == watched) watched = nullptr;
        }
    }
};
}  // namespace

TEST(Component, OwnerDestroysOwnedComponentsLastCreatedFirst) {
    gLog.clear();
    auto* owner = new Probe(nullptr, "owner");
    new Probe(owner, "a");
    new Probe(owner, "b");
    new Probe(owner, "c");
    EXPECT_EQ(owner->ComponentCount(), 3);
    delete owner;
    // The owner's own destructor body runs first, then the owned ones from last to first.
    std::vector<std::string> destroyed;
    for (auto& l : gLog)
        if (l[0] == '~') destroyed.push_back(l);
    EXPECT_EQ(destroyed, (std::vector<std::string>{"~owner", "~c", "~b", "~a"}));
}

TEST(Component, FreeNotificationTellsTheWatcherAndForgetsItEitherWay) {
    gLog.clear();
    Probe watcher(nullptr, "watcher");
    {
        Probe target(nullptr, "target");
        target.FreeNotification(&watcher);
        watcher.watched = &target;
        EXPECT_TRUE(target.HasFreeNotifiers());
    }
    EXPECT_EQ(watcher.watched, nullptr);
    EXPECT_NE(std::find(gLog.begin(), gLog.end(), "watcher notified of target"), gLog.end());

    // A watcher that goes first leaves no dangling entry behind.
    auto* target = new Probe(nullptr, "target2");
    {
        Probe shortLived(nullptr, "short");
        target->FreeNotification(&shortLived);
    }
    EXPECT_FALSE(target->HasFreeNotifiers());
    delete target;
}

TEST(Component, DestroyingAnOwnedComponentRemovesItFromItsOwner) {
    Probe owner(nullptr, "owner");
    auto* child = new Probe(&owner, "child");
    EXPECT_EQ(child->Owner(), &owner);
    delete child;
    EXPECT_EQ(owner.ComponentCount(), 0);
}

namespace {
// Keeps a list its watchers take themselves off when it goes away.
class Registry : public TComponent {
  public:
    Registry() : TComponent(nullptr) {}
    ~Registry() override {
        Destroying();
        SendRemovalNotices();  // while Members still exists
    }
    void Add(TComponent* c) {
        Members.push_back(c);
        FreeNotification(c);
    }
    void Remove(TComponent* c) { Members.erase(std::find(Members.begin(), Members.end(), c)); }
    std::vector<TComponent*> Members;
};

class Member : public TComponent {
  public:
    explicit Member(Registry* r) : TComponent(nullptr), FRegistry(r) { r->Add(this); }
    Registry* FRegistry;

  protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == FRegistry) {
            FRegistry->Remove(this);
            FRegistry = nullptr;
        }
    }
};
}  // namespace

TEST(Component, EarlyRemovalNoticesLetWatchersCallBackIntoALiveComponent) {
    auto registry = std::make_unique<Registry>();
    Member a(registry.get()), b(registry.get());
    registry.reset();  // under ASan a late notice would touch the destroyed list
    EXPECT_EQ(a.FRegistry, nullptr);
    EXPECT_EQ(b.FRegistry, nullptr);
}
