#pragma once

#include <string>
#include <vector>

#include "runtime/TObject.h"

namespace trimora {

enum class TOperation { opInsert, opRemove };

// A component has an owner that destroys it, and tells the components that asked for it
// when it goes away, so nobody keeps a dangling reference.
class TComponent : public TObject {
  public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const { return FComponents.at(Index); }

    // AComponent gets Notification(this, opRemove) when this component is destroyed.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);
    // True while some other component has asked for this one's removal notice.
    bool HasFreeNotifiers() const { return !FFreeNotifies.empty(); }

    bool IsDestroying() const { return FDestroying; }

  protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    // Derived destructors call this first, so overridden behaviour sees the state early.
    void Destroying() { FDestroying = true; }
    // Sends the removal notices now rather than from the base destructor, for components whose
    // watchers call back into them (a watcher may unregister itself from this component's lists,
    // which must still exist then). Later calls find nobody left to tell.
    void SendRemovalNotices();

  private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    bool FDestroying = false;
};

}  // namespace trimora
