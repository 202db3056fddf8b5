// The teacher window on real windows: layout and screenshots of its pages, the
// test template, subject creation, documents saved and opened through the
// file dialogs, the report tree, the help page, the hot keys (held only while
// the window is active) and the clipboard emptied at close.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "app/TestRun.h"
#include "support/GuiTest.h"
#include "support/TeacherWindow.h"

#include <commctrl.h>

namespace {

std::string U8(const String& s) { return StringToUtf8(s); }

std::vector<String> MemoLines(TMemo* m)
{
    std::vector<String> v;
    for (int i = 0; i < m->Lines().Count(); ++i) v.push_back(m->Lines().Get(i));
    return v;
}

// ------------------------------------------------ answering the system dialog

// Clicks a panel; the file dialog it opens is answered by typing a name.
FileDialogAnswer ClickAnswering(TControl* button, const String& typedName)
{
    return AnswerFileDialog(typedName, [button] { Click(button); });
}

// ------------------------------------------------ keys as a user types them

void PressCtrl(WORD vk)
{
    INPUT in[4] = {};
    for (auto& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_CONTROL;
    in[1].ki.wVk = vk;
    in[2].ki.wVk = vk;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = VK_CONTROL;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof(INPUT));
    Pump(100);
}

bool KeyIsFree(HWND probe, UINT vk)
{
    bool free = RegisterHotKey(probe, 77, MOD_CONTROL, vk) != 0;
    if (free) UnregisterHotKey(probe, 77);
    return free;
}

String ClipboardText()
{
    String out;
    if (!OpenClipboard(nullptr)) return L"<занят>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        out = static_cast<const wchar_t*>(GlobalLock(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

const char kReportIvanov[] = "Имя фамилия: Иванов\r\nГруппа: 101\r\nПравильно: 1    (100 %)\r\n";

class TeacherWindow : public testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile(L"Source\\start.txt", "start");
        dir.WriteFile(L"Source\\help.html",
                      StringToAnsi(L"<html><body><h1>Справка</h1><p>Как составить тест</p></body></html>"));
        dir.WriteFile(L"Content\\Алгоритмы\\Тесты\\Отчеты\\Иванов(0)", PackDocument(kReportIvanov));
        dir.WriteFile(L"Content\\Физика\\Тесты\\Отчеты\\Петров(0)", PackDocument("Петров"));
        dir.MakeDir(L"Content\\Пустой");
        P = dir.Path();
        ShowTeacherWindow(P);
        f = Form5;
    }
    void TearDown() override { FreeTeacherWindow(); }

