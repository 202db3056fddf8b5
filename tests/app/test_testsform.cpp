// The tests window on real windows: set-up, the run of a test, the report on
// screen and on disk, the failure cases and the way back to the set-up panel.
#include <gtest/gtest.h>

#include "skin/graphics/PNG.h"

#include "app/AppForms.h"
#include "app/ContentContainer.h"
#include "app/ContentStore.h"
#include "app/StartForm.h"
#include "app/TestsForm.h"
#include "support/ContainerBytes.h"
#include "support/GuiTest.h"

namespace {

std::string U8(const String& s) { return StringToUtf8(s); }

// Three questions; the keys are A, C (written in lower case) and B.
const wchar_t* const kPhysics1 =
    L"Тест по физике\r\n"
    L"---\r\n1) Единица силы?\r\n`A) ньютон\r\nB) джоуль\r\nC) ватт\r\nD) паскаль\r\nE) вольт\r\n"
    L"---\r\n2) Единица работы?\r\nA) ньютон\r\nB) ватт\r\n`c) джоуль\r\nD) паскаль\r\nE) вольт\r\n"
    L"---\r\n3) Единица мощности?\r\nA) ньютон\r\n`B) ватт\r\nC) джоуль\r\nD) паскаль\r\nE) вольт\r\n"
    L"---\r\n";

class TestsWindow : public testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile(L"Source\\start.txt", "start");
        WriteTest(L"Физика", L"Вариант 1", kPhysics1);
        WriteTest(L"Физика", L"Вариант 2.old", L"---\r\n1)\r\n`A) a\r\n---\r\n");
        WriteTest(L"Химия", L"Контрольная", L"---\r\n1) H2O?\r\n`B) вода\r\n---\r\n");
        dir.MakeDir(L"Content\\Пустой");
        SetAppFolder(dir.Path());
        // The tests window needs only the start window beside it.
        Application->CreateForm(Form1);
        Application->CreateForm(Form3);
        f = Form3;
        f->Show();
        Pump();
    }
    void TearDown() override
    {
        FreeAndNil(Form3);
        FreeAndNil(Form1);
        SetAppFolder(L"");
    }

    void WriteTest(const String& subject, const String& variant, const String& text)
    {
        dir.WriteFile(L"Content\\" + subject + L"\\Тесты\\" + variant + L".txt", PackDocument(StringToAnsi(text)));
    }

    // Chooses an item as the user does: the selection, then the notification
    // the box sends its parent.
    void Choose(TComboBox* cb, const String& item)
    {
        int i = cb->Items().IndexOf(item);
        ASSERT_GE(i, 0) << U8(item);
        HWND h = cb->Handle();
        SendMessageW(h, CB_SETCURSEL, WPARAM(i), 0);
        SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), LPARAM(h));
    }

    std::vector<String> Start(const String& name, const String& group, const String& subject, const String& variant)
    {
        f->edt1->SetText(L"");
        f->edt2->SetText(L"");
        TypeText(f->edt1, name);
        TypeText(f->edt2, group);
        if (!subject.empty()) Choose(f->cbb1, subject);
        if (!variant.empty()) Choose(f->cbb2, variant);
        return RunAnsweringBoxes([&] { Click(f->btn6); });
    }

    std::vector<String> Items(TStrings& s)
    {
        std::vector<String> v;
        for (int i = 0; i < s.Count(); ++i) v.push_back(s.Get(i));
        return v;
    }

    TColor ColorOf(wchar_t letter)
    {
        for (TPanel* p : {f->btn1, f->btn2, f->btn3, f->btn4, f->btn5})
            if (p->Caption()[0] == letter) return p->Color();
        return clNone;
    }

    bool TestControlsEnabled()
    {
        return f->lst1->Enabled() && f->mmo1->Enabled() && f->pnl2->Enabled() && f->btn7->Enabled();
    }
    bool TestControlsDisabled()
    {
        return !f->lst1->Enabled() && !f->mmo1->Enabled() && !f->pnl2->Enabled() && !f->btn7->Enabled();
    }

    String ReportsFolder(const String& subject) { return dir.Path() + L"Content\\" + subject + L"\\Тесты\\Отчеты\\"; }

    TempDir dir{L"talvera_tests"};
    TForm3* f = nullptr;
};

