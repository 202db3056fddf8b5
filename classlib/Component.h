// Components: ownership (an owner frees what it owns), names, tags and free
// notification (those that refer to a component hear when it goes away).
#pragma once
#include <vector>

#include "classlib/Object.h"

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1,
    csDestroying = 2,
    csDesigning = 4,
};

class TComponent : public TPersistent {
    DECLARE_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return int(components_.size()); }
    TComponent* Components(int i) const { return components_.at(size_t(i)); }
    TComponent* FindComponent(const String& name) const;

    const String& Name() const { return name_; }
    virtual void SetName(const String& name) { name_ = name; }
    long Tag() const { return tag_; }
    void SetTag(long t) { tag_ = t; }
    unsigned ComponentState() const { return state_; }
    bool Destroying() const { return (state_ & csDestroying) != 0; }

    // Asks to be told (Notification with opRemove) when 'other' is freed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);

    virtual void Loaded() { state_ &= ~csLoading; }
    // Marks the component as being destroyed before the destructor chain runs,
    // so that overrides can tell a destroy from a plain removal.
    virtual void BeforeDestruction() { state_ |= csDestroying; }

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    void SetState(unsigned add, unsigned remove = 0) { state_ = (state_ | add) & ~remove; }

private:
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    String name_;
    long tag_ = 0;
    unsigned state_ = 0;
};

// Frees a component (or any TObject) created with new: destruction runs the
// BeforeDestruction step first.
void FreeAndNil(TComponent*& c);
template <class T>
void FreeAndNil(T*& c)
{
    TComponent* p = c;
    c = nullptr;
    FreeAndNil(p);
}
void Free(TComponent* c);
