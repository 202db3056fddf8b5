// The button, check-box and speed-button wrappers and the small wrappers
// under Wine with the sample skin: what their caches and windows show,
// compared with renderings made in the same run or colours of the skin.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <set>

#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "skin/controls/ButtonGeometry.h"
#include "skin/controls/ButtonWnd.h"
#include "skin/controls/ContainerWnd.h"
#include "skin/controls/StaticWnd.h"
#include "skin/core/ControlPaint.h"
#include "classlib/TypInfo.h"
#include "skin/graphics/Bitmap32.h"
#include "WrapperFixture.h"

namespace {

using namespace skintest;

uint32_t Rgb(TColor c)
{
    COLORREF v = ColorToRGB(c);
    return (uint32_t(GetRValue(v)) << 16) | (uint32_t(GetGValue(v)) << 8) | GetBValue(v);
}

uint32_t CachePixel(TkvMainWnd* w, int x, int y)
{
    GdiFlush();
    return GetPixel32(w->CommonData->CacheBitmap.get(), x, y) & 0xFFFFFF;
}

// Paints a wrapped window into a memory DC through WM_PRINT.
void Print(HWND wnd)
{
    RECT r;
    GetWindowRect(wnd, &r);
    std::unique_ptr<TBitmap> target = NewBitmap32(std::max<LONG>(1, r.right - r.left), std::max<LONG>(1, r.bottom - r.top));
    SendMessageW(wnd, WM_PRINT, WPARAM(target->Canvas().Handle()), PRF_CLIENT | PRF_NONCLIENT);
}

class ButtonWrappers : public SampleSkinForm {
protected:
    ButtonWrappers() : SampleSkinForm(460, 320) {}
    void TearDown() override
    {
        for (TkvMainWnd*& w : wrappers)
            if (w) UnhookWindow(w->Handle, true, false, w);
        SampleSkinForm::TearDown();
    }
    HWND Native(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h)
    {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    template <class W>
    W* Wrap(HWND wnd, const String& section = L"", TsCommonData* data = nullptr)
    {
        W* w = CreateWrapper<W>(wnd, data, manager, section, false);
        wrappers.push_back(w);
        return w;
    }
    // The pixels (0x00RRGGBB) of frame 0 of a GLOBALINFO mask, by name; -1 for key pixels.
    std::vector<int64_t> MaskFrame(const wchar_t* name, SIZE& size)
    {
        int mask = manager->FindMaskIndex(manager->FindSectionIndex(L"GLOBALINFO"), L"GLOBALINFO", name);
        const TsMaskData& md = manager->ma()[size_t(mask)];
        size = SIZE{MaskFrameWidth(md), MaskStateHeight(md)};
        const PixelBitmap* master = manager->MasterBitmap();
        std::vector<int64_t> px;
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) {
                uint32_t p = master->Row(md.SourceRect.top + y)[md.SourceRect.left + x] & 0xFFFFFF;
                px.push_back(p == 0xFF00FF ? -1 : int64_t(p));
            }
        return px;
    }
    // Pixels of the cache that differ from the mask's frame 0 at the glyph rectangle.
    int GlyphMismatches(TkvCheckBoxWnd* w, const wchar_t* name)
    {
        SIZE s{};
        std::vector<int64_t> want = MaskFrame(name, s);
        RECT g = w->GlyphRect();
        int bad = 0;
        for (int y = 0; y < s.cy; ++y)
            for (int x = 0; x < s.cx; ++x) {
                int64_t p = want[size_t(y * s.cx + x)];
                if (p >= 0 && CachePixel(w, g.left + x, g.top + y) != uint32_t(p)) ++bad;
            }
        return bad;
    }
    TColor HotFontColor(const wchar_t* section)
    {
        return TColor(manager->gd()[size_t(manager->FindSectionIndex(section))].Props[1].FontColor);
    }

