// The edit wrapper on real windows under the sample skin: a disabled
// single-line edit shown from the wrapper's cache, the list box's top index,
// a memo's thumb drag, the colour round trip, and event handlers the wrapper
// installs coming back only while they are still the wrapper's.
#include "tests/skin/WrapperFixture.h"

#include <memory>

#include "classlib/ExtCtrls.h"
#include "classlib/ListControls.h"
#include "classlib/ScrollBox.h"
#include "classlib/Subclass.h"
#include "skin/controls/EditWnd.h"
#include "skin/core/MaskPaintBitmap.h"

using namespace skintest;

namespace {

String ManyLines(int n)
{
    String s;
    for (int i = 0; i < n; ++i) s += L"line " + std::to_wstring(i) + L"\r\n";
    return s;
}

class EditWrappers : public OwnDataWrappers {
protected:
    EditWrappers() : OwnDataWrappers(460, 340) {}
    template <class W = TkvEditWnd>
    W* Wrap(TWinControl* c, const String& section = L"")
    {
        return WrapWithOwnData<W>(c, section, 20);
    }
    void Command(HWND wnd, unsigned command)
    {
        SendMessageW(wnd, SkinCommandMessage, MAKEWPARAM(0, command), LPARAM(manager));
        Pump(20);
    }
    const TsGeneralData& Edit() { return manager->gd()[size_t(manager->FindSectionIndex(L"EDIT"))]; }
};

}  // namespace

// A disabled single-line edit: its client on the screen is the wrapper's cache
// (which holds the disabled text), not what the control paints.
TEST_F(EditWrappers, DisabledSingleLineEditIsDrawnFromTheCache)
{
    auto* edit = Add<TEdit>(form, 20, 20, 160, 24);
    edit->SetText(L"Disabled text");
    TkvEditWnd* w = Wrap(edit);
    EXPECT_TRUE(w->IsSingleLine);
    edit->SetEnabled(false);
    RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Pump(50);
    ASSERT_TRUE(w->IsDisabledSingleLine());
    ASSERT_TRUE(w->CacheReady());

    auto shot = ClientShot(edit->Handle());
    TBitmap& cache = *w->CommonData->CacheBitmap;
    RECT inner = w->ClientInWindow();
    int differing = 0, ink = 0;
    COLORREF background = At(cache, inner.left + 1, inner.top + 1);
    for (int y = 0; y < shot->Height(); ++y)
        for (int x = 0; x < shot->Width(); ++x) {
            COLORREF c = At(cache, inner.left + x, inner.top + y);
            differing += At(*shot, x, y) != c;
            ink += c != background;
        }
    EXPECT_EQ(differing, 0);
    // The cache holds the text: pixels unlike the background.
    EXPECT_GT(ink, 20);

    // Enabled again, the control paints its own text over the skin's colour.
    edit->SetEnabled(true);
    Pump(50);
    EXPECT_FALSE(w->IsDisabledSingleLine());
    EXPECT_EQ(ColorToRGB(edit->Color()), COLORREF(Edit().Props[0].Color));
}

// LB_GETTOPINDEX: -1 for an empty list box of the class library, the
// control's own answer otherwise (a list with items, a native list box).
TEST_F(EditWrappers, TopIndexOfListBoxes)
{
    struct Row {
        const char* what;
        int items;
        int top;
        bool native;
        LRESULT expected;
    } rows[] = {
        {"empty list box", 0, 0, false, -1},
        {"list box at its top", 30, 0, false, 0},
        {"list box scrolled", 30, 7, false, 7},
        {"empty native list box", 0, 0, true, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        HWND wnd;
        if (r.native) {
            wnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 20, 20, 120,
                                  120, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
            wrappers.emplace_back(CreateWrapper<TkvEditWnd>(wnd, nullptr, manager, L"", true));
        } else {
            auto* list = Add<TListBox>(form, 20, 20, 120, 120);
            for (int i = 0; i < r.items; ++i) list->Items().Add(L"item " + std::to_wstring(i));
            wnd = list->Handle();
            Wrap(list);
        }
        if (r.top) SendMessageW(wnd, LB_SETTOPINDEX, WPARAM(r.top), 0);
        EXPECT_EQ(SendMessageW(wnd, LB_GETTOPINDEX, 0, 0), r.expected);
        wrappers.clear();
        if (r.native) DestroyWindow(wnd);
    }
}

// Dragging a memo's thumb scrolls the memo and moves the skinned bar while
// the button is still down.
TEST_F(EditWrappers, MemoThumbDragMovesTheBarWhileDragging)
{
    auto* memo = Add<TMemo>(form, 20, 20, 200, 160);
    memo->SetScrollBars(TScrollStyle::ssVertical);
    memo->SetWordWrap(false);
    memo->Lines().SetText(ManyLines(200));
    TkvEditWnd* w = Wrap(memo);
    HWND h = memo->Handle();
    RECT bar = w->VertBarRect();
    scrollgeo::BarLayout l = ScrollBarLayout(*w->VertBar, bar.bottom - bar.top, manager);
    ASSERT_TRUE(l.ThumbFits);
    POINT grab{(bar.left + bar.right) / 2, bar.top + l.ThumbStart + l.ThumbSize / 2};
    SetCursorPos(grab.x, grab.y);
    SendMessageW(h, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(grab.x, grab.y));
    int lastLine = int(SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0));
    int lastPos = w->VertBar->Info.nPos;
    int moves = 0;
    for (int dy = 10; dy <= 60; dy += 10) {
        POINT p{grab.x, grab.y + dy};
        SetCursorPos(p.x, p.y);
        ScreenToClient(h, &p);
        SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        Pump(0);
        int line = int(SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0));
        int pos = w->VertBar->Info.nPos;
        EXPECT_GT(line, lastLine) << dy;
        EXPECT_GT(pos, lastPos) << dy;
        // The bar shows the memo's position, read from the window.
        EXPECT_EQ(pos, GetScrollPos(h, SB_VERT)) << dy;
        moves += line > lastLine;
        lastLine = line;
        lastPos = pos;
    }
    EXPECT_GT(moves, 0);
    POINT up{grab.x, grab.y + 60};
    ScreenToClient(h, &up);
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    EXPECT_EQ(int(SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0)), lastLine);
}

