// Liveness guards for code that runs a user command inside a modal loop (a
// popup menu, a system menu): the command may free the very objects the code
// goes on with afterwards (the item that opened the menu, its owner, the menu,
// the form). Before the loop the code takes a watch of each; after it, it
// touches nothing whose watch says it is gone.
//
//   TsLiveToken  a member of an object; its watches see the object's end.
//   TsFreeWatch  watches components through their free notification.
#pragma once
#include <initializer_list>
#include <memory>
#include <vector>

#include "classlib/Component.h"

// A watch of one object: Alive() until the object that handed it out ends.
class TsLiveWatch {
public:
    TsLiveWatch() = default;
    explicit TsLiveWatch(std::weak_ptr<const void> life) : life_(std::move(life)) {}
    bool Alive() const { return !life_.expired(); }

private:
    std::weak_ptr<const void> life_;
};

// Held as a member: its watches report the owning object's end. A copy is a
// new life (a copied object is another object).
class TsLiveToken {
public:
    TsLiveToken() = default;
    TsLiveToken(const TsLiveToken&) {}
    TsLiveToken& operator=(const TsLiveToken&) { return *this; }
    TsLiveWatch Watch() const { return TsLiveWatch(life_); }

private:
    std::shared_ptr<const int> life_ = std::make_shared<const int>(0);
};

// Watches components (nil entries are ignored) and tells whether all of them
// still live. Lives on the stack around a modal loop.
class TsFreeWatch : public TComponent {
public:
    TsFreeWatch(std::initializer_list<TComponent*> watched) : TComponent(nullptr)
    {
        for (TComponent* c : watched)
            Watch(c);
    }
    ~TsFreeWatch() override
    {
        for (TComponent* c : watched_)
            RemoveFreeNotification(c);
    }
    TsFreeWatch(const TsFreeWatch&) = delete;
    TsFreeWatch& operator=(const TsFreeWatch&) = delete;

    void Watch(TComponent* c)
    {
        if (!c)
            return;
        watched_.push_back(c);
        FreeNotification(c);
    }
    // Whether c (one of the watched) still lives.
    bool Alive(const TComponent* c) const
    {
        for (TComponent* w : watched_)
            if (w == c)
                return true;
        return false;
    }
    // Whether every watched component still lives.
    bool AllAlive() const { return !lost_; }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation != TOperation::opRemove)
            return;
        for (size_t i = 0; i < watched_.size(); ++i)
            if (watched_[i] == component) {
                watched_.erase(watched_.begin() + std::ptrdiff_t(i));
                lost_ = true;
                return;
            }
    }

private:
    std::vector<TComponent*> watched_;
    bool lost_ = false;
};