    // Clicks a node of the report tree as the mouse does.
    void ClickNode(TTreeNode* node)
    {
        HWND tv = f->tv1->Handle();
        RECT r{};
        HTREEITEM item = node->ItemId();   // the message takes the item in the rect's first bytes
        std::memcpy(&r, &item, sizeof item);
        ASSERT_TRUE(SendMessageW(tv, TVM_GETITEMRECT, TRUE, LPARAM(&r)));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageW(tv, WM_LBUTTONUP, 0, at);
        SendMessageW(tv, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Pump(50);
    }

    TTreeNode* FindNode(const String& text)
    {
        for (int i = 0; i < f->tv1->Items().Count(); ++i)
            if (f->tv1->Items()[i]->Text() == text) return f->tv1->Items()[i];
        return nullptr;
    }

    TempDir dir;
    String P;
    TForm5* f = nullptr;
};

// ------------------------------------------------ layout

TEST_F(TeacherWindow, LayoutAndScreenshotsOfThePages)
{
    EXPECT_EQ(f->Caption(), L"Преподавательский контроль");
    RECT wa = Screen->WorkAreaRect();
    EXPECT_EQ(f->Width(), wa.right - wa.left);
    EXPECT_EQ(f->Height(), wa.bottom - wa.top);
    EXPECT_EQ(f->ProgramPath(), P);

    // Page control over the whole window, three tabs.
    EXPECT_EQ(f->pgc1->Width(), f->ClientWidth());
    EXPECT_EQ(f->pgc1->Height(), f->ClientHeight());
    ASSERT_EQ(f->pgc1->PageCount(), 3);
    EXPECT_EQ(f->ts1->Caption(), L"Редактор");
    EXPECT_EQ(f->ts2->Caption(), L"Проверка отчетов");
    EXPECT_EQ(f->ts3->Caption(), L"Справка");
    EXPECT_EQ(f->pgc1->ActivePage(), f->ts1);

    // "Выход" sits at the top right, above the page control.
    EXPECT_EQ(f->Button1->Caption(), L"Выход");
    EXPECT_EQ(f->Button1->Width(), 89);
    EXPECT_EQ(f->Button1->Height(), 17);
    EXPECT_EQ(f->Button1->Top(), 2);
    EXPECT_EQ(f->ClientWidth() - f->Button1->Left() - 89, 960 - 864 - 89);
    POINT mid{44, 8};
    ClientToScreen(f->Button1->Handle(), &mid);
    EXPECT_EQ(WindowFromPoint(mid), f->Button1->Handle());

    // The editor from 128 to the page's right and bottom edges; the lower
    // buttons keep their distance to the bottom.
    EXPECT_EQ(f->mmo1->Left(), 128);
    EXPECT_EQ(f->mmo1->Top(), 0);
    EXPECT_EQ(f->mmo1->Left() + f->mmo1->Width(), f->ts1->ClientWidth());
    EXPECT_EQ(f->mmo1->Top() + f->mmo1->Height(), f->ts1->ClientHeight());
    EXPECT_EQ(f->btn3->Caption(), L"Создать тест");
    EXPECT_EQ(f->btn3->Top(), 10);
    EXPECT_EQ(f->btn13->Top(), 50);
    EXPECT_EQ(f->btn2->Top() - f->btn1->Top(), 40);
    EXPECT_EQ(f->btn1->Top() - f->openfile->Top(), 64);
    EXPECT_GT(f->btn2->Top(), 570);
    EXPECT_LE(f->btn2->Top() + 31, f->ts1->ClientHeight());
    EXPECT_EQ(WindowPixel(f->ts1->Handle(), 20, 25), ColorToRGB(cl3DDkShadow));

    // Hidden input panels, centred.
    EXPECT_FALSE(f->pnl1->Visible());
    EXPECT_FALSE(f->pnl2->Visible());
    EXPECT_EQ(f->pnl1->Left(), int(std::lround(f->ts1->ClientWidth() * 0.5 - 393 * 0.5)));
    EXPECT_EQ(f->pnl1->Top(), int(std::lround(f->ts1->ClientHeight() * 0.5 - 89 * 0.5)));
    EXPECT_EQ(f->pnl2->Left(), int(std::lround(f->ts1->ClientWidth() * 0.5 - 300 * 0.5)));
    EXPECT_EQ(f->se1->Value(), 30);

    f->mmo1->SetText(L"---\r\n1) Сколько будет 2+2?\r\n`A) 4\r\nB) 5\r\n");
    Click(f->btn3);
    Pump(30);
    SaveWindowShot(f->Handle(), L"teacher_editor");

    f->pgc1->SetActivePage(f->ts2);
    f->tv1->FullExpand();
    Pump(30);
    // Tree, dividing line and viewer side by side over the page's height.
    EXPECT_EQ(f->tv1->Width(), 177);
    EXPECT_EQ(f->tv1->Height(), f->ts2->ClientHeight());
    EXPECT_EQ(f->mmo2->Left(), 179);
    EXPECT_EQ(f->mmo2->Left() + f->mmo2->Width(), f->ts2->ClientWidth());
    EXPECT_EQ(WindowPixel(f->ts2->Handle(), 178, 100), ColorToRGB(cl3DDkShadow));
    SaveWindowShot(f->Handle(), L"teacher_reports");

    f->pgc1->SetActivePage(f->ts3);
    Pump(30);
    EXPECT_EQ(f->wb1->Width(), f->ts3->ClientWidth());
    SaveWindowShot(f->Handle(), L"teacher_help");
}

// ------------------------------------------------ template

TEST_F(TeacherWindow, TemplateForTwoQuestions)
{
    f->mmo1->SetText(L"прежний текст");
    Click(f->btn3);
    EXPECT_TRUE(f->pnl1->Visible());
    SetWindowTextW(f->se1->Handle(), L"");
    TypeText(f->se1, L"2");
    Click(f->btn4);
    EXPECT_FALSE(f->pnl1->Visible());
    EXPECT_EQ(MemoLines(f->mmo1),
              (std::vector<String>{L"---", L"1)", L"A)", L"B)", L"C)", L"D)", L"E)", L"---", L"2)", L"A)", L"B)", L"C)",
                                   L"D)", L"E)", L"---"}));
    String t = f->mmo1->Text();
    EXPECT_EQ(t.substr(t.size() - 5), L"---\r\n");
}

TEST_F(TeacherWindow, EnterInTheSpinEditWritesTwoHundredQuestionsThatScanAsATest)
{
    Click(f->btn3);
    SetWindowTextW(f->se1->Handle(), L"");
    TypeText(f->se1, L"200");
    KeyDownUp(f->se1, VK_RETURN);
    EXPECT_FALSE(f->pnl1->Visible());

    std::vector<String> lines = MemoLines(f->mmo1);
    ASSERT_EQ(lines.size(), 1u + 200u * 7u);
    EXPECT_EQ(lines[lines.size() - 7], L"200)");
    TestRunState state;
    ScanTestLines(lines, state);
    EXPECT_EQ(state.separators.size(), 201u);
    EXPECT_EQ(state.QuestionCount(), 200);
    std::vector<String> q = QuestionLines(lines, state, 199);
    EXPECT_EQ(q, (std::vector<String>{L"200)", L"A)", L"B)", L"C)", L"D)", L"E)"}));

    // More than the spin edit allows gives its maximum.
    Click(f->btn3);
    SetWindowTextW(f->se1->Handle(), L"");
    TypeText(f->se1, L"999");
    KeyUp(f->se1, VK_RETURN);
    EXPECT_EQ(f->mmo1->Lines().Count(), 1 + 200 * 7);
}

// ------------------------------------------------ subjects

TEST_F(TeacherWindow, SubjectCreationMakesTheFoldersOnDisk)
{
    int nodes = f->tv1->Items().Count();
    Click(f->btn13);
    EXPECT_TRUE(f->pnl2->Visible());
    TypeText(f->edt1, L"Геометрия");
    KeyDownUp(f->edt1, VK_RETURN);
    EXPECT_FALSE(f->pnl2->Visible());
    for (const wchar_t* sub : {L"", L"\\Тесты", L"\\Видео", L"\\Презентации"})
        EXPECT_TRUE(DirectoryExists(P + L"Content\\Геометрия" + sub)) << U8(sub);
    EXPECT_EQ(f->edt1->Text(), L"Геометрия");
    EXPECT_EQ(f->tv1->Items().Count(), nodes);

    // An existing subject: nothing is reported and nothing inside is lost.
    dir.WriteFile(L"Content\\Геометрия\\Тесты\\Вариант.txt", "x");
    Click(f->btn13);
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn5); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadBytes(P + L"Content\\Геометрия\\Тесты\\Вариант.txt"), "x");
}

