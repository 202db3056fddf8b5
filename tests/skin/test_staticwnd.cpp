// Static texts and track bars of system dialogs under the sample skin: how
// the static's text is laid out (prefixes, tabs, reading order) compared with
// a twin static or a rendering made in the same run, and which parts of a
// track bar the skin paints in both orientations.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "classlib/ComCtrls.h"
#include "classlib/GdiHandle.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/StaticWnd.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/Bitmap32.h"
#include "WrapperFixture.h"

namespace {

using namespace skintest;

class StaticWrappers : public SampleSkinForm {
protected:
    StaticWrappers() : SampleSkinForm(460, 320) {}
    void SetUp() override
    {
        SampleSkinForm::SetUp();
        LOGFONTW lf{};
        lf.lfHeight = -13;
        wcscpy(lf.lfFaceName, L"Tahoma");
        font.reset(CreateFontIndirectW(&lf));
    }
    void TearDown() override
    {
        for (TkvMainWnd*& w : wrappers)
            if (w) UnhookWindow(w->Handle, true, false, w);
        Application->SetBiDiMode(TBiDiMode::bdLeftToRight);
        SampleSkinForm::TearDown();
    }
    HWND Native(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int x, int y, int w, int h)
    {
        HWND wnd = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(),
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(wnd, WM_SETFONT, WPARAM(font.get()), FALSE);
        return wnd;
    }
    template <class W>
    W* Wrap(HWND wnd)
    {
        W* w = CreateWrapper<W>(wnd, nullptr, manager, L"CHECKBOX", false);
        wrappers.push_back(w);
        return w;
    }
    // The wrapper's picture of its window as WM_PRINT leaves it in the cache.
    static std::vector<uint32_t> Printed(TkvMainWnd* w)
    {
        RECT r;
        GetWindowRect(w->Handle, &r);
        auto target = NewBitmap32(r.right - r.left, r.bottom - r.top);
        SendMessageW(w->Handle, WM_PRINT, WPARAM(target->Canvas().Handle()), PRF_CLIENT | PRF_NONCLIENT);
        GdiFlush();
        std::vector<uint32_t> px;
        for (int y = 0; y < r.bottom - r.top; ++y)
            for (int x = 0; x < r.right - r.left; ++x) px.push_back(GetPixel32(target.get(), x, y) & 0xFFFFFF);
        return px;
    }
    // The first column of a picture (width w) whose pixels are not all the background's.
    static int FirstInk(const std::vector<uint32_t>& px, int w)
    {
        const uint32_t bg = px[0];
        for (int x = 0; x < w; ++x)
            for (size_t y = 0; y < px.size() / size_t(w); ++y)
                if (px[y * size_t(w) + size_t(x)] != bg) return x;
        return -1;
    }

    FontHandle font;
    std::vector<TkvMainWnd*> wrappers;
};

// A static that asks for its text as it is shows every "&"; its twin shows
// the same with each "&" doubled the usual way.
TEST_F(StaticWrappers, NoPrefixStaticShowsItsAmpersands)
{
    struct Row {
        const wchar_t* asIs;
        const wchar_t* doubled;
    } rows[] = {{L"Да & нет", L"Да && нет"}, {L"&&&&", L"&&&&&&&&"}, {L"A&B", L"A&&B"}};
    int y = 10;
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << y);
        auto* a = Wrap<TkvStaticWnd>(Native(L"STATIC", r.asIs, SS_NOPREFIX, 0, 10, y, 200, 20));
        auto* b = Wrap<TkvStaticWnd>(Native(L"STATIC", r.doubled, 0, 0, 220, y, 200, 20));
        y += 30;
        std::vector<uint32_t> pa = Printed(a), pb = Printed(b);
        EXPECT_GE(FirstInk(pa, 200), 0) << "something is drawn";
        EXPECT_TRUE(pa == pb);
    }
}

// Tabs stand every 8 average characters, as the system places them.
TEST_F(StaticWrappers, TabsStandEveryEightCharacters)
{
    auto* tabbed = Wrap<TkvStaticWnd>(Native(L"STATIC", L"\tW", 0, 0, 10, 10, 300, 20));
    auto* bare = Wrap<TkvStaticWnd>(Native(L"STATIC", L"W", 0, 0, 10, 40, 300, 20));
    int shift = FirstInk(Printed(tabbed), 300) - FirstInk(Printed(bare), 300);

    // The same two texts drawn by the system in the same font.
    auto reference = [&](const wchar_t* text) {
        auto bmp = NewBitmap32(300, 20);
        HDC dc = bmp->Canvas().Handle();
        RECT r{0, 0, 300, 20};
        FillRect(dc, &r, HBRUSH(GetStockObject(WHITE_BRUSH)));
        HGDIOBJ old = SelectObject(dc, font.get());
        DrawTextW(dc, text, -1, &r, DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);
        SelectObject(dc, old);
        GdiFlush();
        std::vector<uint32_t> px;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 300; ++x) px.push_back(GetPixel32(bmp.get(), x, y) & 0xFFFFFF);
        return FirstInk(px, 300);
    };
    int expected = reference(L"\tW") - reference(L"W");
    ASSERT_GT(expected, 0);
    EXPECT_EQ(shift, expected);
}

