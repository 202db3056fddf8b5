// The send, query and forward routines of the skin command message and the
// small helpers beside them, on real windows.
#include <functional>
#include <vector>

#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

// A windowed control that answers one skin command with a fixed value and
// counts what reaches it.
class TAnswering : public TCustomControl {
    DECLARE_CLASS(TAnswering, TCustomControl)
public:
    explicit TAnswering(TComponent* o) : TCustomControl(o) {}
    unsigned command = SkinCmdIsSkinned;
    LRESULT answer = 0;
    SkinCommandCounter got;
    uintptr_t lastWParam = 0;
    LPARAM lastLParam = 0;
    void WndProc(TMessage& m) override
    {
        if (m.Msg == SkinCommandMessage) {
            got.Add(SkinCommandOf(m.WParam));
            lastWParam = m.WParam;
            lastLParam = m.LParam;
            if (SkinCommandOf(m.WParam) == command) {
                m.Result = answer;
                return;
            }
        }
        TCustomControl::WndProc(m);
    }
};

class TCountingGraphic : public TGraphicControl {
    DECLARE_CLASS(TCountingGraphic, TGraphicControl)
public:
    explicit TCountingGraphic(TComponent* o) : TGraphicControl(o) {}
    SkinCommandCounter got;
    uintptr_t lastWParam = 0;
    LPARAM lastLParam = 0;
    void WndProc(TMessage& m) override
    {
        if (m.Msg == SkinCommandMessage) {
            got.Add(SkinCommandOf(m.WParam));
            lastWParam = m.WParam;
            lastLParam = m.LParam;
        }
        TGraphicControl::WndProc(m);
    }
};

using Commands = SkinRuntime;

}  // namespace

TEST_F(Commands, QueriesReadTheAnswerAsTheyShould)
{
    TSkinTestForm* f = NewForm();
    auto* a = Add<TAnswering>(f, 0, 0, 20, 20);
    f->Show();
    a->answer = 0x101;   // low byte 1, but not exactly 1
    EXPECT_TRUE(QueryControlSkinFlag(a, SkinCmdIsSkinned));
    EXPECT_FALSE(QueryWindowSkinFlag(a->Handle(), SkinCmdIsSkinned));
    a->answer = 0x100;   // low byte 0
    EXPECT_FALSE(QueryControlSkinFlag(a, SkinCmdIsSkinned));
    a->answer = 1;
    EXPECT_TRUE(QueryWindowSkinFlag(a->Handle(), SkinCmdIsSkinned));
    EXPECT_EQ(SendSkinCommand(a->Handle(), SkinCmdIsSkinned, 0), 1);
    // Never to a control without a window.
    auto* b = new TAnswering(nullptr);
    b->answer = 1;
    EXPECT_EQ(PerformSkinCommand(b, SkinCmdIsSkinned, 0), 0);
    EXPECT_EQ(b->got.Count(SkinCmdIsSkinned), 0);
    Free(b);
    EXPECT_EQ(PerformSkinCommand(nullptr, SkinCmdIsSkinned, 0), 0);
}

// Each way of sending a skin command reaches exactly the controls it names,
// with the sub-argument and LParam as given.
TEST_F(Commands, EachWayOfSendingReachesWhomItShould)
{
    TSkinTestForm* f = NewForm();
    auto* shown = Add<TAnswering>(f, 0, 0, 20, 20);
    auto* graphic = Add<TCountingGraphic>(f, 30, 0, 20, 20);
    f->Show();
    auto* windowless = new TAnswering(nullptr);   // no parent: no window
    struct Receiver {
        SkinCommandCounter& got;
        uintptr_t& lastWParam;
        LPARAM& lastLParam;
    };
    Receiver toShown{shown->got, shown->lastWParam, shown->lastLParam},
        toGraphic{graphic->got, graphic->lastWParam, graphic->lastLParam},
        toWindowless{windowless->got, windowless->lastWParam, windowless->lastLParam};
    const auto cmd = TsSkinCommand::Invalidate;
    const LPARAM lp = 0x40;
    struct Row {
        const char* way;
        std::function<void()> send;
        std::vector<Receiver*> reached, missed;
    } rows[] = {
        {"window", [&] { SendSkinCommand(shown->Handle(), cmd, lp, 1); }, {&toShown}, {&toGraphic}},
        {"windowed control", [&] { SendSkinCommand(shown, cmd, lp, 1); }, {&toShown}, {&toGraphic}},
        {"graphic control", [&] { SendSkinCommand(graphic, cmd, lp, 1); }, {&toGraphic}, {&toShown}},
        {"control without window", [&] { SendSkinCommand(windowless, cmd, lp, 1); }, {}, {&toWindowless}},
        {"straight to the procedure", [&] { CallSkinCommand(windowless, cmd, lp, 1); }, {&toWindowless}, {}},
        {"to the children", [&] { BroadcastSkinCommand(f, cmd, lp, 1); }, {&toShown, &toGraphic}, {&toWindowless}},
    };
    for (Row& row : rows) {
        for (Receiver* r : {&toShown, &toGraphic, &toWindowless}) {
            r->got.Clear();
            r->lastWParam = 0;
            r->lastLParam = 0;
        }
        row.send();
        for (Receiver* r : row.reached) {
            EXPECT_EQ(r->got.Count(SkinCmdInvalidate), 1) << row.way;
            EXPECT_EQ(r->lastWParam, MakeSkinCmdWParam(SkinCmdInvalidate, 1)) << row.way;
            EXPECT_EQ(r->lastLParam, lp) << row.way;
        }
        for (Receiver* r : row.missed)
            EXPECT_EQ(r->got.Count(SkinCmdInvalidate), 0) << row.way;
    }
    Free(windowless);
}

