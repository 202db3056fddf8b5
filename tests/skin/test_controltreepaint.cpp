// Painting control trees into bitmaps and graphic children through one
// off-screen picture, on real windows, compared with what the screen shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "skin/core/BgRequest.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/Animations.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/graphics/Bitmap32.h"
#include "support/GuiTest.h"
#include "tests/skin/PictureCompare.h"

namespace {

using skintest::CaptureWindow;
using skintest::DifferentShare;

uint32_t Rgb(TBitmap* b, int x, int y)
{
    GdiFlush();
    return GetPixel32(b, x, y) & 0xFFFFFF;
}

// A graphic control that fills itself with one colour and, when asked, puts
// the key colour in its top-left pixel.
class Solid : public TGraphicControl {
public:
    Solid(TWinControl* parent, const RECT& r, TColor color) : TGraphicControl(parent)
    {
        SetParent(parent);
        SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        SetColor(color);
    }
    int paints = 0;
    bool dotOnly = false;
    std::function<void()> onPaint;

protected:
    void Paint() override
    {
        ++paints;
        if (onPaint) onPaint();
        TCanvas& c = Canvas();
        c.Brush().SetColor(Color());
        if (dotOnly)
            c.FillRect(RECT{0, 0, 1, 1});
        else
            c.FillRect(RECT{0, 0, Width(), Height()});
    }
};

// A panel that notes the skin commands it gets and can answer the
// background request with a bitmap of its own.
class Container : public TPanel {
public:
    explicit Container(TComponent* owner) : TPanel(owner)
    {
        SetBevelOuter(TBevelCut::bvNone);
        SetShowCaption(false);
    }
    std::vector<unsigned> commands;
    TBitmap* answerBmp = nullptr;
    uint8_t answerKind = bgNone;
    TColor answerColor = 0;
    int32_t answerOffset[2] = {0, 0};
    int32_t answerFrames[4] = {0, 0, 0, 0};

    void Dispatch(TMessage& m) override
    {
        if (m.Msg == SkinCommandMessage) {
            unsigned cmd = HIWORD(m.WParam);
            commands.push_back(cmd);
            if (cmd == SkinCmdGetBackground && answerKind != bgNone) {
                auto* r = reinterpret_cast<TsBgRequest*>(m.LParam);
                r->Kind = answerKind;
                r->Bmp = answerBmp;
                r->Color = answerColor;
                r->OffsetX = answerOffset[0];
                r->OffsetY = answerOffset[1];
                for (int i = 0; i < 4; ++i)
                    r->FrameWidths[i] = answerFrames[i];
            }
            m.Result = 0;
            return;
        }
        TPanel::Dispatch(m);
    }
    int Count(unsigned cmd) const { return int(std::count(commands.begin(), commands.end(), cmd)); }
};

class TreePaint : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBorderStyle(TFormBorderStyle::bsNone);
        form->SetBounds(40, 40, 360, 260);
        form->SetColor(clYellow);
        outer = new Container(form);
        outer->SetParent(form);
        outer->SetBounds(10, 10, 200, 150);
        outer->SetColor(clRed);
        inner = new Container(form);
        inner->SetParent(outer);
        inner->SetBounds(30, 40, 100, 60);
        inner->SetColor(clBlue);
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(220, 20, 120, 24);
        edit->SetText(L"Текст 123");
        label = new TLabel(form);
        label->SetParent(outer);
        label->SetBounds(5, 120, 120, 16);
        label->SetCaption(L"Подпись");
        mark = new Solid(inner, RECT{60, 10, 90, 30}, clLime);
    }
    void TearDown() override { Free(form); }
    void ShowAndSettle()
    {
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump(60);
        RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(30);
    }
    TForm* form = nullptr;
    Container* outer = nullptr;
    Container* inner = nullptr;
    TEdit* edit = nullptr;
    TLabel* label = nullptr;
    Solid* mark = nullptr;
};

}  // namespace