// The reading order comes from the program, not from the window's style: a
// static marked right to left looks like an unmarked one while the program
// reads left to right.
TEST_F(StaticWrappers, ReadingOrderIsTheProgramsNotTheWindows)
{
    auto* marked = Wrap<TkvStaticWnd>(Native(L"STATIC", L"abc!", 0, WS_EX_RTLREADING, 10, 10, 200, 20));
    auto* plain = Wrap<TkvStaticWnd>(Native(L"STATIC", L"abc!", 0, 0, 10, 40, 200, 20));
    std::vector<uint32_t> ltr = Printed(plain);
    EXPECT_TRUE(Printed(marked) == ltr);
    Application->SetBiDiMode(TBiDiMode::bdRightToLeft);
    std::vector<uint32_t> rtl = Printed(plain);
    EXPECT_TRUE(Printed(marked) == rtl);
    EXPECT_FALSE(rtl == ltr) << "the mark goes before the word";
}

// The skin's channel runs along a track bar lying either way, not only its thumb.
TEST_F(StaticWrappers, TrackBarShowsItsChannelInBothOrientations)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    struct Row {
        const char* what;
        DWORD style;
        SIZE size;
    } rows[] = {{"horizontal", TBS_HORZ, {200, 40}}, {"vertical", TBS_VERT, {40, 200}}};
    int x = 10;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        HWND track = Native(TRACKBAR_CLASSW, L"", TBS_NOTICKS | r.style, 0, x, 10, r.size.cx, r.size.cy);
        x += 220;
        SendMessageW(track, TBM_SETRANGEMAX, FALSE, 10);
        SendMessageW(track, TBM_SETPOS, TRUE, 0);
        auto* w = Wrap<TkvTrackWnd>(track);
        Printed(w);
        // What the bar shows is rendered in its cache.
        GdiFlush();
        TBitmap* cache = w->CommonData->CacheBitmap.get();
        ASSERT_EQ(cache->Width(), r.size.cx);
        std::vector<uint32_t> px;
        for (int y = 0; y < r.size.cy; ++y)
            for (int xx = 0; xx < r.size.cx; ++xx) px.push_back(GetPixel32(cache, xx, y) & 0xFFFFFF);
        RECT ch{}, thumb{};
        SendMessageW(track, TBM_GETCHANNELRECT, 0, LPARAM(&ch));
        SendMessageW(track, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
        const bool vertical = r.style & TBS_VERT;
        // Along the channel the control answers, beyond the thumb: at every
        // step across it the skin's channel shows something other than the
        // background at the bar's far corner.
        const uint32_t bg = px[size_t(r.size.cx - 1)];
        auto at = [&](int a, int across) {
            return vertical ? px[size_t(a * r.size.cx + across)] : px[size_t(across * r.size.cx + a)];
        };
        const int from = vertical ? thumb.bottom + 2 : thumb.right + 2, to = vertical ? ch.bottom : ch.right;
        const int lo = std::max(0, int(vertical ? ch.left : ch.top) - 4);
        const int hi = std::min(int(vertical ? r.size.cx : r.size.cy), int(vertical ? ch.right : ch.bottom) + 4);
        int along = 0, differing = 0;
        for (int a = from; a < to; ++a, ++along) {
            bool shown = false;
            for (int c = lo; c < hi && !shown; ++c) shown = at(a, c) != bg;
            differing += shown;
        }
        ASSERT_GT(along, 100);
        EXPECT_GT(differing, along * 3 / 4) << "channel " << ch.left << "," << ch.top << "," << ch.right << ","
                                            << ch.bottom;
    }
}

// On a skinned form a track bar of the class library stays plain: no wrapper
// comes to it, while an edit beside it gets one.
TEST_F(StaticWrappers, ClassLibraryTrackBarStaysPlainOnASkinnedForm)
{
    auto* track = Add<TTrackBar>(form, 10, 10, 200, 40);
    auto* edit = Add<TEdit>(form, 10, 60, 200, 24);
    TsSkinProvider* p = TsSkinProvider::Create(form);
    Pump(20);
    AdapterRescan(*p, nullptr);
    EXPECT_NE(GetWrapper(edit->Handle()), nullptr);
    EXPECT_EQ(GetWrapper(track->Handle()), nullptr);
    FreeAndNil(p);
}

}  // namespace
