#include "classlib/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    state_ |= csDestroying;
    // Tell everyone that refers to us, then free what we own (last first).
    auto notifies = freeNotifies_;
    freeNotifies_.clear();
    for (TComponent* c : notifies) {
        c->RemoveFreeNotification(this);
        c->Notification(this, TOperation::opRemove);
    }
    while (!components_.empty()) {
        TComponent* c = components_.back();
        c->BeforeDestruction();
        RemoveComponent(c);
        delete c;
    }
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const String& name) const
{
    for (TComponent* c : components_)
        if (!name.empty() && _wcsicmp(c->Name().c_str(), name.c_str()) == 0) return c;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) ==
        other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    std::erase(freeNotifies_, other);
    if (other) std::erase(other->freeNotifies_, this);
}

void TComponent::InsertComponent(TComponent* c)
{
    if (c->owner_) c->owner_->RemoveComponent(c);
    c->owner_ = this;
    components_.push_back(c);
    Notification(c, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* c)
{
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it == components_.end()) return;
    Notification(c, TOperation::opRemove);
    components_.erase(std::find(components_.begin(), components_.end(), c));
    c->owner_ = nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    // Every owned component hears of an insertion or a removal among its siblings.
    for (size_t i = 0; i < components_.size(); ++i) components_[i]->Notification(component, operation);
}

void FreeAndNil(TComponent*& c)
{
    TComponent* p = c;
    c = nullptr;
    Free(p);
}

void Free(TComponent* c)
{
    if (!c) return;
    c->BeforeDestruction();
    delete c;
}