TEST_F(TreePaint, AVisibleFormMatchesItsPictureOnScreen)
{
    ShowAndSettle();
    auto screen = CaptureWindow(form->Handle());
    std::unique_ptr<TBitmap> painted(NewBitmap32(form->Width(), form->Height()));
    PaintControlTree(painted.get(), form, 0, nullptr, 0);
    EXPECT_LT(DifferentShare(painted.get(), screen.get(), 8, RECT{0, 0, form->Width(), form->Height()}), 0.005);
    // Each piece is in its place: the form, the panels, the graphic child of the inner one, the edit.
    EXPECT_EQ(Rgb(painted.get(), 3, 3), 0xFFFF00u);
    EXPECT_EQ(Rgb(painted.get(), 12, 12), 0xFF0000u);
    EXPECT_EQ(Rgb(painted.get(), 10 + 31, 10 + 41), 0x0000FFu);
    EXPECT_EQ(Rgb(painted.get(), 10 + 30 + 70, 10 + 40 + 20), 0x00FF00u);
    EXPECT_NE(Rgb(painted.get(), 220 + 60, 20 + 12), 0xFFFF00u);   // the edit, not the form
}

TEST_F(TreePaint, AFramedFormHasItsChildrenInTheClientArea)
{
    form->SetBorderStyle(TFormBorderStyle::bsSizeable);
    ShowAndSettle();
    auto screen = CaptureWindow(form->Handle());
    std::unique_ptr<TBitmap> painted(NewBitmap32(form->Width(), form->Height()));
    PaintControlTree(painted.get(), form, 0, nullptr, 0);
    const RECT client = GetClientRectInWindow(form->Handle());
    ASSERT_GT(client.top, 0);
    EXPECT_LT(DifferentShare(painted.get(), screen.get(), 8, client), 0.005);
    // The red panel starts 10 pixels into the client area, not into the window.
    EXPECT_EQ(Rgb(painted.get(), client.left + 10, client.top + 10), 0xFF0000u);
    EXPECT_EQ(Rgb(painted.get(), client.left + 9, client.top + 9), 0xFFFF00u);
}

