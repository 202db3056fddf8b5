// Combo-box wrappers on real windows under the sample skin: the list wrapper
// that comes with the first drop and goes with the skin, the drop button and
// the selected text as the skin paints them, the handles a long run of drops
// leaves, and a combo box of another package with a list box of its own.
#include "tests/skin/SkinRuntimeFixture.h"

#include <atomic>
#include <climits>
#include <set>
#include <thread>

#include "classlib/GdiHandle.h"
#include "classlib/ListControls.h"
#include "classlib/TypInfo.h"
#include "skin/controls/ComboWnd.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/core/MaskPaintBitmap.h"
#include "tests/skin/WrapperFixture.h"

using namespace skintest;

namespace {

// A combo box of another package, standing in for one the class-name lists
// may name: it publishes "FocusColor" and shows its list as a list box of its
// own, made when it first drops.
class TOtherComboBox : public TComboBox {
    DECLARE_CLASS(TOtherComboBox, TComboBox)
public:
    explicit TOtherComboBox(TComponent* owner) : TComboBox(owner)
    {
        static bool registered = [] {
            RegisterProperty(StaticClassInfo(), OrdProperty<TOtherComboBox, TColor>(L"FocusColor",
                                                                                    &TOtherComboBox::FocusColor,
                                                                                    &TOtherComboBox::SetFocusColor));
            return true;
        }();
        (void)registered;
    }
    TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(TColor c) { focusColor_ = c; }
    // Shows the list, making it the first time.
    TListBox* ShowList()
    {
        if (!list_) {
            list_ = new TListBox(this);
            list_->SetParent(this);
            list_->SetBounds(0, 0, Width(), 60);
        }
        return list_;
    }

private:
    TColor focusColor_ = clNone;
    TListBox* list_ = nullptr;
};

COLORREF ToRGB(TColor32 c) { return COLORREF(uint32_t(c) & 0xFFFFFF); }

// A pixel of the master bitmap as a COLORREF.
COLORREF MasterPixel(TsSkinManager* m, int x, int y)
{
    uint32_t p = m->MasterBitmap()->Row(y)[x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// The window with its frame as WM_PRINT draws it.
std::unique_ptr<TBitmap> Printed(HWND wnd)
{
    RECT r;
    GetWindowRect(wnd, &r);
    auto bmp = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, TPixelFormat::pf32bit);
    SendMessageW(wnd, WM_PRINT, WPARAM(bmp->Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT);
    GdiFlush();
    return bmp;
}

// A pixel of a window (frame included) as it is on the screen.
COLORREF ScreenPixel(HWND wnd, int x, int y)
{
    WindowDC dc(wnd, WindowDC::waWhole);
    return GetPixel(dc.get(), x, y);
}

// Pixels of colour c inside r, and their horizontal extent.
struct Found {
    int count = 0;
    int minX = INT_MAX, maxX = INT_MIN;
};
Found FindColor(const std::function<COLORREF(int, int)>& pixel, const RECT& r, COLORREF c)
{
    Found f;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (pixel(x, y) == c) {
                ++f.count;
                f.minX = std::min(f.minX, x);
                f.maxX = std::max(f.maxX, x);
            }
    return f;
}

// One step of the mouse: the cursor to a point of the screen, then a button
// (0: none), then a wait.
struct MouseStep {
    POINT at;
    DWORD button;
    int waitMs;
};

// Plays the mouse from another thread while this one pumps: a press on the
// system's own scroll bar runs a loop of its own here until the button-up.
void PlayMouse(const std::vector<MouseStep>& steps)
{
    std::atomic<bool> done{false};
    std::thread mouse([&] {
        for (const MouseStep& s : steps) {
            SetCursorPos(s.at.x, s.at.y);
            Sleep(30);
            if (s.button) {
                INPUT in{};
                in.type = INPUT_MOUSE;
                in.mi.dwFlags = s.button;
                SendInput(1, &in, sizeof in);
            }
            Sleep(DWORD(s.waitMs));
        }
        done = true;
    });
    const DWORD until = GetTickCount() + 10000;
    while (!done && GetTickCount() < until) Pump(10);
    mouse.join();
    Pump(60);
}

// A click of the left button at a point of the screen.
std::vector<MouseStep> ClickSteps(POINT p)
{
    return {{p, MOUSEEVENTF_LEFTDOWN, 60}, {p, MOUSEEVENTF_LEFTUP, 200}};
}

class ComboWnd : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        manager = SampleManager();
        ASSERT_TRUE(manager->SkinData().Active);
        form = NewForm(420, 320);
        form->Show();
        SetCursorPos(0, 0);
        Pump(0);
        DropDownOpen = false;
    }
    void TearDown() override
    {
        wrappers.clear();
        datas.clear();
        SkinRuntime::TearDown();
    }
    TComboBox* Combo(int x, int y, TComboBoxStyle style, int items = 30, int h = 24)
    {
        auto* cb = new TComboBox(form);
        cb->SetStyle(style);
        cb->SetParent(form);
        cb->SetBounds(x, y, 170, h);
        for (int i = 0; i < items; ++i) cb->Items().Add(L"Пункт " + IntToStr(i + 1));
        return cb;
    }
    template <class W = TkvComboBoxWnd>
    W* Wrap(TWinControl* c, const String& section = L"COMBOBOX")
    {
        datas.push_back(std::make_unique<TsCommonData>(c, true));
        W* w = CreateWrapper<W>(c->Handle(), datas.back().get(), manager, section, true);
        wrappers.emplace_back(w);
        Pump(0);
        return w;
    }
    static HWND ListOf(TComboBox* cb)
    {
        COMBOBOXINFO info{sizeof info};
        GetComboBoxInfo(cb->Handle(), &info);
        return info.hwndList;
    }
    void Drop(TComboBox* cb, bool down)
    {
        cb->SetDroppedDown(down);
        Pump(0);
    }
    COLORREF BorderColor() const { return ToRGB(manager->Palette()[27]); }

    TsSkinManager* manager = nullptr;
    TSkinTestForm* form = nullptr;
    std::vector<std::unique_ptr<TsCommonData>> datas;
    std::vector<std::unique_ptr<TkvMainWnd>> wrappers;
};

}  // namespace

