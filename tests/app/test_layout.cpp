// The layout of every window at the work areas of common screens (a small
// laptop, a wide laptop, a desktop monitor). For each point a user would
// click or read, the system is asked which window lies there, so a control
// hidden under another one is found whatever its own state says.
#include <gtest/gtest.h>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "app/TestsForm.h"
#include "app/TextbookForm.h"
#include "skin/controls/Image.h"
#include "support/GuiTest.h"

namespace {

struct WorkArea {
    const char* name;
    int width, height;
};

const WorkArea kWorkAreas[] = {{"1024x768", 1024, 768}, {"1366x768", 1366, 768}, {"1920x1080", 1920, 1080}};

std::string U8(const String& s) { return StringToUtf8(s); }

// The innermost visible window at a point of top's client area, as the
// system's hit test finds it (disabled windows count: they still hide what
// lies under them).
HWND DeepestAt(HWND top, POINT p)
{
    HWND cur = top;
    for (;;) {
        HWND child = ChildWindowFromPointEx(cur, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == cur) return cur;
        MapWindowPoints(cur, child, &p, 1);
        cur = child;
    }
}

String NameOf(HWND w)
{
    if (TWinControl* c = TWinControl::FindControl(w)) return c->Name().empty() ? c->ClassName() : c->Name();
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return String(L"<") + cls + L">";
}

bool IsDecoration(TControl* c) { return dynamic_cast<TImage*>(c) || dynamic_cast<TsImage*>(c); }

// The visible, enabled controls a user works with: windowed controls without
// visible windowed children of their own (fields, lists, button panels,
// trees) and the labels. Pictures are decoration and may lie under others.
void CollectTargets(TWinControl* parent, std::vector<TControl*>& out)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!c->Visible() || !c->Enabled() || IsDecoration(c)) continue;
        auto* w = dynamic_cast<TWinControl*>(c);
        if (!w) {
            if (dynamic_cast<TCustomLabel*>(c)) out.push_back(c);
            continue;
        }
        bool container = false;
        for (int k = 0; k < w->ControlCount(); ++k)
            container |= w->Controls(k)->Visible() && dynamic_cast<TWinControl*>(w->Controls(k)) != nullptr;
        if (container) CollectTargets(w, out);
        else out.push_back(c);
        if (!container) CollectTargets(w, out);   // labels on a button panel, a tab's close label
    }
}

class LayoutTest : public testing::TestWithParam<WorkArea> {
protected:
    void SetUp() override
    {
        dir = std::make_unique<TempDir>(L"talvera_layout");
        dir->WriteFile(L"Source\\start.txt", "start");
        dir->WriteFile(L"Content\\Физика\\Глава 1.html", "<html><body><p>Сила</p></body></html>");
        dir->WriteFile(L"Content\\Физика\\Презентации\\Лекция 1.txt", "slides");
        dir->WriteFile(L"Content\\Физика\\Видео\\Опыт 1.txt", "video");
        dir->WriteFile(L"Content\\Физика\\Тесты\\Вариант 1.txt",
                       PackDocument(StringToAnsi(L"---\r\n1) Сила?\r\n`A) ньютон\r\nB) ватт\r\n---\r\n"
                                                 L"2) Работа?\r\nA) ньютон\r\n`B) джоуль\r\n---\r\n")));
        SetAppFolder(dir->Path());
        const WorkArea& a = GetParam();
        RECT r{0, 0, a.width, a.height};
        Screen->SetWorkArea(a.width > 0 ? &r : nullptr);   // 0 x 0: the system's own
        CreateAppForms();
    }
    void TearDown() override
    {
        FreeAppForms();
        Screen->SetWorkArea(nullptr);
        SetAppFolder(L"");
        Pump();
        Application->ClearTerminated();
        dir.reset();
    }

    String ShotName(const char* what) const { return Utf8ToString(std::string(what) + "-" + GetParam().name); }

