// Spin edit, file dialogs and clipboard. The file dialogs are the system's
// own: a thread timer finds the dialog window, reads it and answers it the
// way a user would (typing a name and pressing OK).
#include <gtest/gtest.h>

#include "classlib/Clipbrd.h"
#include "classlib/CommonDialogs.h"
#include "classlib/Forms.h"
#include "classlib/Spin.h"
#include "support/GuiTest.h"

#include <commctrl.h>

namespace {

// ---------------------------------------------------------------- spin edit

struct SpinFixture : ::testing::Test {
    TForm* form = nullptr;
    TSpinEdit* se = nullptr;
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(60, 60, 300, 150);
        se = new TSpinEdit(form);
        se->SetParent(form);
        se->SetBounds(20, 20, 121, 24);
        se->SetMinValue(1);
        se->SetMaxValue(200);
        se->SetValue(30);
        form->Show();
        Pump(20);
    }
    void TearDown() override { Free(form); }
};

TEST_F(SpinFixture, ValueStaysWithinTheLimits)
{
    EXPECT_EQ(se->Text(), L"30");
    EXPECT_EQ(se->Value(), 30);
    se->SetValue(500);
    EXPECT_EQ(se->Text(), L"200");
    se->SetValue(-4);
    EXPECT_EQ(se->Text(), L"1");
    // Text put in the field by other means is read within the limits.
    SetWindowTextW(se->Handle(), L"999");
    EXPECT_EQ(se->Value(), 200);
    SetWindowTextW(se->Handle(), L"");
    EXPECT_EQ(se->Value(), 1);
    SetWindowTextW(se->Handle(), L"99999999999999");
    EXPECT_EQ(se->Value(), 200);
    SetWindowTextW(se->Handle(), L" 17 ");
    EXPECT_EQ(se->Value(), 17);
    // Narrowing the limits brings the value in.
    se->SetValue(150);
    se->SetMaxValue(100);
    EXPECT_EQ(se->Text(), L"100");
}

TEST_F(SpinFixture, TypingAcceptsDigitsOnly)
{
    SetWindowTextW(se->Handle(), L"");
    TypeText(se, L"4x7;");
    EXPECT_EQ(se->Text(), L"47");
    EXPECT_EQ(se->Value(), 47);
}

TEST_F(SpinFixture, ArrowKeysAndTheUpDownStepTheValue)
{
    KeyDownUp(se, VK_UP);
    EXPECT_EQ(se->Value(), 31);
    KeyDownUp(se, VK_DOWN);
    KeyDownUp(se, VK_DOWN);
    EXPECT_EQ(se->Value(), 29);

    HWND ud = se->UpDownHandle();
    ASSERT_NE(ud, nullptr);
    RECT r;
    GetClientRect(ud, &r);
    EXPECT_GT(r.bottom, 10);
    // The up-down lies inside the field, at its right edge.
    RECT ur, er;
    GetWindowRect(ud, &ur);
    GetWindowRect(se->Handle(), &er);
    EXPECT_LE(ur.right, er.right);
    EXPECT_GT(ur.left, er.left + 80);

    MouseDownUp(ud, r.right / 2, r.bottom / 4, TMouseButton::mbLeft);
    Pump(20);
    EXPECT_EQ(se->Value(), 30);
    MouseDownUp(ud, r.right / 2, r.bottom * 3 / 4, TMouseButton::mbLeft);
    MouseDownUp(ud, r.right / 2, r.bottom * 3 / 4, TMouseButton::mbLeft);
    Pump(20);
    EXPECT_EQ(se->Value(), 28);

    se->SetValue(200);
    KeyDownUp(se, VK_UP);
    EXPECT_EQ(se->Value(), 200);
    se->SetValue(1);
    MouseDownUp(ud, r.right / 2, r.bottom * 3 / 4, TMouseButton::mbLeft);
    Pump(20);
    EXPECT_EQ(se->Value(), 1);
}

TEST_F(SpinFixture, KeyUpReachesTheHandler)
{
    std::vector<WORD> keys;
    se->OnKeyUp = [&](TObject* sender, WORD& key, TShiftState) {
        EXPECT_EQ(sender, se);
        keys.push_back(key);
    };
    KeyUp(se, VK_RETURN);
    KeyDownUp(se, '5');
    EXPECT_EQ(keys, (std::vector<WORD>{VK_RETURN, '5'}));
}

// ---------------------------------------------------------------- filters

// A literal with NULs inside, without its terminating one.
template <size_t N>
String WideLiteral(const wchar_t (&s)[N])
{
    return String(s, N - 1);
}

TEST(FileDialogTest, FilterBecomesTheSystemForm)
{
    EXPECT_EQ(SystemFilter(L"Тесты(.txt)|*.txt|Материалы(.html)|*.html"),
              WideLiteral(L"Тесты(.txt)\0*.txt\0Материалы(.html)\0*.html\0\0"));
    EXPECT_EQ(SystemFilter(L""), String(1, L'\0'));
    // A description without its pattern is dropped.
    EXPECT_EQ(SystemFilter(L"Все|*.*|Лишнее"), WideLiteral(L"Все\0*.*\0\0"));
}

// ---------------------------------------------------------------- real dialogs