TEST_F(TestsWindow, LayoutFillsTheWorkArea)
{
    RECT wa = Screen->WorkAreaRect();
    EXPECT_EQ(f->Left(), wa.left);
    EXPECT_EQ(f->Top(), wa.top);
    EXPECT_EQ(f->Width(), wa.right - wa.left);
    EXPECT_EQ(f->Constraints().MinWidth, f->Width());
    EXPECT_EQ(f->Constraints().MaxHeight, f->Height());
    EXPECT_EQ(U8(f->Caption()), "Тесты");
    int w = f->ClientWidth(), h = f->ClientHeight();
    EXPECT_LE(std::abs(f->pnl1->Left() - (w - 513) / 2), 1);
    EXPECT_LE(std::abs(f->pnl1->Top() - (h - 201) / 2), 1);
    EXPECT_EQ(f->lst1->Height(), h - 10);
    EXPECT_EQ(f->lst1->Left() + f->lst1->Width(), w - 5);
    EXPECT_EQ(f->mmo1->Width(), w - f->lst1->Width() - 15);
    EXPECT_EQ(f->pnl2->Top(), f->mmo1->Top() + f->mmo1->Height() + 5);
    EXPECT_EQ(f->btn7->Top() + f->btn7->Height(), h - 5);
    EXPECT_EQ(f->btn7->Left() + f->btn7->Width(), w - f->lst1->Width() - 10);
    EXPECT_EQ(f->btn9->Left() + f->btn9->Width(), w - 10);
    EXPECT_EQ(f->btn8->Top() + f->btn8->Height(), h - f->btn9->Height() - 10);
    EXPECT_EQ(f->img1->Top() + f->img1->Height(), h - 5);   // anchored to the bottom
    EXPECT_TRUE(TestControlsDisabled());
    EXPECT_TRUE(f->pnl1->Visible());
    EXPECT_FALSE(f->mmo2->Visible());
    EXPECT_FALSE(f->mmo3->Visible());
    EXPECT_FALSE(f->btn8->Visible());
    // Subjects are the folders of the content root.
    auto subjects = Items(f->cbb1->Items());
    std::sort(subjects.begin(), subjects.end());
    EXPECT_EQ(subjects, (std::vector<String>{L"Пустой", L"Физика", L"Химия"}));
}

TEST_F(TestsWindow, SubjectAThenSubjectB)
{
    Choose(f->cbb1, L"Физика");
    auto v = Items(f->cbb2->Items());
    std::sort(v.begin(), v.end());
    EXPECT_EQ(v, (std::vector<String>{L"Вариант 1", L"Вариант 2"}));   // cut at the first dot
    Choose(f->cbb1, L"Химия");
    EXPECT_EQ(Items(f->cbb2->Items()), (std::vector<String>{L"Контрольная"}));
    Choose(f->cbb1, L"Пустой");
    EXPECT_EQ(f->cbb2->Items().Count(), 0);
}