    // Asks the system which window lies under the points of a control a user
    // would click: its centre and four points just inside its corners
    // (labels: the centre of their text, which must be on their parent with
    // nothing in front). Where the point is on the real screen, the mouse's
    // own hit test must agree.
    void ExpectReachable(TCustomForm* form, TControl* c)
    {
        HWND top = form->Handle();
        auto* w = dynamic_cast<TWinControl*>(c);
        HWND expected = w ? w->Handle() : c->Parent()->Handle();
        std::vector<POINT> points{{c->Width() / 2, c->Height() / 2}};
        if (w && c->Width() > 6 && c->Height() > 6)
            points.insert(points.end(), {{2, 2}, {c->Width() - 3, 2}, {2, c->Height() - 3}, {c->Width() - 3, c->Height() - 3}});
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        for (POINT p : points) {
            POINT s = w ? w->ClientToScreen(p) : c->Parent()->ClientToScreen(POINT{c->Left() + p.x, c->Top() + p.y});
            POINT inForm = s;
            ScreenToClient(top, &inForm);
            HWND hit = DeepestAt(top, inForm);
            EXPECT_TRUE(hit == expected || IsChild(expected, hit))
                << U8(form->Name()) << ": at (" << inForm.x << ", " << inForm.y << ") of the window, point (" << p.x
                << ", " << p.y << ") of " << U8(c->Name()) << " lies under " << U8(NameOf(hit));
            if (s.x >= 0 && s.y >= 0 && s.x < sw && s.y < sh && w) {
                HWND mouse = WindowFromPoint(s);
                EXPECT_TRUE(mouse == expected || IsChild(expected, mouse))
                    << U8(form->Name()) << ": a click on " << U8(c->Name()) << " at (" << p.x << ", " << p.y
                    << ") goes to " << U8(NameOf(mouse));
            }
        }
    }

    // Every control a user works with, and at least the ones named.
    void ExpectAllReachable(TCustomForm* form, std::initializer_list<TControl*> mustBeThere)
    {
        Pump();
        RECT wa = Screen->WorkAreaRect();
        EXPECT_EQ(form->Width(), wa.right - wa.left) << U8(form->Name());
        std::vector<TControl*> targets;
        CollectTargets(form, targets);
        for (TControl* m : mustBeThere)
            EXPECT_NE(std::find(targets.begin(), targets.end(), m), targets.end())
                << U8(m->Name()) << " is not shown and enabled";
        for (TControl* c : targets) ExpectReachable(form, c);
    }

    // The controls of a panel that opens over others (a pop-up list, an input
    // panel, the report): these, and nothing else, must be whole.
    void ExpectInFront(TCustomForm* form, std::initializer_list<TControl*> controls)
    {
        Pump();
        for (TControl* c : controls) {
            EXPECT_TRUE(c->Showing()) << U8(c->Name());
            ExpectReachable(form, c);
        }
    }

    // A pixel of the screen under a point of a control's client area, once it
    // shows want (a loaded X server may show a newly mapped window a little
    // later), or what it shows after a second.
    static COLORREF ScreenPixel(TWinControl* c, POINT p, COLORREF want)
    {
        UpdateWindow(c->Handle());
        COLORREF px = CLR_INVALID;
        for (int tries = 0; tries < 50 && px != want; ++tries) {
            Pump(20);
            GdiFlush();
            POINT s = c->ClientToScreen(p);
            HDC dc = GetDC(nullptr);
            px = GetPixel(dc, s.x, s.y);
            ReleaseDC(nullptr, dc);
        }
        return px;
    }

    std::unique_ptr<TempDir> dir;
};

TEST_P(LayoutTest, TestsWindowShowsItsWholeSetupPanelInFront)
{
    TForm3* f = Form3;
    f->Show();
    Pump();
    RECT wa = Screen->WorkAreaRect();
    EXPECT_EQ(f->Height(), wa.bottom - wa.top);
    ExpectAllReachable(f, {f->edt1, f->edt2, f->cbb1, f->cbb2, f->btn6, f->Button1, f->lbl1, f->lbl2, f->lbl3,
                           f->lblqw});
    // The panel's own colour is on the screen in each corner, also where the
    // question box or the answer panel lies behind it.
    const COLORREF panel = ColorToRGB(clMenuHighlight);
    for (POINT p : {POINT{3, 3}, POINT{f->pnl1->Width() - 4, 3}, POINT{3, f->pnl1->Height() - 4},
                    POINT{f->pnl1->Width() - 4, f->pnl1->Height() - 4}})
        EXPECT_EQ(ScreenPixel(f->pnl1, p, panel), panel) << "set-up panel at (" << p.x << ", " << p.y << ")";
    SaveWindowShot(f->Handle(), ShotName("tests-setup"));

    // A click where the user sees the group field puts the caret there.
    POINT centre = f->edt2->ClientToScreen(POINT{f->edt2->Width() / 2, f->edt2->Height() / 2});
    ScreenToClient(f->Handle(), &centre);
    HWND field = DeepestAt(f->Handle(), centre);
    POINT local = centre;
    MapWindowPoints(f->Handle(), field, &local, 1);
    SendMessageW(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(local.x, local.y));
    SendMessageW(field, WM_LBUTTONUP, 0, MAKELPARAM(local.x, local.y));
    EXPECT_EQ(GetFocus(), f->edt2->Handle());
}

