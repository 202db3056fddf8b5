// The client area of a skinned form on real windows: the skin's picture
// under the client, or the form's own colour when it sets one, and a form
// placed inside another standing on what its parent answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "classlib/ExtCtrls.h"
#include "skin/core/BgRequest.h"
#include "skin/core/ControlPaint.h"
#include "skin/forms/ClientPaint.h"
#include "skin/forms/CtrlAdapter.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

class ClientPaintTest : public SkinRuntime {
protected:
    static void Repaint(HWND wnd)
    {
        RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(30);
    }
    static TsSkinProvider* ProviderOf(HWND wnd)
    {
        return reinterpret_cast<TsSkinProvider*>(
            SendMessageW(wnd, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdGetProvider), 0));
    }
    static bool Near(COLORREF a, COLORREF b, int tolerance)
    {
        return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
               std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
               std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
    }
};

TEST_F(ClientPaintTest, ClientShowsTheSkinsPictureOrTheFormsOwnColour)
{
    SampleManager();
    struct Row {
        const char* name;
        bool ownColour;
    };
    const COLORREF own = RGB(200, 30, 60);
    for (const Row& r : {Row{"the form section's picture", false}, Row{"the form's own colour", true}}) {
        SCOPED_TRACE(r.name);
        TSkinTestForm* f = NewForm(360, 260);
        f->Show();
        TsSkinProvider* p = TsSkinProvider::Create(f);
        Pump(20);
        if (r.ownColour) {
            p->SkinData()->SetCustomColor(true);
            f->SetColor(TColor(own));
            p->SkinData()->BackgroundChanged = true;
        }
        Repaint(f->Handle());
        auto shot = ClientShot(f->Handle());
        RECT client{};
        GetClientRect(f->Handle(), &client);
        TBitmap* cache = FramePainterOf(*p).Cache();
        ASSERT_NE(cache, nullptr);
        const POINT at = ClientOriginInFrame(*p);
        std::set<COLORREF> seen;
        int checked = 0;
        for (int y = 2; y < client.bottom - 2; y += 17)
            for (int x = 2; x < client.right - 2; x += 23) {
                const COLORREF screen = At(*shot, x, y);
                const COLORREF expected = r.ownColour ? own : At(*cache, at.x + x, at.y + y);
                ASSERT_EQ(screen, expected) << "at " << x << "," << y;
                seen.insert(screen);
                ++checked;
            }
        EXPECT_GT(checked, 100);
        if (r.ownColour) {
            EXPECT_EQ(p->FormClientColor(), TColor(own));
        } else {
            // The section's picture, not one flat colour.
            EXPECT_GT(seen.size(), 1u);
            EXPECT_NE(p->FormClientColor(), TColor(own));
        }
        Free(forms.back());
        forms.pop_back();
    }
}

TEST_F(ClientPaintTest, AFormInsideAnotherStandsOnItsParentsPicture)
{
    // The small skin: PANEL is opaque 0x203040, GLASS lets half of its parent through.
    TsSkinManager* m = SmallManager();
    TSkinTestForm* outer = NewForm(420, 300);
    outer->SetBorderStyle(TFormBorderStyle::bsNone);
    outer->Show();
    auto* inner = new TSkinTestForm(outer);
    inner->SetBorderStyle(TFormBorderStyle::bsNone);
    inner->SetParent(outer);
    inner->SetBounds(40, 30, 200, 150);
    inner->Show();
    Pump(20);
    TsSkinProvider* p = TsSkinProvider::Create(outer);
    p->SkinData()->SetSkinSection(L"PANEL");
    // The adapter makes the inner form's provider with the section the event names.
    p->OnSkinItem = [inner](TControl* c, bool&, String& section) {
        if (c == inner)
            section = L"GLASS";
    };
    p->InitSkin();
    ControlAdapterOf(*p)->ScanControls();
    Pump(20);
    TsSkinProvider* ip = ProviderOf(inner->Handle());
    ASSERT_NE(ip, nullptr);
    ASSERT_NE(ip, p);
    EXPECT_EQ(ip->SkinData()->SkinSection(), String(L"GLASS"));
    Repaint(outer->Handle());

    // What the glass shows: its colour mixed half with what lies under it
    // (the colour the skin data answers over that parent), against plain glass.
    const int glass = Section(m, L"GLASS");
    ASSERT_GE(glass, 0);
    const COLORREF parent = 0x203040, pure = 0x0000FF;
    const COLORREF expected = ColorToRGB(ip->SkinData()->GetStateColor(0, inner->Handle()));
    ASSERT_FALSE(Near(expected, pure, 8)) << "the mix is not the glass alone";
    ASSERT_FALSE(Near(expected, parent, 8)) << "nor the parent alone";
    auto shot = ClientShot(inner->Handle());
    for (POINT pt : {POINT{5, 5}, POINT{100, 70}, POINT{190, 140}}) {
        const COLORREF seen = At(*shot, pt.x, pt.y);
        EXPECT_TRUE(Near(seen, expected, 3)) << std::hex << seen << " at " << std::dec << pt.x << "," << pt.y
                                             << " expected " << std::hex << expected;
    }
    // The outer form around it shows its own section.
    auto around = ClientShot(outer->Handle());
    EXPECT_TRUE(Near(At(*around, 10, 10), parent, 1));
}

}  // namespace