TEST_F(TestsWindow, EmptyNameOrGroup)
{
    auto boxes = Start(L"", L"ИС-21", L"Физика", L"Вариант 1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(U8(boxes[0]), "Не все параметры указаны");
    boxes = Start(L"Иван", L"", L"Физика", L"Вариант 1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(U8(boxes[0]), "Не все параметры указаны");
    EXPECT_TRUE(f->pnl1->Visible());
    EXPECT_TRUE(TestControlsDisabled());
    EXPECT_EQ(f->lst1->Items().Count(), 0);
}

TEST_F(TestsWindow, FullRunReportAndReset)
{
    // Test programs carry no resources: give the image the program's picture from the source tree.
    String picture = EnvPath("TALVERA_TESTDATA") + L"..\\..\\resources\\tests_picture.png";
    if (FileExists(picture)) {
        f->img1->Picture().LoadFromFile(picture);
        ASSERT_NE(dynamic_cast<TPNGGraphic*>(f->img1->Picture().Graphic()), nullptr);   // a PNG picture
        Pump(20);
        TsImage* img = f->img1;
        // The picture (its white page) is drawn stretched over the whole image.
        COLORREF centre = WindowPixel(f->Handle(), img->Left() + img->Width() / 2 - 20, img->Top() + img->Height() / 2);
        EXPECT_GE(GetRValue(centre), 240);   // smooth stretching may leave 0xFE
        EXPECT_GE(GetGValue(centre), 240);
        EXPECT_GE(GetBValue(centre), 240);
        COLORREF corner = WindowPixel(f->Handle(), img->Left() + 3, img->Top() + 3);   // the blue sky
        EXPECT_GT(GetBValue(corner), GetRValue(corner) + 60);
        EXPECT_EQ(img->CacheBitmap().Width(), img->Width());
    }
    ASSERT_TRUE(Start(L"Иван Петров", L"ИС-21", L"Физика", L"Вариант 1").empty());
    EXPECT_FALSE(f->pnl1->Visible());
    EXPECT_TRUE(TestControlsEnabled());
    EXPECT_EQ(Items(f->lst1->Items()), (std::vector<String>{L"Вопрос №1", L"Вопрос №2", L"Вопрос №3"}));
    EXPECT_EQ(f->lst1->ItemIndex(), 0);
    // The marked option is shown without its back-quote.
    EXPECT_EQ(U8(f->mmo1->Lines().Get(0)), "1) Единица силы?");
    EXPECT_EQ(U8(f->mmo1->Lines().Get(1)), "A) ньютон");
    EXPECT_EQ(f->mmo1->Lines().Count(), 6);
    EXPECT_EQ(f->mmo2->Text().find(L'`'), String::npos);
    EXPECT_EQ(f->Run().keys, (std::vector<wchar_t>{L'A', L'C', L'B'}));   // "c" became "C"

    Click(f->btn1);   // A on question 1: next question
    EXPECT_EQ(U8(f->lst1->Items().Get(0)), "Вопрос №1(отвечен)");
    EXPECT_EQ(f->lst1->ItemIndex(), 1);
    EXPECT_EQ(U8(f->mmo1->Lines().Get(0)), "2) Единица работы?");
    EXPECT_EQ(ColorOf(L'A'), cl3DDkShadow);   // question 2 has no answer yet

    Click(f->btn1);   // A on question 2, then corrected to C
    ClickAt(f->lst1, 10, 19 + 9);   // the user clicks question 2 in the list
    Pump();
    EXPECT_EQ(f->lst1->ItemIndex(), 1);
    EXPECT_EQ(ColorOf(L'A'), clMenuHighlight);
    SaveWindowShot(f->Handle(), L"tests_running");
    Click(f->btn3);
    EXPECT_EQ(f->Run().answers[1], L'C');
    EXPECT_EQ(U8(f->lst1->Items().Get(1)), "Вопрос №2(отвечен)");   // marked once
    EXPECT_EQ(f->lst1->ItemIndex(), 2);

    // Question 3 (the last) answered wrongly: nothing moves on.
    Click(f->btn4);
    EXPECT_EQ(f->lst1->ItemIndex(), 2);
    EXPECT_EQ(f->Run().answers[2], L'D');
    EXPECT_EQ(U8(f->lst1->Items().Get(2)), "Вопрос №3(отвечен)");

    String dateBefore = DateToStr(), timeBefore = TimeToStr();
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn7); });
    String dateAfter = DateToStr(), timeAfter = TimeToStr();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(f->mmo3->Visible());
    EXPECT_TRUE(f->btn8->Visible());
    EXPECT_TRUE(f->btn9->Visible());
    EXPECT_EQ(f->mmo3->Width(), f->ClientWidth());
    EXPECT_EQ(f->mmo3->Height(), f->ClientHeight());

    String sep(1, DecimalSeparator());
    std::vector<String> want = {L"Имя фамилия: Иван Петров", L"Группа: ИС-21", L"Предмет: Физика",
                                L"Тест: Вариант 1", L"", L"Вопрос № 1- Правильно ", L"Вопрос № 2- Правильно ",
                                L"Вопрос № 3- Неправильно ", L"Всего вопросов: 3",
                                L"Правильно: 2    (66" + sep + L"6666666666667 %)", L"Неправильно: 1"};
    auto lines = Items(f->mmo3->Lines());
    ASSERT_EQ(lines.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        if (i == 4) {
            EXPECT_TRUE(lines[i] == dateBefore + L"     " + timeBefore || lines[i] == dateAfter + L"     " + timeAfter)
                << U8(lines[i]);
            continue;
        }
        EXPECT_EQ(U8(lines[i]), U8(want[i])) << i;
    }
    EXPECT_EQ(f->Run().correct, 2);
    SaveWindowShot(f->Handle(), L"tests_report");

    // Stored compressed in the new reports folder, readable by the program's reader.
    String file = ReportsFolder(L"Физика") + L"Иван Петров(0)";
    EXPECT_EQ(f->LastReportFile(), file);
    ASSERT_TRUE(FileExists(file));
    String stored = AnsiToString(LoadDocumentFile(file));
    EXPECT_EQ(stored, f->mmo3->Text());
    EXPECT_EQ(stored.substr(stored.size() - 2), L"\r\n");

    // Leaving from the report and coming back shows the report again.
    Click(f->btn9);
    EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(Form1->Visible());
    f->Show();
    Pump();
    EXPECT_TRUE(f->mmo3->Visible());
    EXPECT_FALSE(f->pnl1->Visible());

    // "Начать занова": set-up again; the subject box shows its first subject
    // while the variant box keeps the last subject's variants.
    Click(f->btn8);
    EXPECT_FALSE(f->mmo3->Visible());
    EXPECT_FALSE(f->btn8->Visible());
    EXPECT_FALSE(f->btn9->Visible());
    EXPECT_TRUE(f->pnl1->Visible());
    EXPECT_TRUE(TestControlsDisabled());
    EXPECT_EQ(f->lst1->Items().Count(), 0);
    EXPECT_TRUE(f->mmo1->Text().empty());
    EXPECT_TRUE(f->mmo2->Text().empty());
    EXPECT_TRUE(f->edt1->Text().empty());
    EXPECT_TRUE(f->edt2->Text().empty());
    EXPECT_TRUE(f->PersonName().empty());
    EXPECT_TRUE(f->Subject().empty());
    EXPECT_EQ(f->cbb1->ItemIndex(), 0);
    EXPECT_EQ(f->cbb2->ItemIndex(), 0);
    auto v = Items(f->cbb2->Items());
    std::sort(v.begin(), v.end());
    EXPECT_EQ(v, (std::vector<String>{L"Вариант 1", L"Вариант 2"}));
    EXPECT_TRUE(f->Run().keys.empty());
    EXPECT_TRUE(f->Run().answers.empty());
    EXPECT_EQ(f->Run().correct, 0);
    EXPECT_EQ(f->Run().current, 0);
}