    std::vector<TkvMainWnd*> wrappers;
};

TEST_F(ButtonWrappers, CheckBoxCacheShowsTheMaskOfItsStateAndStyle)
{
    struct Row {
        DWORD style;
        WPARAM check;
        const wchar_t* mask;
        const wchar_t* other;   // a mask that must not match
        bool atRight;
    } rows[] = {
        {BS_CHECKBOX, BST_CHECKED, L"BOXCHECKED", L"BOXUNCHECKED", false},
        {BS_CHECKBOX | BS_LEFTTEXT, BST_CHECKED, L"BOXCHECKED", L"BOXUNCHECKED", true},
        {BS_CHECKBOX, BST_UNCHECKED, L"BOXUNCHECKED", L"BOXCHECKED", false},
        {BS_3STATE, BST_INDETERMINATE, L"BOXGRAYED", L"BOXCHECKED", false},
        {BS_RADIOBUTTON, BST_CHECKED, L"RADIOCHECKED", L"BOXCHECKED", false},
        {BS_AUTORADIOBUTTON, BST_UNCHECKED, L"RADIOUNCHECKED", L"RADIOCHECKED", false},
    };
    int y = 10;
    for (const Row& r : rows) {
        HWND h = Native(L"BUTTON", L"Флажок", r.style, 10, y, 150, 20);
        y += 24;
        SendMessageW(h, BM_SETCHECK, r.check, 0);
        auto* w = Wrap<TkvCheckBoxWnd>(h);
        EXPECT_EQ(w->CommonData->SkinSection(), L"CHECKBOX");
        Print(h);
        RECT g = w->GlyphRect();
        EXPECT_EQ(g.left, r.atRight ? 150 - 13 : 0) << r.mask;
        EXPECT_EQ(g.top, (20 - 13) / 2);
        EXPECT_EQ(GlyphMismatches(w, r.mask), 0) << r.mask;
        EXPECT_GT(GlyphMismatches(w, r.other), 0) << r.mask;
    }
}

TEST_F(ButtonWrappers, OwnerDrawnCheckBoxPaintsNothingAndErasesFromItsParent)
{
    HWND h = Native(L"BUTTON", L"Рисует сам", BS_OWNERDRAW, 10, 10, 120, 24);
    auto* w = Wrap<TkvCheckBoxWnd>(h);
    EXPECT_TRUE(w->OwnerDrawn);
    Print(h);
    EXPECT_FALSE(w->CommonData->CacheBitmap && w->CommonData->CacheBitmap->Width() > 0);
    std::unique_ptr<TBitmap> dc = NewBitmap32(120, 24);
    FillRect32(dc.get(), RECT{0, 0, 120, 24}, clBlack, 255);
    EXPECT_EQ(SendMessageW(h, WM_ERASEBKGND, WPARAM(dc->Canvas().Handle()), 0), 1);
    GdiFlush();
    uint32_t want = Rgb(DefaultBackgroundColor());   // the form answers with no background: the skin's colour
    for (POINT p : {POINT{0, 0}, POINT{60, 12}, POINT{119, 23}})
        EXPECT_EQ(GetPixel32(dc.get(), p.x, p.y) & 0xFFFFFF, want);
}

TEST_F(ButtonWrappers, PushButtonPaintsTheSectionInItsState)
{
    // Without caption the cache is exactly the section in the expected state
    // (a disabled button faded 0.4 toward the background).
    struct Row {
        const char* name;
        DWORD style;
        bool pushed, disabled, hot;
        int state;
    } rows[] = {
        {"rest", BS_PUSHBUTTON, false, false, false, 0},
        {"hot", BS_PUSHBUTTON, false, false, true, 1},
        {"pressed", BS_PUSHBUTTON, true, false, false, 2},
        {"default", BS_DEFPUSHBUTTON, false, false, false, 1},
        {"disabled default", BS_DEFPUSHBUTTON, false, true, false, 0},
    };
    int y = 10;
    for (const Row& r : rows) {
        HWND h = Native(L"BUTTON", L"", r.style, 10, y, 90, 28);
        y += 32;
        auto* w = Wrap<TkvBtnWnd>(h);
        if (r.disabled) EnableWindow(h, FALSE);
        if (r.pushed) SendMessageW(h, BM_SETSTATE, TRUE, 0);
        if (r.hot) manager->SetHotWindow(h);
        Print(h);
        EXPECT_EQ(w->GetPaintState(), r.state) << r.name;
        std::unique_ptr<TBitmap> ref = NewBitmap32(90, 28);
        PaintControlSkin(*w->CommonData, w->ParentBackground(), -1, -1, r.pushed ? 1 : 0, ref.get(), POINT{0, 0},
                         RECT{0, 0, 90, 28}, r.state);
        if (r.disabled) MixBitmapWithColor(ref.get(), TColor(ColorToRGB(DefaultBackgroundColor())), 0.4);
        GdiFlush();
        int differ = 0, differOther = 0;
        std::unique_ptr<TBitmap> other = NewBitmap32(90, 28);
        PaintControlSkin(*w->CommonData, w->ParentBackground(), -1, -1, 0, other.get(), POINT{0, 0},
                         RECT{0, 0, 90, 28}, r.state == 2 ? 0 : 2);
        GdiFlush();
        for (int py = 0; py < 28; ++py)
            for (int px = 0; px < 90; ++px) {
                uint32_t c = CachePixel(w, px, py);
                differ += c != (GetPixel32(ref.get(), px, py) & 0xFFFFFF);
                differOther += c != (GetPixel32(other.get(), px, py) & 0xFFFFFF);
            }
        EXPECT_EQ(differ, 0) << r.name;
        EXPECT_GT(differOther, 0) << r.name;
        if (r.hot) manager->SetHotWindow(nullptr);
    }
}

// A caption wider than its button is cut where the frame begins: the frame
// reads as the captionless button's, the face shows the caption.
TEST_F(ButtonWrappers, WideCaptionLeavesTheFrameWhole)
{
    int y = 10;
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(skin[0] == L'S' ? "Slate" : "Graphite");
        manager->SetSkinDirectory(EnvPath("TALVERA_TESTDATA") + L"..\\..\\skins");   // both sample skins
        manager->SetSkinName(skin);
        ASSERT_TRUE(manager->SkinData().Active);
        HWND bare = Native(L"BUTTON", L"", BS_PUSHBUTTON, 10, y, 60, 28);
        HWND wide = Native(L"BUTTON", L"A caption far wider than its button", BS_PUSHBUTTON, 90, y, 60, 28);
        y += 40;
        auto* wb = Wrap<TkvBtnWnd>(bare);
        auto* ww = Wrap<TkvBtnWnd>(wide);
        Print(bare);
        Print(wide);
        ASSERT_TRUE(manager->IsMaskIndexValid(ww->CommonData->BorderMaskIndex));
        const TsMaskData& k = manager->ma()[size_t(ww->CommonData->BorderMaskIndex)];
        ASSERT_GT(k.MarginLeft, 0);
        int frame = 0, face = 0;
        for (int py = 0; py < 28; ++py)
            for (int px = 0; px < 60; ++px) {
                bool differs = CachePixel(ww, px, py) != CachePixel(wb, px, py);
                (px < k.MarginLeft || px >= 60 - k.MarginRight ? frame : face) += differs;
            }
        EXPECT_EQ(frame, 0);
        EXPECT_GT(face, 20) << "the caption shows on the face";
    }
}

