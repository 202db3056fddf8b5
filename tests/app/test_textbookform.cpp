// The textbook window on real windows: chapter tree, tabs, pop-up lists,
// shell calls, refresh and window flow.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/StartForm.h"
#include "app/TestsForm.h"
#include "app/TextbookForm.h"
#include "support/GuiTest.h"

namespace {

struct ShellCall {
    HWND parent;
    String verb, file;
    bool noParams, noFolder;
    int show;
};
std::vector<ShellCall> shellCalls;
bool passToShell = false;
HINSTANCE lastShellResult = nullptr;

HINSTANCE WINAPI RecordShell(HWND parent, LPCWSTR verb, LPCWSTR file, LPCWSTR params, LPCWSTR dir, INT show)
{
    shellCalls.push_back({parent, verb ? verb : L"", file ? file : L"", params == nullptr, dir == nullptr, show});
    if (passToShell) return lastShellResult = ShellExecuteW(parent, verb, file, params, dir, show);
    return HINSTANCE(42);
}

std::string Page(const char* body) { return std::string("<html><body>") + body + "</body></html>"; }

TTreeNode* FindNode(TTreeView* tv, const String& parent, const String& text)
{
    for (int i = 0; i < tv->Items().Count(); ++i) {
        TTreeNode* n = tv->Items()[i];
        if (n->Text() != text) continue;
        if (parent.empty() ? n->Parent() == nullptr : (n->Parent() && n->Parent()->Text() == parent)) return n;
    }
    return nullptr;
}

// A click as the system tree control takes it: it waits for the release in a
// mouse loop of its own after the press, so the release is queued first.
void ClickAtTree(TTreeView* tv, int x, int y)
{
    PostMessageW(tv->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    SendMessageW(tv->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Pump(30);
}

void ClickNode(TTreeView* tv, TTreeNode* node)
{
    ASSERT_NE(node, nullptr);
    RECT r = node->DisplayRect(true);
    ASSERT_LT(r.left, r.right);
    ClickAtTree(tv, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::vector<String> Children(TTreeView* tv, const String& subject)
{
    std::vector<String> out;
    if (TTreeNode* s = FindNode(tv, L"", subject))
        for (int i = 0; i < s->Count(); ++i) out.push_back(s->Item(i)->Text());
    return out;
}

class TextbookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile(L"Source\\start.txt", "start");
        dir.WriteFile(L"Content\\Алгебра\\Глава 1.html", Page("<h1>Первая глава</h1>"));
        dir.WriteFile(L"Content\\Алгебра\\Глава 2.html", Page("<p>Вторая глава</p>"));
        dir.WriteFile(L"Content\\Алгебра\\a.b.html", Page("<p>Файл a.b</p>"));
        dir.WriteFile(L"Content\\Алгебра\\a.html", Page("<p>Файл a</p>"));
        dir.WriteFile(L"Content\\Алгебра\\Презентации\\Лекция.txt", "lecture");
        dir.WriteFile(L"Content\\Алгебра\\Видео\\Урок.avi", "RIFF");
        dir.WriteFile(L"Content\\Геометрия\\Тема.html", Page("<p>Тема</p>"));
        dir.MakeDir(L"Content\\Геометрия\\Презентации");
        dir.MakeDir(L"Content\\Геометрия\\Видео");
        SetAppFolder(dir.Path());
        CreateAppForms();
        f = Form2;
        shellCalls.clear();
        passToShell = false;
        TForm2::ShellOpen = RecordShell;
        Form1->Show();
        Form1->btn4->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        Form1->btn4->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Pump(30);
    }
    void TearDown() override
    {
        TForm2::ShellOpen = &ShellExecuteW;
        FreeAppForms();
        SetAppFolder(L"");
    }
    TTreeNode* Chapter(const String& subject, const String& name) { return FindNode(f->tv1, subject, name); }
    // Checks the tab in every slot: Tag, label Tag, position; and "+".
    void ExpectStrip(int n)
    {
        ASSERT_EQ(f->count, n);
        for (int i = 0; i < n; ++i) {
            ASSERT_NE(f->pages[i], nullptr) << i;
            EXPECT_EQ(f->pages[i]->Tag(), i);
            EXPECT_EQ(f->pages[i]->CloseLabel()->Tag(), i);
            EXPECT_EQ(f->pages[i]->Left(), i * 100);
            EXPECT_EQ(f->pages[i]->Top(), 0);
        }
        for (int i = n; i < TForm2::MaxTabs; ++i) EXPECT_EQ(f->pages[i], nullptr) << i;
        EXPECT_EQ(f->addpage->Left(), n * 100);
    }
    void CloseByLabel(TmyTabPanel* tab, TMouseButton b = TMouseButton::mbLeft)
    {
        Click(tab->CloseLabel(), b);
        Pump(30);
    }
    TempDir dir;
    TForm2* f = nullptr;
};

TEST_F(TextbookTest, WindowFillsTheWorkAreaAndLaysOutItsParts)
{
    ASSERT_TRUE(f->Showing());
    EXPECT_FALSE(Form1->Visible());
    EXPECT_EQ(f->Caption(), L"Тальвера");
    RECT wa = Screen->WorkAreaRect();
    EXPECT_EQ(f->Width(), wa.right - wa.left);
    EXPECT_EQ(f->Height(), wa.bottom - wa.top);
    EXPECT_EQ(f->Constraints().MinWidth, f->Width());
    EXPECT_EQ(f->Constraints().MaxHeight, f->Height());
    const int W = f->ClientWidth(), H = f->ClientHeight();
    EXPECT_EQ(f->tv1->Height(), H);
    EXPECT_EQ(f->pgc1->Left(), 200);
    EXPECT_EQ(f->pgc1->Width(), W - 200);
    EXPECT_EQ(f->pgc1->Height(), H - 48);
    EXPECT_EQ(f->pnl4->Width(), f->pgc1->Width());
    EXPECT_EQ(f->pnl1->Top(), H - 48);
    EXPECT_EQ(f->pnl1->Width(), f->pgc1->Width());
    EXPECT_EQ(f->btn2->Top(), 4);
    EXPECT_EQ(f->btn4->Top(), 4);
    // "Обновить" and "Выход" keep their distance from the right edge.
    EXPECT_EQ(f->pnl1->Width() - f->Button1->Left(), 873 - 784);
    EXPECT_EQ(f->pnl2->Top(), f->pnl1->Top() - 336);
    EXPECT_EQ(f->pnl2->Left(), f->pgc1->Left() + 392);
    EXPECT_EQ(f->pnl3->Left(), f->pgc1->Left() + 200);
    EXPECT_EQ(f->capacity, std::min(f->pnl4->Width() / 100, 20));
    // The trees as listed: names cut at the first dot, subjects first.
    std::vector<String> algebra = Children(f->tv1, L"Алгебра");
    EXPECT_EQ(algebra.size(), 4u);
    EXPECT_NE(std::find(algebra.begin(), algebra.end(), L"Глава 1"), algebra.end());
    EXPECT_EQ(Children(f->tv2, L"Алгебра"), std::vector<String>{L"Лекция"});
    EXPECT_EQ(Children(f->tv3, L"Алгебра"), std::vector<String>{L"Урок"});
    EXPECT_TRUE(Children(f->tv2, L"Геометрия").empty());
}

TEST_F(TextbookTest, ChapterClickWithNoTabOpensANewTab)
{
    ClickNode(f->tv1, Chapter(L"Алгебра", L"Глава 2"));
    ExpectStrip(1);
    TmyTabPanel* tab = f->pages[0];
    EXPECT_EQ(f->current, tab);
    EXPECT_EQ(tab->Caption(), L"Глава 2");
    EXPECT_EQ(tab->Color(), clScrollBar);
    ASSERT_NE(tab->GetBros(), nullptr);
    EXPECT_EQ(tab->GetBros()->LocationURL(), dir.Path() + L"Content\\Алгебра\\Глава 2.html");
    EXPECT_NE(tab->GetBros()->PlainText().find(L"Вторая глава"), String::npos);
    EXPECT_EQ(tab->GetBros()->Parent(), f->pgc1);
    EXPECT_EQ(tab->GetBros()->Top(), 40);
    EXPECT_EQ(tab->GetBros()->Width(), f->pgc1->Width());
    EXPECT_EQ(tab->GetBros()->Height(), f->pgc1->Height() - 40);
    // The next chapter goes to the same tab.
    ClickNode(f->tv1, Chapter(L"Геометрия", L"Тема"));
    ExpectStrip(1);
    EXPECT_EQ(tab->Caption(), L"Тема");
    EXPECT_NE(tab->GetBros()->PlainText().find(L"Тема"), String::npos);
}

TEST_F(TextbookTest, SubjectNodeAndEmptyClickDoNothing)
{
    ClickNode(f->tv1, FindNode(f->tv1, L"", L"Алгебра"));
    EXPECT_EQ(f->count, 0);
    f->tv1->SetSelected(nullptr);
    ClickAtTree(f->tv1, 100, f->tv1->Height() - 10);
    EXPECT_EQ(f->count, 0);
    EXPECT_EQ(f->current, nullptr);
}

TEST_F(TextbookTest, DottedChapterOpensItsOwnFile)
{
    // "a.b.html" and "a.html" are both listed as "a"; each opens its own file.
    TTreeNode* s = FindNode(f->tv1, L"", L"Алгебра");
    std::vector<String> seen;
    for (int i = 0; i < s->Count(); ++i)
        if (s->Item(i)->Text() == L"a") {
            ClickNode(f->tv1, s->Item(i));
            seen.push_back(f->current->GetBros()->LocationURL());
        }
    ASSERT_EQ(seen.size(), 2u);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen[0], dir.Path() + L"Content\\Алгебра\\a.b.html");
    EXPECT_EQ(seen[1], dir.Path() + L"Content\\Алгебра\\a.html");
}

TEST_F(TextbookTest, PlusAddsTabsUpToCapacity)
{
    ASSERT_GE(f->capacity, 3);
    Click(f->addpage);
    Click(f->addpage);
    ExpectStrip(2);
    EXPECT_EQ(f->current, f->pages[1]);
    EXPECT_EQ(f->pages[0]->Color(), cl3DDkShadow);
    EXPECT_EQ(f->pages[1]->Color(), clScrollBar);
    EXPECT_EQ(f->pages[1]->Caption(), L"Новая вкладка");
    EXPECT_EQ(f->pages[1]->Width(), 100);
    EXPECT_EQ(f->pages[1]->CloseLabel()->Left(), 85);
    EXPECT_EQ(f->pages[1]->CloseLabel()->Caption(), L"x");
    // The newest page view is on top.
    HWND top = GetWindow(f->pgc1->Handle(), GW_CHILD);
    while (top && top != f->pages[0]->GetBros()->Handle() && top != f->pages[1]->GetBros()->Handle())
        top = GetWindow(top, GW_HWNDNEXT);
    EXPECT_EQ(top, f->pages[1]->GetBros()->Handle());
    while (f->count < f->capacity) Click(f->addpage);
    ExpectStrip(f->capacity);
    TmyTabPanel* last = f->current;
    Click(f->addpage);
    ExpectStrip(f->capacity);
    EXPECT_EQ(f->current, last);
}

TEST_F(TextbookTest, ClickingATabMakesItCurrent)
{
    Click(f->addpage);
    Click(f->addpage);
    TmyTabPanel* first = f->pages[0];
    Click(first);
    EXPECT_EQ(f->current, first);
    EXPECT_EQ(first->Color(), clScrollBar);
    EXPECT_EQ(f->pages[1]->Color(), cl3DDkShadow);
    HWND top = GetWindow(f->pgc1->Handle(), GW_CHILD);
    while (top && top != f->pages[0]->GetBros()->Handle() && top != f->pages[1]->GetBros()->Handle())
        top = GetWindow(top, GW_HWNDNEXT);
    EXPECT_EQ(top, first->GetBros()->Handle());
    ClickNode(f->tv1, Chapter(L"Алгебра", L"Глава 1"));
    EXPECT_EQ(first->Caption(), L"Глава 1");
    EXPECT_EQ(f->pages[1]->Caption(), L"Новая вкладка");
}

TEST_F(TextbookTest, ClosingTheCurrentTabLeavesNoCurrentTab)
{
    ClickNode(f->tv1, Chapter(L"Алгебра", L"Глава 1"));
    Click(f->addpage);
    ASSERT_EQ(f->current, f->pages[1]);
    CloseByLabel(f->pages[1]);
    ExpectStrip(1);
    EXPECT_EQ(f->current, nullptr);
    EXPECT_EQ(f->pages[0]->Caption(), L"Глава 1");
    // The next chapter click opens a new tab instead of reusing the old one.
    ClickNode(f->tv1, Chapter(L"Алгебра", L"Глава 2"));
    ExpectStrip(2);
    EXPECT_EQ(f->pages[0]->Caption(), L"Глава 1");
    EXPECT_EQ(f->pages[1]->Caption(), L"Глава 2");
    EXPECT_EQ(f->current, f->pages[1]);
}

TEST_F(TextbookTest, ClosingTheFirstOfThreeShiftsTheOthers)
{
    Click(f->addpage);
    Click(f->addpage);
    Click(f->addpage);
    TmyTabPanel* second = f->pages[1];
    TmyTabPanel* third = f->pages[2];
    TWebBrowser* firstBrowser = f->pages[0]->GetBros();
    int browsers = f->pgc1->ControlCount();
    CloseByLabel(f->pages[0]);
    ExpectStrip(2);
    EXPECT_EQ(f->pages[0], second);
    EXPECT_EQ(f->pages[1], third);
    EXPECT_EQ(f->pgc1->ControlCount(), browsers - 1);   // its page view went with it
    for (int i = 0; i < f->pgc1->ControlCount(); ++i) EXPECT_NE(f->pgc1->Controls(i), firstBrowser);
    EXPECT_EQ(f->current, third);
    // Their own labels close the right tabs.
    CloseByLabel(third, TMouseButton::mbRight);
    ExpectStrip(1);
    EXPECT_EQ(f->pages[0], second);
    EXPECT_EQ(f->current, nullptr);
    CloseByLabel(second, TMouseButton::mbMiddle);
    ExpectStrip(0);
}

TEST_F(TextbookTest, AnyMouseButtonOnTheLabelCloses)
{
    for (TMouseButton b : {TMouseButton::mbLeft, TMouseButton::mbRight, TMouseButton::mbMiddle}) {
        Click(f->addpage);
        ExpectStrip(1);
        CloseByLabel(f->pages[0], b);
        ExpectStrip(0);
    }
}

TEST_F(TextbookTest, SecondClickBeforeThePostedCloseClosesNothingElse)
{
    Click(f->addpage);
    Click(f->addpage);
    Click(f->addpage);
    TmyTabPanel* second = f->pages[1];
    TmyTabPanel* third = f->pages[2];
    // Two clicks on the first tab's "x" before the queue runs: one close.
    Click(f->pages[0]->CloseLabel());
    Click(f->pages[0]->CloseLabel());
    Pump(30);
    ExpectStrip(2);
    EXPECT_EQ(f->pages[0], second);
    EXPECT_EQ(f->pages[1], third);
    // Clicks on two tabs before the queue runs close exactly those two.
    Click(f->addpage);
    TmyTabPanel* fourth = f->pages[2];
    Click(second->CloseLabel());
    Click(fourth->CloseLabel());
    Pump(30);
    ExpectStrip(1);
    EXPECT_EQ(f->pages[0], third);
}

TEST_F(TextbookTest, ClosingTheWindowWithSeveralTabsClosesThemAll)
{
    ClickNode(f->tv1, Chapter(L"Алгебра", L"Глава 1"));
    Click(f->addpage);
    Click(f->addpage);
    Click(f->Button1);
    Pump(20);
    EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(Form1->Visible());
    ExpectStrip(0);
    EXPECT_EQ(f->current, nullptr);
    EXPECT_EQ(f->pgc1->ControlCount(), 1);   // only the tab strip
}

TEST_F(TextbookTest, ClosingTheWindowWithOneTabKeepsIt)
{
    ClickNode(f->tv1, Chapter(L"Алгебра", L"Глава 1"));
    TmyTabPanel* tab = f->pages[0];
    Click(f->Button1);
    Pump(20);
    EXPECT_TRUE(Form1->Visible());
    ExpectStrip(1);
    EXPECT_EQ(f->pages[0], tab);
    f->Show();
    Pump(20);
    ExpectStrip(1);
    EXPECT_EQ(f->current, tab);
    EXPECT_NE(tab->GetBros()->PlainText().find(L"Первая глава"), String::npos);
}

TEST_F(TextbookTest, ListsToggleAndClose)
{
    EXPECT_FALSE(f->pnl2->Visible());
    Click(f->btn4);
    EXPECT_TRUE(f->pnl2->Visible());
    EXPECT_TRUE(IsWindowVisible(f->pnl2->Handle()));
    Click(f->btn4);
    EXPECT_FALSE(f->pnl2->Visible());
    Click(f->btn4);
    Click(f->pnl6);
    EXPECT_FALSE(f->pnl2->Visible());
    Click(f->btn3);
    EXPECT_TRUE(f->pnl3->Visible());
    EXPECT_FALSE(f->pnl2->Visible());
    Click(f->pnl5);
    EXPECT_FALSE(f->pnl3->Visible());
}

TEST_F(TextbookTest, PresentationAndVideoGoToTheShell)
{
    Click(f->btn4);
    ClickNode(f->tv2, FindNode(f->tv2, L"Алгебра", L"Лекция"));
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(shellCalls[0].parent, f->Handle());
    EXPECT_EQ(shellCalls[0].verb, L"open");
    EXPECT_EQ(shellCalls[0].file, dir.Path() + L"Content\\Алгебра\\Презентации\\Лекция.txt");
    EXPECT_TRUE(shellCalls[0].noParams);
    EXPECT_TRUE(shellCalls[0].noFolder);
    EXPECT_EQ(shellCalls[0].show, SW_SHOWNORMAL);
    // Subject nodes and a vanished file call nothing.
    ClickNode(f->tv2, FindNode(f->tv2, L"", L"Алгебра"));
    EXPECT_EQ(shellCalls.size(), 1u);
    Click(f->btn3);
    ClickNode(f->tv3, FindNode(f->tv3, L"Алгебра", L"Урок"));
    ASSERT_EQ(shellCalls.size(), 2u);
    EXPECT_EQ(shellCalls[1].file, dir.Path() + L"Content\\Алгебра\\Видео\\Урок.avi");
    DeleteFileW((dir.Path() + L"Content\\Алгебра\\Видео\\Урок.avi").c_str());
    f->tv3->SetSelected(nullptr);
    ClickNode(f->tv3, FindNode(f->tv3, L"Алгебра", L"Урок"));
    EXPECT_EQ(shellCalls.size(), 2u);
}

TEST_F(TextbookTest, TwoPresentationsWithOneNameOpenTheirOwnFiles)
{
    dir.WriteFile(L"Content\\Геометрия\\Презентации\\x.ppt", "p");
    dir.WriteFile(L"Content\\Геометрия\\Презентации\\x.pdf", "d");
    Click(f->btn6);
    Click(f->btn4);
    TTreeNode* s = FindNode(f->tv2, L"", L"Геометрия");
    ASSERT_EQ(s->Count(), 2);
    ClickNode(f->tv2, s->Item(0));
    ClickNode(f->tv2, s->Item(1));
    ASSERT_EQ(shellCalls.size(), 2u);
    EXPECT_NE(shellCalls[0].file, shellCalls[1].file);
}

static BOOL CALLBACK FindNotepad(HWND wnd, LPARAM out)
{
    wchar_t cls[32] = {};
    GetClassNameW(wnd, cls, 32);
    if (lstrcmpiW(cls, L"Notepad") == 0) {
        *reinterpret_cast<HWND*>(out) = wnd;
        return FALSE;
    }
    return TRUE;
}

TEST_F(TextbookTest, RealShellOpensATextPresentation)
{
    // This prefix associates .ini (not .txt) files with its notepad.
    dir.WriteFile(L"Content\\Геометрия\\Презентации\\Конспект.ini", "[lecture]\r\ntext=1\r\n");
    Click(f->btn6);
    passToShell = true;
    HWND before = nullptr;
    EnumWindows(FindNotepad, LPARAM(&before));
    ASSERT_EQ(before, nullptr) << "a notepad window is already open";
    Click(f->btn4);
    ClickNode(f->tv2, FindNode(f->tv2, L"Геометрия", L"Конспект"));
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_GT(INT_PTR(lastShellResult), 32);
    HWND notepad = nullptr;
    for (int i = 0; i < 200 && !notepad; ++i) {
        Pump(50);
        EnumWindows(FindNotepad, LPARAM(&notepad));
    }
    ASSERT_NE(notepad, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(notepad, &pid);
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
}

TEST_F(TextbookTest, RefreshRebuildsTheThreeTrees)
{
    dir.WriteFile(L"Content\\Физика\\Механика.html", Page("<p>Механика</p>"));
    dir.WriteFile(L"Content\\Физика\\Презентации\\Слайды.ppt", "p");
    dir.WriteFile(L"Content\\Физика\\Видео\\Опыт.avi", "v");
    dir.WriteFile(L"Content\\Алгебра\\Глава 3.html", Page("<p>3</p>"));
    EXPECT_EQ(FindNode(f->tv1, L"", L"Физика"), nullptr);
    int before = f->tv1->Items().Count();
    Click(f->btn6);
    EXPECT_EQ(f->tv1->Items().Count(), before + 3);
    EXPECT_EQ(Children(f->tv1, L"Физика"), std::vector<String>{L"Механика"});
    EXPECT_EQ(Children(f->tv2, L"Физика"), std::vector<String>{L"Слайды"});
    EXPECT_EQ(Children(f->tv3, L"Физика"), std::vector<String>{L"Опыт"});
    EXPECT_NE(Chapter(L"Алгебра", L"Глава 3"), nullptr);
    // Only one copy of each subject.
    int algebra = 0;
    for (int i = 0; i < f->tv1->Items().Count(); ++i) algebra += f->tv1->Items()[i]->Text() == L"Алгебра";
    EXPECT_EQ(algebra, 1);
    ClickNode(f->tv1, Chapter(L"Физика", L"Механика"));
    EXPECT_NE(f->current->GetBros()->PlainText().find(L"Механика"), String::npos);
}

TEST_F(TextbookTest, TestsButtonLeavesTheStartWindowHidden)
{
    Click(f->btn2);
    Pump(20);
    EXPECT_TRUE(Form3->Visible());
    EXPECT_FALSE(f->Visible());
    EXPECT_FALSE(Form1->Visible());
    EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
}

TEST_F(TextbookTest, ContainerChapterShowsItsText)
{
    dir.WriteFile(L"Content\\Геометрия\\Упакованная.html", PackDocument(StringToAnsi(L"Строка 1\r\nСтрока <2>")));
    Click(f->btn6);
    ClickNode(f->tv1, Chapter(L"Геометрия", L"Упакованная"));
    String text = f->current->GetBros()->PlainText();
    EXPECT_NE(text.find(L"Строка 1"), String::npos);
    EXPECT_NE(text.find(L"Строка <2>"), String::npos);
}

TEST(TextbookLargeCourse, TreeOpensAtTheTopAndAChapterFarDownOpens)
{
    // More subjects and chapters than the tree can show at once.
    TempDir dir(L"talvera_large");
    dir.WriteFile(L"Source\\start.txt", "start");
    for (int s = 1; s <= 30; ++s)
        for (int c = 1; c <= 8; ++c)
            dir.WriteFile(L"Content\\Предмет " + IntToStr(100 + s) + L"\\Глава " + IntToStr(c) + L".html",
                          Page(("<p>Предмет " + std::to_string(100 + s) + ", глава " + std::to_string(c) + "</p>").c_str()));
    SetAppFolder(dir.Path());
    CreateAppForms();
    Form2->Show();
    Pump(30);
    TTreeView* tv = Form2->tv1;
    ASSERT_EQ(tv->Items().Count(), 30 * 9);
    EXPECT_EQ(tv->TopItem(), tv->Items().GetFirstNode());
    EXPECT_EQ(tv->TopItem()->Text(), L"Предмет 101");
    RECT first = tv->Items().GetFirstNode()->DisplayRect(false);
    EXPECT_EQ(first.top, 0);
    // The same after "Обновить", which lists the course again.
    Click(Form2->btn6);
    EXPECT_EQ(tv->TopItem(), tv->Items().GetFirstNode());
    // The last chapter is still reached by scrolling.
    TTreeNode* last = FindNode(tv, L"Предмет 130", L"Глава 8");
    ASSERT_NE(last, nullptr);
    SendMessageW(tv->Handle(), TVM_ENSUREVISIBLE, 0, LPARAM(last->ItemId()));
    ClickNode(tv, last);
    ASSERT_NE(Form2->current, nullptr);
    EXPECT_NE(Form2->current->GetBros()->PlainText().find(L"Предмет 130, глава 8"), String::npos);
    FreeAppForms();
    SetAppFolder(L"");
}

TEST(TextbookScreenshot, TwoTabsAndAChapter)
{
    String content = EnvPath("TALVERA_CONTENT");
    ASSERT_FALSE(content.empty());
    SetAppFolder(content);
    CreateAppForms();
    Form2->Show();
    Pump(50);
    ClickNode(Form2->tv1, FindNode(Form2->tv1, L"Базы данных", L"Глава 1 Реляционная модель"));
    Click(Form2->addpage);
    ClickNode(Form2->tv1, FindNode(Form2->tv1, L"Основы программирования", L"Глава 3 Сортировка массивов"));
    ASSERT_EQ(Form2->count, 2);
    EXPECT_NE(Form2->current->GetBros()->PlainText().find(L"Сортировка пузырьком"), String::npos);
    Form2->Repaint();
    Pump(300);
    String shot = SaveWindowShot(Form2->Handle(), L"textbook");
    EXPECT_FALSE(ReadBytes(shot).empty());
    FreeAppForms();
    SetAppFolder(L"");
}

}  // namespace
