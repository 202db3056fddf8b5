// The programs' paths; see SoakPaths.h.
#include "tools/soakrunner/SoakPaths.h"

namespace {

PathStep Click(const wchar_t* window, const wchar_t* target) { return {PathStep::kClick, window, target, 0}; }
PathStep Fill(const wchar_t* window, int index, const wchar_t* what) { return {PathStep::kFill, window, what, index}; }
PathStep Pick(const wchar_t* window, int index) { return {PathStep::kPick, window, L"", index}; }
PathStep AnswerAll(const wchar_t* window, const wchar_t* answers) { return {PathStep::kAnswerAll, window, answers, 0}; }
PathStep Key(const wchar_t* window, const wchar_t* key) { return {PathStep::kKey, window, key, 0}; }
PathStep MenuPick(const wchar_t* window, const wchar_t* key, int items) { return {PathStep::kMenuPick, window, key, items}; }
PathStep Adjust(const wchar_t* window, const wchar_t* cls, int index) { return {PathStep::kAdjust, window, cls, index}; }

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
        {"test again after the report",
         {Click(L"TForm3", L"Начать занова"), Fill(L"TForm3", 0, L"person"), Fill(L"TForm3", 1, L"group"),
          Pick(L"TForm3", 0), Pick(L"TForm3", 1), Click(L"TForm3", L"Начать"), AnswerAll(L"TForm3", L"A|B|C|D|E"),
          Click(L"TForm3", L"Завершить тест"), Click(L"TForm3", L"Начать занова|Выход")}},
        {"test set-up from the textbook",
         {Click(L"TForm2", L"Тесты"), Fill(L"TForm3", 0, L"person"), Fill(L"TForm3", 1, L"group"),
          Pick(L"TForm3", 0), Pick(L"TForm3", 1), Click(L"TForm3", L"Начать|Выйти")}},
        {"teacher login from its window",
         {Fill(L"TForm4", 0, L"user"), Fill(L"TForm4", 1, L"password"), Click(L"TForm4", L"Войти"),
          Click(L"TForm5", L"Создать тест|Предмет|Проверка отчетов|Справка")}},
    };
}

// The skinned test program: main form TSkinAppMain (menus File, Skin, Help;
// buttons that open a message box, an open-file dialog, a popup menu, the MDI
// form and the example form; hue and saturation sliders), the MDI form
// TSkinAppMDI (menus File with "New child", Window with "Tile" and "Cascade").
std::vector<SoakPath> SkinApp()
{
    const wchar_t* main = L"TSkinAppMain";
    return {
        {"skin from the menu", {MenuPick(main, L"Alt+S", 5)}},
        {"skin from the system menu", {MenuPick(main, L"Alt+Space", 12)}},
        {"hue and saturation", {Adjust(main, L"Track", 0), Adjust(main, L"Track", 1)}},
        {"message box", {Click(main, L"Message box")}},
        {"open-file dialog", {Click(main, L"Open file...")}},
        {"popup menu", {Click(main, L"Popup menu"), MenuPick(L"", L"Down", 5)}},
        {"MDI children",
         {Click(main, L"MDI form"), MenuPick(L"TSkinAppMDI", L"Alt+F", 1), MenuPick(L"TSkinAppMDI", L"Alt+F", 1),
          MenuPick(L"TSkinAppMDI", L"Alt+W", 2), Key(L"TSkinAppMDI", L"Ctrl+F4")}},
        {"example form", {Click(main, L"Example form"), Key(L"", L"Alt+F4")}},
    };
}

}  // namespace

bool KeyByName(const String& name, unsigned short& vk, bool& ctrl, bool& alt)
{
    struct Named {
        const wchar_t* name;
        unsigned short vk;
        bool ctrl, alt;
    } static const keys[] = {{L"Enter", 0x0D, false, false}, {L"Escape", 0x1B, false, false},
                             {L"Down", 0x28, false, false},  {L"F10", 0x79, false, false},
                             {L"Alt+Space", 0x20, false, true}, {L"Alt+F4", 0x73, false, true},
                             {L"Ctrl+F4", 0x73, true, false}};
    for (const Named& k : keys)
        if (name == k.name) {
            vk = k.vk;
            ctrl = k.ctrl;
            alt = k.alt;
            return true;
        }
    if (name.size() == 5 && name.compare(0, 4, L"Alt+") == 0 && name[4] >= L'A' && name[4] <= L'Z') {
        vk = static_cast<unsigned short>(name[4]);
        ctrl = false;
        alt = true;
        return true;
    }
    return false;
}

std::vector<SoakPath> BuiltInPaths(const String& set)
{
    if (set == L"textbook") return Textbook();
    if (set == L"skinapp") return SkinApp();
    return {};
}