TEST_F(ButtonWrappers, PressedButtonHidesItsGlow)
{
    // The sample skin's push buttons glow (BUTTON has a GLOW0 mask).
    HWND h = Native(L"BUTTON", L"Кнопка", BS_PUSHBUTTON, 20, 20, 100, 30);
    auto* w = Wrap<TkvBtnWnd>(h);
    ASSERT_EQ(w->CommonData->SkinSection(), L"BUTTON");
    RECT r;
    GetWindowRect(h, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    w->CommonData->UpdateGlow(false, h);
    ASSERT_GE(w->CommonData->GlowHandle, 0);   // it glows under the mouse
    SendMessageW(h, BM_SETSTATE, TRUE, 0);
    Print(h);
    EXPECT_EQ(w->CommonData->GlowHandle, -1);
    SetCursorPos(0, 0);
}

TEST_F(ButtonWrappers, FocusFrames)
{
    // The dotted frame is drawn in the section's hot font colour above the
    // caption (a push button) or left of it (a check box).
    struct Row {
        const wchar_t* text;
        bool checkBox;
        bool frame;
    } rows[] = {
        {L"Кнопка", false, true},
        {L"", false, false},    // no caption, no frame
        {L"Флажок", true, true},
    };
    int y = 10;
    for (const Row& r : rows) {
        HWND h = Native(L"BUTTON", r.text, r.checkBox ? BS_CHECKBOX : BS_PUSHBUTTON, 10, y, 120, 30);
        y += 36;
        TkvMainWnd* w = r.checkBox ? static_cast<TkvMainWnd*>(Wrap<TkvCheckBoxWnd>(h)) : Wrap<TkvBtnWnd>(h);
        SendMessageW(h, WM_SETFOCUS, 0, 0);   // the button takes BST_FOCUS
        ASSERT_TRUE(SendMessageW(h, BM_GETSTATE, 0, 0) & BST_FOCUS);
        Print(h);
        uint32_t color = Rgb(HotFontColor(r.checkBox ? L"CHECKBOX" : L"BUTTON"));
        int dots = 0;
        if (r.checkBox) {
            int x = int(static_cast<TkvCheckBoxWnd*>(w)->GlyphRect().right) + 2;   // caption left - 2
            for (int py = 0; py < 30; ++py) dots += CachePixel(w, x, py) == color;
        } else if (r.frame) {
            int row = static_cast<TkvBtnWnd*>(w)->CaptionBounds().top - 1;
            for (int px = 0; px < 120; ++px) dots += CachePixel(w, px, row) == color;
        } else {
            for (int py = 0; py < 30; ++py)
                for (int px = 0; px < 120; ++px) dots += CachePixel(w, px, py) == color;
        }
        if (r.frame) EXPECT_GT(dots, 2) << (r.checkBox ? "check box" : "button");
        else EXPECT_EQ(dots, 0);
    }
}

TEST_F(ButtonWrappers, BitBtnGlyphLayouts)
{
    TBitmap glyph(16, 16, TPixelFormat::pf32bit);
    FillRect32(&glyph, RECT{0, 0, 16, 16}, clRed, 255);
    struct Row {
        TButtonLayout layout;
        bool pressed;
    } rows[] = {{TButtonLayout::blGlyphLeft, false}, {TButtonLayout::blGlyphRight, false},
                {TButtonLayout::blGlyphTop, false},  {TButtonLayout::blGlyphBottom, false},
                {TButtonLayout::blGlyphLeft, true},  {TButtonLayout::blGlyphTop, true}};
    int y = 10;
    for (const Row& r : rows) {
        auto* b = Add<TBitBtn>(form, 10, y, 60, 40);
        y += 44;
        b->SetGlyph(&glyph);
        b->SetLayout(r.layout);
        auto* data = new TsCommonData(b, true);
        auto* w = Wrap<TkvBitBtnWnd>(b->Handle(), L"", data);
        if (r.pressed) SendMessageW(b->Handle(), BM_SETSTATE, TRUE, 0);
        Print(b->Handle());
        POINT want = btngeom::BitBtnGlyphPos(int(r.layout), 60, 40, {16, 16}, {0, 0}, b->Spacing(), false, r.pressed);
        int minX = 99, minY = 99, count = 0;
        for (int py = 0; py < 40; ++py)
            for (int px = 0; px < 60; ++px)
                if (CachePixel(w, px, py) == 0xFF0000) {
                    minX = std::min(minX, px);
                    minY = std::min(minY, py);
                    ++count;
                }
        EXPECT_EQ(count, 256) << int(r.layout);
        EXPECT_EQ(minX, want.x) << int(r.layout);
        EXPECT_EQ(minY, want.y) << int(r.layout);
        UnhookWindow(w->Handle, true, false, wrappers.back());
        delete data;
    }
}

TEST_F(ButtonWrappers, NativeBitmapButtonTakesItsBitmapsPixelSize)
{
    HWND h = Native(L"BUTTON", L"", BS_PUSHBUTTON | BS_BITMAP, 10, 10, 60, 30);
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 20, 12);   // its "dimension" stays 0 x 0
    ReleaseDC(nullptr, screen);
    SendMessageW(h, BM_SETIMAGE, IMAGE_BITMAP, LPARAM(bmp));
    auto* w = Wrap<TkvBitBtnWnd>(h);
    SIZE g = w->GlyphExtent();
    EXPECT_EQ(g.cx, 20);
    EXPECT_EQ(g.cy, 12);
    UnhookWindow(w->Handle, true, false, wrappers.back());
    DestroyWindow(h);
    DeleteObject(bmp);
}

