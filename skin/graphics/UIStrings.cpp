// Start-up of the constants unit: system metrics and the user-interface
// strings from the program's string table (resources/skin.rc).
#include <windows.h>

#include <map>

#include "skin/graphics/Constants.h"

namespace {
std::map<unsigned, String>& LoadedStrings()
{
    static std::map<unsigned, String> strings;
    return strings;
}

String LoadTableString(HMODULE module, unsigned id)
{
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    int n = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) return String();
    return String(text, size_t(n));
}
}  // namespace

void LoadSkinUIStrings(void* module)
{
    auto& strings = LoadedStrings();
    strings.clear();
    for (unsigned id : SkinUIStringIds) strings[id] = LoadTableString(static_cast<HMODULE>(module), id);
    if (strings[StrInvalidDate].empty()) strings[StrInvalidDate] = L"Invalid date";
}

void InitSkinConstants()
{
    ScrollButtonSize = GetSystemMetrics(SM_CXHSCROLL);
    LoadSkinUIStrings(GetModuleHandleW(nullptr));
}

void DoneSkinConstants() { LoadedStrings().clear(); }

const String& SkinUIString(unsigned id)
{
    static const String empty;
    auto& strings = LoadedStrings();
    auto it = strings.find(id);
    return it == strings.end() ? empty : it->second;
}