TEST_F(TestsWindow, NothingAnsweredAndLookAlikeKey)
{
    // The key of question 1 is a Cyrillic capital Es: no panel can match it.
    WriteTest(L"Химия", L"Похожие", L"---\r\n1)\r\n`Сирень\r\n---\r\n2)\r\n`b) вода\r\n---\r\n");
    Choose(f->cbb1, L"Химия");
    ASSERT_TRUE(Start(L"Анна", L"Х-1", L"", L"Похожие").empty());
    EXPECT_EQ(f->Run().keys[0], L'С');
    Click(f->btn3);   // "C" (Latin) on question 1
    Click(f->btn2);   // "B" on question 2, which the lower-case key accepts
    f->QuestEndAt(L"d", L"t");
    auto lines = Items(f->mmo3->Lines());
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(U8(lines[5]), "Вопрос № 1- Неправильно ");
    EXPECT_EQ(U8(lines[6]), "Вопрос № 2- Правильно ");
    EXPECT_EQ(U8(lines[4]), "d     t");
    Click(f->btn8);

    Choose(f->cbb1, L"Физика");
    ASSERT_TRUE(Start(L"Анна", L"Х-1", L"", L"Вариант 1").empty());
    f->QuestEndAt(L"d", L"t");
    lines = Items(f->mmo3->Lines());
    ASSERT_EQ(lines.size(), 11u);
    for (int i = 5; i < 8; ++i)
        EXPECT_EQ(U8(lines[size_t(i)]), "Вопрос № " + std::to_string(i - 4) + "- Неправильно ");
    EXPECT_EQ(U8(lines[9]), "Правильно: 0    (0 %)");
    EXPECT_EQ(U8(lines[10]), "Неправильно: 3");
    // The second report of the same person in another subject starts at (0) there.
    EXPECT_TRUE(FileExists(ReportsFolder(L"Физика") + L"Анна(0)"));
    EXPECT_TRUE(FileExists(ReportsFolder(L"Химия") + L"Анна(0)"));
}

