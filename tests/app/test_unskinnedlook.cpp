// The program has no skin manager, so its skinned label and image must paint
// exactly as they always have. The client areas of the start window and of the
// tests window (with its picture) are compared pixel by pixel with pictures
// recorded from the program before the skinned paths of the label and image
// existed (tests/data/unskinned/*.png). TALVERA_RECORD_BASELINE=1 writes the
// pictures instead of comparing (only ever done on purpose, with the old code).
#include <gtest/gtest.h>

#include <cstdlib>

#include "skin/graphics/PNG.h"

#include "app/AppForms.h"
#include "app/ContentStore.h"
#include "app/StartForm.h"
#include "app/TestsForm.h"
#include "support/GuiTest.h"
#include "support/PngWriter.h"

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

String BaselinePath(const char* name) { return EnvPath("TALVERA_TESTDATA") + L"unskinned\\" + Utf8ToString(name) + L".png"; }

void Record(const Shot& s, const char* name)
{
    PngSpec spec;
    spec.width = s.w;
    spec.height = s.h;
    spec.colorType = 2;
    spec.filter = 4;
    for (uint32_t v : s.px) {
        spec.rows.push_back(uint8_t(v >> 16));
        spec.rows.push_back(uint8_t(v >> 8));
        spec.rows.push_back(uint8_t(v));
    }
    std::string bytes = WritePng(spec);
    CreateDirectoryW((EnvPath("TALVERA_TESTDATA") + L"unskinned").c_str(), nullptr);
    TFileStream f(BaselinePath(name), fmCreate);
    f.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

Shot Load(const char* name)
{
    TPNGGraphic png;
    png.LoadFromFile(BaselinePath(name));
    png.SetPixelFormat(TPixelFormat::pf32bit);
    Shot s;
    s.w = png.Width();
    s.h = png.Height();
    for (int y = 0; y < s.h; ++y) {
        const uint8_t* p = png.ScanLine(y);
        for (int x = 0; x < s.w; ++x) s.px.push_back(p[x * 4] | (p[x * 4 + 1] << 8) | (p[x * 4 + 2] << 16));
    }
    return s;
}

bool Recording() { return std::getenv("TALVERA_RECORD_BASELINE") && *std::getenv("TALVERA_RECORD_BASELINE") == '1'; }

void CompareOrRecord(const Shot& now, const char* name)
{
    if (Recording()) {
        Record(now, name);
        GTEST_SKIP() << "baseline written";
    }
    ASSERT_TRUE(FileExists(BaselinePath(name))) << name;
    Shot before = Load(name);
    ASSERT_EQ(now.w, before.w);
    ASSERT_EQ(now.h, before.h);
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < now.h; ++y)
        for (int x = 0; x < now.w; ++x)
            if (now.px[size_t(y) * now.w + x] != before.px[size_t(y) * now.w + x]) {
                if (differing++ == 0) firstX = x, firstY = y;
            }
    EXPECT_EQ(differing, 0) << "first difference at (" << firstX << ", " << firstY << ")";
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
    CompareOrRecord(TakeShot(Form1->Handle()), "start_window");
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
    CompareOrRecord(TakeShot(Form3->Handle()), "tests_window");
}

}  // namespace
