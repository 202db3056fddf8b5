// Controls on real windows: clicks, graphic children, anchors and alignment,
// the library's notification messages, pixels, memo lines and edit keys.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "support/GuiTest.h"

namespace {

// Records the messages a control sees by replacing its window procedure.
struct Recorder {
    TControl* control;
    TWndMethod saved;
    std::vector<TMessage> seen;
    explicit Recorder(TControl* c) : control(c), saved(c->WindowProc)
    {
        c->WindowProc = [this](TMessage& m) {
            seen.push_back(m);
            saved(m);
        };
    }
    ~Recorder() { control->WindowProc = saved; }
    std::vector<TMessage> Of(UINT msg) const
    {
        std::vector<TMessage> r;
        for (auto& m : seen)
            if (m.Msg == msg) r.push_back(m);
        return r;
    }
};

class ControlsTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 400, 300);
        form->SetColor(clWhite);
    }
    void TearDown() override { Free(form); }
    TPanel* AddPanel(int l, int t, int w, int h, TWinControl* parent = nullptr)
    {
        auto* p = new TPanel(form);
        p->SetParent(parent ? parent : form);
        p->SetBounds(l, t, w, h);
        return p;
    }
    TForm* form;
};

TEST_F(ControlsTest, ScreenPointsOfWindowsAndGraphicControlsAllowForFrames)
{
    // A form with a caption and a panel with a border: the client areas start
    // after them, where the system's own mapping puts them.
    TPanel* outer = AddPanel(10, 20, 200, 120);
    outer->SetBevelOuter(TBevelCut::bvRaised);
    outer->SetBevelWidth(3);
    TPanel* inner = AddPanel(15, 25, 60, 40, outer);
    auto* label = new TLabel(form);
    label->SetParent(outer);
    label->SetBounds(100, 30, 50, 20);
    form->Show();
    Pump();
    for (TWinControl* w : {static_cast<TWinControl*>(form), static_cast<TWinControl*>(outer), static_cast<TWinControl*>(inner)}) {
        POINT sys{7, 9};
        ::ClientToScreen(w->Handle(), &sys);
        POINT ours = w->ClientToScreen(POINT{7, 9});
        EXPECT_EQ(ours.x, sys.x) << StringToUtf8(w->ClassName());
        EXPECT_EQ(ours.y, sys.y) << StringToUtf8(w->ClassName());
        POINT back = w->ScreenToClient(sys);
        EXPECT_EQ(back.x, 7);
        EXPECT_EQ(back.y, 9);
    }
    POINT sys{100 + 4, 30 + 5};
    ::ClientToScreen(outer->Handle(), &sys);
    POINT ours = label->ClientToScreen(POINT{4, 5});
    EXPECT_EQ(ours.x, sys.x);
    EXPECT_EQ(ours.y, sys.y);
}

TEST_F(ControlsTest, PanelClickFiresOnlyWhenReleasedInside)
{
    TPanel* p = AddPanel(10, 10, 100, 40);
    int clicks = 0;
    p->OnClick = [&](TObject* s) {
        EXPECT_EQ(s, p);
        ++clicks;
    };
    form->Show();
    Click(p);
    EXPECT_EQ(clicks, 1);
    // Pressed inside, released outside: no click.
    SendMessageW(p->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(p->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 5));
    EXPECT_EQ(clicks, 1);
    // A release without a press and a right click do nothing either.
    SendMessageW(p->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Click(p, TMouseButton::mbRight);
    EXPECT_EQ(clicks, 1);
    // Mouse events carry the button and the point.
    int upX = -1;
    TMouseButton upButton = TMouseButton::mbMiddle;
    p->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int x, int) {
        upButton = b;
        upX = x;
    };
    ClickAt(p, 7, 8);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(upButton, TMouseButton::mbLeft);
    EXPECT_EQ(upX, 7);
}

TEST_F(ControlsTest, GraphicControlGetsClicksThroughItsParent)
{
    TPanel* host = AddPanel(0, 0, 300, 200);
    auto* l = new TLabel(form);
    l->SetParent(host);
    l->SetAutoSize(false);
    l->SetBounds(50, 60, 80, 20);
    l->SetCaption(L"метка");
    int labelClicks = 0, hostClicks = 0;
    l->OnClick = [&](TObject*) { ++labelClicks; };
    host->OnClick = [&](TObject*) { ++hostClicks; };
    int downX = -1, downY = -1;
    l->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        downX = x;
        downY = y;
    };
    form->Show();
    ClickAt(l, 3, 4);
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(hostClicks, 0);
    EXPECT_EQ(downX, 3);   // in the label's own coordinates
    EXPECT_EQ(downY, 4);
    ClickAt(host, 10, 10);
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(hostClicks, 1);
    // A disabled or hidden label lets clicks through to the parent.
    l->SetEnabled(false);
    ClickAt(host, 55, 65);
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(hostClicks, 2);
    l->SetEnabled(true);
    l->Hide();
    ClickAt(host, 55, 65);
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(hostClicks, 3);
}

