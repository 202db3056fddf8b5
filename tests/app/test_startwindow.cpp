// The start window, the login window and the way the windows replace each
// other, on the program's real windows over a program folder of the test's own.
#include <gtest/gtest.h>

#include "app/AppForms.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "app/TestsForm.h"
#include "app/TextbookForm.h"
#include "support/GuiTest.h"

namespace {

class StartWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = std::make_unique<TempDir>(L"talvera_start");
        dir->WriteFile(L"Content\\Математика\\Тема 1.html", "<html><body>1</body></html>");
        dir->MakeDir(L"Content\\Математика\\Тесты");
        dir->MakeDir(L"Content\\Физика\\Тесты\\Отчеты");
        dir->WriteFile(L"Source\\start.txt", "\xCF\xF0\xE8\xE2\xE5\xF2\r\nstart");   // "Привет"
        SetAppFolder(dir->Path());
        CreateAppForms();
    }
    void TearDown() override
    {
        FreeAppForms();
        SetAppFolder(L"");
        Pump();
        Application->ClearTerminated();
        dir.reset();
    }
    // The program shows its main window when the message loop starts.
    void StartProgram() { Application->MainForm()->Show(); }
    static bool Shown(TCustomForm* f) { return f->Visible() && IsWindowVisible(f->Handle()); }
    void Login(const String& user, const String& password)
    {
        Form4->edt1->SetText(L"");
        Form4->edt2->SetText(L"");
        TypeText(Form4->edt1, user);
        TypeText(Form4->edt2, password);
        Click(Form4->btn1);
    }
    std::unique_ptr<TempDir> dir;
};

TEST_F(StartWindowTest, FiveWindowsInOrderWithTheStartWindowAsMain)
{
    EXPECT_EQ(Application->MainForm(), reinterpret_cast<TCustomForm*>(Form1));
    const auto& forms = Application->Forms();
    ASSERT_EQ(forms.size(), 5u);
    const wchar_t* names[] = {L"TForm1", L"TForm2", L"TForm3", L"TForm4", L"TForm5"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(forms[i]->ClassName(), names[i]);
        EXPECT_EQ(forms[i]->Owner(), Application);
        EXPECT_FALSE(forms[i]->Visible());
    }
    EXPECT_EQ(Form4->Caption(), L"Авторизация");
}