// The skin's colours on, off with the skin, and the control's own back when
// the wrapper goes.
TEST_F(EditWrappers, ColourRoundTrip)
{
    const TColor own = RGBColor(10, 200, 30), ownFont = RGBColor(200, 0, 0);
    auto* memo = Add<TMemo>(form, 20, 20, 150, 100);
    auto* edit = Add<TEdit>(form, 200, 20, 150, 24);
    auto* list = Add<TListBox>(form, 200, 60, 150, 100);
    for (TControl* c : std::initializer_list<TControl*>{memo, edit, list}) {
        String name = c->ClassName();
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        c->SetColor(own);
        c->Font().SetColor(ownFont);
        auto* wc = static_cast<TWinControl*>(c);
        TkvEditWnd* w = Wrap(wc);
        Command(wc->Handle(), SkinCmdRefresh);
        EXPECT_EQ(ColorToRGB(c->Color()), COLORREF(Edit().Props[0].Color));
        EXPECT_EQ(ColorToRGB(c->Font().Color()), COLORREF(Edit().Props[0].FontColor));
        EXPECT_EQ(ColorToRGB(w->SkinColor), COLORREF(Edit().Props[0].Color));

        manager->SetActive(false);
        Command(wc->Handle(), SkinCmdRemoveSkin);
        EXPECT_EQ(c->Color(), own);
        EXPECT_EQ(c->Font().Color(), ownFont);

        manager->SetActive(true);
        Command(wc->Handle(), SkinCmdNewSkin);
        Command(wc->Handle(), SkinCmdRefresh);
        EXPECT_EQ(ColorToRGB(c->Color()), COLORREF(Edit().Props[0].Color));
        wrappers.pop_back();   // freed without removing the skin
        EXPECT_EQ(c->Color(), own);
        EXPECT_EQ(c->Font().Color(), ownFont);
    }
}

namespace {
// A descendant wrapper that puts a handler of its own into the control's OnClick.
class ClickWrapper : public TkvEditWnd {
public:
    using TkvEditWnd::TkvEditWnd;
    void Clicked(TObject*) { ++clicks; }
    void Install() { InstallHandler(OwnerControl(), OwnerControl()->OnClick, TNotifyEvent(this, &ClickWrapper::Clicked)); }
    int clicks = 0;
};
struct Listener {
    void Clicked(TObject*) {}
    void Other(TObject*) {}
};
}  // namespace

