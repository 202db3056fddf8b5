// Forms and the application: border styles, size constraints, centring,
// form events, closing rules, exceptions in handlers, the application window.
#include <gtest/gtest.h>

#include <limits>
#include <new>
#include <stdexcept>

#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "support/GuiTest.h"

namespace {

class FormsTest : public testing::Test {
protected:
    void TearDown() override
    {
        Pump();
        Application->ClearTerminated();
    }
};

TEST_F(FormsTest, SingleBorderWithoutIconsHasNoSystemMenuOrSizingFrame)
{
    TForm* f = new TForm(nullptr);
    f->SetBorderStyle(TFormBorderStyle::bsSingle);
    f->SetBorderIcons(0);
    f->Show();
    LONG style = GetWindowLongW(f->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    // Changing the style of an existing window applies at once.
    f->SetBorderIcons(biSystemMenu | biMinimize);
    style = GetWindowLongW(f->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    f->SetBorderStyle(TFormBorderStyle::bsSizeable);
    EXPECT_TRUE(GetWindowLongW(f->Handle(), GWL_STYLE) & WS_THICKFRAME);
    EXPECT_TRUE(IsWindowVisible(f->Handle()));
    Free(f);
}

TEST_F(FormsTest, ConstraintsLockTheSize)
{
    TForm* f = new TForm(nullptr);
    f->SetBorderStyle(TFormBorderStyle::bsSingle);
    f->Constraints().Set(300, 200, 300, 200);
    EXPECT_EQ(f->Width(), 300);
    EXPECT_EQ(f->Height(), 200);
    f->Show();
    f->SetBounds(10, 10, 500, 100);
    EXPECT_EQ(f->Width(), 300);
    EXPECT_EQ(f->Height(), 200);
    EXPECT_EQ(f->Left(), 10);
    // A resize from outside the library (the system's sizing) is held too.
    SetWindowPos(f->Handle(), nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r;
    GetWindowRect(f->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_EQ(f->Width(), 300);
    // Dragging a border: the sizing rectangle is clamped.
    RECT drag{r.left, r.top, r.left + 450, r.top + 120};
    SendMessageW(f->Handle(), WM_SIZING, WMSZ_BOTTOMRIGHT, LPARAM(&drag));
    EXPECT_EQ(drag.right - drag.left, 300);
    EXPECT_EQ(drag.bottom - drag.top, 200);
    EXPECT_EQ(drag.left, r.left);
    RECT dragLeft{r.left - 50, r.top, r.right, r.bottom};
    SendMessageW(f->Handle(), WM_SIZING, WMSZ_LEFT, LPARAM(&dragLeft));
    EXPECT_EQ(dragLeft.left, r.left);   // the moving edge is held back
    EXPECT_EQ(dragLeft.right, r.right);
    Free(f);
}

TEST_F(FormsTest, ScreenCenterPlacesTheFormInTheMiddle)
{
    TForm* f = new TForm(nullptr);
    f->SetBounds(0, 0, 400, 300);
    f->SetPosition(TPosition::poScreenCenter);
    f->Show();
    RECT r;
    GetWindowRect(f->Handle(), &r);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((r.left + r.right) / 2, sw / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, sh / 2, 1);
    Free(f);
}

TEST_F(FormsTest, CreateShowCloseEventsAndMainFormRules)
{
    ASSERT_EQ(Application->MainForm(), nullptr);
    TForm* mainForm = nullptr;
    // OnCreate is set in the constructor in the program; here a derived class does it.
    struct TMainForm : public TForm {
        explicit TMainForm(TComponent* o) : TForm(o)
        {
            OnCreate = [this](TObject*) { ++created; };
            OnShow = [this](TObject*) { ++shown; };
            OnClose = [this](TObject*, TCloseAction&) { ++closed; };
        }
        int created = 0, shown = 0, closed = 0;
    };
    TMainForm* m = nullptr;
    TMainForm* second = nullptr;
    Application->CreateForm(m);
    Application->CreateForm(second);
    mainForm = m;
    EXPECT_EQ(Application->MainForm(), mainForm);
    EXPECT_EQ(m->created, 1);
    EXPECT_EQ(second->created, 1);
    EXPECT_EQ(m->Owner(), Application);
    EXPECT_FALSE(m->Visible());

    second->Show();
    second->Hide();
    second->Show();
    EXPECT_EQ(second->shown, 2);
    EXPECT_EQ(second->created, 1);
    // The forms' windows are owned by the hidden application window.
    EXPECT_EQ(GetWindow(second->Handle(), GW_OWNER), Application->Handle());

    // Closing a secondary form hides it; the program goes on.
    second->Close();
    EXPECT_EQ(second->closed, 1);
    EXPECT_FALSE(second->Visible());
    EXPECT_FALSE(IsWindowVisible(second->Handle()));
    EXPECT_FALSE(Application->Terminated());
    // So does the system's close message.
    second->Show();
    SendMessageW(second->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(second->Visible());
    EXPECT_EQ(second->closed, 2);
    EXPECT_FALSE(Application->Terminated());

    // Closing the main form ends the program.
    m->Show();
    m->Close();
    EXPECT_EQ(m->closed, 1);
    EXPECT_TRUE(Application->Terminated());
    Application->ClearTerminated();
    EXPECT_FALSE(Application->Terminated());

    // A close handler may refuse.
    m->OnClose = [](TObject*, TCloseAction& a) { a = TCloseAction::caNone; };
    m->Close();
    EXPECT_FALSE(Application->Terminated());
    Free(second);
    Free(m);
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(FormsTest, ExceptionInAClickHandlerShowsTheErrorBoxAndGoesOn)
{
    TForm* f = new TForm(nullptr);
    auto* p = new TPanel(f);
    p->SetParent(f);
    p->SetBounds(0, 0, 100, 40);
    int after = 0;
    p->OnClick = [](TObject*) { throw EFOpenError(L"Не удается открыть файл \"x\""); };
    f->Show();
    auto boxes = RunAnsweringBoxes([&] { Click(p); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Не удается открыть файл \"x\".");
    // The window still works.
    p->OnClick = [&](TObject*) { ++after; };
    Click(p);
    EXPECT_EQ(after, 1);
    EXPECT_TRUE(IsWindow(f->Handle()));

    // A plain standard exception is shown with its text too.
    p->OnClick = [](TObject*) { throw std::runtime_error("boom"); };
    boxes = RunAnsweringBoxes([&] { Click(p); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"boom.");
    Free(f);
}

TEST_F(FormsTest, OutOfMemoryAndForeignThrowsAreShownAndTheWindowGoesOn)
{
    TForm* f = new TForm(nullptr);
    auto* p = new TPanel(f);
    p->SetParent(f);
    p->SetBounds(0, 0, 100, 40);
    f->Show();
    int clicks = 0;
    auto stillWorks = [&] {
        p->OnClick = [&](TObject*) { ++clicks; };
        int before = clicks;
        Click(p);
        EXPECT_EQ(clicks, before + 1);
        EXPECT_TRUE(IsWindow(f->Handle()));
    };

    // A real allocation failure, as reading a huge document once ended in.
    p->OnClick = [](TObject*) {
        volatile size_t huge = std::numeric_limits<size_t>::max() / 2;
        void* volatile block = ::operator new(huge);
        ::operator delete(block);
    };
    auto boxes = RunAnsweringBoxes([&] { Click(p); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], OutOfMemoryText() + L".");
    EXPECT_EQ(boxes[0], L"Недостаточно памяти.");
    stillWorks();

    p->OnClick = [](TObject*) { throw std::bad_alloc(); };
    boxes = RunAnsweringBoxes([&] { Click(p); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Недостаточно памяти.");
    stillWorks();

    // Something that is no exception class at all ends nothing either.
    p->OnClick = [](TObject*) { throw 42; };
    boxes = RunAnsweringBoxes([&] { Click(p); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Неизвестная ошибка.");
    stillWorks();

    // A handler set by the program sees the original exception.
    String seen;
    Application->OnException = [&](TObject*, const std::exception& e) {
        seen = dynamic_cast<const std::bad_alloc*>(&e) ? L"bad_alloc" : L"other";
    };
    p->OnClick = [](TObject*) { throw std::bad_alloc(); };
    boxes = RunAnsweringBoxes([&] { Click(p); });
    Application->OnException = nullptr;
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(seen, L"bad_alloc");
    Free(f);
}

TEST(ErrorBoxTextTest, EachKindOfExceptionHasAReadableText)
{
    EXPECT_EQ(ErrorBoxText(EReadError(L"Ошибка чтения потока")), L"Ошибка чтения потока.");
    EXPECT_EQ(ErrorBoxText(Exception(L"Уже с точкой.")), L"Уже с точкой.");
    EXPECT_EQ(ErrorBoxText(std::bad_alloc()), L"Недостаточно памяти.");
    EXPECT_EQ(ErrorBoxText(std::runtime_error("Ошибка")), L"Ошибка.");
    EXPECT_EQ(ErrorBoxText(Exception(L"")), L"Неизвестная ошибка.");
}

TEST_F(FormsTest, ShowMessageAndApplicationTitle)
{
    String old = Application->Title();
    Application->SetTitle(L"Норвель");
    wchar_t text[64] = {};
    GetWindowTextW(Application->Handle(), text, 64);
    EXPECT_STREQ(text, L"Норвель");
    auto boxes = RunAnsweringBoxes([] { ShowMessage(L"Привет"); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Привет");
    Application->SetTitle(old);
}

TEST_F(FormsTest, OnShowMayHideTheFormAgain)
{
    TForm* f = new TForm(nullptr);
    f->OnShow = [f](TObject*) { f->Hide(); };
    f->Show();
    EXPECT_FALSE(f->Visible());
    EXPECT_FALSE(IsWindowVisible(f->Handle()));
    Free(f);
}

TEST_F(FormsTest, SilentAbortShowsNoBox)
{
    TForm* f = new TForm(nullptr);
    auto* p = new TPanel(f);
    p->SetParent(f);
    p->SetBounds(0, 0, 100, 40);
    f->Show();
    p->OnClick = [](TObject*) { throw EAbort(L"not shown"); };
    EXPECT_TRUE(RunAnsweringBoxes([&] { Click(p); }).empty());
    // Any other exception still reaches the box.
    p->OnClick = [](TObject*) { throw Exception(L"shown"); };
    EXPECT_EQ(RunAnsweringBoxes([&] { Click(p); }).size(), 1u);
    Free(f);
}

TEST_F(FormsTest, StayOnTopAlphaBlendAndExtraExtendedStyles)
{
    struct Row {
        const char* what;
        TFormStyle style;
        bool alpha;
        DWORD extra;
        DWORD wantEx;
        DWORD unwantedEx;
    };
    const Row rows[] = {
        {"plain", TFormStyle::fsNormal, false, 0, 0, WS_EX_TOPMOST | WS_EX_LAYERED},
        {"stay on top", TFormStyle::fsStayOnTop, false, 0, WS_EX_TOPMOST, WS_EX_LAYERED},
        {"alpha blend", TFormStyle::fsNormal, true, 0, WS_EX_LAYERED, WS_EX_TOPMOST},
        {"auxiliary", TFormStyle::fsNormal, false, WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
         WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, WS_EX_TOPMOST},
    };
    for (const Row& r : rows) {
        for (bool before : {true, false}) {   // set before the window exists, and after
            SCOPED_TRACE(std::string(r.what) + (before ? ", before the window" : ", after the window"));
            TForm* f = new TForm(nullptr);
            f->SetAlphaBlendValue(100);
            if (!before) f->HandleNeeded();
            f->SetFormStyle(r.style);
            f->SetAlphaBlend(r.alpha);
            f->SetExtraExStyle(r.extra);
            f->Show();
            const DWORD ex = DWORD(GetWindowLongW(f->Handle(), GWL_EXSTYLE));
            EXPECT_EQ(ex & r.wantEx, r.wantEx);
            EXPECT_EQ(ex & r.unwantedEx, 0u);
            if (r.alpha) {
                BYTE alpha = 0;
                DWORD flags = 0;
                ASSERT_TRUE(GetLayeredWindowAttributes(f->Handle(), nullptr, &alpha, &flags));
                EXPECT_EQ(alpha, 100);
                EXPECT_TRUE(flags & LWA_ALPHA);
                f->SetAlphaBlend(false);
                EXPECT_FALSE(GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
            }
            Free(f);
        }
    }
}

}  // namespace