// The client area as it is on the screen, read once.
class ClientShot {
public:
    explicit ClientShot(HWND wnd)
    {
        UpdateWindow(wnd);
        Pump(20);
        RECT r;
        GetClientRect(wnd, &r);
        bmp_.SetSize(r.right, r.bottom);
        HDC dc = GetDC(wnd);
        BitBlt(bmp_.Canvas().Handle(), 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(wnd, dc);
    }
    COLORREF At(int x, int y)
    {
        const uint8_t* p = bmp_.ScanLine(y) + x * 4;
        return RGB(p[2], p[1], p[0]);
    }

private:
    TBitmap bmp_;
};

TEST_F(StartWindowTest, StartWindowLayout)
{
    StartProgram();
    HWND h = Form1->Handle();
    RECT c;
    GetClientRect(h, &c);
    EXPECT_EQ(c.right, 866);
    EXPECT_EQ(c.bottom, 440);
    LONG style = GetWindowLongW(h, GWL_STYLE);
    EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    RECT w;
    GetWindowRect(h, &w);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((w.left + w.right) / 2, sw / 2, 1);
    EXPECT_NEAR((w.top + w.bottom) / 2, sh / 2, 1);
    // The size is locked.
    Form1->SetBounds(Form1->Left(), Form1->Top(), 1000, 600);
    GetClientRect(h, &c);
    EXPECT_EQ(c.right, 866);

    struct Btn {
        TPanel* p;
        const wchar_t* caption;
        int l, t;
    } btns[] = {{Form1->btn4, L"Учебник", 630, 248},
                {Form1->btn6, L"Тесты", 630, 312},
                {Form1->btn3, L"Преподаватель", 630, 376},
                {Form1->Button1, L"Выход", 24, 376}};
    ClientShot shot(h);
    EXPECT_EQ(shot.At(5, 5), WindowPixel(h, 5, 5));
    for (auto& b : btns) {
        SCOPED_TRACE(StringToUtf8(b.caption));
        EXPECT_EQ(b.p->Caption(), b.caption);
        EXPECT_EQ(b.p->Left(), b.l);
        EXPECT_EQ(b.p->Top(), b.t);
        EXPECT_EQ(b.p->Width(), 160);
        EXPECT_EQ(b.p->Height(), 30);
        EXPECT_EQ(b.p->Cursor(), crHandPoint);
        EXPECT_TRUE(b.p->Font().Style() & fsBold);
        EXPECT_EQ(b.p->Font().Height(), -16);
        EXPECT_EQ(b.p->Font().Name(), L"Tahoma");
        // Dark panel with white text, in the window where it should be.
        COLORREF dark = ColorToRGB(cl3DDkShadow);
        EXPECT_EQ(shot.At(b.l + 2, b.t + 2), dark);
        EXPECT_EQ(shot.At(b.l + 157, b.t + 27), dark);
        int white = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 160; ++x)
                if (shot.At(b.l + x, b.t + y) == RGB(255, 255, 255)) ++white;
        EXPECT_GT(white, 60);
    }
    EXPECT_EQ(Form1->lbl2->Caption(), L"Тальвера\r\n");
    EXPECT_EQ(Form1->lbl1->Caption(), L"Составитель: Кервалова Н.Д., к.т.н., доцент");
    EXPECT_EQ(Form1->lbl2->Font().Color(), clGreen);
    int green2 = 0, green1 = 0;
    for (int y = 128; y < 128 + 177; ++y)
        for (int x = 16; x < 16 + 569; ++x)
            if (shot.At(x, y) == RGB(0, 0x80, 0)) ++green2;
    for (int y = 328; y < 328 + 33; ++y)
        for (int x = 16; x < 16 + 569; ++x)
            if (shot.At(x, y) == RGB(0, 0x80, 0)) ++green1;
    EXPECT_GT(green2, 400);
    EXPECT_GT(green1, 200);
    EXPECT_FALSE(Form1->mmo1->Visible());
    SaveWindowShot(h, L"start_window");
}