// The first drop attaches a wrapper to the list window: the property holds
// it and the list's frame is the skin's border colour. Removing the skin
// takes it away again and the list shows the system's frame once more.
TEST_F(ComboWnd, FirstDropAttachesTheListAndTheSkinsRemovalTakesItAway)
{
    TComboBox* cb = Combo(20, 20, TComboBoxStyle::csDropDownList);
    auto* w = Wrap(cb);
    HWND list = ListOf(cb);
    ASSERT_NE(list, nullptr);
    const COLORREF border = BorderColor();
    EXPECT_EQ(GetPropW(list, WrapperPropName), nullptr);
    EXPECT_EQ(w->ListWrapper, nullptr);

    Drop(cb, true);
    EXPECT_TRUE(DropDownOpen);
    ASSERT_NE(w->ListWrapper, nullptr);
    EXPECT_EQ(GetPropW(list, WrapperPropName), static_cast<TkvMainWnd*>(w->ListWrapper));
    RECT lr;
    GetWindowRect(list, &lr);
    int lw = lr.right - lr.left, lh = lr.bottom - lr.top;
    EXPECT_EQ(ScreenPixel(list, lw / 2, 0), border);
    EXPECT_EQ(ScreenPixel(list, 0, lh / 2), border);
    EXPECT_EQ(ScreenPixel(list, lw / 2, lh - 1), border);
    Drop(cb, false);
    EXPECT_FALSE(DropDownOpen);

    // The skin goes: the list's wrapper with it, and a list that was given a
    // sizing frame meanwhile gets the plain border back.
    SetWindowLongPtrW(list, GWL_STYLE, (GetWindowLongPtrW(list, GWL_STYLE) & ~LONG_PTR(WS_BORDER)) | WS_THICKFRAME);
    SendMessageW(cb->Handle(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdRemoveSkin), LPARAM(manager));
    EXPECT_EQ(GetPropW(list, WrapperPropName), nullptr);
    EXPECT_EQ(w->ListWrapper, nullptr);
    LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_FALSE(style & WS_THICKFRAME);
    manager->SetActive(false);
    Pump(0);
    Drop(cb, true);
    EXPECT_EQ(GetPropW(list, WrapperPropName), nullptr);
    GetWindowRect(list, &lr);
    EXPECT_NE(ScreenPixel(list, (lr.right - lr.left) / 2, 0), border);
    Drop(cb, false);
}

