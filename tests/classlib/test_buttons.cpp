// The class library's buttons and common controls on real windows: clicks
// that check and uncheck, radio and speed-button groups, the bitmap button's
// owner drawing, up-down and track-bar ranges, and the static text's
// published alignment.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/Forms.h"
#include "classlib/TypInfo.h"
#include "support/GuiTest.h"

namespace {

class ButtonsTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 400, 300);
        form->Show();
    }
    void TearDown() override { Free(form); }
    template <class C>
    C* Add(int x, int y, int w, int h)
    {
        auto* c = new C(form);
        c->SetParent(form);
        c->SetBounds(x, y, w, h);
        return c;
    }
    TForm* form = nullptr;
};

TEST_F(ButtonsTest, CheckBoxClicksCycleThroughItsStates)
{
    struct Row {
        bool allowGrayed;
        std::vector<TCheckBoxState> after;   // the state after each click
    } rows[] = {
        {false, {TCheckBoxState::cbChecked, TCheckBoxState::cbUnchecked, TCheckBoxState::cbChecked}},
        {true, {TCheckBoxState::cbChecked, TCheckBoxState::cbGrayed, TCheckBoxState::cbUnchecked}},
    };
    for (const Row& r : rows) {
        auto* c = Add<TCheckBox>(10, 10, 120, 20);
        c->SetCaption(L"Флажок");
        c->SetAllowGrayed(r.allowGrayed);
        int clicks = 0;
        c->OnClick = [&](TObject*) { ++clicks; };
        for (size_t i = 0; i < r.after.size(); ++i) {
            Click(c);
            Pump(10);
            EXPECT_EQ(c->State(), r.after[i]) << i;
            // The window shows the same state.
            EXPECT_EQ(SendMessageW(c->Handle(), BM_GETCHECK, 0, 0), LRESULT(r.after[i]));
        }
        EXPECT_EQ(clicks, int(r.after.size()));
        Free(c);
    }
}

TEST_F(ButtonsTest, OneRadioButtonAndOneGroupedSpeedButtonAtATime)
{
    auto* a = Add<TRadioButton>(10, 10, 100, 20);
    auto* b = Add<TRadioButton>(10, 40, 100, 20);
    Click(a);
    Pump(10);
    EXPECT_TRUE(a->Checked());
    Click(b);
    Pump(10);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    EXPECT_EQ(SendMessageW(a->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    auto* s1 = Add<TSpeedButton>(150, 10, 30, 25);
    auto* s2 = Add<TSpeedButton>(190, 10, 30, 25);
    auto* plain = Add<TSpeedButton>(230, 10, 30, 25);
    s1->SetGroupIndex(1);
    s2->SetGroupIndex(1);
    Click(s1);
    Pump(10);
    EXPECT_TRUE(s1->Down());
    EXPECT_EQ(s1->State(), TButtonState::bsExclusive);
    Click(s2);
    Pump(10);
    EXPECT_TRUE(s2->Down());
    EXPECT_FALSE(s1->Down());
    EXPECT_EQ(s1->State(), TButtonState::bsUp);
    Click(s2);   // the last one down of its group stays down
    Pump(10);
    EXPECT_TRUE(s2->Down());
    s2->SetAllowAllUp(true);
    Click(s2);
    Pump(10);
    EXPECT_FALSE(s2->Down());
    int clicks = 0;
    plain->OnClick = [&](TObject*) { ++clicks; };
    Click(plain);   // without a group it never stays down
    Pump(10);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(plain->Down());
    plain->SetEnabled(false);
    EXPECT_EQ(plain->State(), TButtonState::bsDisabled);
}

TEST_F(ButtonsTest, BitBtnDrawsItsGlyph)
{
    TBitmap glyph(16, 16, TPixelFormat::pf24bit);
    RECT all{0, 0, 16, 16};
    glyph.Canvas().Brush().SetColor(clRed);
    glyph.Canvas().FillRect(all);
    glyph.Canvas().Brush().SetColor(clWhite);
    glyph.Canvas().FillRect(RECT{0, 15, 1, 16});   // the bottom-left pixel: the transparent colour
    auto* b = Add<TBitBtn>(10, 10, 80, 40);
    b->SetGlyph(&glyph);
    EXPECT_EQ(GetWindowLongPtrW(b->Handle(), GWL_STYLE) & 0xF, BS_OWNERDRAW);
    InvalidateRect(b->Handle(), nullptr, TRUE);
    UpdateWindow(b->Handle());
    Pump(20);
    // Without caption the glyph is centred: (80 - 16) / 2, (40 - 16) / 2.
    EXPECT_EQ(WindowPixel(b->Handle(), 32 + 8, 12 + 8), RGB(255, 0, 0));
    EXPECT_NE(WindowPixel(b->Handle(), 10, 20), RGB(255, 0, 0));
}

TEST_F(ButtonsTest, UpDownAndTrackBarKeepTheirPositionInRange)
{
    auto* u = Add<TUpDown>(10, 10, 17, 30);
    u->SetRange(0, 5);
    u->SetPosition(9);
    EXPECT_EQ(u->Position(), 5);
    EXPECT_EQ(SendMessageW(u->Handle(), UDM_GETPOS32, 0, 0), 5);
    EXPECT_FALSE(GetWindowLongPtrW(u->Handle(), GWL_STYLE) & UDS_HORZ);
    auto* t = Add<TTrackBar>(40, 10, 200, 40);
    t->SetRange(0, 20);
    t->SetPosition(-3);
    EXPECT_EQ(t->Position(), 0);
    t->SetPosition(12);
    EXPECT_EQ(SendMessageW(t->Handle(), TBM_GETPOS, 0, 0), 12);
    t->SetTickMarks(TTickMark::tmBoth);
    EXPECT_TRUE(GetWindowLongPtrW(t->Handle(), GWL_STYLE) & TBS_BOTH);
    EXPECT_EQ(t->Position(), 12);   // kept over the window's re-creation
}

TEST_F(ButtonsTest, StaticTextPublishesItsAlignment)
{
    auto* s = Add<TStaticText>(10, 10, 100, 20);
    s->SetCaption(L"Текст");
    struct Row {
        const wchar_t* name;
        TAlignment value;
        DWORD style;
    } rows[] = {{L"taRightJustify", TAlignment::taRightJustify, SS_RIGHT},
                {L"taCenter", TAlignment::taCenter, SS_CENTER},
                {L"taLeftJustify", TAlignment::taLeftJustify, SS_LEFT}};
    for (const Row& r : rows) {
        SetEnumProp(s, L"Alignment", r.name);
        EXPECT_EQ(s->Alignment(), r.value);
        EXPECT_EQ(GetOrdProp(s, L"Alignment"), int64_t(r.value));
        EXPECT_EQ(GetWindowLongPtrW(s->Handle(), GWL_STYLE) & SS_TYPEMASK, LONG_PTR(r.style));
        EXPECT_EQ(s->Caption(), L"Текст");
    }
}

}  // namespace