namespace {

// Pixels of one colour in a bitmap.
int CountColour(TBitmap& b, COLORREF colour)
{
    int n = 0;
    HDC dc = b.Canvas().Handle();
    GdiFlush();
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            n += GetPixel(dc, x, y) == colour;
    return n;
}

// The whole window as WM_PRINT draws it.
std::unique_ptr<TBitmap> PrintShot(HWND wnd)
{
    RECT wr{};
    GetWindowRect(wnd, &wr);
    auto bmp = std::make_unique<TBitmap>(wr.right - wr.left, wr.bottom - wr.top, TPixelFormat::pf32bit);
    SendMessageW(wnd, WM_PRINT, WPARAM(bmp->Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT);
    return bmp;
}

}  // namespace

TEST_F(ClientPaintTest, FormsOwnDrawingIsPartOfTheSkinsPicture)
{
    // The handler fills a block inside the client and a square that reaches
    // past the client's top-left corner: only its part inside the client shows.
    const RECT block{40, 50, 140, 110}, spill{-30, -30, 10, 10};
    const int visible = 100 * 60 + 10 * 10;
    for (const bool borders : {false, true}) {
        SCOPED_TRACE(borders ? "border window" : "plain frame");
        TsSkinManager* m = SampleManager();
        m->SetExtendedBorders(borders);
        TSkinTestForm* f = NewForm(360, 260);
        COLORREF colour = RGB(250, 10, 20);
        f->OnPaint = TNotifyEvent([&](TObject*) {
            TCanvas& c = f->Canvas();
            c.Brush().SetColor(TColor(colour));
            c.FillRect(block);
            c.FillRect(spill);
        });
        // A hidden child over the block, to ask what it would stand on.
        auto* child = Add<TPanel>(f, 60, 60, 40, 30);
        child->SetVisible(false);
        TsSkinProvider* p = TsSkinProvider::Create(f);
        f->Show();
        Pump(60);
        ASSERT_EQ(p->BorderForm() != nullptr, borders);
        Repaint(f->Handle());

        // On the screen, in the frame picture, in WM_PRINT and in the animations' snapshot.
        EXPECT_EQ(CountColour(*ClientShot(f->Handle()), colour), visible);
        TBitmap* cache = FramePainterOf(*p).Cache();
        ASSERT_NE(cache, nullptr);
        EXPECT_EQ(CountColour(*cache, colour), visible);
        const POINT at = ClientOriginInFrame(*p);
        EXPECT_EQ(At(*cache, at.x + 60, at.y + 70), colour);
        EXPECT_EQ(CountColour(*PrintShot(f->Handle()), colour), visible);
        std::unique_ptr<TBitmap> snapshot = p->CreateFormSnapshot(false);
        ASSERT_NE(snapshot, nullptr);
        EXPECT_EQ(CountColour(*snapshot, colour), visible);
        // A child stands on the picture with the drawing.
        TsBgRequest answer;
        const TsBgCacheInfo under = ParentBackgroundOf(child, answer);
        ASSERT_EQ(answer.Kind, bgBitmap);
        ASSERT_NE(under.Bmp, nullptr);
        EXPECT_EQ(At(*under.Bmp, under.X + 10, under.Y + 10), colour);

        // Drawn anew when the form asks to be painted again.
        const COLORREF before = colour;
        colour = RGB(20, 10, 250);
        f->Invalidate();
        Pump(30);
        auto shot = ClientShot(f->Handle());
        EXPECT_EQ(CountColour(*shot, colour), visible);
        EXPECT_EQ(CountColour(*shot, before), 0);
        f->OnPaint = nullptr;
        Free(forms.back());
        forms.pop_back();
        DestroyManager(m);
    }
}