// The list of a simple combo box lies inside the box; the wrapper attaches to
// it at the first paint and leaves its size alone.
TEST_F(ComboWnd, SimpleListKeepsItsSize)
{
    TComboBox* cb = Combo(20, 20, TComboBoxStyle::csSimple, 12, 150);
    HWND list = ListOf(cb);
    RECT before;
    GetWindowRect(list, &before);
    auto* w = Wrap(cb);
    RedrawWindow(cb->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(0);
    ASSERT_NE(w->ListWrapper, nullptr);
    EXPECT_TRUE(w->ListWrapper->SimpleList);
    RECT after;
    GetWindowRect(list, &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_TRUE(w->DropButtonRect().right == w->DropButtonRect().left);
}

// Five hundred drops: one list wrapper, one brush answered to the list all
// along, no handle more at the end; the brush goes with the wrapper.
TEST_F(ComboWnd, FiveHundredDropsKeepTheHandles)
{
    TComboBox* cb = Combo(20, 20, TComboBoxStyle::csDropDownList);
    auto* w = Wrap(cb);
    HWND list = ListOf(cb);
    Drop(cb, true);
    Drop(cb, false);
    TkvComboListWnd* listWrapper = w->ListWrapper;
    ASSERT_NE(listWrapper, nullptr);
    HDC screen = GetDC(nullptr);
    auto answer = [&] { return HBRUSH(SendMessageW(cb->Handle(), WM_CTLCOLORLISTBOX, WPARAM(screen), LPARAM(list))); };
    HBRUSH brush = answer();
    ASSERT_NE(brush, nullptr);
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    long countedBefore = LiveHandles(THandleKind::hkGdiObject);
    std::set<HBRUSH> answered;
    for (int i = 0; i < 500; ++i) {
        Drop(cb, true);
        answered.insert(answer());
        Drop(cb, false);
    }
    EXPECT_EQ(answered, std::set<HBRUSH>{brush});
    EXPECT_EQ(w->ListWrapper, listWrapper);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_EQ(LiveHandles(THandleKind::hkGdiObject), countedBefore);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH));
    wrappers.clear();
    EXPECT_EQ(GetObjectType(brush), 0u);
}