TEST_F(StartWindowTest, StartPanelsShowTheTargetAndHideStart)
{
    StartProgram();
    struct Row {
        TPanel* panel;
        TCustomForm* target;
    } rows[] = {{Form1->btn4, reinterpret_cast<TCustomForm*>(Form2)},
                {Form1->btn6, reinterpret_cast<TCustomForm*>(Form3)},
                {Form1->btn3, reinterpret_cast<TCustomForm*>(Form4)}};
    for (auto& r : rows) {
        SCOPED_TRACE(StringToUtf8(r.panel->Caption()));
        Click(r.panel);
        EXPECT_TRUE(Shown(r.target));
        EXPECT_FALSE(Shown(reinterpret_cast<TCustomForm*>(Form1)));
        r.target->Hide();
        Form1->Show();
    }
    EXPECT_FALSE(Application->Terminated());
    Click(Form1->Button1);
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(StartWindowTest, ClosingStartWhileAnotherWindowIsShownEndsTheProgram)
{
    StartProgram();
    Click(Form1->btn3);
    ASSERT_TRUE(Shown(Form4));
    Form1->Close();
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(StartWindowTest, LoginWithEachAccount)
{
    StartProgram();
    const wchar_t* accounts[][2] = {{L"admin", L"5d0c9e2b"}, {L"zav01", L"b83f7a06"}, {L"qwerty", L"tam372"}};
    for (auto& a : accounts) {
        SCOPED_TRACE(StringToUtf8(a[0]));
        Click(Form1->btn3);
        ASSERT_TRUE(Shown(Form4));
        Login(a[0], a[1]);
        EXPECT_TRUE(Shown(Form5));
        EXPECT_FALSE(Shown(Form4));
        EXPECT_FALSE(Shown(Form1));
        EXPECT_EQ(Form4->edt1->Text(), L"");
        EXPECT_EQ(Form4->edt2->Text(), L"");
        // Back from the teacher window: start shown, login fields still empty.
        Form5->Close();
        EXPECT_TRUE(Shown(Form1));
        Click(Form1->btn3);
        EXPECT_EQ(Form4->edt1->Text(), L"");
        EXPECT_EQ(Form4->edt2->Text(), L"");
        Click(Form4->btn2);
    }
}

TEST_F(StartWindowTest, WrongOrEmptyPairsDoNothing)
{
    StartProgram();
    Click(Form1->btn3);
    struct Pair {
        const wchar_t* user;
        const wchar_t* password;
    } wrong[] = {{L"admin", L"b83f7a06"}, {L"ADMIN", L"5d0c9e2b"}, {L"admin", L""}, {L"", L"5d0c9e2b"},
                 {L"", L""}, {L"admin ", L"5d0c9e2b"}, {L"qwerty", L"tam3721"}};
    for (auto& p : wrong) {
        SCOPED_TRACE(StringToUtf8(String(p.user) + L"/" + p.password));
        auto boxes = RunAnsweringBoxes([&] { Login(p.user, p.password); });
        EXPECT_TRUE(boxes.empty());
        EXPECT_TRUE(Shown(Form4));
        EXPECT_FALSE(Shown(Form5));
        EXPECT_FALSE(Shown(Form1));
        EXPECT_EQ(Form4->edt1->Text(), p.user);   // the fields keep their text
        EXPECT_EQ(Form4->edt2->Text(), p.password);
    }
    EXPECT_FALSE(IsTeacherAccount(L"zav01", L"5d0c9e2b"));
}

TEST_F(StartWindowTest, EnterInThePasswordFieldLogsIn)
{
    StartProgram();
    Click(Form1->btn3);
    TypeText(Form4->edt1, L"qwerty");
    TypeText(Form4->edt2, L"tam372");
    // Enter in the user field does nothing; other keys in the password field neither.
    KeyUp(Form4->edt1, VK_RETURN);
    KeyUp(Form4->edt2, VK_TAB);
    KeyUp(Form4->edt2, 'A');
    EXPECT_TRUE(Shown(Form4));
    EXPECT_FALSE(Shown(Form5));
    KeyUp(Form4->edt2, VK_RETURN);
    EXPECT_TRUE(Shown(Form5));
    EXPECT_FALSE(Shown(Form4));
    EXPECT_FALSE(Shown(Form1));
    EXPECT_EQ(Form4->edt2->Text(), L"");
}

TEST_F(StartWindowTest, BackFromLoginShowsStart)
{
    StartProgram();
    Click(Form1->btn3);
    TypeText(Form4->edt1, L"admin");
    Click(Form4->btn2);
    EXPECT_TRUE(Shown(Form1));
    EXPECT_FALSE(Shown(Form4));
    EXPECT_FALSE(Shown(Form5));
    // A hidden window keeps its state.
    EXPECT_EQ(Form4->edt1->Text(), L"admin");
    EXPECT_EQ(SendMessageW(Form4->edt2->Handle(), EM_GETPASSWORDCHAR, 0, 0), L'*');
}

TEST_F(StartWindowTest, StartTextIsReadAtEachShowing)
{
    StartProgram();
    EXPECT_EQ(Form1->mmo1->Lines().Count(), 2);
    EXPECT_EQ(Form1->mmo1->Lines()[0], L"Привет");
    dir->WriteFile(L"Source\\start.txt", "second\nversion\nthree");
    Click(Form1->btn3);
    Click(Form4->btn2);
    ASSERT_TRUE(Shown(Form1));
    EXPECT_EQ(Form1->mmo1->Lines().Count(), 3);
    EXPECT_EQ(Form1->mmo1->Text(), L"second\r\nversion\r\nthree");
}

TEST_F(StartWindowTest, MissingStartTextShowsTheErrorAndTheWindow)
{
    String file = dir->Path() + L"Source\\start.txt";
    ASSERT_TRUE(DeleteFileW(file.c_str()));
    auto boxes = RunAnsweringBoxes([&] { StartProgram(); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Не удается открыть файл \"" + file + L"\".");
    EXPECT_TRUE(Shown(Form1));
    // Each showing tells again, and the window stays usable.
    boxes = RunAnsweringBoxes([&] {
        Click(Form1->btn3);
        Click(Form4->btn2);
    });
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Shown(Form1));
    EXPECT_FALSE(Shown(Form4));
}

}  // namespace