TEST_F(TestsWindow, KeysOutsideBlocksCountAsQuestions)
{
    WriteTest(L"Химия", L"Лишние", L"`A\r\n---\r\n1)\r\n`B) b\r\n---\r\n2)\r\n`C) c\r\n---\r\n`D\r\n");
    Choose(f->cbb1, L"Химия");
    ASSERT_TRUE(Start(L"Олег", L"Х-2", L"", L"Лишние").empty());
    EXPECT_EQ(f->lst1->Items().Count(), 2);
    Click(f->btn1);   // key 1 is "A" (the line before the first block)
    Click(f->btn2);   // key 2 is "B"
    f->QuestEndAt(L"d", L"t");
    auto lines = Items(f->mmo3->Lines());
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(U8(lines[5]), "Вопрос № 1- Правильно ");
    EXPECT_EQ(U8(lines[6]), "Вопрос № 2- Правильно ");
    EXPECT_EQ(U8(lines[7]), "Вопрос № 3- Неправильно ");
    EXPECT_EQ(U8(lines[8]), "Вопрос № 4- Неправильно ");
    EXPECT_EQ(U8(lines[9]), "Всего вопросов: 4");
    EXPECT_EQ(U8(lines[10]), "Правильно: 2    (50 %)");
}

TEST_F(TestsWindow, NextFreeReportNumber)
{
    dir.WriteFile(L"Content\\Химия\\Тесты\\Отчеты\\Олег(0)", "zero");
    dir.WriteFile(L"Content\\Химия\\Тесты\\Отчеты\\Олег(1)", "one");
    Choose(f->cbb1, L"Химия");
    ASSERT_TRUE(Start(L"Олег", L"Х-2", L"", L"Контрольная").empty());
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn7); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(f->LastReportFile(), ReportsFolder(L"Химия") + L"Олег(2)");
    EXPECT_EQ(ReadBytes(ReportsFolder(L"Химия") + L"Олег(0)"), "zero");
    EXPECT_EQ(ReadBytes(ReportsFolder(L"Химия") + L"Олег(1)"), "one");
    EXPECT_TRUE(FileExists(ReportsFolder(L"Химия") + L"Олег(2)"));
}

TEST_F(TestsWindow, AllReportNamesTaken)
{
    for (int n = 0; n <= 255; ++n)
        dir.WriteFile(L"Content\\Химия\\Тесты\\Отчеты\\Олег(" + IntToStr(n) + L")", "old");
    Choose(f->cbb1, L"Химия");
    ASSERT_TRUE(Start(L"Олег", L"Х-2", L"", L"Контрольная").empty());
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn7); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(U8(boxes[0]).find("Отчет не сохранен"), std::string::npos) << U8(boxes[0]);
    EXPECT_TRUE(f->mmo3->Visible());   // the report stays on screen
    EXPECT_EQ(U8(f->mmo3->Lines().Get(0)), "Имя фамилия: Олег");
    EXPECT_TRUE(f->LastReportFile().empty());
    EXPECT_EQ(ReadBytes(ReportsFolder(L"Химия") + L"Олег(0)"), "old");
    EXPECT_EQ(ReadBytes(ReportsFolder(L"Химия") + L"Олег(255)"), "old");
    EXPECT_FALSE(FileExists(ReportsFolder(L"Химия") + L"Олег(256)"));
}

TEST_F(TestsWindow, IllegalNameFailsTheWriteOnly)
{
    Choose(f->cbb1, L"Химия");
    ASSERT_TRUE(Start(L"Иван\\Петров", L"Х-2", L"", L"Контрольная").empty());
    auto boxes = RunAnsweringBoxes([&] { Click(f->btn7); });
    ASSERT_EQ(boxes.size(), 1u);
    // The error box ends the message with a full stop.
    EXPECT_EQ(U8(boxes[0]), U8(FileCreateErrorText(ReportsFolder(L"Химия") + L"Иван\\Петров(0)") + L"."));
    EXPECT_TRUE(f->mmo3->Visible());
    EXPECT_EQ(U8(f->mmo3->Lines().Get(0)), "Имя фамилия: Иван\\Петров");
    EXPECT_TRUE(DirectoryExists(ReportsFolder(L"Химия")));
    Click(f->btn8);   // the window goes on
    EXPECT_TRUE(f->pnl1->Visible());
}