TEST_F(ControlsTest, AnchorsAndAlignFollowParentResize)
{
    TPanel* host = AddPanel(0, 0, 300, 200);
    TPanel* br = AddPanel(200, 150, 50, 20, host);
    br->SetAnchors(akRight | akBottom);
    TPanel* stretch = AddPanel(10, 10, 100, 20, host);
    stretch->SetAnchors(akLeft | akTop | akRight);
    TPanel* fixed = AddPanel(10, 40, 30, 30, host);
    form->Show();
    TPanel* client = AddPanel(0, 0, 10, 10, host);
    client->SetAlign(TAlign::alClient);
    EXPECT_EQ(client->Width(), 300);
    EXPECT_EQ(client->Height(), 200);
    client->SetAlign(TAlign::alNone);
    client->SetBounds(0, 0, 1, 1);

    host->SetBounds(0, 0, 340, 230);
    EXPECT_EQ(br->Left(), 240);
    EXPECT_EQ(br->Top(), 180);
    EXPECT_EQ(br->Width(), 50);
    EXPECT_EQ(stretch->Left(), 10);
    EXPECT_EQ(stretch->Width(), 140);
    EXPECT_EQ(fixed->Left(), 10);
    EXPECT_EQ(fixed->Top(), 40);
    // The window moved too.
    RECT r;
    GetWindowRect(br->Handle(), &r);
    MapWindowPoints(nullptr, host->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 240);
    EXPECT_EQ(r.top, 180);

    TPanel* top = AddPanel(0, 0, 10, 25, host);
    top->SetAlign(TAlign::alTop);
    client->SetAlign(TAlign::alClient);
    EXPECT_EQ(top->Width(), 340);
    EXPECT_EQ(client->Top(), 25);
    EXPECT_EQ(client->Height(), 205);
    host->SetBounds(0, 0, 320, 100);
    EXPECT_EQ(top->Width(), 320);
    EXPECT_EQ(client->Width(), 320);
    EXPECT_EQ(client->Height(), 75);
}

TEST_F(ControlsTest, PropertyChangesSendNotifications)
{
    TPanel* host = AddPanel(0, 0, 300, 200);
    TPanel* p = AddPanel(10, 10, 50, 50, host);
    form->Show();
    Recorder rec(p);
    Recorder hostRec(host);

    p->SetVisible(false);
    p->SetVisible(true);
    auto vis = rec.Of(CM_VISIBLECHANGED);
    ASSERT_EQ(vis.size(), 2u);
    EXPECT_EQ(vis[0].WParam, 0u);
    EXPECT_EQ(vis[1].WParam, 1u);
    auto showing = rec.Of(CM_SHOWINGCHANGED);
    EXPECT_EQ(showing.size(), 2u);

    p->SetEnabled(false);
    p->SetEnabled(false);   // no change, no message
    EXPECT_EQ(rec.Of(CM_ENABLEDCHANGED).size(), 1u);
    EXPECT_FALSE(IsWindowEnabled(p->Handle()));

    p->Font().SetHeight(-20);
    EXPECT_EQ(rec.Of(CM_FONTCHANGED).size(), 1u);
    // A parent's font change reaches children that use the parent's font.
    TPanel* child = AddPanel(0, 0, 10, 10, host);
    Recorder childRec(child);
    host->Font().SetStyle(fsItalic);
    EXPECT_EQ(childRec.Of(CM_FONTCHANGED).size(), 1u);
    EXPECT_EQ(child->Font().Style(), unsigned(fsItalic));
    EXPECT_EQ(rec.Of(CM_FONTCHANGED).size(), 1u);   // p has its own font

    p->SetCaption(L"abc");
    p->SetCaption(L"abc");
    EXPECT_EQ(rec.Of(CM_TEXTCHANGED).size(), 1u);

    auto* l = new TLabel(form);
    l->SetParent(host);
    Free(l);
    auto list = hostRec.Of(CM_CONTROLLISTCHANGE);
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list[list.size() - 2].WParam, WPARAM(l));
    EXPECT_EQ(list[list.size() - 2].LParam, TRUE);
    EXPECT_EQ(list.back().WParam, WPARAM(l));
    EXPECT_EQ(list.back().LParam, FALSE);
}

