#include "classlib/CommonDialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

std::function<bool(TOpenDialog&)> TOpenDialog::Runner;

String SystemFilter(const String& filter)
{
    std::vector<String> parts;
    size_t start = 0;
    for (;;) {
        size_t bar = filter.find(L'|', start);
        parts.push_back(filter.substr(start, bar == String::npos ? String::npos : bar - start));
        if (bar == String::npos) break;
        start = bar + 1;
    }
    if (filter.empty()) parts.clear();
    if (parts.size() % 2) parts.pop_back();
    String out;
    for (const String& p : parts) {
        out += p;
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}

bool TOpenDialog::Execute()
{
    if (Runner) return Runner(*this);

    String filter = SystemFilter(filter_);
    std::vector<wchar_t> name(32768, L'\0');
    fileName_.copy(name.data(), name.size() - 1);
    String ext = defaultExt_;
    if (!ext.empty() && ext[0] == L'.') ext.erase(0, 1);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.size() > 1 ? filter.c_str() : nullptr;
    ofn.nFilterIndex = DWORD(filterIndex_ > 0 ? filterIndex_ : 1);
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = DWORD(name.size());
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    // The program builds its paths itself; the dialog must not move the
    // process's current folder.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    BOOL ok;
    if (IsSaveDialog()) {
        ok = GetSaveFileNameW(&ofn);
    } else {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        ok = GetOpenFileNameW(&ofn);
    }
    if (!ok) {
        DWORD err = CommDlgExtendedError();
        if (err) throw EOSError(L"Диалог выбора файла не открылся (код " + IntToStr((long long)err) + L")");
        return false;
    }
    fileName_ = name.data();
    filterIndex_ = int(ofn.nFilterIndex);
    return true;
}
