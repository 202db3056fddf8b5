// Names typed by users that become parts of paths: a student's name (the
// report file) and a new subject (a folder of Content). Names that would put
// files elsewhere, or that no file can have, are refused before anything is
// done, with a box that says why.
#include <gtest/gtest.h>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "app/TestsForm.h"
#include "support/GuiTest.h"
#include "support/TeacherWindow.h"

namespace {
std::string U8(const String& s) { return StringToUtf8(s); }

// Every file and folder below path, relative to it.
std::vector<String> Tree(const String& path, const String& rel = L"")
{
    std::vector<String> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + rel + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        String n = fd.cFileName;
        if (n == L"." || n == L"..") continue;
        out.push_back(rel + n);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            for (String& s : Tree(path, rel + n + L"\\")) out.push_back(s);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}
}  // namespace

TEST(NameProblem, PlainNamesPassAndPathPiecesDoNot)
{
    for (const wchar_t* ok : {L"Иванов Иван", L"Иванов И.И.", L"Petrov (ИВТ-21)", L"Геометрия", L"Тема 1.2", L"CONSOLE",
                              L"COM0", L"Нулевой", L"a..b"})
        EXPECT_EQ(NameProblem(ok), L"") << U8(ok);
    for (const wchar_t* bad : {L"..\\..\\..\\Побег", L"a/b", L"C:", L"x\\y", L"a*b", L"a?b", L"\"q\"", L"<b>", L"a|b",
                               L"x\ty", L"..", L".", L" . ", L"CON", L"con.txt", L"Nul", L"COM1", L"lpt9.doc"})
        EXPECT_NE(NameProblem(bad), L"") << U8(bad);
    EXPECT_EQ(NameProblem(L""), L"Имя не указано.");
    EXPECT_EQ(NameProblem(L"   "), L"Имя не указано.");
    EXPECT_NE(NameProblem(L"a?b").find(L"\"a?b\""), String::npos);
}

class NamesInTestsWindow : public testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile(L"Program\\Source\\start.txt", "start");
        dir.WriteFile(L"Program\\Content\\Физика\\Тесты\\Вариант 1.txt",
                      PackDocument("---\r\n1) ?\r\n`A) a\r\nB) b\r\n---\r\n"));
        P = dir.Path() + L"Program\\";
        SetAppFolder(P);
        Application->CreateForm(Form1);
        Application->CreateForm(Form3);
        Form3->Show();
        Pump();
    }
    void TearDown() override
    {
        FreeAndNil(Form3);
        FreeAndNil(Form1);
        SetAppFolder(L"");
    }
    void Choose(TComboBox* cb, const String& item)
    {
        int i = cb->Items().IndexOf(item);
        ASSERT_GE(i, 0) << U8(item);
        HWND h = cb->Handle();
        SendMessageW(h, CB_SETCURSEL, WPARAM(i), 0);
        SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), LPARAM(h));
    }
    TempDir dir;
    String P;
};

TEST_F(NamesInTestsWindow, ANameThatIsNoFileNameIsRefusedBeforeTheTest)
{
    std::vector<String> before = Tree(dir.Path());
    for (const wchar_t* name : {L"..\\..\\..\\Побег", L"Иван?", L"CON"}) {
        Form3->edt1->SetText(L"");
        Form3->edt2->SetText(L"");
        TypeText(Form3->edt1, name);
        TypeText(Form3->edt2, L"ИВТ-21");
        Choose(Form3->cbb1, L"Физика");
        Choose(Form3->cbb2, L"Вариант 1");
        std::vector<String> boxes = RunAnsweringBoxes([&] { Click(Form3->btn6); });
        ASSERT_EQ(boxes.size(), 1u) << U8(name);
        EXPECT_EQ(boxes[0], NameProblem(name));
        // Still in set-up: no test runs, so no report can be lost at its end.
        EXPECT_TRUE(Form3->pnl1->Visible());
        EXPECT_EQ(Form3->lst1->Items().Count(), 0);
        EXPECT_FALSE(Form3->btn7->Enabled());
    }
    EXPECT_EQ(Tree(dir.Path()), before);

    // A plain name still starts the test, and its report lands in the reports folder.
    Form3->edt1->SetText(L"");
    TypeText(Form3->edt1, L"Иванов И.И.");
    EXPECT_TRUE(RunAnsweringBoxes([&] { Click(Form3->btn6); }).empty());
    ASSERT_EQ(Form3->lst1->Items().Count(), 1);
    Click(Form3->btn1);
    RunAnsweringBoxes([&] { Click(Form3->btn7); });
    EXPECT_EQ(Form3->LastReportFile(), P + L"Content\\Физика\\Тесты\\Отчеты\\Иванов И.И.(0)");
    EXPECT_TRUE(FileExists(Form3->LastReportFile()));
}

class NamesInTeacherWindow : public testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile(L"Program\\Source\\start.txt", "start");
        dir.WriteFile(L"Program\\Source\\help.html", "<p>help</p>");
        dir.MakeDir(L"Program\\Content\\Физика\\Тесты");
        P = dir.Path() + L"Program\\";
        ShowTeacherWindow(P);
    }
    void TearDown() override { FreeTeacherWindow(); }
    TempDir dir;
    String P;
};

TEST_F(NamesInTeacherWindow, ASubjectNameThatIsNoFolderNameMakesNoFolders)
{
    std::vector<String> before = Tree(dir.Path());
    for (const wchar_t* name : {L"..\\..\\Побег", L"", L"Физика: задачи", L"AUX"}) {
        Click(Form5->btn13);
        Form5->edt1->SetText(L"");
        TypeText(Form5->edt1, name);
        std::vector<String> boxes = RunAnsweringBoxes([&] { KeyDownUp(Form5->edt1, VK_RETURN); });
        ASSERT_EQ(boxes.size(), 1u) << U8(name);
        EXPECT_EQ(boxes[0], NameProblem(name));
        EXPECT_TRUE(Form5->pnl2->Visible()) << "the panel stays for another try";
    }
    // Before, "..\..\Побег" made folders beside the program's folder and an
    // empty name made "Тесты", "Видео" and "Презентации" subjects.
    EXPECT_EQ(Tree(dir.Path()), before);

    Form5->edt1->SetText(L"");
    TypeText(Form5->edt1, L"Геометрия");
    EXPECT_TRUE(RunAnsweringBoxes([&] { KeyDownUp(Form5->edt1, VK_RETURN); }).empty());
    EXPECT_FALSE(Form5->pnl2->Visible());
    EXPECT_TRUE(DirectoryExists(P + L"Content\\Геометрия\\Тесты"));
}
