#include "runtime/TComponent.h"

#include <algorithm>

namespace trimora {

namespace {
void Erase(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
}  // namespace

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    FDestroying = true;
    SendRemovalNotices();
    DestroyComponents();
    if (FOwner != nullptr) {
        TComponent* owner = FOwner;
        owner->RemoveComponent(this);
        owner->Notification(this, TOperation::opRemove);
    }
}

void TComponent::SendRemovalNotices() {
    // Tell everyone who asked; each forgets us in its Notification.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        Erase(other->FFreeNotifies, this);
        other->Notification(this, TOperation::opRemove);
    }
}

void TComponent::InsertComponent(TComponent* AComponent) {
    AComponent->FOwner = this;
    FComponents.push_back(AComponent);
    Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    Erase(FComponents, AComponent);
    AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    // Last created goes first.
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        delete last;  // its destructor removes it from FComponents
    }
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    // Both directions, so whichever goes first clears the other's list.
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
        AComponent->FFreeNotifies.end())
        AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr) return;
    Erase(FFreeNotifies, AComponent);
    Erase(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == TOperation::opRemove) Erase(FFreeNotifies, AComponent);
}

}  // namespace trimora