// Runs the dialog for real and answers it.
bool RunAnswered(TOpenDialog& d, FileDialogAnswer& a)
{
    bool r = false;
    a = AnswerFileDialog(a.typedName, [&] { r = d.Execute(); });
    return r;
}

TEST(FileDialogTest, OpenDialogStartsWhereAskedAndReturnsTheTypedFile)
{
    TempDir dir;
    dir.WriteFile(L"Предмет\\тест.txt", "x");
    TOpenDialog d(nullptr);
    d.SetFilter(L"изображения(.jpg,.jpeg,.png)|*.png, *.jpg, *.jepg|Все файлы|*.*");
    d.SetFilterIndex(2);
    d.SetInitialDir(dir.Path() + L"Предмет\\");
    FileDialogAnswer a;
    a.typedName = L"тест.txt";
    ASSERT_TRUE(RunAnswered(d, a));
    ASSERT_TRUE(a.seen);
    EXPECT_EQ(IncludeTrailingBackslash(a.folder), dir.Path() + L"Предмет\\");
    EXPECT_EQ(a.filterCount, 2);
    EXPECT_EQ(a.filterSelected, 1);
    EXPECT_EQ(a.filterText, L"Все файлы");
    EXPECT_EQ(d.FileName(), dir.Path() + L"Предмет\\тест.txt");
    EXPECT_EQ(d.FilterIndex(), 2);
}

TEST(FileDialogTest, CancelReturnsFalseAndKeepsTheName)
{
    TempDir dir;
    TOpenDialog d(nullptr);
    d.SetInitialDir(dir.Path());
    d.SetFileName(L"прежнее.txt");
    FileDialogAnswer a;   // no name: Cancel
    EXPECT_FALSE(RunAnswered(d, a));
    EXPECT_TRUE(a.seen);
    EXPECT_EQ(d.FileName(), L"прежнее.txt");
}

TEST(FileDialogTest, SaveDialogAddsTheDefaultExtension)
{
    TempDir dir;
    TSaveDialog d(nullptr);
    d.SetFilter(L"Тесты(.txt)|*.txt|Материалы(.html)|*.html");
    d.SetFilterIndex(1);
    d.SetDefaultExt(L".txt");
    d.SetInitialDir(dir.Path());
    FileDialogAnswer a;
    a.typedName = L"Вариант 1";
    ASSERT_TRUE(RunAnswered(d, a));
    EXPECT_EQ(a.filterSelected, 0);
    EXPECT_EQ(a.filterText, L"Тесты(.txt)");
    EXPECT_EQ(d.FileName(), dir.Path() + L"Вариант 1.txt");

    // A name with its own extension keeps it; an existing file is no obstacle.
    dir.WriteFile(L"page.html", "old");
    a = FileDialogAnswer{};
    a.typedName = L"page.html";
    ASSERT_TRUE(RunAnswered(d, a));
    EXPECT_EQ(d.FileName(), dir.Path() + L"page.html");
}

TEST(FileDialogTest, RunnerReplacesTheSystemDialog)
{
    TOpenDialog d(nullptr);
    d.SetFilterIndex(2);
    TOpenDialog::Runner = [](TOpenDialog& dlg) {
        dlg.SetFileName(L"C:\\x.txt");
        dlg.SetFilterIndex(1);
        return true;
    };
    bool r = d.Execute();
    TOpenDialog::Runner = nullptr;
    EXPECT_TRUE(r);
    EXPECT_EQ(d.FileName(), L"C:\\x.txt");
    EXPECT_EQ(d.FilterIndex(), 1);
}

// ---------------------------------------------------------------- clipboard

String SystemClipboardText()
{
    String out;
    if (!OpenClipboard(nullptr)) return L"<не открылся>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        out = static_cast<const wchar_t*>(GlobalLock(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

TEST(ClipboardTest, TextGoesToTheSystemClipboardAndBack)
{
    TClipboard c;
    c.SetTextBuf(L"Вопрос 1\r\nA)");
    EXPECT_EQ(SystemClipboardText(), L"Вопрос 1\r\nA)");
    EXPECT_TRUE(c.HasFormat(CF_UNICODETEXT));
    EXPECT_EQ(c.AsText(), L"Вопрос 1\r\nA)");

    // Text put there by someone else is read too.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 8 * sizeof(wchar_t));
    lstrcpyW(static_cast<wchar_t*>(GlobalLock(mem)), L"чужой");
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
    EXPECT_EQ(c.AsText(), L"чужой");
}

TEST(ClipboardTest, ClearLeavesNothing)
{
    TClipboard c;
    c.SetAsText(L"что-то");
    c.Clear();
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_FALSE(c.HasFormat(CF_UNICODETEXT));
    EXPECT_EQ(c.AsText(), L"");
}

TEST(ClipboardTest, NestedOpenKeepsTheClipboardUntilTheLastClose)
{
    TClipboard c;
    c.Open();
    c.Open();
    c.Close();
    // Still ours: another opener is refused.
    EXPECT_FALSE(OpenClipboard(GetDesktopWindow()) && (CloseClipboard(), false));
    EXPECT_EQ(GetOpenClipboardWindow() != nullptr, true);
    c.Close();
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
}

}  // namespace