TEST_F(TreePaint, AHiddenControlShowsWhatItsParentHasUnderIt)
{
    ShowAndSettle();
    inner->Hide();
    std::unique_ptr<TBitmap> b(NewBitmap32(100, 60));
    // The parent answers with its colour.
    PaintControlTree(b.get(), inner, 0, nullptr, 0);
    EXPECT_EQ(Rgb(b.get(), 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(b.get(), 99, 59), 0xFF0000u);

    // The parent answers with a picture: the control's area of it, moved by the offsets.
    std::unique_ptr<TBitmap> cache(NewBitmap32(220, 170));
    FillRect32(cache.get(), RECT{0, 0, 220, 170}, clGray, 255);
    FillRect32(cache.get(), RECT{30 + 4, 40 + 6, 30 + 4 + 10, 40 + 6 + 10}, clFuchsia, 255);
    outer->answerKind = bgBitmap;
    outer->answerBmp = cache.get();
    outer->answerOffset[0] = 4;
    outer->answerOffset[1] = 6;
    PaintControlTree(b.get(), inner, 0, nullptr, 0);
    EXPECT_EQ(Rgb(b.get(), 0, 0), 0xFF00FFu);
    EXPECT_EQ(Rgb(b.get(), 9, 9), 0xFF00FFu);
    EXPECT_EQ(Rgb(b.get(), 10, 10), 0x808080u);
}

TEST_F(TreePaint, ABorderWindowProvidersClientAlphaStaysInsideTheBitmap)
{
    ShowAndSettle();
    struct BorderProvider : TsProviderSeam {
        TCustomForm* f;
        explicit BorderProvider(TCustomForm* form) : f(form) {}
        TCustomForm* Form() override { return f; }
        bool HasSkinData() override { return true; }
        TBitmap* CacheBitmap() override { return nullptr; }
        void PaintFrameToCache() override {}
        POINT ClientOffset() override { return POINT{10, 12}; }
        TsBorderSeam* Border() override { return &border; }
        // A border that is never asked for its window here.
        struct : TsBorderSeam {
            TWinControl* Window() override { return nullptr; }
            TWinControl* ReleaseWindow() override { return nullptr; }
            void PaintOwnerFrame() override {}
            HRGN CreateBorderRegion() override { return nullptr; }
            void UpdateBorderWindow(bool, uint8_t) override {}
            void SetSkipUpdate(bool) override {}
            bool HasExtendedShadow() override { return false; }
            POINT ShowOffsets() override { return POINT{0, 0}; }
        } border;
    } provider(form);
    // The client area (360 x 260 at 10, 12) reaches past the bitmap on the right and at the bottom.
    std::unique_ptr<TBitmap> b(NewBitmap32(300, 200));
    PaintControlTree(b.get(), form, 0, &provider, 0);
    GdiFlush();
    EXPECT_EQ(GetPixel32(b.get(), 299, 199) >> 24, 255u);   // the last column and row too
    EXPECT_EQ(GetPixel32(b.get(), 10, 12) >> 24, 255u);
    EXPECT_EQ(GetPixel32(b.get(), 9, 12) >> 24, 0u);
    EXPECT_EQ(GetPixel32(b.get(), 10, 11) >> 24, 0u);
    // Children sit at the provider's client offset.
    EXPECT_EQ(Rgb(b.get(), 10 + 10, 12 + 10), 0xFF0000u);
}

TEST_F(TreePaint, AGraphicControlPaintsItselfAndTheBitmapIsLeftUnclipped)
{
    ShowAndSettle();
    std::unique_ptr<TBitmap> b(NewBitmap32(60, 40));
    PaintControlTree(b.get(), mark, 0, nullptr, 0);
    EXPECT_EQ(Rgb(b.get(), 0, 0), 0x00FF00u);
    EXPECT_EQ(Rgb(b.get(), 29, 19), 0x00FF00u);
    EXPECT_GE(mark->paints, 1);
    // The control's clip does not stay on the bitmap: later drawing reaches all of it.
    FillRect32(b.get(), RECT{0, 0, 60, 40}, clBlue, 255);
    b->Canvas().Brush().SetColor(clRed);
    b->Canvas().FillRect(RECT{0, 0, 60, 40});
    EXPECT_EQ(Rgb(b.get(), 59, 39), 0xFF0000u);
}

// ---------------------------------------------------------------- graphic children

namespace {

std::unique_ptr<TBitmap> WhiteTarget(int w, int h)
{
    std::unique_ptr<TBitmap> b(NewBitmap32(w, h));
    FillRect32(b.get(), RECT{0, 0, w, h}, clWhite, 255);
    return b;
}

}  // namespace

TEST_F(TreePaint, GraphicChildrenArePaintedAtTheOffset)
{
    ShowAndSettle();
    auto target = WhiteTarget(200, 150);
    PaintGraphicChildren(target->Canvas().Handle(), inner, POINT{5, 7}, true);
    EXPECT_EQ(Rgb(target.get(), 65, 17), 0x00FF00u);
    EXPECT_EQ(Rgb(target.get(), 94, 36), 0x00FF00u);
    EXPECT_EQ(Rgb(target.get(), 64, 17), 0xFFFFFFu);   // nothing outside the child
    EXPECT_EQ(Rgb(target.get(), 95, 37), 0xFFFFFFu);
    // Hidden container with onlyWhenVisible: nothing.
    auto other = WhiteTarget(200, 150);
    inner->Hide();
    PaintGraphicChildren(other->Canvas().Handle(), inner, POINT{0, 0}, true);
    EXPECT_EQ(Rgb(other.get(), 70, 20), 0xFFFFFFu);
    PaintGraphicChildren(other->Canvas().Handle(), inner, POINT{0, 0}, false);
    EXPECT_EQ(Rgb(other.get(), 70, 20), 0x00FF00u);
}

TEST_F(TreePaint, AClipBoxOfZeroWidthOnlyTellsTheContainerItIsCovered)
{
    ShowAndSettle();
    auto target = WhiteTarget(200, 150);
    HDC dc = target->Canvas().Handle();
    int saved = SaveDC(dc);
    IntersectClipRect(dc, 50, 0, 50, 150);
    const int paintsBefore = mark->paints;
    inner->commands.clear();
    PaintGraphicChildren(dc, inner, POINT{0, 0}, true);
    RestoreDC(dc, saved);
    EXPECT_EQ(inner->Count(SkinCmdSetPartlyCovered), 1);
    EXPECT_EQ(inner->Count(SkinCmdGetBackground), 0);
    EXPECT_EQ(mark->paints, paintsBefore);
    EXPECT_EQ(Rgb(target.get(), 70, 20), 0xFFFFFFu);
}

TEST_F(TreePaint, TheKeyColourIsReadAtTheChildsOwnPlace)
{
    ShowAndSettle();
    // A child in the key colour is not copied; its neighbour is, though the
    // offset would put the neighbour's read inside the keyed child.
    auto* keyed = new Solid(outer, RECT{10, 10, 40, 40}, TColor(0xFF00FF));
    auto* blue = new Solid(outer, RECT{40, 40, 60, 60}, clBlue);
    label->Hide();
    auto target = WhiteTarget(200, 150);
    PaintGraphicChildren(target->Canvas().Handle(), outer, POINT{-10, -10}, true);
    EXPECT_EQ(Rgb(target.get(), 15, 15), 0xFFFFFFu);
    EXPECT_EQ(Rgb(target.get(), 35, 35), 0x0000FFu);
    EXPECT_EQ(Rgb(target.get(), 49, 49), 0x0000FFu);
    EXPECT_GE(keyed->paints, 1);
    EXPECT_GE(blue->paints, 1);
}

TEST_F(TreePaint, ANestedCallReturnsAtOnce)
{
    ShowAndSettle();
    int nested = 0;
    mark->onPaint = [&] {
        auto t = WhiteTarget(10, 10);
        const int before = mark->paints;
        PaintGraphicChildren(t->Canvas().Handle(), inner, POINT{0, 0}, false);
        nested += mark->paints - before;
    };
    auto target = WhiteTarget(200, 150);
    const int before = mark->paints;
    PaintGraphicChildren(target->Canvas().Handle(), inner, POINT{0, 0}, true);
    EXPECT_EQ(mark->paints - before, 1);
    EXPECT_EQ(nested, 0);
    mark->onPaint = nullptr;
    // The guard is down again afterwards.
    PaintGraphicChildren(target->Canvas().Handle(), inner, POINT{0, 0}, true);
    EXPECT_EQ(mark->paints - before, 2);
}

TEST_F(TreePaint, BackgroundsUnderChildrenComeFromTheContainersAnswer)
{
    ShowAndSettle();
    mark->dotOnly = true;   // paints its top-left pixel only; the rest shows the background
    auto target = WhiteTarget(200, 150);

    // A ready picture: the child's area at its place plus the offsets.
    std::unique_ptr<TBitmap> cache(NewBitmap32(140, 80));
    FillRect32(cache.get(), RECT{0, 0, 140, 80}, clTeal, 255);
    FillRect32(cache.get(), RECT{60 + 3, 10 + 4, 60 + 3 + 5, 10 + 4 + 5}, clMaroon, 255);
    inner->answerKind = bgBitmap;
    inner->answerBmp = cache.get();
    inner->answerOffset[0] = 3;
    inner->answerOffset[1] = 4;
    PaintGraphicChildren(target->Canvas().Handle(), inner, POINT{0, 0}, true);
    EXPECT_EQ(Rgb(target.get(), 60, 10), 0x00FF00u);   // the child's own dot
    EXPECT_EQ(Rgb(target.get(), 62, 12), 0x800000u);   // maroon from the answer
    EXPECT_EQ(Rgb(target.get(), 70, 20), 0x008080u);   // teal from the answer

    // Not ready, with frame strips: colour inside, the picture in the strips.
    inner->answerKind = bgNotReady;
    inner->answerColor = clSilver;
    inner->answerOffset[0] = 0;
    inner->answerOffset[1] = 0;
    inner->answerFrames[0] = 0;
    inner->answerFrames[1] = 15;   // top strip: rows 0 .. 14 of the picture
    auto second = WhiteTarget(200, 150);
    PaintGraphicChildren(second->Canvas().Handle(), inner, POINT{0, 0}, true);
    EXPECT_EQ(Rgb(second.get(), 70, 12), 0x008080u);   // in the top strip
    EXPECT_EQ(Rgb(second.get(), 70, 20), 0xC0C0C0u);   // below it: the colour

    // An opaque child is prefilled with its own background colour.
    inner->answerKind = bgNone;
    mark->SetControlStyle(mark->ControlStyle() | csOpaque);
    mark->SetColor(clOlive);
    auto third = WhiteTarget(200, 150);
    PaintGraphicChildren(third->Canvas().Handle(), inner, POINT{0, 0}, true);
    EXPECT_EQ(Rgb(third.get(), 70, 20), 0x808000u);
}