// ------------------------------------------------ documents

TEST_F(TeacherWindow, DocumentSavedAndOpenedThroughTheSystemDialogs)
{
    const String text = L"---\r\n1) Вопрос\r\n`A) да\r\nB) нет\r\n---\r\n";
    f->mmo1->SetText(text);
    FileDialogAnswer save = ClickAnswering(f->btn2, L"Вариант 1");
    ASSERT_TRUE(save.seen);
    EXPECT_EQ(IncludeTrailingBackslash(save.folder), P + L"Content\\");
    EXPECT_EQ(save.filterCount, 2);
    EXPECT_EQ(save.filterSelected, 0);
    EXPECT_EQ(save.filterText, L"Тесты(.txt)");

    // The default extension was added; the file is a container of the text.
    std::string bytes = ReadBytes(P + L"Content\\Вариант 1.txt");
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(uint8_t(bytes[0]), 0x78);
    EXPECT_EQ(uint8_t(bytes[1]), 0xDA);
    EXPECT_EQ(UnpackDocument(bytes), StringToAnsi(text));

    f->mmo1->SetText(L"другое");
    FileDialogAnswer open = ClickAnswering(f->btn1, L"Вариант 1.txt");
    ASSERT_TRUE(open.seen);
    EXPECT_EQ(IncludeTrailingBackslash(open.folder), P + L"Content\\");
    EXPECT_EQ(open.filterCount, 2);
    EXPECT_EQ(open.filterSelected, 1);
    EXPECT_EQ(open.filterText, L"Все файлы");
    EXPECT_EQ(f->mmo1->Text(), text);
}

