// Control-tree painting and the fade of controls that own skin data, with
// the sample skin loaded by a real manager.
#include <gtest/gtest.h>

#include <cstdlib>

#include "skin/core/Animations.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/graphics/Bitmap32.h"
#include "tests/skin/PictureCompare.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

class SkinnedTree : public SkinRuntime {
protected:
    void Build(TsSkinManager* m)
    {
        form = NewForm(420, 300);
        form->SetBorderStyle(TFormBorderStyle::bsNone);
        form->SetColor(clWhite);
        panel = Add<TSkinTestPanel>(form, 10, 10, 220, 170);
        edit = Add<TSkinTestEdit>(panel, 10, 10, 150, 24);
        edit->SetText(L"Текст");
        button = Add<TSkinTestButton>(form, 250, 20, 120, 32);
        graphic = Add<TSkinTestGraphic>(panel, 10, 60, 90, 40);
        inner = Add<TSkinTestPanel>(panel, 110, 60, 90, 90);
        form->Show();
        Pump(60);
        RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(40);
    }
    TSkinTestForm* form = nullptr;
    TSkinTestPanel* panel = nullptr;
    TSkinTestPanel* inner = nullptr;
    TSkinTestEdit* edit = nullptr;
    TSkinTestButton* button = nullptr;
    TSkinTestGraphic* graphic = nullptr;
};

}  // namespace

TEST_F(SkinnedTree, AFormWithTheSampleSkinIsPaintedAsTheScreenShowsIt)
{
    TsSkinManager* m = SampleManager();
    ASSERT_TRUE(m->Active());
    Build(m);
    ASSERT_TRUE(QueryControlSkinFlag(panel, SkinCmdIsSkinned));
    ASSERT_TRUE(QueryControlSkinFlag(button, SkinCmdIsSkinned));
    auto screen = CaptureWindow(form->Handle());
    std::unique_ptr<TBitmap> painted(NewBitmap32(form->Width(), form->Height()));
    panel->Commands.Clear();
    PaintControlTree(painted.get(), form, 0, nullptr, 0);
    EXPECT_LT(DifferentShare(painted.get(), screen.get(), 8), 0.005);
    // The skinned panel knew it was printed, and was told when it was over.
    EXPECT_EQ(panel->Commands.Count(SkinCmdSetPrintTarget), 2);
    // The panel's skin colour is not the form's white.
    GdiFlush();
    EXPECT_NE(GetPixel32(painted.get(), 15, 150) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(GetPixel32(painted.get(), 15, 150), GetPixel32(screen.get(), 15, 150));
}

TEST_F(SkinnedTree, TheSkinnedPictureDiffersFromThePlainOne)
{
    TsSkinManager* m = SampleManager();
    Build(m);
    std::unique_ptr<TBitmap> skinned(NewBitmap32(form->Width(), form->Height()));
    PaintControlTree(skinned.get(), form, 0, nullptr, 0);
    m->SetActive(false);
    Pump(40);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(40);
    std::unique_ptr<TBitmap> plain(NewBitmap32(form->Width(), form->Height()));
    PaintControlTree(plain.get(), form, 0, nullptr, 0);
    EXPECT_GT(DifferentShare(skinned.get(), plain.get(), 8), 0.05);
    auto screen = CaptureWindow(form->Handle());
    EXPECT_LT(DifferentShare(plain.get(), screen.get(), 8), 0.005);
}

TEST_F(SkinnedTree, TheCrossFadeOfASkinnedPanelEndsOnItsNewPicture)
{
    TsSkinManager* m = SampleManager();
    Build(m);
    CaptureControlSnapshot(panel);
    ASSERT_NE(SharedSurface(), nullptr);
    m->SetActive(false);
    AnimShowFormLayered(panel, 48, 255, TkvAnimType::atFading);
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(SharedSurface(), nullptr);
    Pump(40);
    // The panel is unskinned now: its own colour on screen.
    EXPECT_EQ(WindowPixel(panel->Handle(), 5, 150), ColorToRGB(panel->Color()));
}
