// The scan of a test text, the score, the report lines and the report names,
// without windows.
#include <gtest/gtest.h>

#include <set>

#include "app/TestRun.h"

namespace {

std::vector<String> Lines(std::initializer_list<const wchar_t*> l) { return {l.begin(), l.end()}; }

std::string U8(const String& s) { return StringToUtf8(s); }

TEST(TestScan, SeparatorsKeysAndStrippedLines)
{
    auto lines = Lines({L"Заголовок", L"---", L"1) Что?", L"A) да", L"`B) нет", L"---", L"2) Где?", L"`c) там",
                        L"D) тут", L"---", L"хвост"});
    TestRunState s;
    ScanTestLines(lines, s);
    EXPECT_EQ(s.separators, (std::vector<int>{1, 5, 9}));
    EXPECT_EQ(s.QuestionCount(), 2);
    ASSERT_EQ(s.keys.size(), 2u);
    EXPECT_EQ(s.keys[0], L'B');
    EXPECT_EQ(s.keys[1], L'C');   // lower-case key is upper-cased
    EXPECT_EQ(s.answers, (std::vector<wchar_t>{0, 0}));
    EXPECT_EQ(U8(lines[4]), "B) нет");   // back-quote removed from the shown line
    EXPECT_EQ(U8(lines[7]), "c) там");
    EXPECT_TRUE(s.Problem().empty());
    auto q2 = QuestionLines(lines, s, 1);
    ASSERT_EQ(q2.size(), 3u);
    EXPECT_EQ(U8(q2[0]), "2) Где?");
    EXPECT_EQ(U8(q2[2]), "D) тут");
    EXPECT_TRUE(QuestionLines(lines, s, 2).empty());
    EXPECT_TRUE(QuestionLines(lines, s, -1).empty());
}

TEST(TestScan, SeparatorMustBeExact)
{
    auto lines = Lines({L"--- ", L" ---", L"----", L"---", L"`A", L"---"});
    TestRunState s;
    ScanTestLines(lines, s);
    EXPECT_EQ(s.separators, (std::vector<int>{3, 5}));
}

TEST(TestScan, CyrillicKeyStaysCyrillicAndBareMarkGivesEmptyKey)
{
    auto lines = Lines({L"---", L"`сирень", L"`", L"---"});
    TestRunState s;
    ScanTestLines(lines, s);
    ASSERT_EQ(s.keys.size(), 2u);
    EXPECT_EQ(s.keys[0], L'С');   // Cyrillic capital Es, not Latin C
    EXPECT_NE(s.keys[0], L'C');
    EXPECT_EQ(s.keys[1], 0);
    EXPECT_EQ(U8(lines[2]), "");
}

TEST(TestScan, ProblemsOfBrokenTexts)
{
    TestRunState none;
    auto l1 = Lines({L"`A", L"---"});
    ScanTestLines(l1, none);
    EXPECT_FALSE(none.Problem().empty());   // one separator: no question

    TestRunState noKeys;
    auto l2 = Lines({L"---", L"1)", L"---"});
    ScanTestLines(l2, noKeys);
    EXPECT_FALSE(noKeys.Problem().empty());

    TestRunState fewer;
    auto l3 = Lines({L"---", L"`A", L"---", L"B", L"---"});
    ScanTestLines(l3, fewer);
    EXPECT_EQ(fewer.QuestionCount(), 2);
    EXPECT_FALSE(fewer.Problem().empty());

    TestRunState more;   // keys outside blocks are allowed
    auto l4 = Lines({L"`A", L"---", L"`B", L"---", L"`C"});
    ScanTestLines(l4, more);
    EXPECT_TRUE(more.Problem().empty());
    EXPECT_EQ(more.keys.size(), 3u);
}

TEST(TestScan, AnswersOnlyInsideTheArray)
{
    TestRunState s;
    s.answers.resize(2);
    EXPECT_TRUE(s.Answer(1, L'C'));
    EXPECT_FALSE(s.Answer(2, L'A'));
    EXPECT_FALSE(s.Answer(-1, L'A'));
    EXPECT_EQ(s.AnswerOf(1), L'C');
    EXPECT_EQ(s.AnswerOf(5), 0);
    EXPECT_EQ(s.answers.size(), 2u);
}

TEST(QuestionList, ItemsAndAnsweredMark)
{
    EXPECT_EQ(U8(QuestionItem(12)), "Вопрос №12");
    String once = MarkAnswered(QuestionItem(3));
    EXPECT_EQ(U8(once), "Вопрос №3(отвечен)");
    EXPECT_EQ(MarkAnswered(once), once);
}

TEST(Percent, ExtendedPrecisionGeneralFormat)
{
    EXPECT_EQ(U8(PercentText(3, 2, L',')), "66,6666666666667");
    EXPECT_EQ(U8(PercentText(3, 3, L',')), "100");
    EXPECT_EQ(U8(PercentText(7, 0, L',')), "0");
    EXPECT_EQ(U8(PercentText(8, 1, L'.')), "12.5");
    // Values where 64-bit doubles would round the 15th digit the other way.
    EXPECT_EQ(U8(PercentText(17, 12, L',')), "70,5882352941176");
    EXPECT_EQ(U8(PercentText(21, 17, L',')), "80,952380952381");
    EXPECT_EQ(U8(PercentText(23, 7, L',')), "30,4347826086957");
    EXPECT_THROW(PercentText(0, 0, L','), Exception);
}

ReportInput Input()
{
    ReportInput in;
    in.name = L"Иван Петров";
    in.group = L"ИС-21";
    in.subject = L"Физика";
    in.variant = L"Вариант 1";
    in.date = L"01.02.2024";
    in.time = L"10:11:12";
    in.decimalSeparator = L',';
    return in;
}

TEST(Report, LinesForAKnownRun)
{
    TestRunState s;
    s.keys = {L'A', L'C', L'B'};
    s.answers = {L'A', L'B', L'B'};
    auto lines = BuildReportLines(Input(), s);
    std::vector<std::string> want = {
        "Имя фамилия: Иван Петров", "Группа: ИС-21", "Предмет: Физика", "Тест: Вариант 1",
        "01.02.2024     10:11:12", "Вопрос № 1- Правильно ", "Вопрос № 2- Неправильно ",
        "Вопрос № 3- Правильно ", "Всего вопросов: 3", "Правильно: 2    (66,6666666666667 %)", "Неправильно: 1"};
    ASSERT_EQ(lines.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(U8(lines[i]), want[i]) << i;
    EXPECT_EQ(s.correct, 2);
    EXPECT_EQ(U8(JoinLines({L"a", L"b"})), "a\r\nb\r\n");
}

TEST(Report, NothingAnsweredAndEmptyKeyNeverCount)
{
    TestRunState s;
    s.keys = {L'A', 0};
    s.answers = {0, 0};
    s.correct = 7;   // a stale count is replaced
    auto lines = BuildReportLines(Input(), s);
    EXPECT_EQ(U8(lines[5]), "Вопрос № 1- Неправильно ");
    EXPECT_EQ(U8(lines[6]), "Вопрос № 2- Неправильно ");
    EXPECT_EQ(U8(lines[8]), "Правильно: 0    (0 %)");
    EXPECT_EQ(U8(lines[9]), "Неправильно: 2");
    EXPECT_EQ(s.correct, 0);
}

TEST(ReportName, FirstFreeNumber)
{
    std::set<String> taken = {L"R\\Иван(0)", L"R\\Иван(1)", L"R\\Иван(3)"};
    auto exists = [&](const String& f) { return taken.count(f) > 0; };
    EXPECT_EQ(U8(ReportFileName(L"R\\", L"Иван", 2)), "R\\Иван(2)");
    EXPECT_EQ(FirstFreeReportNumber(L"R\\", L"Иван", exists), 2);
    EXPECT_EQ(FirstFreeReportNumber(L"R\\", L"Иван", exists, 3), 4);
    EXPECT_EQ(FirstFreeReportNumber(L"R\\", L"Петр", exists), 0);
    for (int n = 0; n <= 255; ++n) taken.insert(ReportFileName(L"R\\", L"Иван", n));
    EXPECT_EQ(FirstFreeReportNumber(L"R\\", L"Иван", exists), -1);
}

}  // namespace
