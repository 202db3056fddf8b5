// The programs' paths; see SoakPaths.h.
#include "tools/soakrunner/SoakPaths.h"

namespace {

PathStep Click(const wchar_t* window, const wchar_t* target) { return {PathStep::kClick, window, target, 0}; }
PathStep Fill(const wchar_t* window, int index, const wchar_t* what) { return {PathStep::kFill, window, what, index}; }
PathStep Pick(const wchar_t* window, int index) { return {PathStep::kPick, window, L"", index}; }
PathStep AnswerAll(const wchar_t* window, const wchar_t* answers) { return {PathStep::kAnswerAll, window, answers, 0}; }
PathStep Key(const wchar_t* window, const wchar_t* key) { return {PathStep::kKey, window, key, 0}; }

// The textbook: start window TForm1, textbook TForm2, tests TForm3, teacher
// login TForm4, teacher window TForm5.
std::vector<SoakPath> Textbook()
{
    return {
        {"teacher login",
         {Click(L"TForm1", L"Преподаватель"), Fill(L"TForm4", 0, L"user"), Fill(L"TForm4", 1, L"password"),
          Click(L"TForm4", L"Войти"), Click(L"TForm5", L"Создать тест|Предмет|Проверка отчетов|Справка")}},
        {"test to its end",
         {Click(L"TForm1", L"Тесты"), Fill(L"TForm3", 0, L"person"), Fill(L"TForm3", 1, L"group"), Pick(L"TForm3", 0),
          Pick(L"TForm3", 1), Click(L"TForm3", L"Начать"), AnswerAll(L"TForm3", L"A|B|C|D|E"),
          Click(L"TForm3", L"Завершить тест"), Click(L"TForm3", L"Начать занова|Выход")}},
        {"test set-up",
         {Click(L"TForm1", L"Учебник"), Click(L"TForm2", L"Тесты"), Fill(L"TForm3", 0, L"person"),
          Fill(L"TForm3", 1, L"group"), Pick(L"TForm3", 0), Pick(L"TForm3", 1), Click(L"TForm3", L"Начать|Выйти")}},
    };
}

}  // namespace

std::vector<SoakPath> BuiltInPaths(const String& set)
{
    if (set == L"textbook") return Textbook();
    (void)Key;
    return {};
}