// The drop button shows the COMBOBTN section and the combo's glyph for the
// state (normal, hot, pressed while the list is open): the frame line and the
// glyph in the mask's colours of that state, the inside as the section's
// texture paints it.
TEST_F(ComboWnd, DropButtonShowsTheSkinNormalAndHot)
{
    TComboBox* cb = Combo(20, 20, TComboBoxStyle::csDropDownList);
    auto* w = Wrap(cb);
    int btn = manager->FindSectionIndex(L"COMBOBTN");
    int btnMask = manager->FindMaskIndex(btn, L"COMBOBTN", L"BORDERSMASK");
    int combo = manager->FindSectionIndex(L"COMBOBOX");
    int glyph = manager->FindMaskIndex(combo, L"COMBOBOX", L"GLYPHMASK");
    ASSERT_TRUE(manager->IsMaskIndexValid(btnMask));
    ASSERT_TRUE(manager->IsMaskIndexValid(glyph));
    const TsMaskData& bm = manager->ma()[size_t(btnMask)];
    const TsMaskData& gm = manager->ma()[size_t(glyph)];
    RECT br = w->DropButtonRect();
    int bw = br.right - br.left, bh = br.bottom - br.top;
    RECT wr;
    GetWindowRect(cb->Handle(), &wr);
    int gx = br.left + (bw - MaskFrameWidth(gm)) / 2, gy = ((wr.bottom - wr.top) - MaskStateHeight(gm)) / 2;

    struct Row {
        const char* what;
        int state;
    } rows[] = {{"normal", 0}, {"hot", 1}, {"pressed", 2}};
    std::vector<COLORREF> insides;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        // Hot: the mouse over the box.
        manager->SetHotWindow(r.state == 1 ? cb->Handle() : nullptr);
        SetCursorPos(r.state == 1 ? wr.left + 20 : 0, r.state == 1 ? (wr.top + wr.bottom) / 2 : 0);
        Pump(30);
        if (r.state == 2) Drop(cb, true);
        Pump(0);
        ASSERT_EQ(w->DropButtonState(), r.state);
        // The frame line at the middle of the button's top edge, on the
        // screen and in a printed picture.
        int fw = MaskFrameWidth(bm);
        COLORREF line = MasterPixel(manager, bm.SourceRect.left + r.state * fw + fw / 2, bm.SourceRect.top);
        EXPECT_EQ(ScreenPixel(cb->Handle(), br.left + bw / 2, br.top), line);
        auto shot = Printed(cb->Handle());
        EXPECT_EQ(At(*shot, br.left + bw / 2, br.top), line);
        // The glyph: the first pixel of its widest row, in the glyph's colour of the state.
        int gfw = MaskFrameWidth(gm);
        int gxm = gm.SourceRect.left + r.state * gfw, gym = gm.SourceRect.top;
        int row = -1, col = -1;
        for (int y = 0; y < MaskStateHeight(gm) && row < 0; ++y)
            for (int x = 0; x < gfw && row < 0; ++x)
                if (MasterPixel(manager, gxm + x, gym + y) != RGB(255, 0, 255)) row = y, col = x;
        ASSERT_GE(row, 0);
        EXPECT_EQ(At(*shot, gx + col, gy + row), MasterPixel(manager, gxm + col, gym + row));
        // The inside, left of the glyph, as the section paints it for the state.
        TBitmap expected(bw, bh, TPixelFormat::pf32bit);
        TsBgCacheInfo bg = EmptyBgCacheInfo;
        bg.Bmp = &expected;
        bg.Ready = true;
        PaintSkinItem(btn, L"COMBOBTN", bg, -1, -1, manager, &expected, POINT{}, RECT{0, 0, bw, bh}, r.state, 0);
        GdiFlush();
        int differing = 0;
        for (int y = bm.MarginTop; y < bh - bm.MarginBottom; ++y)
            differing += At(*shot, br.left + bm.MarginLeft, br.top + y) != At(expected, bm.MarginLeft, y);
        EXPECT_EQ(differing, 0);
        insides.push_back(At(*shot, br.left + bm.MarginLeft, br.top + bh / 2));
    }
    EXPECT_NE(insides[0], insides[1]);
    Drop(cb, false);
    EXPECT_EQ(ScreenPixel(cb->Handle(), br.left + bw / 2, br.top),
              MasterPixel(manager, bm.SourceRect.left + MaskFrameWidth(bm) / 2, bm.SourceRect.top))
        << "normal again when the list closes";
    manager->SetHotWindow(nullptr);
}

