#include "Component.h"

#include <algorithm>

namespace kvl {

TComponent::~TComponent() {
    auto subscribers = std::move(subscribers_);
    for (TComponent* s : subscribers) {
        s->RemoveFreeNotification(this);
        s->Notification(this, TOperation::opRemove);
    }
}

void TComponent::FreeNotification(TComponent* subscriber) {
    if (!subscriber || subscriber == this) return;
    if (std::find(subscribers_.begin(), subscribers_.end(), subscriber) == subscribers_.end())
        subscribers_.push_back(subscriber);
    // both sides learn of each other's end
    if (std::find(subscriber->subscribers_.begin(), subscriber->subscribers_.end(), this) ==
        subscriber->subscribers_.end())
        subscriber->subscribers_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* subscriber) {
    subscribers_.erase(std::remove(subscribers_.begin(), subscribers_.end(), subscriber), subscribers_.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

} // namespace kvl