TEST_F(TeacherWindow, SaveReplacesAnExistingFileAndAFailedSaveKeepsIt)
{
    const String target = P + L"Content\\Алгоритмы\\Тесты\\Вариант 2.html";
    dir.WriteFile(L"Content\\Алгоритмы\\Тесты\\Вариант 2.html", "old");
    int filterIndexSeen = 0;
    String extSeen;
    TOpenDialog::Runner = [&](TOpenDialog& d) {
        filterIndexSeen = d.FilterIndex();
        extSeen = d.DefaultExt();
        d.SetFileName(target);
        d.SetFilterIndex(2);
        return true;
    };
    f->mmo1->SetText(L"Материал");
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn2); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(filterIndexSeen, 1);
    EXPECT_EQ(extSeen, L".txt");
    // Under ".html" it is still a container, not a page.
    EXPECT_EQ(UnpackDocument(ReadBytes(target)), StringToAnsi(L"Материал"));

    // Another program holds the file: the save fails with the error box and
    // the file keeps its content.
    const std::string before = ReadBytes(target);
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    f->mmo1->SetText(L"Новый текст");
    boxes = RunAnsweringBoxes([&] { Click(f->btn2); });
    CloseHandle(held);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(target), String::npos) << U8(boxes[0]);
    EXPECT_EQ(ReadBytes(target), before);
    EXPECT_EQ(f->mmo1->Text(), L"Новый текст");

    // Cancelled: nothing is written.
    TOpenDialog::Runner = [](TOpenDialog&) { return false; };
    Click(f->btn2);
    EXPECT_EQ(ReadBytes(target), before);
}

TEST_F(TeacherWindow, OpeningAFileThatIsNotAContainerKeepsTheEditor)
{
    const String plain = dir.WriteFile(L"Content\\plain.txt", "просто текст");
    TOpenDialog::Runner = [&](TOpenDialog& d) {
        d.SetFileName(plain);
        return true;
    };
    f->mmo1->SetText(L"остается");
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn1); });
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(f->mmo1->Text(), L"остается");
}

TEST_F(TeacherWindow, OpenFileShowsTheRawBytesOfAContainer)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += "Строка " + std::to_string(i) + "\r\n";
    const std::string packed = PackDocument(StringToAnsi(Utf8ToString(text)));
    const String file = dir.WriteFile(L"Content\\Алгоритмы\\Тесты\\Тест.txt", packed);
    String initialDir;
    int filterIndex = 0;
    TOpenDialog::Runner = [&](TOpenDialog& d) {
        initialDir = d.InitialDir();
        filterIndex = d.FilterIndex();
        d.SetFileName(file);
        return true;
    };
    Click(f->openfile);
    EXPECT_EQ(initialDir, P + L"Content\\");
    EXPECT_EQ(filterIndex, 2);
    String shown = f->mmo1->Text();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.substr(0, 2), L"xЪ");   // 78 DA in code page 1251
    String expected = AnsiToString(packed);
    for (wchar_t& c : expected)
        if (c == 0) c = L'\x2400';
    EXPECT_EQ(shown, AdjustLineBreaks(expected));
    EXPECT_EQ(shown.find(L"Строка"), String::npos);
}

// ------------------------------------------------ reports

