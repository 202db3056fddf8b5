// The client area of a skinned form on real windows: the skin's picture
// under the client, or the form's own colour when it sets one, and a form
// placed inside another standing on what its parent answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

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
