// Components: an owner frees what it owns (last created first), free
// notification reaches the other side, FindComponent finds by name.
#include <gtest/gtest.h>

#include <vector>

#include "classlib/Component.h"

namespace {

std::vector<String>* freedLog = nullptr;

class TProbe : public TComponent {
    DECLARE_CLASS(TProbe, TComponent)
public:
    explicit TProbe(TComponent* owner, const String& name) : TComponent(owner) { SetName(name); }
    ~TProbe() override
    {
        if (freedLog) freedLog->push_back(Name());
    }
    std::vector<std::pair<TComponent*, TOperation>> heard;
    TComponent* ref = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        heard.push_back({c, op});
        if (op == TOperation::opRemove && c == ref) ref = nullptr;
    }
};

TEST(ComponentTest, OwnerFreesOwnedLastFirst)
{
    std::vector<String> log;
    freedLog = &log;
    auto* owner = new TProbe(nullptr, L"owner");
    auto* a = new TProbe(owner, L"a");
    new TProbe(owner, L"b");
    new TProbe(a, L"a1");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(a->Owner(), owner);
    Free(owner);
    freedLog = nullptr;
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], L"owner");   // the destructor body logs before the base frees the owned
    EXPECT_EQ(log[1], L"b");
    EXPECT_EQ(log[2], L"a");
    EXPECT_EQ(log[3], L"a1");
}

TEST(ComponentTest, FreeingAnOwnedComponentRemovesItFromItsOwner)
{
    auto* owner = new TProbe(nullptr, L"owner");
    TComponent* a = new TProbe(owner, L"a");
    new TProbe(owner, L"b");
    FreeAndNil(a);
    EXPECT_EQ(a, nullptr);
    ASSERT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Components(0)->Name(), L"b");
    // The owner heard the insertions and the removal.
    ASSERT_GE(owner->heard.size(), 3u);
    EXPECT_EQ(owner->heard[0].second, TOperation::opInsert);
    EXPECT_EQ(owner->heard.back().second, TOperation::opRemove);
    Free(owner);
}

TEST(ComponentTest, FreeNotificationTellsTheOtherSide)
{
    auto* watcher = new TProbe(nullptr, L"watcher");
    auto* target = new TProbe(nullptr, L"target");
    watcher->ref = target;
    target->FreeNotification(watcher);
    Free(target);
    EXPECT_EQ(watcher->ref, nullptr);
    ASSERT_FALSE(watcher->heard.empty());
    EXPECT_EQ(watcher->heard.back().second, TOperation::opRemove);

    // Either side may go first: freeing the watcher must not leave a dangling
    // entry in the target.
    auto* t2 = new TProbe(nullptr, L"t2");
    auto* w2 = new TProbe(nullptr, L"w2");
    w2->ref = t2;
    t2->FreeNotification(w2);
    Free(w2);
    Free(t2);   // would tell the freed watcher if the link stayed
    // Removing the link stops the notification.
    auto* t3 = new TProbe(nullptr, L"t3");
    t3->FreeNotification(watcher);
    t3->RemoveFreeNotification(watcher);
    size_t before = watcher->heard.size();
    Free(t3);
    EXPECT_EQ(watcher->heard.size(), before);
    Free(watcher);
}

TEST(ComponentTest, FindComponentByNameIgnoresCase)
{
    auto* owner = new TProbe(nullptr, L"owner");
    auto* a = new TProbe(owner, L"btnOk");
    auto* b = new TProbe(owner, L"Кнопка");
    new TProbe(owner, L"");
    EXPECT_EQ(owner->FindComponent(L"btnOk"), a);
    EXPECT_EQ(owner->FindComponent(L"BTNOK"), a);
    EXPECT_EQ(owner->FindComponent(L"Кнопка"), b);
    EXPECT_EQ(owner->FindComponent(L"missing"), nullptr);
    EXPECT_EQ(owner->FindComponent(L""), nullptr);
    // Only direct children are searched.
    new TProbe(a, L"inner");
    EXPECT_EQ(owner->FindComponent(L"inner"), nullptr);
    EXPECT_NE(a->FindComponent(L"inner"), nullptr);
    Free(owner);
}

TEST(ComponentTest, InsertComponentMovesBetweenOwners)
{
    auto* o1 = new TProbe(nullptr, L"o1");
    auto* o2 = new TProbe(nullptr, L"o2");
    auto* c = new TProbe(o1, L"c");
    o2->InsertComponent(c);
    EXPECT_EQ(o1->ComponentCount(), 0);
    EXPECT_EQ(o2->ComponentCount(), 1);
    EXPECT_EQ(c->Owner(), o2);
    Free(o1);
    EXPECT_EQ(o2->FindComponent(L"c"), c);
    Free(o2);
}

}  // namespace