TEST_F(ControlsTest, MouseEnterAndLeave)
{
    TPanel* host = AddPanel(0, 0, 300, 200);
    auto* l = new TLabel(form);
    l->SetParent(host);
    l->SetAutoSize(false);
    l->SetBounds(100, 100, 50, 20);
    form->Show();
    Recorder labelRec(l);
    Recorder hostRec(host);
    int enters = 0, leaves = 0;
    l->OnMouseEnter = [&](TObject*) { ++enters; };
    l->OnMouseLeave = [&](TObject*) { ++leaves; };

    SendMessageW(host->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    SendMessageW(host->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(110, 105));
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(l->MouseInControl());
    SendMessageW(host->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(112, 106));   // still inside
    EXPECT_EQ(enters, 1);
    SendMessageW(host->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(l->MouseInControl());

    auto le = labelRec.Of(CM_MOUSEENTER);
    ASSERT_EQ(le.size(), 1u);
    EXPECT_EQ(le[0].LParam, 0);
    EXPECT_EQ(labelRec.Of(CM_MOUSELEAVE).size(), 1u);
    // The parent hears of its child's enter and leave with the child in LParam.
    bool enterSeen = false, leaveSeen = false;
    for (auto& m : hostRec.seen) {
        if (m.Msg == CM_MOUSEENTER && m.LParam == LPARAM(l)) enterSeen = true;
        if (m.Msg == CM_MOUSELEAVE && m.LParam == LPARAM(l)) leaveSeen = true;
    }
    EXPECT_TRUE(enterSeen);
    EXPECT_TRUE(leaveSeen);
    // Leaving the window ends it.
    SendMessageW(host->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(110, 105));
    SendMessageW(host->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(leaves, 2);
}

TEST_F(ControlsTest, PanelColourAndLabelTextOnScreen)
{
    TPanel* p = AddPanel(10, 10, 200, 100);
    p->SetBevelOuter(TBevelCut::bvNone);
    p->SetColor(RGBColor(0x20, 0x40, 0x80));
    auto* l = new TLabel(form);
    l->SetParent(p);
    l->SetBounds(10, 10, 10, 10);
    l->Font().Set(L"Tahoma", 20, fsBold, clYellow);
    l->SetCaption(L"ЖЖЖ");
    EXPECT_GT(l->Width(), 30);   // autosized to the text
    form->Show();
    Pump(30);
    EXPECT_EQ(WindowPixel(p->Handle(), 150, 80), RGB(0x20, 0x40, 0x80));
    int yellow = 0;
    for (int y = l->Top(); y < l->Top() + l->Height(); ++y)
        for (int x = l->Left(); x < l->Left() + l->Width(); ++x)
            if (WindowPixel(p->Handle(), x, y) == RGB(255, 255, 0)) ++yellow;
    EXPECT_GT(yellow, 30);
    // Outside the label only the panel's colour.
    EXPECT_EQ(WindowPixel(p->Handle(), l->Left() + l->Width() + 5, l->Top() + 5), RGB(0x20, 0x40, 0x80));
    // The label takes its parent's colour as its background.
    EXPECT_EQ(l->Color(), p->Color());
}

TEST_F(ControlsTest, MemoLinesAreLogicalLines)
{
    auto* m = new TMemo(form);
    m->SetParent(form);
    m->SetBounds(0, 0, 60, 200);   // narrow: long lines wrap on screen
    form->Show();
    TStrings& lines = m->Lines();
    EXPECT_EQ(lines.Count(), 0);
    lines.Add(L"first line that is much longer than the memo is wide");
    lines.Add(L"second");
    EXPECT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[0], L"first line that is much longer than the memo is wide");
    EXPECT_GT(SendMessageW(m->Handle(), EM_GETLINECOUNT, 0, 0), 2);   // wrapped on screen
    lines.Insert(1, L"между");
    lines.Insert(0, L"top");
    EXPECT_EQ(lines.Count(), 4);
    EXPECT_EQ(lines[1].substr(0, 5), L"first");
    EXPECT_EQ(lines[2], L"между");
    lines.Put(2, L"put");
    lines.Delete(0);
    EXPECT_EQ(lines.Count(), 3);
    EXPECT_EQ(m->Text(), L"first line that is much longer than the memo is wide\r\nput\r\nsecond\r\n");
    lines.Delete(2);
    EXPECT_EQ(lines[lines.Count() - 1], L"put");
    EXPECT_THROW(lines.Get(5), EListError);
    EXPECT_THROW(lines.Delete(-1), EListError);

    m->SetText(L"a\nb\n\nc\rd\n\re");
    EXPECT_EQ(m->Text(), L"a\r\nb\r\n\r\nc\r\nd\r\ne");
    EXPECT_EQ(lines.Count(), 6);
    EXPECT_EQ(lines[2], L"");
    EXPECT_EQ(lines[5], L"e");
    lines.Add(L"f");
    EXPECT_EQ(lines.Text(), L"a\r\nb\r\n\r\nc\r\nd\r\ne\r\nf\r\n");
    lines.SetText(L"x\ny");
    EXPECT_EQ(lines.Count(), 2);
    lines.Clear();
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_EQ(m->Text(), L"");
}

TEST_F(ControlsTest, MemoLinesWorkBeforeTheWindowExists)
{
    auto* m = new TMemo(form);
    m->SetParent(form);
    m->SetVisible(false);
    m->Lines().Add(L"one");
    m->Lines().Add(L"two");
    EXPECT_EQ(m->Lines().Count(), 2);
    EXPECT_EQ(m->Lines()[1], L"two");
}

TEST_F(ControlsTest, EditPasswordCharKeysAndClassName)
{
    auto* e = new TEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 10, 150, 24);
    form->Show();
    wchar_t cls[64] = {};
    GetClassNameW(e->Handle(), cls, 64);
    EXPECT_STREQ(cls, L"TEdit");
    GetClassNameW(form->Handle(), cls, 64);
    EXPECT_STREQ(cls, L"TForm");

    TypeText(e, L"пароль");
    EXPECT_EQ(e->Text(), L"пароль");
    e->SetPasswordChar(L'*');
    EXPECT_EQ(SendMessageW(e->Handle(), EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(e->Text(), L"пароль");   // recreating the window keeps the text
    // What is on screen is the mask: the window's text as the system shows it.
    int changes = 0;
    e->OnChange = [&](TObject*) { ++changes; };
    e->SetSelStart(6);
    TypeText(e, L"1");
    EXPECT_EQ(e->Text(), L"пароль1");
    EXPECT_EQ(changes, 1);

    std::vector<WORD> ups;
    e->OnKeyUp = [&](TObject* s, WORD& key, TShiftState) {
        EXPECT_EQ(s, e);
        ups.push_back(key);
    };
    KeyUp(e, VK_RETURN);
    KeyUp(e, 'A');
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_EQ(ups[0], VK_RETURN);
    EXPECT_EQ(ups[1], WORD('A'));
    // A handler that clears the key stops it.
    e->OnKeyDown = [](TObject*, WORD& key, TShiftState) { key = 0; };
    e->SetSelStart(0);
    SendMessageW(e->Handle(), WM_KEYDOWN, VK_END, 1);
    EXPECT_EQ(e->SelStart(), 0);
}

TEST_F(ControlsTest, WindowClassNameIsTheClassName)
{
    TPanel* p = AddPanel(0, 0, 10, 10);
    auto* m = new TMemo(form);
    m->SetParent(form);
    form->Show();
    wchar_t cls[64] = {};
    GetClassNameW(p->Handle(), cls, 64);
    EXPECT_STREQ(cls, L"TPanel");
    GetClassNameW(m->Handle(), cls, 64);
    EXPECT_STREQ(cls, L"TMemo");
    EXPECT_EQ(TWinControl::FindControl(m->Handle()), m);
}

// Lets a test give up a control's window the way the page view does.
class Detachable : public TWinControl {
public:
    using TWinControl::TWinControl;
    using TWinControl::DetachHandle;
};

WNDPROC outsidePrevious = nullptr;
int outsideSeen = 0;
LRESULT CALLBACK OutsideProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_APP + 50) ++outsideSeen;
    return CallWindowProcW(outsidePrevious, wnd, msg, w, l);
}

TEST_F(ControlsTest, DetachingAWindowKeepsASubclassMadeAfterUs)
{
    auto* c = new Detachable(form);
    c->SetParent(form);
    c->SetBounds(0, 0, 20, 20);
    form->Show();
    HWND h = c->Handle();
    outsidePrevious = WNDPROC(SetWindowLongPtrW(h, GWLP_WNDPROC, LONG_PTR(OutsideProc)));
    Recorder rec(c);
    EXPECT_EQ(c->DetachHandle(), h);
    outsideSeen = 0;
    SendMessageW(h, WM_APP + 50, 0, 0);
    EXPECT_EQ(outsideSeen, 1);                     // still in the chain
    EXPECT_TRUE(rec.Of(WM_APP + 50).empty());      // the control let go
    EXPECT_EQ(TWinControl::FindControl(h), nullptr);
    EXPECT_EQ(WNDPROC(GetWindowLongPtrW(h, GWLP_WNDPROC)), OutsideProc);
    // The window still answers as a window.
    SetWindowTextW(h, L"abc");
    EXPECT_EQ(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0), 3);
    EXPECT_TRUE(DestroyWindow(h));
    EXPECT_NE(c->Handle(), h);   // a new window when it is needed again
}

