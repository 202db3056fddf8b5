// The class library's notifications on real windows, seen where a window
// wrapper sees them: through each control's WindowProc. Focus changes reach
// every control of the form; keys are reflected before the control handles
// them; a windowed control hears the mouse come and go through
// TrackMouseEvent with the real cursor.
#include <gtest/gtest.h>

#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "support/GuiTest.h"

namespace {

struct Recorder {
    TControl* control;
    TWndMethod saved;
    std::vector<TMessage> seen;
    // swallow: the messages this recorder answers with Result 1 instead of passing on.
    UINT swallow = 0;
    explicit Recorder(TControl* c) : control(c), saved(c->WindowProc)
    {
        c->WindowProc = [this](TMessage& m) {
            seen.push_back(m);
            if (m.Msg == swallow) {
                m.Result = 1;
                return;
            }
            saved(m);
        };
    }
    ~Recorder() { control->WindowProc = saved; }
    int Count(UINT msg, LPARAM lParam) const
    {
        int n = 0;
        for (auto& m : seen)
            if (m.Msg == msg && m.LParam == lParam) ++n;
        return n;
    }
    int Count(UINT msg) const
    {
        int n = 0;
        for (auto& m : seen)
            if (m.Msg == msg) ++n;
        return n;
    }
};

class Notifications : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(nullptr);
        form->SetBounds(30, 30, 400, 300);
        panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(10, 10, 200, 120);
        first = new TEdit(form);
        first->SetParent(panel);
        first->SetBounds(10, 10, 120, 24);
        second = new TEdit(form);
        second->SetParent(form);
        second->SetBounds(10, 160, 120, 24);
        form->Show();
        Pump(30);
    }
    void TearDown() override { Free(form); }
    TForm* form;
    TPanel* panel;
    TEdit *first, *second;
};

TEST_F(Notifications, FocusChangeReachesEveryControlOfTheForm)
{
    second->SetFocus();
    Pump(10);
    Recorder f(form), p(panel), a(first), b(second);
    first->SetFocus();
    Pump(10);
    for (Recorder* r : {&f, &p, &a, &b})
        EXPECT_EQ(r->Count(CM_FOCUSCHANGED, LPARAM(first)), 1) << r->control->ClassName();
    second->SetFocus();
    Pump(10);
    EXPECT_EQ(p.Count(CM_FOCUSCHANGED, LPARAM(second)), 1);
}

TEST_F(Notifications, KeysAreReflectedFirstAndMayBeSwallowed)
{
    first->SetFocus();
    Pump(10);
    struct Row {
        const char* what;
        UINT swallow;
        const wchar_t* expectedText;
    };
    const Row rows[] = {
        {"reflected, then typed", 0, L"a"},
        {"swallowed by the reflected key down", CN_KEYDOWN, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        first->SetText(L"");
        Recorder r(first);
        r.swallow = row.swallow;
        // The key as the system delivers it: down, character, up.
        SendMessageW(first->Handle(), WM_KEYDOWN, 'A', 0x1E0001);
        if (!row.swallow) SendMessageW(first->Handle(), WM_CHAR, L'a', 0x1E0001);
        SendMessageW(first->Handle(), WM_KEYUP, 'A', 0xC01E0001);
        EXPECT_EQ(r.Count(CN_KEYDOWN), 1);
        EXPECT_EQ(r.Count(CN_KEYUP), 1);
        EXPECT_EQ(first->Text(), row.expectedText);
    }
}

TEST_F(Notifications, MouseEnterAndLeaveFollowTheCursor)
{
    SetForegroundWindow(form->Handle());
    Recorder r(second);
    int enters = 0, leaves = 0;
    second->OnMouseEnter = [&](TObject*) { ++enters; };
    second->OnMouseLeave = [&](TObject*) { ++leaves; };
    POINT inside = second->ClientToScreen(POINT{20, 10});
    POINT outside = form->ClientToScreen(POINT{300, 250});
    SetCursorPos(outside.x, outside.y);
    Pump(50);
    SetCursorPos(inside.x, inside.y);
    Pump(100);
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(second->MouseInControl()) << "left again when its parent lost the mouse to it";
    SetCursorPos(outside.x, outside.y);
    Pump(150);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(second->MouseInControl());
    // Into it again and straight off the form: only the edit's own tracked
    // leave tells it.
    SetCursorPos(inside.x, inside.y);
    Pump(100);
    POINT away = form->ClientToScreen(POINT{600, 500});
    SetCursorPos(away.x, away.y);
    Pump(800);   // no window of ours sees the mouse now: the tracking checks at the hover interval
    EXPECT_EQ(enters, 2);
    EXPECT_EQ(leaves, 2);
    EXPECT_FALSE(second->MouseInControl());
    // Through WindowProc, where a wrapper would see them.
    EXPECT_EQ(r.Count(CM_MOUSEENTER, 0), 2);
    EXPECT_EQ(r.Count(CM_MOUSELEAVE, 0), 2);
}

}  // namespace