TEST_F(ButtonWrappers, StaticTextKeepsItsSectionAndAlignment)
{
    struct Row {
        TAlignment alignment;
        bool textLeft, textRight;   // ink in the left / right third
    } rows[] = {{TAlignment::taLeftJustify, true, false},
                {TAlignment::taRightJustify, false, true},
                {TAlignment::taCenter, false, false}};
    int y = 10;
    for (const Row& r : rows) {
        auto* t = Add<TStaticText>(form, 10, y, 240, 24);
        y += 30;
        t->SetCaption(L"ЖЖЖ");
        SetEnumProp(t, L"Alignment", GetPropInfo(t, L"Alignment")->EnumNames[size_t(r.alignment)]);
        EXPECT_EQ(t->Alignment(), r.alignment);
        auto* data = new TsCommonData(t, true);
        auto* w = Wrap<TkvStaticTextWnd>(t->Handle(), L"PANEL_LOW", data);
        EXPECT_EQ(w->CommonData->SkinSection(), L"PANEL_LOW");   // the given section wins
        Print(t->Handle());
        uint32_t bg = CachePixel(w, 120, 20);   // below the text, inside the section's border
        int left = 0, right = 0;
        for (int py = 3; py < 21; ++py)
            for (int px = 3; px < 80; ++px) {
                left += CachePixel(w, px, py) != bg;
                right += CachePixel(w, 157 + px, py) != bg;
            }
        EXPECT_EQ(left > 0, r.textLeft) << int(r.alignment);
        EXPECT_EQ(right > 0, r.textRight) << int(r.alignment);
        UnhookWindow(w->Handle, true, false, wrappers.back());
        delete data;
    }
}