// A control whose Paint draws with its canvas and then fails.
class FailingPaint : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int paints = 0;

protected:
    void Paint() override
    {
        ++paints;
        Canvas().Brush().SetColor(clRed);
        Canvas().FillRect(ClientRect());
        throw EInvalidOperation(L"Рисование не удалось");
    }
};

TEST_F(ControlsTest, PaintThatThrowsIsReportedOnceAndFreesWhatItUsed)
{
    if (!kHandlesCounted) GTEST_SKIP() << "this build does not count handles";
    std::vector<String> errors;
    Application->OnException = [&](TObject*, const std::exception& e) { errors.push_back(ErrorBoxText(e)); };
    form->Show();
    for (bool buffered : {false, true}) {
        SCOPED_TRACE(buffered ? "double buffered" : "direct");
        auto* c = new FailingPaint(form);
        c->SetParent(form);
        c->SetBounds(10, 10, 100, 60);
        c->SetDoubleBuffered(buffered);
        Pump(50);   // the first paint makes the canvas's font, brush and pen
        ASSERT_GE(c->paints, 1);
        errors.clear();
        c->paints = 0;
        const long objects = LiveHandles(THandleKind::hkGdiObject), dcs = LiveHandles(THandleKind::hkDC);

        // The failed paint still validates the window: one error, no paint asked for again.
        InvalidateRect(c->Handle(), nullptr, FALSE);
        Pump(200);
        EXPECT_EQ(c->paints, 1);
        EXPECT_EQ(errors, std::vector<String>{L"Рисование не удалось."});

        for (int i = 0; i < 100; ++i) {
            InvalidateRect(c->Handle(), nullptr, FALSE);
            UpdateWindow(c->Handle());
        }
        Pump(50);
        EXPECT_EQ(c->paints, 101);
        EXPECT_EQ(errors.size(), 101u);
        EXPECT_EQ(LiveHandles(THandleKind::hkGdiObject), objects);
        EXPECT_EQ(LiveHandles(THandleKind::hkDC), dcs);
        Free(c);
    }
    Application->OnException = nullptr;
}