TEST_F(Commands, BackgroundColours)
{
    EXPECT_EQ(GetControlBgColor(nullptr), 0xFF00FF);
    EXPECT_EQ(GetWindowBgColor(nullptr), 0xFF00FF);
    TSkinTestForm* f = NewForm();
    auto* plain = Add<TAnswering>(f, 0, 0, 20, 20);
    plain->answer = 0;
    plain->SetColor(clBtnFace);
    f->Show();
    EXPECT_EQ(GetControlBgColor(plain), TColor(GetSysColor(COLOR_BTNFACE)));   // its own colour, as RGB
    plain->SetColor(0x123456);
    EXPECT_EQ(GetControlBgColor(plain), 0x123456);
    // A window that does not answer gives 0 (what its window procedure returns).
    EXPECT_EQ(GetWindowBgColor(plain->Handle()), 0);
    // A skinned control is asked.
    int asked = plain->got.Count(SkinCmdGetBkColor);
    GetControlBgColor(plain);   // not skinned: its colour, nothing asked
    EXPECT_EQ(plain->got.Count(SkinCmdGetBkColor), asked);
    plain->answer = 1;
    GetControlBgColor(plain);
    EXPECT_EQ(plain->got.Count(SkinCmdGetBkColor), asked + 1);
}

TEST_F(Commands, ForwardWalksUnskinnedWindowsAndStopsAtSkinnedOnes)
{
    TSkinTestForm* f = NewForm();
    auto* outer = Add<TAnswering>(f, 0, 0, 200, 200);   // not skinned: walked through
    auto* inner = Add<TAnswering>(outer, 0, 0, 100, 100);
    inner->answer = 1;                                   // skinned: sent once
    auto* deep = Add<TAnswering>(inner, 0, 0, 50, 50);   // below a skinned one: its own business
    auto* g = Add<TCountingGraphic>(outer, 120, 0, 20, 20);
    f->Show();
    TMessage m{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdInvalidate)), 0, 0};
    ForwardToControls(f, m);
    EXPECT_EQ(outer->got.Count(SkinCmdInvalidate), 0);
    EXPECT_EQ(inner->got.Count(SkinCmdInvalidate), 1);
    EXPECT_EQ(deep->got.Count(SkinCmdInvalidate), 0);
    EXPECT_EQ(g->got.Count(SkinCmdInvalidate), 1);
}

TEST_F(Commands, ChildWindowsAndRefreshes)
{
    TSkinTestForm* f = NewForm();
    auto* a = Add<TAnswering>(f, 0, 0, 100, 100);
    auto* b = Add<TAnswering>(a, 0, 0, 50, 50);
    auto* g = Add<TCountingGraphic>(f, 120, 0, 20, 20);
    f->Show();
    TMessage m{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdForceRepaint)), 0, 0};
    BroadcastToChildWindows(f->Handle(), m);
    EXPECT_EQ(a->got.Count(SkinCmdForceRepaint), 1);
    EXPECT_EQ(b->got.Count(SkinCmdForceRepaint), 0);   // not a direct child
    RefreshChildWindows(f->Handle());
    EXPECT_EQ(a->got.Count(SkinCmdParentUpdated), 1);
    EXPECT_EQ(b->got.Count(SkinCmdParentUpdated), 0);
    RefreshChildControls(f);
    EXPECT_EQ(a->got.Count(SkinCmdParentUpdated), 2);
    EXPECT_EQ(g->got.Count(SkinCmdParentUpdated), 1);
    {
        AnimationRunningScope running;
        RefreshChildControls(f);   // nothing while an animation runs
    }
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(a->got.Count(SkinCmdParentUpdated), 2);
    a->Hide();
    RefreshChildControls(f);   // hidden windows are left out
    EXPECT_EQ(a->got.Count(SkinCmdParentUpdated), 2);
    EXPECT_EQ(g->got.Count(SkinCmdParentUpdated), 2);
    EXPECT_EQ(GetRootWindow(b->Handle()), f->Handle());
    EXPECT_EQ(GetParentForm(g), f);
}

