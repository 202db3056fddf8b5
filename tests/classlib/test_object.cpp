// Object root: exact class names, ancestry by name, and method values
// (delegates) that compare by object and method, including a saved window
// procedure that is called, compared and put back.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

namespace {

class Recorder : public TObject {
public:
    int clicks = 0;
    TObject* last = nullptr;
    void A(TObject* s) { ++clicks; last = s; }
    void B(TObject* s) { clicks += 10; last = s; }
};

class TMyPanel : public TPanel {
    DECLARE_CLASS(TMyPanel, TPanel)
public:
    using TPanel::TPanel;
};

TEST(ObjectTest, ClassNameIsExactForEachClass)
{
    TObject o;
    EXPECT_EQ(o.ClassName(), L"TObject");
    TStringList sl;
    EXPECT_EQ(sl.ClassName(), L"TStringList");
    TMemoryStream ms;
    EXPECT_EQ(ms.ClassName(), L"TMemoryStream");
    TFont f;
    EXPECT_EQ(f.ClassName(), L"TFont");
    TBitmap b;
    EXPECT_EQ(b.ClassName(), L"TBitmap");
    TPanel* p = new TPanel(nullptr);
    EXPECT_EQ(p->ClassName(), L"TPanel");
    TMyPanel* mp = new TMyPanel(nullptr);
    EXPECT_EQ(mp->ClassName(), L"TMyPanel");
    TLabel* l = new TLabel(nullptr);
    EXPECT_EQ(l->ClassName(), L"TLabel");
    TMemo* m = new TMemo(nullptr);
    EXPECT_EQ(m->ClassName(), L"TMemo");
    TForm* fm = new TForm(nullptr);
    EXPECT_EQ(fm->ClassName(), L"TForm");
    // Through a base pointer the name is still the most derived one.
    TControl* c = mp;
    EXPECT_EQ(c->ClassName(), L"TMyPanel");
    EXPECT_EQ(Application->ClassName(), L"TApplication");
    Free(p);
    Free(mp);
    Free(l);
    Free(m);
    Free(fm);
}

TEST(ObjectTest, InheritsFromWalksTheAncestry)
{
    TMyPanel* p = new TMyPanel(nullptr);
    for (const wchar_t* n : {L"TMyPanel", L"TPanel", L"TCustomPanel", L"TCustomControl", L"TWinControl", L"TControl",
                             L"TComponent", L"TPersistent", L"TObject"})
        EXPECT_TRUE(p->InheritsFrom(n)) << StringToUtf8(n);
    EXPECT_FALSE(p->InheritsFrom(L"TGraphicControl"));
    EXPECT_FALSE(p->InheritsFrom(L"TEdit"));
    EXPECT_FALSE(p->InheritsFrom(L"tpanel"));   // names compare exactly
    TLabel* l = new TLabel(nullptr);
    EXPECT_TRUE(l->InheritsFrom(L"TGraphicControl"));
    EXPECT_FALSE(l->InheritsFrom(L"TWinControl"));
    Free(p);
    Free(l);
}

TEST(DelegateTest, MethodDelegatesCompareByObjectAndMethod)
{
    Recorder r1, r2;
    TNotifyEvent a1(&r1, &Recorder::A), a1b(&r1, &Recorder::A), b1(&r1, &Recorder::B), a2(&r2, &Recorder::A);
    EXPECT_TRUE(a1 == a1b);
    EXPECT_FALSE(a1 == b1);
    EXPECT_FALSE(a1 == a2);
    TNotifyEvent empty;
    EXPECT_TRUE(empty == nullptr);
    EXPECT_FALSE(a1 == nullptr);
    EXPECT_FALSE(a1 == empty);
    EXPECT_FALSE(bool(empty));
    a1(&r2);
    b1(nullptr);
    EXPECT_EQ(r1.clicks, 11);
    EXPECT_EQ(r1.last, nullptr);
    a2(&r1);
    EXPECT_EQ(r2.clicks, 1);
    EXPECT_EQ(r2.last, &r1);
}

TEST(DelegateTest, LambdaDelegatesEqualOnlyTheirCopies)
{
    int n = 0;
    TNotifyEvent l1 = [&n](TObject*) { ++n; };
    TNotifyEvent copy = l1;
    TNotifyEvent l2 = [&n](TObject*) { ++n; };
    EXPECT_TRUE(l1 == copy);
    EXPECT_FALSE(l1 == l2);
    copy(nullptr);
    l1(nullptr);
    l2(nullptr);
    EXPECT_EQ(n, 3);
    // The copy stays callable after the original is gone.
    TNotifyEvent kept;
    {
        TNotifyEvent tmp = [&n](TObject*) { n += 100; };
        kept = tmp;
    }
    kept(nullptr);
    EXPECT_EQ(n, 103);
}

TEST(DelegateTest, ACallableReplacedWhileItRunsLivesUntilItReturns)
{
    // A hook that puts the saved procedure back from inside itself drops the
    // last delegate holding it; what it captured must last until it returns.
    auto alive = std::make_shared<bool>(true);
    struct Flag {
        std::shared_ptr<bool> alive;
        ~Flag() { *alive = false; }
    };
    auto flag = std::make_shared<Flag>(alive);
    TNotifyEvent slot;
    bool aliveAfterReplace = false;
    slot = [flag, &slot, &aliveAfterReplace, watch = alive](TObject*) {
        std::shared_ptr<bool> seen = watch;
        slot = nullptr;
        aliveAfterReplace = *seen;
    };
    flag.reset();
    slot(nullptr);
    EXPECT_TRUE(aliveAfterReplace);
    EXPECT_FALSE(*alive);   // and it went once it returned
}

TEST(DelegateTest, SavedWindowProcCanBeCalledComparedAndPutBack)
{
    TForm* form = new TForm(nullptr);
    form->SetBounds(10, 10, 200, 150);
    TPanel* p = new TPanel(form);
    p->SetParent(form);
    p->SetBounds(0, 0, 50, 50);
    form->Show();

    TWndMethod saved = p->WindowProc;
    EXPECT_TRUE(saved == TWndMethod(p, &TControl::WndProc));
    std::vector<UINT> seen;
    TWndMethod hook = [&](TMessage& m) {
        seen.push_back(m.Msg);
        saved(m);
    };
    p->WindowProc = hook;
    EXPECT_FALSE(p->WindowProc == saved);
    EXPECT_TRUE(p->WindowProc == hook);

    p->SetCaption(L"x");
    ASSERT_FALSE(seen.empty());
    EXPECT_NE(std::find(seen.begin(), seen.end(), CM_TEXTCHANGED), seen.end());
    // Messages still reach the control through the saved procedure.
    EXPECT_EQ(SendMessageW(p->Handle(), WM_GETTEXTLENGTH, 0, 0), 1);

    p->WindowProc = saved;
    EXPECT_TRUE(p->WindowProc == TWndMethod(p, &TControl::WndProc));
    size_t before = seen.size();
    p->SetCaption(L"y");
    SendMessageW(p->Handle(), WM_GETTEXTLENGTH, 0, 0);
    EXPECT_EQ(seen.size(), before);
    EXPECT_EQ(p->Caption(), L"y");
    Free(form);
}

}  // namespace