TEST_P(LayoutTest, TestsWindowWhileATestRunsAndWithItsReport)
{
    TForm3* f = Form3;
    f->Show();
    Pump();
    TypeText(f->edt1, L"Иван Петров");
    TypeText(f->edt2, L"ИС-21");
    f->cbb1->SetItemIndex(0);
    f->cbb1Select(f->cbb1);
    f->cbb2->SetItemIndex(0);
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn6); });
    ASSERT_TRUE(boxes.empty()) << U8(boxes.front());
    ASSERT_FALSE(f->pnl1->Visible());
    ExpectAllReachable(f, {f->mmo1, f->lst1, f->btn1, f->btn2, f->btn3, f->btn4, f->btn5, f->btn7});
    SaveWindowShot(f->Handle(), ShotName("tests-running"));
    Click(f->btn7);
    ASSERT_TRUE(f->mmo3->Visible());
    ExpectInFront(f, {f->mmo3, f->btn8, f->btn9});
    Click(f->btn8);
    ExpectAllReachable(f, {f->edt1, f->edt2, f->cbb1, f->cbb2, f->btn6, f->Button1});
}

TEST_P(LayoutTest, TextbookWindowWithATabAndEachList)
{
    TForm2* f = Form2;
    f->Show();
    Pump();
    ExpectAllReachable(f, {f->tv1, f->btn2, f->btn3, f->btn4, f->btn6, f->Button1, f->addpage});
    TmyTabPanel* tab = f->NewPage();
    ASSERT_NE(tab, nullptr);
    tab->GetBros()->Navigate(dir->Path() + L"Content\\Физика\\Глава 1.html");
    ExpectAllReachable(f, {tab, tab->GetBros(), tab->CloseLabel(), f->addpage});
    Click(f->btn4);
    ExpectInFront(f, {f->tv2, f->pnl6});
    SaveWindowShot(f->Handle(), ShotName("textbook"));
    Click(f->pnl6);
    Click(f->btn3);
    ExpectInFront(f, {f->tv3, f->pnl5});
}

TEST_P(LayoutTest, TeacherWindowAndItsInputPanels)
{
    TForm5* f = Form5;
    f->Show();
    Pump();
    ExpectAllReachable(f, {f->Button1, f->mmo1, f->btn3, f->btn13, f->openfile, f->btn1, f->btn2});
    // One prompt at a time: each button hides the other's panel.
    Click(f->btn3);
    ExpectInFront(f, {f->se1, f->btn4, f->lbl1});
    Click(f->btn13);
    ExpectInFront(f, {f->edt1, f->btn5, f->lbl2});
    EXPECT_FALSE(f->pnl1->Visible());
    Click(f->btn3);
    ExpectInFront(f, {f->se1, f->btn4, f->lbl1});
    EXPECT_FALSE(f->pnl2->Visible());
    f->Close();
}

TEST_P(LayoutTest, StartAndLoginWindowsFitAndShowEveryButton)
{
    for (TCustomForm* form : {static_cast<TCustomForm*>(Form1), static_cast<TCustomForm*>(Form4)}) {
        form->Show();
        Pump();
        RECT wa = Screen->WorkAreaRect(), r;
        GetWindowRect(form->Handle(), &r);
        EXPECT_LE(r.right - r.left, wa.right - wa.left);
        EXPECT_LE(r.bottom - r.top, wa.bottom - wa.top);
        std::vector<TControl*> targets;
        CollectTargets(form, targets);
        EXPECT_GE(targets.size(), 3u);
        for (TControl* c : targets) ExpectReachable(form, c);
        form->Hide();
    }
}

// The same on the system's own work area, whatever screen the test runs on
// (tools/run's virtual desktop is 1024 x 768).
class SystemWorkAreaTest : public LayoutTest {};

TEST_P(SystemWorkAreaTest, TestsWindowSetupPanelOnTheRealWorkArea)
{
    TForm3* f = Form3;
    f->Show();
    Pump();
    RECT wa;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
    EXPECT_EQ(f->Width(), wa.right - wa.left);
    EXPECT_EQ(f->Height(), wa.bottom - wa.top);
    ExpectAllReachable(f, {f->edt1, f->edt2, f->cbb1, f->cbb2, f->btn6, f->Button1, f->lblqw});
    const int w = wa.right - wa.left, h = wa.bottom - wa.top;
    SaveWindowShot(f->Handle(), L"tests-setup-system-" + IntToStr(w) + L"x" + IntToStr(h));
}

INSTANTIATE_TEST_SUITE_P(System, SystemWorkAreaTest, testing::Values(WorkArea{"system", 0, 0}),
                         [](const testing::TestParamInfo<WorkArea>&) { return std::string("Screen"); });

INSTANTIATE_TEST_SUITE_P(WorkAreas, LayoutTest, testing::ValuesIn(kWorkAreas),
                         [](const testing::TestParamInfo<WorkArea>& info) {
                             std::string name = "W";
                             name += std::to_string(info.param.width);
                             name += 'x';
                             name += std::to_string(info.param.height);
                             return name;
                         });

}  // namespace
