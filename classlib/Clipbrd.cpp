#include "classlib/Clipbrd.h"

#include <cstring>

namespace {
LRESULT CALLBACK ClipboardWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

WindowHandle MakeClipboardWindow()
{
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{sizeof wc};
    if (!GetClassInfoExW(inst, L"TClipboardWindow", &wc)) {
        wc = WNDCLASSEXW{sizeof wc};
        wc.lpfnWndProc = ClipboardWndProc;
        wc.hInstance = inst;
        wc.lpszClassName = L"TClipboardWindow";
        RegisterClassExW(&wc);
    }
    return WindowHandle(CreateWindowExW(0, L"TClipboardWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr));
}
}  // namespace

TClipboard::TClipboard() = default;

TClipboard::~TClipboard()
{
    while (openCount_ > 0) Close();
}

void TClipboard::Open()
{
    if (openCount_ == 0) {
        if (!window_) window_ = MakeClipboardWindow();
        // Another program may hold it for a moment.
        bool opened = false;
        for (int attempt = 0; attempt < 20 && !opened; ++attempt) {
            opened = OpenClipboard(window_.get()) != 0;
            if (!opened) Sleep(10);
        }
        if (!opened) throw Exception(L"Не удается открыть буфер обмена");
    }
    ++openCount_;
}

void TClipboard::Close()
{
    if (openCount_ == 0) return;
    if (--openCount_ == 0) CloseClipboard();
}

void TClipboard::Clear()
{
    Open();
    EmptyClipboard();
    Close();
}

void TClipboard::SetTextBuf(const wchar_t* text)
{
    if (!text) text = L"";
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!mem) throw EOutOfResources(L"Недостаточно памяти для буфера обмена");
    std::memcpy(GlobalLock(mem), text, bytes);
    GlobalUnlock(mem);
    Open();
    EmptyClipboard();
    bool ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    Close();
    if (!ok) {
        GlobalFree(mem);
        throw Exception(L"Не удается поместить текст в буфер обмена");
    }
}

String TClipboard::AsText()
{
    Open();
    String out;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            size_t max = GlobalSize(h) / sizeof(wchar_t);
            size_t n = 0;
            while (n < max && p[n]) ++n;
            out.assign(p, n);
            GlobalUnlock(h);
        }
    }
    Close();
    return out;
}