// The selected item of a drop-down list is written in the section's font
// colour, on the screen and in a printed picture, beside the drop button
// whatever the reading order.
TEST_F(ComboWnd, SelectedTextInTheSectionsFontColour)
{
    int section = manager->FindSectionIndex(L"COMBOBOX");
    COLORREF font = ToRGB(manager->gd()[size_t(section)].Props[0].FontColor);
    ASSERT_NE(font, RGB(0, 0, 0));
    struct Row {
        const char* what;
        bool rtl;
    } rows[] = {{"left to right", false}, {"right to left", true}};
    int y = 20;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TComboBox* cb = Combo(20, y, TComboBoxStyle::csDropDownList);
        y += 40;
        if (r.rtl) SetWindowLongPtrW(cb->Handle(), GWL_EXSTYLE, GetWindowLongPtrW(cb->Handle(), GWL_EXSTYLE) | WS_EX_RTLREADING);
        cb->SetItemIndex(3);
        UpdateWindow(cb->Handle());
        Pump(0);
        HWND h = cb->Handle();
        RECT client;
        GetClientRect(h, &client);
        auto onScreen = [&](int x, int yy) { return ScreenPixel(h, x, yy); };
        EXPECT_EQ(FindColor(onScreen, client, font).count, 0) << "not skinned yet";

        auto* w = Wrap(cb);
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Pump(0);
        RECT button = w->DropButtonRect();
        RECT text = combogeo::TextRect(client.right, client.bottom, button, r.rtl);
        EXPECT_GT(FindColor(onScreen, text, font).count, 10) << "on the screen";

        auto shot = Printed(h);
        Found printed = FindColor([&](int x, int yy) { return At(*shot, x, yy); }, client, font);
        EXPECT_GT(printed.count, 10) << "printed";
        EXPECT_GE(printed.minX, text.left);
        EXPECT_LT(printed.maxX, text.right);
        if (button.left > client.right / 2)
            EXPECT_LT(printed.maxX, button.left);
        else
            EXPECT_GE(printed.minX, button.right);
    }
}

// A combo box of another package: its colours become the skin's and come
// back when the skin goes and when the wrapper goes; its own list box gets an
// edit wrapper of its own; a simple one shows no drop button.
TEST_F(ComboWnd, OtherPackagesComboColoursRoundTrip)
{
    int section = manager->FindSectionIndex(L"COMBOBOX");
    const TsGenState& normal = manager->gd()[size_t(section)].Props[0];
    struct Row {
        const char* what;
        TComboBoxStyle style;
        bool button;
    } rows[] = {{"drop-down", TComboBoxStyle::csDropDown, true}, {"simple", TComboBoxStyle::csSimple, false}};
    const TColor ownColor = TColor(0x20C0F0), ownFont = TColor(0x004080), ownFocus = TColor(0x80FF80);
    int y = 20;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* cb = new TOtherComboBox(form);
        cb->SetStyle(r.style);
        cb->SetParent(form);
        cb->SetBounds(20, y, 170, r.style == TComboBoxStyle::csSimple ? 100 : 24);
        y += 120;
        cb->SetColor(ownColor);
        cb->Font().SetColor(ownFont);
        cb->SetFocusColor(ownFocus);
        auto own = [&] {
            EXPECT_EQ(cb->Color(), ownColor);
            EXPECT_EQ(cb->Font().Color(), ownFont);
            EXPECT_EQ(cb->FocusColor(), ownFocus);
        };
        auto skinned = [&] {
            EXPECT_EQ(ColorToRGB(cb->Color()), ToRGB(normal.Color));
            EXPECT_EQ(ColorToRGB(cb->Font().Color()), ToRGB(normal.FontColor));
            EXPECT_EQ(ColorToRGB(cb->FocusColor()), ToRGB(normal.Color));
        };
        datas.push_back(std::make_unique<TsCommonData>(cb, true));
        auto refresh = [&] {
            SendMessageW(cb->Handle(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdRefresh), LPARAM(manager));
        };
        auto* w = TkvWWComboBoxWnd::CreateForControl(cb, datas.back().get(), manager, L"COMBOBOX", true);
        wrappers.emplace_back(w);
        EXPECT_EQ(w->ShowButton, r.button);
        EXPECT_EQ(w->DropButtonRect().right > w->DropButtonRect().left, r.button);
        refresh();
        skinned();

        TListBox* list = cb->ShowList();
        Pump(0);
        EXPECT_EQ(w->ListBox, list);
        ASSERT_NE(GetWrapper(list->Handle()), nullptr);
        EXPECT_TRUE(GetWrapper(list->Handle())->InheritsFrom(L"TkvEditWnd"));

        SendMessageW(cb->Handle(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdRemoveSkin), LPARAM(manager));
        own();
        refresh();
        skinned();
        wrappers.pop_back();
        own();
        EXPECT_EQ(GetWrapper(list->Handle()), nullptr);
    }
}