// A control that paints through a function the test gives.
class PaintedBy : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::function<void()> paint;

protected:
    void Paint() override
    {
        if (paint) paint();
    }
};

TEST_F(ControlsTest, APaintNestedInAnotherLeavesTheOuterCanvasAsItWas)
{
    auto* c = new PaintedBy(form);
    c->SetParent(form);
    c->SetBounds(40, 40, 100, 60);
    // Each paint has a picture of its window painted into a bitmap (as a
    // thumbnail would be taken), then fills its window with the brush it
    // chose before.
    TBitmap picture(160, 120, TPixelFormat::pf32bit);
    bool nested = false;
    auto paint = [&](HWND wnd, TCanvas& canvas) {
        RECT r{};
        GetClientRect(wnd, &r);
        if (nested) {
            canvas.Brush().SetColor(clLime);
            canvas.FillRect(r);
            return;
        }
        canvas.Brush().SetColor(clBlue);
        nested = true;
        SendMessageW(wnd, WM_PRINTCLIENT, WPARAM(picture.Canvas().Handle()), PRF_CLIENT);
        nested = false;
        canvas.FillRect(r);
    };
    c->paint = [&] { paint(c->Handle(), c->Canvas()); };
    form->OnPaint = [&](TObject*) { paint(form->Handle(), form->Canvas()); };
    form->Show();
    Pump(50);
    const struct {
        const char* painter;
        HWND wnd;
    } rows[] = {{"a control's Paint", c->Handle()}, {"a form's OnPaint", form->Handle()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.painter);
        RECT all{0, 0, picture.Width(), picture.Height()};
        picture.Canvas().Brush().SetColor(clWhite);
        picture.Canvas().FillRect(all);
        InvalidateRect(row.wnd, nullptr, TRUE);
        EXPECT_EQ(WindowPixel(row.wnd, 5, 5), RGB(0, 0, 255)) << "the outer paint drew on its window";
        GdiFlush();
        EXPECT_EQ(picture.Canvas().Pixel(5, 5), RGB(0, 255, 0)) << "the nested paint drew the picture";
    }
    form->OnPaint = nullptr;
}

}  // namespace