TEST_F(TeacherWindow, ReportTreeListsTheReportsOfStartUpOnly)
{
    // A report written after start-up.
    dir.WriteFile(L"Content\\Алгоритмы\\Тесты\\Отчеты\\Сидоров(0)", PackDocument("Сидоров"));
    Pump(20);
    TTreeNodes& items = f->tv1->Items();
    std::vector<String> subjects;
    for (TTreeNode* n : items.TopLevel()) subjects.push_back(n->Text());
    std::sort(subjects.begin(), subjects.end());
    EXPECT_EQ(subjects, (std::vector<String>{L"Алгоритмы", L"Пустой", L"Физика"}));
    TTreeNode* alg = FindNode(L"Алгоритмы");
    ASSERT_NE(alg, nullptr);
    ASSERT_EQ(alg->Count(), 1);
    EXPECT_EQ(alg->Item(0)->Text(), L"Иванов(0)");
    EXPECT_EQ(FindNode(L"Пустой")->Count(), 0);
    EXPECT_EQ(FindNode(L"Сидоров(0)"), nullptr);
    EXPECT_EQ(items.Count(), 5);
}

TEST_F(TeacherWindow, ClickingAReportShowsIt)
{
    f->pgc1->SetActivePage(f->ts2);
    TTreeNode* alg = FindNode(L"Алгоритмы");
    ASSERT_NE(alg, nullptr);
    alg->Expand();
    Pump(20);

    // A subject node shows nothing.
    f->mmo2->SetText(L"пусто");
    ClickNode(alg);
    EXPECT_EQ(f->tv1->Selected(), alg);
    EXPECT_EQ(f->mmo2->Text(), L"пусто");

    ClickNode(alg->Item(0));
    EXPECT_EQ(f->tv1->Selected(), alg->Item(0));
    EXPECT_EQ(f->mmo2->Text(), AnsiToString(kReportIvanov));

    // A report removed since start-up: the error box, the viewer keeps its text.
    TTreeNode* phys = FindNode(L"Физика");
    phys->Expand();
    Pump(20);
    DeleteFileW((P + L"Content\\Физика\\Тесты\\Отчеты\\Петров(0)").c_str());
    auto boxes = RunAnsweringBoxes([&] { ClickNode(phys->Item(0)); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(L"Петров(0)"), String::npos) << U8(boxes[0]);
    EXPECT_EQ(f->mmo2->Text(), AnsiToString(kReportIvanov));
}

// ------------------------------------------------ help

TEST_F(TeacherWindow, HelpPageIsShownOnItsTab)
{
    EXPECT_TRUE(f->wb1->LocationURL().empty());
    RECT r = f->pgc1->TabRect(2);
    MouseDownUp(f->pgc1->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2, TMouseButton::mbLeft);
    Pump(50);
    EXPECT_EQ(f->pgc1->ActivePage(), f->ts3);
    EXPECT_EQ(f->wb1->LocationURL(), P + L"Source\\help.html");
    EXPECT_NE(f->wb1->PlainText().find(L"Как составить тест"), String::npos) << U8(f->wb1->PlainText());
}

// ------------------------------------------------ hot keys and clipboard

class HotKeys : public TeacherWindow {
protected:
    void SetUp() override
    {
        TeacherWindow::SetUp();
        // A window of "another program".
        other = CreateWindowExW(0, L"STATIC", L"другая программа", WS_POPUP | WS_VISIBLE | WS_CAPTION, 50, 50, 200,
                                100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(other, nullptr);
        SetForegroundWindow(f->Handle());
        Pump(50);
    }
    void TearDown() override
    {
        DestroyWindow(other);
        TeacherWindow::TearDown();
    }
    void ActivateOther()
    {
        SetForegroundWindow(other);
        SetActiveWindow(other);
        Pump(50);
    }
    void ActivateTeacher()
    {
        SetForegroundWindow(f->Handle());
        Pump(50);
    }
    HWND other = nullptr;
};

TEST_F(HotKeys, RegisteredOnlyWhileTheTeacherWindowIsActive)
{
    ASSERT_TRUE(f->Active());
    EXPECT_TRUE(f->HotKeysRegistered());
    for (UINT vk : {'A', 'C', 'V', 'N', 'R'}) EXPECT_FALSE(KeyIsFree(other, vk)) << char(vk);

    ActivateOther();
    EXPECT_FALSE(f->Active());
    EXPECT_FALSE(f->HotKeysRegistered());
    for (UINT vk : {'A', 'C', 'V', 'N', 'R'}) EXPECT_TRUE(KeyIsFree(other, vk)) << char(vk);

    ActivateTeacher();
    EXPECT_TRUE(f->HotKeysRegistered());
    EXPECT_FALSE(KeyIsFree(other, 'V'));

    Click(f->Button1);
    Pump(30);
    EXPECT_FALSE(f->Visible());
    for (UINT vk : {'A', 'C', 'V', 'N', 'R'}) EXPECT_TRUE(KeyIsFree(other, vk)) << char(vk);

    // Shown again: held again once active.
    f->Show();
    ActivateTeacher();
    EXPECT_FALSE(KeyIsFree(other, 'C'));
}

TEST_F(HotKeys, SelectAllCopyAndPasteByKeys)
{
    f->mmo1->SetText(L"Первая строка\r\nвторая");
    f->mmo1->SetFocus();
    PressCtrl('A');
    EXPECT_EQ(f->mmo1->SelText(), L"Первая строка\r\nвторая");

    // Copy while active.
    f->ClipboardObject()->Clear();
    SendMessageW(f->mmo1->Handle(), EM_SETSEL, 0, 6);
    PressCtrl('C');
    EXPECT_EQ(ClipboardText(), L"Первая");

    // Paste replaces the selection.
    SendMessageW(f->mmo1->Handle(), EM_SETSEL, 7, 13);
    PressCtrl('V');
    EXPECT_EQ(f->mmo1->Text(), L"Первая Первая\r\nвторая");

    // Ctrl+N and Ctrl+R change nothing.
    PressCtrl('N');
    PressCtrl('R');
    EXPECT_EQ(f->mmo1->Text(), L"Первая Первая\r\nвторая");
}

TEST_F(HotKeys, AnotherProgramKeepsItsKeys)
{
    f->mmo1->SetText(L"текст учителя");
    TClipboard().SetAsText(L"из буфера");
    ActivateOther();
    PressCtrl('V');
    PressCtrl('A');
    EXPECT_EQ(f->mmo1->Text(), L"текст учителя");
    EXPECT_EQ(f->mmo1->SelLength(), 0);

    // Even a hot-key message that reaches the window while it is not active
    // copies nothing.
    SendMessageW(f->mmo1->Handle(), EM_SETSEL, 0, 5);
    SendMessageW(f->Handle(), WM_HOTKEY, hkCopy, MAKELPARAM(MOD_CONTROL, 'C'));
    EXPECT_EQ(ClipboardText(), L"из буфера");
}

TEST_F(HotKeys, ClosingEmptiesTheClipboardAndShowsTheStartWindow)
{
    ASSERT_NE(f->ClipboardObject(), nullptr);
    TClipboard().SetAsText(L"останется?");
    Form1->Hide();
    Click(f->Button1);
    Pump(30);
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_EQ(ClipboardText(), L"");
    EXPECT_EQ(f->ClipboardObject(), nullptr);
    EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(Form1->Visible());

    // Shown again, the window has a clipboard object again; content kept.
    f->mmo1->SetText(L"сохранено");
    f->Show();
    Pump(20);
    EXPECT_NE(f->ClipboardObject(), nullptr);
    EXPECT_EQ(f->mmo1->Text(), L"сохранено");
}

TEST_F(TeacherWindow, LoginLeadsHereAndExitLeadsBack)
{
    f->Close();
    Form1->Show();
    Click(Form1->btn3);
    TypeText(Form4->edt1, L"qwerty");
    TypeText(Form4->edt2, L"tam372");
    KeyUp(Form4->edt2, VK_RETURN);
    Pump(30);
    EXPECT_TRUE(f->Visible());
    EXPECT_FALSE(Form1->Visible());
    EXPECT_FALSE(Form4->Visible());
    Click(f->Button1);
    Pump(30);
    EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(Form1->Visible());
}

}  // namespace