// A form with skinned combo boxes, closed and with one list dropped.
TEST_F(ComboWnd, Screenshot)
{
    form->SetBounds(40, 40, 420, 300);
    TComboBox* edit = Combo(20, 20, TComboBoxStyle::csDropDown, 8);
    edit->SetText(L"Своё значение");
    TComboBox* list = Combo(20, 60, TComboBoxStyle::csDropDownList, 30);
    list->SetItemIndex(2);
    TComboBox* simple = Combo(220, 20, TComboBoxStyle::csSimple, 10, 160);
    simple->SetItemIndex(1);
    Wrap(edit);
    Wrap(list);
    Wrap(simple);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(100);
    String closed = SaveWindowShot(form->Handle(), L"skinned_combo_closed");
    EXPECT_FALSE(closed.empty());
    Drop(list, true);
    Pump(100);
    String dropped = SaveWindowShot(form->Handle(), L"skinned_combo_dropped");
    EXPECT_FALSE(dropped.empty());
    // The open list's frame is on the screen in the skin's border colour.
    RECT lr;
    GetWindowRect(ListOf(list), &lr);
    EXPECT_EQ(ScreenPixel(ListOf(list), (lr.right - lr.left) / 2, lr.bottom - lr.top - 1), BorderColor());
    Drop(list, false);
}

// An open list scrolls by its bar as the plain list does, driven by the
// mouse: a click on the bar's lower arrow moves it one item and a drag of the
// thumb moves it further, and the place stays when the button is let go; a
// click beside the list on the form closes it afterwards.
TEST_F(ComboWnd, OpenListScrollsByItsBarAndAClickElsewhereClosesIt)
{
    struct Row {
        const char* what;
        bool skinned, thumb;
    } rows[] = {{"plain, arrow", false, false},
                {"skinned, arrow", true, false},
                {"plain, thumb", false, true},
                {"skinned, thumb", true, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TComboBox* cb = Combo(20, 20, TComboBoxStyle::csDropDownList, 30);
        cb->SetItemIndex(0);
        if (r.skinned) Wrap(cb);
        RECT box;
        GetWindowRect(cb->Handle(), &box);
        PlayMouse(ClickSteps(POINT{box.left + 40, (box.top + box.bottom) / 2}));
        ASSERT_TRUE(cb->DroppedDown());
        HWND list = ListOf(cb);
        ASSERT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);

        // The vertical bar on the screen and its thumb, as each draws it.
        RECT bar{};
        int thumbTop = 0;
        if (r.skinned) {
            TkvScrollWnd* sw = TkvScrollWnd::Of(list);
            ASSERT_NE(sw, nullptr);
            ASSERT_TRUE(sw->VertBar->Visible);
            bar = sw->VertBarRect();
            thumbTop = bar.top + ScrollBarLayout(*sw->VertBar, bar.bottom - bar.top, manager).ThumbStart;
        } else {
            SCROLLBARINFO sbi{sizeof sbi};
            ASSERT_TRUE(GetScrollBarInfo(list, OBJID_VSCROLL, &sbi));
            bar = sbi.rcScrollBar;
            thumbTop = bar.top + sbi.xyThumbTop;
        }
        const int x = (bar.left + bar.right) / 2;
        if (r.thumb) {
            POINT grab{x, thumbTop + 3};
            std::vector<MouseStep> drag{{grab, MOUSEEVENTF_LEFTDOWN, 60}};
            for (int i = 1; i <= 6; ++i) drag.push_back({POINT{x, grab.y + 8 * i}, 0, 30});
            drag.push_back({POINT{x, grab.y + 48}, MOUSEEVENTF_LEFTUP, 200});
            PlayMouse(drag);
            EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1) << "the dragged place stays";
        } else {
            PlayMouse(ClickSteps(POINT{x, bar.bottom - 4}));
            EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1) << "one item down, and it stays";
        }
        EXPECT_TRUE(cb->DroppedDown()) << "still open after the bar";

        RECT fr;
        GetWindowRect(form->Handle(), &fr);
        PlayMouse(ClickSteps(POINT{fr.right - 30, fr.bottom - 30}));
        EXPECT_FALSE(cb->DroppedDown()) << "a click elsewhere closes it";
        if (cb->DroppedDown()) Drop(cb, false);
        wrappers.clear();
        datas.clear();
        Free(cb);
        Pump(0);
    }
}