TEST_F(TestsWindow, MissingOrDamagedTestFileReturnsToSetup)
{
    // No variant chosen: the file "<subject>\Тесты\.txt" does not exist.
    auto boxes = Start(L"Иван", L"ИС-21", L"Физика", L"");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(U8(boxes[0]), U8(FileOpenErrorText(dir.Path() + L"Content\\Физика\\Тесты\\.txt") + L"."));
    EXPECT_TRUE(f->pnl1->Visible());
    EXPECT_TRUE(TestControlsDisabled());
    EXPECT_EQ(U8(f->edt1->Text()), "Иван");   // nothing the user typed is lost

    // A plain text file is not a container.
    dir.WriteFile(L"Content\\Химия\\Тесты\\Плохой.txt", "---\r\n`A\r\n---\r\n");
    Choose(f->cbb1, L"Химия");
    boxes = Start(L"Иван", L"ИС-21", L"", L"Плохой");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(boxes[0].empty());
    EXPECT_TRUE(f->pnl1->Visible());
    EXPECT_TRUE(TestControlsDisabled());

    // A small file that would inflate to a gigabyte of text: refused with its
    // own error before it is inflated, the window stays usable.
    dir.WriteFile(L"Content\\Химия\\Тесты\\Огромный.txt", ZeroBomb(int64_t(1) << 30, 1024));
    Choose(f->cbb1, L"Физика");
    Choose(f->cbb1, L"Химия");
    boxes = Start(L"Иван", L"ИС-21", L"", L"Огромный");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(U8(boxes[0]), U8(DocumentTooLargeText() + L"."));
    EXPECT_TRUE(f->pnl1->Visible());
    EXPECT_TRUE(TestControlsDisabled());

    // After the errors a good test still runs.
    EXPECT_TRUE(Start(L"Иван", L"ИС-21", L"", L"Контрольная").empty());
    EXPECT_EQ(f->lst1->Items().Count(), 1);
}

TEST_F(TestsWindow, BrokenTestTextsAreRefused)
{
    WriteTest(L"Химия", L"Без вопросов", L"`A\r\n---\r\n");
    WriteTest(L"Химия", L"Без ключей", L"---\r\n1)\r\nA)\r\n---\r\n");
    WriteTest(L"Химия", L"Мало ключей", L"---\r\n1)\r\n`A)\r\n---\r\n2)\r\nB)\r\n---\r\n");
    Choose(f->cbb1, L"Химия");
    for (const wchar_t* v : {L"Без вопросов", L"Без ключей", L"Мало ключей"}) {
        auto boxes = Start(L"Иван", L"ИС-21", L"", v);
        ASSERT_EQ(boxes.size(), 1u) << U8(v);
        EXPECT_NE(U8(boxes[0]).find("В тесте"), std::string::npos) << U8(boxes[0]);
        EXPECT_TRUE(f->pnl1->Visible());
        EXPECT_TRUE(TestControlsDisabled());
        EXPECT_EQ(f->lst1->Items().Count(), 0);
        EXPECT_TRUE(f->Run().answers.empty());
        Click(f->btn1);   // an answer panel does nothing now
        EXPECT_TRUE(f->Run().answers.empty());
        auto none = RunAnsweringBoxes([&] { Click(f->btn7); });
        EXPECT_TRUE(none.empty());
        EXPECT_FALSE(f->mmo3->Visible());
    }
}

TEST_F(TestsWindow, LeaveFromSetup)
{
    TypeText(f->edt1, L"Иван");
    TypeText(f->edt2, L"ИС-21");
    Choose(f->cbb1, L"Физика");
    Click(f->Button1);
    EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(Form1->Visible());
    EXPECT_TRUE(f->edt1->Text().empty());
    EXPECT_TRUE(f->edt2->Text().empty());
    EXPECT_EQ(f->cbb1->ItemIndex(), -1);
    EXPECT_EQ(f->cbb1->Items().Count(), 3);
    EXPECT_EQ(f->cbb2->Items().Count(), 0);
}

}  // namespace
