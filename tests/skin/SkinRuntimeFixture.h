// A fixture for the skin tests that need windows: a skin manager over a small
// skin written by the test (sections with known colours and transparencies)
// or over the sample skin, and a form of the application to put test
// controls on. Everything is freed, and the skin hooks put back as the
// library's start-up left them, after each test.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "skin/core/CommonData.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"
#include "support/GuiTest.h"
#include "support/SkinTestControls.h"
#include "tests/skin/SkinFixtures.h"

namespace skintest {

// Drags with the real mouse from grab by (dx, dy) while the system's modal
// move loop runs (ten steps of stepMs); a helper thread plays the mouse and
// always lets go, then cancels the loop at cancelTo if it is still there.
inline void DragWithMouse(POINT grab, int dx, int dy, HWND cancelTo, int stepMs = 25)
{
    SetCursorPos(grab.x, grab.y);
    Pump(20);
    std::atomic<bool> done{false};
    std::thread mouse([&] {
        auto send = [](DWORD flags) {
            INPUT in{};
            in.type = INPUT_MOUSE;
            in.mi.dwFlags = flags;
            SendInput(1, &in, sizeof in);
        };
        send(MOUSEEVENTF_LEFTDOWN);
        Sleep(150);
        for (int i = 1; i <= 10; ++i) {
            SetCursorPos(grab.x + dx * i / 10, grab.y + dy * i / 10);
            Sleep(DWORD(stepMs));
        }
        Sleep(80);
        send(MOUSEEVENTF_LEFTUP);
        Sleep(400);
        PostMessageW(cancelTo, WM_CANCELMODE, 0, 0);
        done = true;
    });
    const DWORD until = GetTickCount() + 5000;
    while (!done && GetTickCount() < until)
        Pump(10);
    mouse.join();
    Pump(60);
}

// The client area of a window as it is on the screen, and one of its pixels.
inline std::unique_ptr<TBitmap> ClientShot(HWND wnd)
{
    RECT c;
    GetClientRect(wnd, &c);
    auto bmp = std::make_unique<TBitmap>(c.right, c.bottom, TPixelFormat::pf32bit);
    HDC dc = GetDC(wnd);
    BitBlt(bmp->Canvas().Handle(), 0, 0, c.right, c.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, dc);
    GdiFlush();
    return bmp;
}
inline COLORREF At(TBitmap& b, int x, int y) { return GetPixel(b.Canvas().Handle(), x, y); }

// Sections of the small skin (colours are 0x00BBGGRR, written in decimal).
//   PANEL       plain 0x203040, one state
//   EDIT        0xE0F0FF, font 0x102030; hot 0xC0D0E0, hot font 0x0000FF
//   BUTTON      gradient share, 0xA0A0A0, hot 0xFFFFFF
//   SPEEDBUTTON transparency 100 (hot 0), 0x00FF00
//   GLASS       transparency 50, 0x0000FF
//   FONTPANEL   plain, gives its own font colour
//   SHINE       glows (GLOW=2, margin 3)
inline std::string SmallRuntimeOptions()
{
    auto dec = [](uint32_t v) { return std::to_string(v); };
    return "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=" + dec(0x808080) +
           "\r\n"
           "[PANEL]\r\nCOLOR=" + dec(0x203040) + "\r\nSTATES=1\r\n"
           "[EDIT]\r\nCOLOR=" + dec(0xE0F0FF) + "\r\nFONTCOLOR=" + dec(0x102030) + "\r\nSTATES=2\r\nHOTCOLOR=" +
           dec(0xC0D0E0) + "\r\nHOTFONTCOLOR=" + dec(0x0000FF) + "\r\n"
           "[BUTTON]\r\nCOLOR=" + dec(0xA0A0A0) + "\r\nSTATES=2\r\nHOTCOLOR=" + dec(0xFFFFFF) +
           "\r\nGRADIENTPERCENT=100\r\nGRADIENTDATA=16777215;15129814;100;0;0\r\n"
           "HOTGRADIENTPERCENT=100\r\nHOTGRADIENTDATA=16777215;15455429;100;0;0\r\n"
           "[SPEEDBUTTON]\r\nCOLOR=" + dec(0x00FF00) + "\r\nSTATES=2\r\nTRANSPARENCY=100\r\nHOTTRANSPARENCY=0\r\n"
           "HOTCOLOR=" + dec(0x00FF00) + "\r\n"
           "[GLASS]\r\nCOLOR=" + dec(0x0000FF) + "\r\nSTATES=1\r\nTRANSPARENCY=50\r\n"
           "[FONTPANEL]\r\nCOLOR=" + dec(0x101010) + "\r\nSTATES=1\r\nGIVEOWNFONT=1\r\n"
           "[SHINE]\r\nCOLOR=" + dec(0x404040) + "\r\nSTATES=2\r\nGLOW=2\r\nGLOWMARGIN=3\r\n"
           "GLOW0=^0000,0000,0016,0016,0004,0004,0004,0004,1,0,0,0\r\n";
}

class SkinRuntime : public testing::Test {
protected:
    void SetUp() override
    {
        savedHooks = SkinHooks;   // what the library's start-up filled in
        // The dialog skinning would give every form a test shows a provider
        // made at run time; its own tests put its hook procedure back.
        SkinHooks.DialogHookProc = nullptr;
        SkinNoticeSink = [this](TsNoticeKind, const String& t) { notices.push_back(t); };
        dir.WriteFile(L"Small\\Options.dat", SmallRuntimeOptions());
        dir.WriteFile(L"Small\\MASTER.BMP", Master(32, 16, 0x3060C0));
    }
    void TearDown() override
    {
        for (TComponent*& f : forms)
            Free(f);
        for (TsSkinManager* m : managers)
            Free(m);
        managers.clear();
        SkinHooks = savedHooks;
        SkinNoticeSink = nullptr;
        Pump(0);
        EXPECT_EQ(DefaultManager, nullptr);
        EXPECT_FALSE(AnimationRunning);
        EXPECT_FALSE(SkinChanging);
    }
    // A manager over the small skin (loaded) or the sample skin.
    TsSkinManager* SmallManager(bool load = true)
    {
        auto* m = new TsSkinManager(nullptr);
        managers.push_back(m);
        m->SetSkinDirectory(dir.Path());
        if (load)
            m->SetSkinName(L"Small");
        return m;
    }
    TsSkinManager* SampleManager(bool load = true)
    {
        auto* m = new TsSkinManager(nullptr);
        managers.push_back(m);
        m->SetSkinDirectory(EnvPath("TALVERA_CONTENT") + L"\\Skins");
        if (load)
            m->SetSkinName(L"Slate");
        return m;
    }
    void DestroyManager(TsSkinManager* m)
    {
        managers.erase(std::find(managers.begin(), managers.end(), m));
        Free(m);
    }
    // A visible form of the application.
    TSkinTestForm* NewForm(int w = 400, int h = 300)
    {
        auto* f = new TSkinTestForm(Application);
        forms.push_back(f);
        f->SetBounds(40, 40, w, h);
        return f;
    }
    template <class C>
    C* Add(TWinControl* parent, int x, int y, int w, int h)
    {
        auto* c = new C(parent);
        c->SetParent(parent);
        c->SetBounds(x, y, w, h);
        return c;
    }
    int Section(TsSkinManager* m, const wchar_t* name) { return m->FindSectionIndex(name); }

    TsSkinHooks savedHooks;
    TempDir dir{L"skinrt"};
    std::vector<String> notices;
    std::vector<TsSkinManager*> managers;
    std::vector<TComponent*> forms;
};

}  // namespace skintest