TEST_F(ButtonWrappers, StaticTextBorderComesFromTheCache)
{
    auto* t = Add<TStaticText>(form, 20, 20, 120, 30);
    t->SetBorderStyle(TStaticBorderStyle::sbsSingle);   // a one-pixel non-client border
    t->SetCaption(L"Рамка");
    auto data = std::make_unique<TsCommonData>(t, true);
    auto* w = Wrap<TkvStaticTextWnd>(t->Handle(), L"PANEL_LOW", data.get());
    RedrawWindow(t->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Pump(20);
    GdiFlush();
    HDC dc = GetWindowDC(t->Handle());
    POINT strips[] = {{60, 0}, {0, 15}, {119, 15}, {60, 29}};
    int notFrameColour = 0;
    for (POINT p : strips) {
        uint32_t want = CachePixel(w, p.x, p.y);
        COLORREF got = GetPixel(dc, p.x, p.y);
        EXPECT_EQ(want, Rgb(TColor(got))) << p.x << "," << p.y;
        notFrameColour += Rgb(TColor(GetSysColor(COLOR_WINDOWFRAME))) != want;
    }
    ReleaseDC(t->Handle(), dc);
    EXPECT_GT(notFrameColour, 0);   // the skin's border, not the system's frame
    // Inside the border the client shows the cache from (1, 1) on.
    EXPECT_EQ(Rgb(TColor(WindowPixel(t->Handle(), 100, 3))), CachePixel(w, 101, 4));
    UnhookWindow(w->Handle, true, false, wrappers.back());
}

TEST_F(ButtonWrappers, StaticTextShownAgainTellsItsFormAndChildren)
{
    auto* t = Add<TStaticText>(form, 20, 20, 160, 60);
    auto* child = Add<TSkinTestPanel>(t, 4, 4, 40, 20);
    auto data = std::make_unique<TsCommonData>(t, true);
    auto* w = Wrap<TkvStaticTextWnd>(t->Handle(), L"", data.get());
    t->SetVisible(false);
    Pump(10);
    form->Commands.Clear();
    child->Commands.Clear();
    t->SetVisible(true);
    EXPECT_GE(form->Commands.Count(SkinCmdControlChanged), 1);
    EXPECT_EQ(child->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(child->Commands.Count(SkinCmdRefresh), 1);
    // Hiding tells nobody.
    form->Commands.Clear();
    child->Commands.Clear();
    t->SetVisible(false);
    EXPECT_EQ(child->Commands.Count(SkinCmdNewSkin), 0);
    EXPECT_EQ(form->Commands.Count(SkinCmdControlChanged), 0);
    UnhookWindow(w->Handle, true, false, wrappers.back());
}

TEST_F(ButtonWrappers, SeeThroughStaticTextTakesItsNewBackgroundWhenMoved)
{
    // The panel's border and its inside differ; the see-through static moves
    // from the inside onto the border and must show the border there.
    auto* panel = Add<TSkinTestPanel>(form, 10, 10, 200, 120);
    auto panelData = std::make_unique<TsCommonData>(panel, true);
    auto* p = Wrap<TkvPanelWnd>(panel->Handle(), L"PANEL_LOW", panelData.get());
    auto* t = Add<TStaticText>(panel, 60, 60, 80, 20);
    auto data = std::make_unique<TsCommonData>(t, true);
    Wrap<TkvStaticTextWnd>(t->Handle(), L"CHECKBOX", data.get());
    ASSERT_NE(data->Section()->IniTransparency, 0);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(20);
    ASSERT_TRUE(p->CommonData->CacheBitmap);
    uint32_t inside = CachePixel(p, 70, 70);
    EXPECT_EQ(Rgb(TColor(WindowPixel(t->Handle(), 10, 10))), inside);
    uint32_t corner = CachePixel(p, 0, 0);
    ASSERT_NE(corner, inside);
    t->SetBounds(0, 0, 80, 20);
    RedrawWindow(t->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(20);
    EXPECT_EQ(Rgb(TColor(WindowPixel(t->Handle(), 0, 0))), corner);
}

TEST_F(ButtonWrappers, EdgeStaticKeepsThePictureItPaintsInside)
{
    HWND h = CreateWindowExW(WS_EX_STATICEDGE, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 10, 10, 40, 30,
                             form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 40, 30);
    ReleaseDC(nullptr, screen);
    {
        MemoryDC dc = CreateMemoryDC(nullptr);
        SelectScope select(dc.get(), bmp);
        RECT all{0, 0, 40, 30};
        BrushHandle red(CreateSolidBrush(RGB(255, 0, 0)));
        FillRect(dc.get(), &all, red.get());
    }
    SendMessageW(h, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(bmp));
    Wrap<TkvEdgeWnd>(h, L"CHECKBOX");
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Pump(20);
    EXPECT_EQ(WindowPixel(h, 15, 12), RGB(255, 0, 0));   // the static's own picture, not the cache
    UnhookWindow(h, true, false, wrappers.back());
    DestroyWindow(h);
    DeleteObject(bmp);
}

TEST_F(ButtonWrappers, IconAndPictureStaticsShowTheirImageOverTheBackground)
{
    // An opaque 16 x 16 icon, a 24-bit picture, and an icon static without icon.
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP picture = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HBITMAP andMask = CreateBitmap(16, 16, 1, 1, nullptr);
    {
        MemoryDC dc = CreateMemoryDC(nullptr);
        RECT all{0, 0, 16, 16};
        {
            SelectScope select(dc.get(), colour);
            BrushHandle red(CreateSolidBrush(RGB(255, 0, 0)));
            FillRect(dc.get(), &all, red.get());
        }
        {
            SelectScope select(dc.get(), picture);
            BrushHandle blue(CreateSolidBrush(RGB(0, 0, 255)));
            FillRect(dc.get(), &all, blue.get());
        }
        SelectScope select(dc.get(), andMask);
        PatBlt(dc.get(), 0, 0, 16, 16, BLACKNESS);   // every pixel of the icon opaque
    }
    ICONINFO ii{TRUE, 0, 0, andMask, colour};
    HICON icon = CreateIconIndirect(&ii);
    ASSERT_TRUE(icon);
    struct Row {
        DWORD style;
        UINT setMessage;
        WPARAM imageType;
        HANDLE image;
        uint32_t inside;   // the colour at (4, 4); the background when nothing is shown
    } rows[] = {{SS_ICON, STM_SETICON, 0, icon, 0xFF0000},
                {SS_BITMAP, STM_SETIMAGE, IMAGE_BITMAP, picture, 0x0000FF},
                {SS_ICON, 0, 0, nullptr, 0}};
    int y = 10;
    for (const Row& r : rows) {
        HWND h = Native(L"STATIC", L"", r.style, 10, y, 40, 30);
        y += 40;
        if (r.setMessage == STM_SETICON) SendMessageW(h, STM_SETICON, WPARAM(r.image), 0);
        if (r.setMessage == STM_SETIMAGE) SendMessageW(h, STM_SETIMAGE, r.imageType, LPARAM(r.image));
        SetWindowPos(h, nullptr, 10, y - 40, 40, 30, SWP_NOZORDER);   // the native static sizes itself to its image
        auto* w = Wrap<TkvIconWnd>(h, L"CHECKBOX");
        EXPECT_EQ(w->ShowsBitmap, r.style == SS_BITMAP);
        Print(h);
        uint32_t background = CachePixel(w, 35, 25);   // outside the 16 x 16 image
        EXPECT_EQ(CachePixel(w, 4, 4), r.image ? r.inside : background) << r.style;
        EXPECT_NE(background, 0xFF0000u);
        EXPECT_NE(background, 0x0000FFu);
        UnhookWindow(h, true, false, wrappers.back());
        DestroyWindow(h);
    }
    DestroyIcon(icon);
    DeleteObject(colour);
    DeleteObject(picture);
    DeleteObject(andMask);
}

TEST_F(ButtonWrappers, AnEmptySectionTakesTheWrappersDefault)
{
    // "UNKNOWN", the name under which an empty section can be stored, is no section either.
    struct Row {
        bool checkBox;
        const wchar_t* want;
    } rows[] = {{false, L"BUTTON"}, {true, L"CHECKBOX"}};
    int y = 10;
    for (const Row& r : rows) {
        HWND h = Native(L"BUTTON", L"", r.checkBox ? BS_CHECKBOX : BS_PUSHBUTTON, 10, y, 80, 24);
        y += 30;
        auto data = std::make_unique<TsCommonData>(nullptr, true);
        data->SetSkinSection(L"UNKNOWN");
        ASSERT_EQ(data->SkinSection(), L"UNKNOWN");
        TkvMainWnd* w = r.checkBox ? static_cast<TkvMainWnd*>(Wrap<TkvCheckBoxWnd>(h, L"", data.get()))
                                   : Wrap<TkvBtnWnd>(h, L"", data.get());
        EXPECT_EQ(data->SkinSection(), r.want);
        EXPECT_EQ(w->CommonData->SectionIndex, manager->FindSectionIndex(r.want));
        UnhookWindow(h, true, false, wrappers.back());
    }
}

TEST(PaintResample, ASourceUnderTwoPixelsIsStretchedNotFiltered)
{
    // The track bar's thumb goes through this; a thin one must not raise from WM_PAINT.
    struct Row {
        int sw, sh, w, h;
    } rows[] = {{1, 21, 11, 21}, {11, 1, 11, 21}, {1, 1, 5, 5}, {4, 4, 9, 9}};
    for (const Row& r : rows) {
        TBitmap src(r.sw, r.sh, TPixelFormat::pf32bit);
        FillRect32(&src, RECT{0, 0, r.sw, r.sh}, clRed, 255);
        TBitmap dst;
        EXPECT_NO_THROW(ResampleInPaint(&src, &dst, r.w, r.h)) << r.sw << "x" << r.sh;
        ASSERT_EQ(dst.Width(), r.w);
        ASSERT_EQ(dst.Height(), r.h);
        GdiFlush();
        EXPECT_EQ(GetPixel32(&dst, r.w / 2, r.h / 2) & 0xFFFFFF, 0xFF0000u);
    }
}

TEST_F(ButtonWrappers, SpeedButtonPaintsPressedWhileDown)
{
    auto* sb = new TSpeedButton(form);
    sb->SetParent(form);
    sb->SetBounds(20, 20, 40, 30);
    sb->SetGroupIndex(1);
    sb->SetAllowAllUp(true);
    auto data = std::make_unique<TsCommonData>(sb, true);
    data->SetSkinSection(L"SPEEDBUTTON");
    auto handler = std::make_unique<TkvSpeedButtonHandler>(sb, manager, data.get(), L"SPEEDBUTTON");
    // The pressed section, drawn the same way, away from the corners.
    auto centre = [&](TBitmap* b) {
        std::vector<uint32_t> px;
        GdiFlush();
        for (int y = 6; y < 24; ++y)
            for (int x = 6; x < 34; ++x) px.push_back(GetPixel32(b, x, y) & 0xFFFFFF);
        return px;
    };
    auto pressedReference = [&] {
        TsBgRequest answer;
        TsBgCacheInfo bg = ParentBackgroundOf(sb, answer);
        std::unique_ptr<TBitmap> ref = NewBitmap32(40, 30);
        PaintControlSkin(*data, bg, -1, -1, 1, ref.get(), POINT{0, 0}, RECT{0, 0, 40, 30}, 2);
        return centre(ref.get());
    };
    sb->SetDown(true);
    InvalidateRect(form->Handle(), nullptr, TRUE);
    UpdateWindow(form->Handle());
    EXPECT_EQ(handler->PaintState(), 2);
    EXPECT_EQ(centre(data->CacheBitmap.get()), pressedReference());
    sb->SetDown(false);
    InvalidateRect(form->Handle(), nullptr, TRUE);
    UpdateWindow(form->Handle());
    EXPECT_EQ(handler->PaintState(), 0);
    EXPECT_NE(centre(data->CacheBitmap.get()), pressedReference());
    handler.reset();
    EXPECT_TRUE(sb->WindowProc == TWndMethod(static_cast<TControl*>(sb), &TControl::WndProc));   // given back
}

TEST_F(ButtonWrappers, LinkStaticDrawsItsTextWithoutTheTags)
{
    HWND tagged = Native(L"STATIC", L"Перейти <A>сюда</A> сейчас", 0, 10, 10, 200, 20);
    HWND plain = Native(L"STATIC", L"Перейти сюда сейчас", 0, 10, 40, 200, 20);
    HWND unlinked = Native(L"STATIC", L"Перейти сюда сейчас", 0, 10, 70, 200, 20);
    auto* a = Wrap<TkvLinkWnd>(tagged, L"CHECKBOX");
    auto* b = Wrap<TkvLinkWnd>(plain, L"CHECKBOX");
    auto* c = Wrap<TkvStaticWnd>(unlinked, L"CHECKBOX");
    for (HWND h : {tagged, plain, unlinked}) Print(h);
    int same = 0, underline = 0, text = 0;
    uint32_t background = CachePixel(a, 199, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x) {
            same += CachePixel(a, x, y) == CachePixel(b, x, y);
            underline += CachePixel(a, x, y) != CachePixel(c, x, y);
            text += CachePixel(a, x, y) != background;
        }
    EXPECT_GT(text, 50);                 // something was drawn
    EXPECT_EQ(same, 200 * 20);           // exactly the text without its tags
    EXPECT_GT(underline, 40);            // underlined as a whole
}

TEST_F(ButtonWrappers, SizeGripAnswersBottomRightEverywhere)
{
    HWND grip = Native(L"SCROLLBAR", L"", SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN, 400, 260, 17, 17);
    Wrap<TkvSizerWnd>(grip, L"CHECKBOX");
    RECT r;
    GetWindowRect(grip, &r);
    for (POINT p : {POINT{r.left, r.top}, POINT{r.left + 8, r.top + 8}, POINT{r.right - 1, r.bottom - 1}})
        EXPECT_EQ(SendMessageW(grip, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTBOTTOMRIGHT);
}

TEST_F(ButtonWrappers, IdleSpinValidatesItsWindowAndShowsItsArrows)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    HWND spin = Native(UPDOWN_CLASSW, L"", 0, 200, 20, 17, 30);
    TkvSpinWnd* w = nullptr;
    AttachSpinWnd(spin, w, manager, L"UPDOWNBTN", 2);
    wrappers.push_back(w);
    TkvSpinWnd* first = w;
    first->MouseDown = true;   // marks this wrapper object
    AttachSpinWnd(spin, w, manager, L"UPDOWNBTN", 2);   // the same window keeps its wrapper
    EXPECT_EQ(w, first);
    EXPECT_TRUE(w->MouseDown);
    w->MouseDown = false;
    EXPECT_EQ(w->CommonData->ControlKind, 2);
    InvalidateRect(spin, nullptr, TRUE);
    UpdateWindow(spin);
    EXPECT_FALSE(GetUpdateRect(spin, nullptr, FALSE));   // painted once, nothing left to paint
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, spin, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    // The arrows are the scroll buttons' glyphs in their normal colour.
    std::set<uint32_t> colours;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 17; ++x) colours.insert(CachePixel(w, x, y));
    EXPECT_TRUE(colours.count(0x586680));   // LINE_DARK (88, 102, 128)
}

TEST_F(ButtonWrappers, TrackBarTicksStandAtTheEndsOfTheThumbsTravel)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HWND track = Native(TRACKBAR_CLASSW, L"", TBS_AUTOTICKS | TBS_HORZ, 10, 200, 200, 40);
    SendMessageW(track, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(track, TBM_SETRANGEMAX, FALSE, 10);
    SendMessageW(track, TBM_SETTICFREQ, 10, 0);   // ticks at 0 and 10 only
    auto* w = Wrap<TkvTrackWnd>(track, L"CHECKBOX");
    Print(track);
    RECT ch{}, thumb{};
    SendMessageW(track, TBM_GETCHANNELRECT, 0, LPARAM(&ch));
    SendMessageW(track, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
    ASSERT_EQ(SendMessageW(track, TBM_GETNUMTICS, 0, 0), 2);
    int half = (thumb.right - thumb.left) / 2;
    std::vector<int> want{ch.left + half, ch.right - (thumb.right - thumb.left) + half};
    EXPECT_EQ(w->TickPositions(), want);
}

TEST_F(ButtonWrappers, TrackBarThumbPointsAtItsTicks)
{
    // The sample thumb is flat at one end and pointed at the other; the point
    // faces the ticks, so ticks on top turn it upside down.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    struct Row {
        DWORD style;
        bool pointUp;
    } rows[] = {{TBS_BOTTOM, false}, {TBS_TOP, true}};
    int y = 10;
    for (const Row& r : rows) {
        HWND track = Native(TRACKBAR_CLASSW, L"", TBS_AUTOTICKS | TBS_HORZ | r.style, 10, y, 200, 40);
        y += 50;
        SendMessageW(track, TBM_SETRANGEMAX, FALSE, 10);
        SendMessageW(track, TBM_SETPOS, TRUE, 5);
        auto* w = Wrap<TkvTrackWnd>(track, L"CHECKBOX");
        Print(track);
        RECT thumb{};
        SendMessageW(track, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
        ASSERT_GT(thumb.bottom - thumb.top, 6);
        // Width of the thumb on a row: pixels that differ from the background left of it.
        auto widthAt = [&](int row) {
            uint32_t bg = CachePixel(w, thumb.left - 3, row);
            int n = 0;
            for (int x = thumb.left; x < thumb.right; ++x) n += CachePixel(w, x, row) != bg;
            return n;
        };
        int top = widthAt(thumb.top + 1), bottom = widthAt(thumb.bottom - 2);
        if (r.pointUp)
            EXPECT_GT(bottom, top + 3) << "ticks on top";
        else
            EXPECT_GT(top, bottom + 3) << "ticks below";
        UnhookWindow(track, true, false, wrappers.back());
        DestroyWindow(track);
    }
}

TEST_F(ButtonWrappers, Screenshot)
{
    form->SetBounds(40, 40, 460, 320);
    struct Push {
        const wchar_t* text;
        DWORD style;
        int how;   // 0 rest, 1 hot, 2 pressed, 3 disabled
    } pushes[] = {{L"Обычная", BS_PUSHBUTTON, 0}, {L"Под мышью", BS_PUSHBUTTON, 1}, {L"Нажата", BS_PUSHBUTTON, 2},
                  {L"По умолчанию", BS_DEFPUSHBUTTON, 0}, {L"Недоступна", BS_PUSHBUTTON, 3}};
    int x = 10;
    for (const Push& p : pushes) {
        HWND h = Native(L"BUTTON", p.text, p.style, x, 10, 84, 28);
        x += 88;
        Wrap<TkvBtnWnd>(h);
        if (p.how == 1) manager->SetHotWindow(h);
        if (p.how == 2) SendMessageW(h, BM_SETSTATE, TRUE, 0);
        if (p.how == 3) EnableWindow(h, FALSE);
    }
    struct Check {
        const wchar_t* text;
        DWORD style;
        WPARAM state;
        bool disabled;
    } checks[] = {{L"Не отмечен", BS_CHECKBOX, BST_UNCHECKED, false}, {L"Отмечен", BS_CHECKBOX, BST_CHECKED, false},
                  {L"Серый", BS_3STATE, BST_INDETERMINATE, false},   {L"Недоступен", BS_CHECKBOX, BST_CHECKED, true},
                  {L"Выбор 1", BS_RADIOBUTTON, BST_CHECKED, false},   {L"Выбор 2", BS_RADIOBUTTON, BST_UNCHECKED, false}};
    int y = 50;
    for (const Check& c : checks) {
        HWND h = Native(L"BUTTON", c.text, c.style, 10, y, 130, 20);
        y += 24;
        SendMessageW(h, BM_SETCHECK, c.state, 0);
        if (c.disabled) EnableWindow(h, FALSE);
        Wrap<TkvCheckBoxWnd>(h);
    }
    TBitmap glyph(16, 16, TPixelFormat::pf32bit);
    FillRect32(&glyph, RECT{0, 0, 16, 16}, TColor(0x2060C0), 255);
    auto* bit = Add<TBitBtn>(form, 160, 50, 110, 30);
    bit->SetCaption(L"С картинкой");
    bit->SetGlyph(&glyph);
    auto bitData = std::make_unique<TsCommonData>(bit, true);
    Wrap<TkvBitBtnWnd>(bit->Handle(), L"", bitData.get());
    std::vector<std::unique_ptr<TsCommonData>> speedData;
    std::vector<std::unique_ptr<TkvSpeedButtonHandler>> speed;
    for (int i = 0; i < 3; ++i) {
        auto* sb = new TSpeedButton(form);
        sb->SetParent(form);
        sb->SetBounds(160 + i * 34, 90, 30, 26);
        sb->SetCaption(String(1, wchar_t(L'А' + i)));
        sb->SetGroupIndex(1);
        if (i == 1) sb->SetDown(true);
        speedData.push_back(std::make_unique<TsCommonData>(sb, true));
        speedData.back()->SetSkinSection(L"SPEEDBUTTON");
        speed.push_back(std::make_unique<TkvSpeedButtonHandler>(sb, manager, speedData.back().get(), L"SPEEDBUTTON"));
    }
    Wrap<TkvStaticWnd>(Native(L"STATIC", L"Надпись на форме", 0, 160, 126, 150, 18), L"CHECKBOX");
    Wrap<TkvLinkWnd>(Native(L"STATIC", L"Ссылка <A>сюда</A>", 0, 160, 148, 150, 18), L"CHECKBOX");
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    HWND track = Native(TRACKBAR_CLASSW, L"", TBS_AUTOTICKS | TBS_HORZ, 160, 175, 200, 40);
    SendMessageW(track, TBM_SETRANGEMAX, FALSE, 10);
    SendMessageW(track, TBM_SETPOS, TRUE, 3);
    Wrap<TkvTrackWnd>(track, L"CHECKBOX");
    TkvSpinWnd* spin = nullptr;
    AttachSpinWnd(Native(UPDOWN_CLASSW, L"", 0, 380, 175, 17, 30), spin, manager, L"UPDOWNBTN", 2);
    wrappers.push_back(spin);
    Wrap<TkvSizerWnd>(Native(L"SCROLLBAR", L"", SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN, 420, 260, 17, 17));
    auto* staticText = Add<TStaticText>(form, 10, 214, 140, 22);
    staticText->SetBorderStyle(TStaticBorderStyle::sbsSingle);
    staticText->SetCaption(L"Текст в рамке");
    auto staticData = std::make_unique<TsCommonData>(staticText, true);
    Wrap<TkvStaticTextWnd>(staticText->Handle(), L"PANEL_LOW", staticData.get());
    InvalidateRect(form->Handle(), nullptr, TRUE);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(100);
    String path = SaveWindowShot(form->Handle(), L"skinned_buttons");
    EXPECT_FALSE(path.empty());
    // The pressed push button and a checked box show skin colours on the screen.
    EXPECT_NE(WindowPixel(form->Handle(), 10 + 88 * 2 + 42, 24), WindowPixel(form->Handle(), 10 + 42, 24));
    speed.clear();
    manager->SetHotWindow(nullptr);
}

}  // namespace