// A handler the wrapper installs goes back to the one before it when the
// skin is removed or the wrapper is freed, but only while the event still
// holds the wrapper's: a handler set after the wrapper stays.
TEST_F(EditWrappers, InstalledHandlersComeBackOnlyWhileStillTheWrappers)
{
    Listener app;
    const TNotifyEvent before(&app, &Listener::Clicked), later(&app, &Listener::Other);
    struct Row {
        const char* what;
        bool replacedLater;
        bool byRemoval;   // else by freeing the wrapper
    } rows[] = {{"removal, still ours", false, true},
                {"removal, replaced", true, true},
                {"freed, still ours", false, false},
                {"freed, replaced", true, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* memo = Add<TMemo>(form, 20, 20, 150, 100);
        memo->OnClick = before;
        auto* w = Wrap<ClickWrapper>(memo);
        w->Install();
        ASSERT_EQ(w->InstalledHandlerCount(), 1);
        memo->OnClick(memo);
        EXPECT_EQ(w->clicks, 1);
        if (r.replacedLater) memo->OnClick = later;
        if (r.byRemoval)
            Command(memo->Handle(), SkinCmdRemoveSkin);
        else
            wrappers.pop_back();
        EXPECT_TRUE(memo->OnClick == (r.replacedLater ? later : before));
        wrappers.clear();
        datas.clear();
        delete memo;
    }
}

// A scroll box shows its section (PANEL_LOW) round its children, is painted
// once per invalidation, and its skinned bar scrolls the children.
TEST_F(EditWrappers, ScrollBoxShowsItsSectionAndScrollsItsChildren)
{
    auto* box = Add<TScrollBox>(form, 20, 20, 220, 160);
    auto* top = Add<TPanel>(box, 10, 10, 120, 40);
    auto* distant = Add<TPanel>(box, 10, 400, 120, 40);
    box->UpdateScrollBars();
    datas.push_back(std::make_unique<TsCommonData>(box, true));
    auto* w = CreateWrapper<TkvScrollBoxWnd>(box->Handle(), datas.back().get(), manager, L"", true);
    wrappers.emplace_back(w);
    RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Pump(30);
    ASSERT_TRUE(w->VertBar->Visible);

    // Between the children: the section's colour.
    const TsGeneralData& low = manager->gd()[size_t(manager->FindSectionIndex(L"PANEL_LOW"))];
    EXPECT_EQ(WindowPixel(box->Handle(), 180, 100), COLORREF(low.Props[0].Color));

    auto counter = std::make_unique<PaintCounter>();
    ASSERT_TRUE(counter->Hook(box->Handle()));
    InvalidateRect(box->Handle(), nullptr, TRUE);
    Pump(100);
    EXPECT_GE(counter->paints, 1);
    counter->paints = 0;
    Pump(1000);
    EXPECT_LE(counter->paints, 2);
    counter->Unhook();

    // A page down on the skinned bar moves the children up by the page.
    int farTop = distant->Top();
    RECT bar = w->VertBarRect();
    scrollgeo::BarLayout l = ScrollBarLayout(*w->VertBar, bar.bottom - bar.top, manager);
    POINT page{(bar.left + bar.right) / 2, bar.top + (l.ThumbStart + l.ThumbSize + l.Length - l.Arrow) / 2};
    SetCursorPos(page.x, page.y);
    SendMessageW(box->Handle(), WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(page.x, page.y));
    POINT up = page;
    ScreenToClient(box->Handle(), &up);
    SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    Pump(30);
    EXPECT_GT(box->VertPosition(), 0);
    EXPECT_EQ(distant->Top(), farTop - box->VertPosition());
    EXPECT_EQ(top->Top(), 10 - box->VertPosition());
    EXPECT_EQ(w->VertBar->Info.nPos, box->VertPosition());
    SetCursorPos(0, 0);
}

// After the library's start-up, UpdateEditWnd gives a skinned control an edit
// wrapper, and takes it away once the control is no longer skinned.
TEST_F(EditWrappers, UpdateEditWndMakesAnEditWrapper)
{
    auto* memo = Add<TMemo>(form, 20, 20, 150, 100);
    TsCommonData data(memo, true);
    data.SetSkinSection(L"EDIT");
    data.UpdateIndexes();
    ASSERT_TRUE(data.IsSkinned());
    TkvMainWnd* w = nullptr;
    UpdateEditWnd(&data, w);
    EXPECT_NE(dynamic_cast<TkvEditWnd*>(w), nullptr);
    EXPECT_EQ(GetWrapper(memo->Handle()), w);
    data.SetSkinSection(L"");
    UpdateEditWnd(&data, w);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(GetWrapper(memo->Handle()), nullptr);
}

// WM_PRINT of a wrapped control gives its picture as the screen shows it:
// the frame from the wrapper's cache and the client in the skin's colour.
TEST_F(EditWrappers, PrintGivesTheSkinnedFrameAndClient)
{
    auto* memo = Add<TMemo>(form, 20, 20, 180, 120);
    auto* list = Add<TListBox>(form, 220, 20, 180, 120);
    for (TWinControl* c : std::initializer_list<TWinControl*>{memo, list}) {
        String name = c->ClassName();
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        TkvEditWnd* w = Wrap(c);
        RECT wr;
        GetWindowRect(c->Handle(), &wr);
        TBitmap shot(wr.right - wr.left, wr.bottom - wr.top, TPixelFormat::pf32bit);
        SendMessageW(c->Handle(), WM_PRINT, WPARAM(shot.Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT);
        GdiFlush();
        ASSERT_TRUE(w->CacheReady());
        TBitmap& cache = *w->CommonData->CacheBitmap;
        RECT inner = w->ClientInWindow();
        // The frame ring: the cache's pixels.
        int differing = 0;
        for (int x = 0; x < shot.Width(); ++x) {
            differing += At(shot, x, 0) != At(cache, x, 0);
            differing += At(shot, x, shot.Height() - 1) != At(cache, x, shot.Height() - 1);
        }
        for (int y = 0; y < inner.top; ++y) differing += At(shot, shot.Width() / 2, y) != At(cache, shot.Width() / 2, y);
        EXPECT_EQ(differing, 0);
        // An empty client: the skin's colour.
        EXPECT_EQ(At(shot, inner.left + 20, inner.bottom - 10), ColorToRGB(w->SkinColor));
        EXPECT_EQ(ColorToRGB(w->SkinColor), COLORREF(Edit().Props[0].Color));
    }
}