// The drop button is painted where the box has its own, whatever the reading
// order: the skin's button line lies over the control's button.
TEST_F(ComboWnd, DropButtonStandsWhereTheBoxHasItsOwn)
{
    int btn = manager->FindSectionIndex(L"COMBOBTN");
    int btnMask = manager->FindMaskIndex(btn, L"COMBOBTN", L"BORDERSMASK");
    ASSERT_TRUE(manager->IsMaskIndexValid(btnMask));
    const TsMaskData& bm = manager->ma()[size_t(btnMask)];
    const int fw = MaskFrameWidth(bm);
    const COLORREF line = MasterPixel(manager, bm.SourceRect.left + fw / 2, bm.SourceRect.top);
    struct Row {
        const char* what;
        DWORD exStyle;
    } rows[] = {{"left to right", 0}, {"right to left", WS_EX_RTLREADING}};
    int y = 20;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TComboBox* cb = Combo(20, y, TComboBoxStyle::csDropDownList);
        y += 40;
        HWND h = cb->Handle();
        SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | LONG_PTR(r.exStyle));
        auto* w = Wrap(cb);
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Pump(0);
        COMBOBOXINFO info{sizeof info};
        ASSERT_TRUE(GetComboBoxInfo(h, &info));
        RECT own = info.rcButton, wr;
        GetWindowRect(h, &wr);
        POINT origin{0, 0};
        ClientToScreen(h, &origin);
        OffsetRect(&own, origin.x - wr.left, origin.y - wr.top);
        RECT painted = w->DropButtonRect();
        EXPECT_TRUE(EqualRect(&painted, &own));
        EXPECT_EQ(ScreenPixel(h, (own.left + own.right) / 2, own.top), line);
        auto shot = Printed(h);
        EXPECT_EQ(At(*shot, (own.left + own.right) / 2, own.top), line);
    }
}