TEST_F(Commands, FormNotifiedOfControl)
{
    TSkinTestForm* f = NewForm();
    auto* p = Add<TSkinTestPanel>(f, 0, 0, 100, 100);
    auto* g = Add<TCountingGraphic>(p, 0, 0, 10, 10);
    f->Show();
    f->Commands.Clear();
    NotifyFormOfControl(g);
    NotifyFormOfControl(nullptr);
    EXPECT_EQ(f->Commands.Count(SkinCmdControlChanged), 1);
}

TEST_F(Commands, SmallHelpers)
{
    TSkinTestForm* f = NewForm();
    auto* top1 = Add<TAnswering>(f, 0, 0, 50, 30);
    top1->SetAlign(TAlign::alTop);
    auto* top2 = Add<TCountingGraphic>(f, 0, 0, 50, 12);
    top2->SetAlign(TAlign::alTop);
    auto* left = Add<TAnswering>(f, 0, 0, 40, 10);
    left->SetAlign(TAlign::alLeft);
    auto* client = Add<TAnswering>(f, 0, 0, 10, 10);
    client->SetAlign(TAlign::alClient);
    f->Show();
    EXPECT_EQ(SumAlignedChildSizes(f, TAlign::alTop, false), 30);
    EXPECT_EQ(SumAlignedChildSizes(f, TAlign::alTop, true), 42);
    EXPECT_EQ(SumAlignedChildSizes(f, TAlign::alLeft, false), 40);
    EXPECT_EQ(SumAlignedChildSizes(f, TAlign::alClient, true), 0);
    EXPECT_EQ(SumAlignedChildSizes(f, TAlign::alNone, true), 0);
    top1->Hide();
    EXPECT_EQ(SumAlignedChildSizes(f, TAlign::alTop, true), 12);

    EXPECT_EQ(AlignDrawTextFlags(f, TAlignment::taLeftJustify), UINT(0x44));
    EXPECT_EQ(AlignDrawTextFlags(f, TAlignment::taRightJustify), UINT(0x46));
    EXPECT_EQ(AlignDrawTextFlags(f, TAlignment::taCenter), UINT(0x45));

    EXPECT_TRUE(CanPaintControl(top2));
    EXPECT_FALSE(CanPaintControl(nullptr));
    EXPECT_FALSE(CanPaintControl(f));   // no parent
    auto* loose = new TAnswering(nullptr);
    EXPECT_FALSE(CanPaintControl(loose));
    Free(loose);

    // The client area seen from the window's frame.
    RECT c = GetClientRectInWindow(f->Handle());
    RECT w;
    GetWindowRect(f->Handle(), &w);
    POINT o{0, 0};
    ClientToScreen(f->Handle(), &o);
    EXPECT_EQ(c.left, o.x - w.left);
    EXPECT_EQ(c.top, o.y - w.top);
    EXPECT_EQ(c.right - c.left, f->ClientWidth());
    EXPECT_GT(c.top, 0);   // below the caption

    EXPECT_EQ(GetMenuOwnerForm(top2), f);
    EXPECT_EQ(GetMenuOwnerForm(nullptr), nullptr);
    EXPECT_EQ(GetDesignOwner(top2), nullptr);
    POINT p{};
    EXPECT_TRUE(GetMouseCursorPos(p));
}

static void CALLBACK EndAnimationTimer(HWND, UINT, UINT_PTR, DWORD)
{
    AnimationRunning = false;
}

TEST_F(Commands, AnimationWaitIsBoundedAndPumps)
{
    EXPECT_TRUE(WaitWhileAnimationRunning(10));   // nothing running
    AnimationRunning = true;
    DWORD t0 = GetTickCount();
    EXPECT_FALSE(WaitWhileAnimationRunning(60));
    EXPECT_GE(GetTickCount() - t0, 50u);
    // A posted message that ends the animation is handled while waiting.
    TSkinTestForm* f = NewForm();
    f->Show();
    UINT_PTR timer = SetTimer(nullptr, 0, 10, EndAnimationTimer);
    EXPECT_TRUE(WaitWhileAnimationRunning(2000));
    KillTimer(nullptr, timer);
    AnimationRunning = false;
}
