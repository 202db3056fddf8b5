// The program has no skin manager, so its skinned label and image must paint
// exactly as the class library's plain label and image do. Each window is
// captured as the program shows it, then again with every skinned label and
// image replaced by a plain twin with the same properties at the same place in
// the paint order; the two pictures must be identical. Both are drawn in the
// same run, so the comparison holds on every architecture (a stored picture
// does not: the platform's halftone stretch of the tests picture differs in
// single edge pixels between the 32-bit and the 64-bit platform libraries).
#include <gtest/gtest.h>

#include <algorithm>

#include "skin/controls/Image.h"
#include "skin/controls/Label.h"

#include "app/AppForms.h"
#include "app/ContentStore.h"
#include "app/StartForm.h"
#include "app/TestsForm.h"
#include "support/GuiTest.h"

namespace {

// The client area as it is on the screen, 0x00RRGGBB per pixel.
struct Shot {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
};

Shot TakeShot(HWND wnd)
{
    InvalidateRect(wnd, nullptr, TRUE);
    UpdateWindow(wnd);
    Pump(50);
    RECT r;
    GetClientRect(wnd, &r);
    TBitmap bmp(r.right, r.bottom, TPixelFormat::pf32bit);
    HDC dc = GetDC(wnd);
    BitBlt(bmp.Canvas().Handle(), 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, dc);
    GdiFlush();
    Shot s;
    s.w = r.right;
    s.h = r.bottom;
    s.px.resize(size_t(s.w) * size_t(s.h));
    for (int y = 0; y < s.h; ++y) {
        const uint8_t* p = bmp.ScanLine(y);
        for (int x = 0; x < s.w; ++x) s.px[size_t(y) * s.w + x] = p[x * 4] | (p[x * 4 + 1] << 8) | (p[x * 4 + 2] << 16);
    }
    return s;
}

TControl* PlainTwin(TControl* c)
{
    if (auto* l = dynamic_cast<TsCustomLabel*>(c)) {
        auto* t = new TLabel(l->Owner());
        t->SetAutoSize(false);
        t->SetBounds(l->Left(), l->Top(), l->Width(), l->Height());
        t->SetAlignment(l->Alignment());
        t->SetLayout(l->Layout());
        t->SetWordWrap(l->WordWrap());
        t->SetTransparent(l->Transparent());
        t->SetShowAccelChar(l->ShowAccelChar());
        t->SetColor(l->Color());
        t->Font().Assign(&l->Font());
        t->SetCaption(l->Caption());
        return t;
    }
    if (auto* i = dynamic_cast<TsCustomImage*>(c)) {
        auto* t = new TImage(i->Owner());
        t->SetBounds(i->Left(), i->Top(), i->Width(), i->Height());
        t->SetCenter(i->Center());
        t->SetStretch(i->Stretch());
        t->SetProportional(i->Proportional());
        t->SetTransparent(i->Transparent());
        t->Picture().Assign(&i->Picture());
        return t;
    }
    return nullptr;
}

// Puts a plain twin in the place of every visible skinned label and image of
// the form (at any depth) and keeps the paint order; returns how many.
int ReplaceWithPlainTwins(TWinControl* parent)
{
    int replaced = 0;
    std::vector<TControl*> order;
    for (int i = 0; i < parent->ControlCount(); ++i) order.push_back(parent->Controls(i));
    for (TControl*& c : order) {
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            replaced += ReplaceWithPlainTwins(w);
            continue;
        }
        if (!c->Visible()) continue;
        if (TControl* twin = PlainTwin(c)) {
            twin->SetParent(parent);
            c->SetVisible(false);
            c = twin;
            ++replaced;
        }
    }
    // Graphic controls paint in list order: bring each to the front in the old order.
    for (TControl* c : order)
        if (!dynamic_cast<TWinControl*>(c)) c->BringToFront();
    return replaced;
}

// Both pictures are also saved (build*/screenshots/look_<name>_*.bmp) to see a difference.
void ExpectSameAsPlain(TForm* form, int expectedTwins, const String& name)
{
    Shot skinned = TakeShot(form->Handle());
    SaveWindowShot(form->Handle(), L"look_" + name + L"_skinned");
    ASSERT_EQ(ReplaceWithPlainTwins(form), expectedTwins);
    Shot plain = TakeShot(form->Handle());
    SaveWindowShot(form->Handle(), L"look_" + name + L"_plain");
    ASSERT_EQ(skinned.w, plain.w);
    ASSERT_EQ(skinned.h, plain.h);
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < skinned.h; ++y)
        for (int x = 0; x < skinned.w; ++x)
            if (skinned.px[size_t(y) * skinned.w + x] != plain.px[size_t(y) * skinned.w + x]) {
                if (differing++ == 0) firstX = x, firstY = y;
            }
    EXPECT_EQ(differing, 0) << "first difference at (" << firstX << ", " << firstY << ")";
    // The comparison saw something: the window is not one flat colour.
    EXPECT_NE(std::count(plain.px.begin(), plain.px.end(), plain.px[0]), std::ptrdiff_t(plain.px.size()));
}

class UnskinnedLook : public testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile(L"Source\\start.txt", "start");
        dir.MakeDir(L"Content\\Физика\\Тесты");
        SetAppFolder(dir.Path());
    }
    void TearDown() override
    {
        FreeAndNil(Form3);
        FreeAndNil(Form1);
        SetAppFolder(L"");
        Pump();
    }
    TempDir dir{L"talvera_look"};
};

TEST_F(UnskinnedLook, StartWindowIsUnchanged)
{
    Application->CreateForm(Form1);
    Form1->Show();
    Pump(20);
    // Both skinned labels are on it, over the background picture.
    ASSERT_NE(dynamic_cast<TsLabel*>(Form1->lbl1), nullptr);
    ExpectSameAsPlain(Form1, 2, L"start");
}

TEST_F(UnskinnedLook, TestsWindowWithItsPictureIsUnchanged)
{
    Application->CreateForm(Form1);
    Application->CreateForm(Form3);
    // Test programs carry no resources: give the image the program's picture from the source tree.
    Form3->img1->Picture().LoadFromFile(EnvPath("TALVERA_TESTDATA") + L"..\\..\\resources\\tests_picture.png");
    ASSERT_FALSE(Form3->img1->Picture().Graphic()->Empty());
    Form3->Show();
    Pump(20);
    // No control holds the focus: a blinking caret would make the pictures differ.
    SetFocus(Form3->Handle());
    Pump(20);
    ExpectSameAsPlain(Form3, 1, L"tests");
}

}  // namespace