// The drop button is hot while the mouse is over the box and normal again
// once it leaves, also straight out of the form.
TEST_F(ComboWnd, DropButtonIsHotOnlyWhileTheMouseIsOverTheBox)
{
    TComboBox* cb = Combo(20, 20, TComboBoxStyle::csDropDownList);
    auto* w = Wrap(cb);
    HWND h = cb->Handle();
    RECT br = w->DropButtonRect(), box, fr;
    GetWindowRect(h, &box);
    GetWindowRect(form->Handle(), &fr);
    const POINT inside{(br.left + br.right) / 2, br.top + (br.bottom - br.top) / 3};
    auto pixel = [&] { return ScreenPixel(h, inside.x, inside.y); };
    auto moveTo = [&](POINT p) {
        PlayMouse({{p, 0, 60}});
        Pump(60);
    };
    const COLORREF normal = pixel();
    ASSERT_EQ(w->DropButtonState(), 0);

    struct Step {
        const char* what;
        POINT to;
        int state;
    } steps[] = {{"over the box", POINT{box.left + 30, (box.top + box.bottom) / 2}, 1},
                 {"on the form beside it", POINT{box.right + 40, (box.top + box.bottom) / 2}, 0},
                 {"over the box again", POINT{box.left + 30, (box.top + box.bottom) / 2}, 1},
                 {"straight out of the form", POINT{box.left + 30, fr.top - 20}, 0}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        moveTo(s.to);
        EXPECT_EQ(w->DropButtonState(), s.state);
        if (s.state == 0)
            EXPECT_EQ(pixel(), normal);
        else
            EXPECT_NE(pixel(), normal);
    }
    manager->SetHotWindow(nullptr);
}

// An open owner-drawn list paints its items through the box: the box is not
// painted again for each of them.
TEST_F(ComboWnd, OwnerDrawnListPaintsWithoutRepaintingTheBoxPerItem)
{
    struct Row {
        const char* what;
        bool skinned;
    } rows[] = {{"plain", false}, {"skinned", true}};
    int paints[2] = {};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(rows[i].what);
        TComboBox* cb = Combo(20, 20, TComboBoxStyle::csOwnerDrawFixed, 8);
        cb->SetDropDownCount(8);
        if (rows[i].skinned) Wrap(cb);
        Drop(cb, true);
        Pump(50);
        HWND list = ListOf(cb);
        ASSERT_TRUE(IsWindowVisible(list));
        PaintCounter counter;
        ASSERT_TRUE(counter.Hook(cb->Handle()));
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Pump(100);
        paints[i] = counter.paints;
        counter.Unhook();
        Drop(cb, false);
        wrappers.clear();
        datas.clear();
        Free(cb);
        Pump(0);
    }
    EXPECT_LE(paints[1], paints[0] + 1);
}

// The library-wide flag of an open list goes off when the open box goes, or
// its wrapper.
TEST_F(ComboWnd, FreeingAnOpenBoxClearsTheOpenListFlag)
{
    struct Row {
        const char* what;
        bool freeBox;
    } rows[] = {{"the wrapper freed", false}, {"the box freed", true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TComboBox* cb = Combo(20, 20, TComboBoxStyle::csDropDownList);
        Wrap(cb);
        Drop(cb, true);
        ASSERT_TRUE(DropDownOpen);
        if (r.freeBox) {
            Free(cb);
            Pump(0);
            EXPECT_FALSE(DropDownOpen);
        } else {
            wrappers.clear();
            EXPECT_FALSE(DropDownOpen);
            Free(cb);
        }
        wrappers.clear();
        datas.clear();
        DropDownOpen = false;
        Pump(0);
    }
}

// A combo box made with Win32 and skinned outside a dialog keeps the system's
// colours in its edit field: the field gets no wrapper of its own.
TEST_F(ComboWnd, Win32ComboOutsideADialogKeepsAPlainEditField)
{
    HWND h = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 20, 20, 170, 200,
                             form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(h, nullptr);
    wrappers.emplace_back(CreateWrapper<TkvComboBoxWnd>(h, nullptr, manager, L"COMBOBOX", true));
    HWND edit = FindWindowExW(h, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(30);
    EXPECT_NE(GetWrapper(h), nullptr);
    EXPECT_EQ(GetWrapper(edit), nullptr);
    RECT er;
    GetClientRect(edit, &er);
    EXPECT_EQ(WindowPixel(edit, er.right - 3, er.bottom / 2), GetSysColor(COLOR_WINDOW));
    wrappers.clear();
    DestroyWindow(h);
}
