#include "support/GuiTest.h"

#include <gtest/gtest.h>

#include <commdlg.h>

#include <cstdlib>

TempDir::TempDir(const String& prefix)
{
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    static int counter = 0;
    for (;;) {
        path_ = String(tmp) + prefix + L"_" + IntToStr(GetCurrentProcessId()) + L"_" + IntToStr(++counter) +
                L"_" + IntToStr(GetTickCount()) + L"\\";
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

String TempDir::MakeDir(const String& relative) const
{
    String full = path_;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == String::npos) end = relative.size();
        if (end > start) {
            full += relative.substr(start, end - start) + L"\\";
            CreateDirectoryW(full.c_str(), nullptr);
        }
        start = end + 1;
    }
    return full;
}

String TempDir::WriteFile(const String& relative, const std::string& bytes) const
{
    size_t slash = relative.rfind(L'\\');
    if (slash != String::npos) MakeDir(relative.substr(0, slash));
    String full = path_ + relative;
    HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << StringToUtf8(full);
    DWORD put = 0;
    ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
    CloseHandle(h);
    return full;
}

void RemoveTree(const String& path)
{
    String dir = IncludeTrailingBackslash(path);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            String name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            String full = dir + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

std::string BinaryBytes(size_t n)
{
    std::string s(n, '\0');
    uint32_t x = 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        s[i] = char(x >> 24);
    }
    return s;
}

std::string ReadBytes(const String& fileName)
{
    HANDLE h = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(h);
    return out;
}

String EnvPath(const char* variable)
{
    const char* v = std::getenv(variable);
    if (!v || !*v) return {};
    String p = Utf8ToString(v);
    if (!p.empty() && p[0] == L'/') {
        for (auto& c : p)
            if (c == L'/') c = L'\\';
        p = L"Z:" + p;
    }
    return IncludeTrailingBackslash(p);
}

void Pump(int ms)
{
    DWORD end = GetTickCount() + DWORD(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;   // a test's Terminate must not stop the pump
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms > 0) Sleep(5);
    } while (ms > 0 && int(end - GetTickCount()) > 0);
}

void MouseDownUp(HWND wnd, int x, int y, TMouseButton button)
{
    UINT down = WM_LBUTTONDOWN, up = WM_LBUTTONUP;
    WPARAM keys = MK_LBUTTON;
    if (button == TMouseButton::mbRight) {
        down = WM_RBUTTONDOWN;
        up = WM_RBUTTONUP;
        keys = MK_RBUTTON;
    } else if (button == TMouseButton::mbMiddle) {
        down = WM_MBUTTONDOWN;
        up = WM_MBUTTONUP;
        keys = MK_MBUTTON;
    }
    SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    SendMessageW(wnd, down, keys, MAKELPARAM(x, y));
    if (IsWindow(wnd)) SendMessageW(wnd, up, 0, MAKELPARAM(x, y));
}

void ClickAt(TControl* c, int x, int y, TMouseButton button)
{
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        MouseDownUp(w->Handle(), x, y, button);
    } else {
        ASSERT_NE(c->Parent(), nullptr);
        MouseDownUp(c->Parent()->Handle(), c->Left() + x, c->Top() + y, button);
    }
}

void Click(TControl* c, TMouseButton button) { ClickAt(c, c->Width() / 2, c->Height() / 2, button); }

void KeyUp(TWinControl* c, WORD vk) { SendMessageW(c->Handle(), WM_KEYUP, vk, 0xC0000001); }

void KeyDownUp(TWinControl* c, WORD vk)
{
    SendMessageW(c->Handle(), WM_KEYDOWN, vk, 1);
    SendMessageW(c->Handle(), WM_KEYUP, vk, 0xC0000001);
}

void TypeText(TWinControl* c, const String& text)
{
    for (wchar_t ch : text) SendMessageW(c->Handle(), WM_CHAR, ch, 1);
}

namespace {
HHOOK boxHook = nullptr;
std::vector<String>* boxTexts = nullptr;
int boxButton = IDOK;

BOOL CALLBACK CollectStatic(HWND wnd, LPARAM param)
{
    wchar_t cls[32] = {};
    GetClassNameW(wnd, cls, 32);
    if (lstrcmpiW(cls, L"Static") == 0 && GetDlgCtrlID(wnd) == 0xFFFF) {
        *reinterpret_cast<String*>(param) = ReadWindowText(wnd);
    }
    return TRUE;
}

LRESULT CALLBACK BoxCbtHook(int code, WPARAM w, LPARAM l)
{
    if (code == HCBT_ACTIVATE) {
        HWND wnd = HWND(w);
        wchar_t cls[32] = {};
        GetClassNameW(wnd, cls, 32);
        if (lstrcmpW(cls, L"#32770") == 0 && boxTexts) {
            String text;
            EnumChildWindows(wnd, CollectStatic, LPARAM(&text));
            boxTexts->push_back(text);
            PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(boxButton, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(boxHook, code, w, l);
}
}  // namespace

std::vector<String> RunAnsweringBoxes(const std::function<void()>& action, int button)
{
    std::vector<String> texts;
    boxTexts = &texts;
    boxButton = button;
    boxHook = SetWindowsHookExW(WH_CBT, BoxCbtHook, nullptr, GetCurrentThreadId());
    try {
        action();
    } catch (...) {
        UnhookWindowsHookEx(boxHook);
        boxTexts = nullptr;
        throw;
    }
    UnhookWindowsHookEx(boxHook);
    boxHook = nullptr;
    boxTexts = nullptr;
    return texts;
}

COLORREF WindowPixel(HWND wnd, int x, int y)
{
    UpdateWindow(wnd);
    GdiFlush();
    HDC dc = GetDC(wnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return c;
}

String SaveWindowShot(HWND wnd, const String& name)
{
    UpdateWindow(wnd);
    Pump(50);
    RECT r;
    GetWindowRect(wnd, &r);
    return SaveScreenShot(r, name);
}

String SaveScreenShot(const RECT& r, const String& name)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    TBitmap bmp(w, h, TPixelFormat::pf24bit);
    HDC screen = GetDC(nullptr);
    BitBlt(bmp.Canvas().Handle(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    String dir = EnvPath("TALVERA_SCREENSHOTS");
    if (dir.empty()) dir = L".\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    String path = dir + name + L".bmp";
    TFileStream f(path, fmCreate);
    bmp.SaveToStream(f);
    return path;
}

namespace {
FileDialogAnswer* dialogAnswer = nullptr;
UINT_PTR dialogTimer = 0;

BOOL CALLBACK FindFileDialog(HWND wnd, LPARAM param)
{
    wchar_t cls[32] = {};
    GetClassNameW(wnd, cls, 32);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(wnd)) {
        *reinterpret_cast<HWND*>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK AnswerOpenDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFileDialog, LPARAM(&dlg));
    if (!dlg || !dialogAnswer) return;
    KillTimer(nullptr, dialogTimer);
    FileDialogAnswer& a = *dialogAnswer;
    a.seen = true;
    a.title = ReadWindowText(dlg);
    wchar_t folder[MAX_PATH] = {};
    SendMessageW(dlg, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(folder));
    a.folder = folder;
    HWND types = GetDlgItem(dlg, 0x470);   // the file type box
    a.filterCount = int(SendMessageW(types, CB_GETCOUNT, 0, 0));
    a.filterSelected = int(SendMessageW(types, CB_GETCURSEL, 0, 0));
    a.filterText = ReadWindowText(types);
    if (a.typedName.empty()) {
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDCANCEL)));
        return;
    }
    // The file name field: a combo box with an edit in newer templates, a
    // plain edit in older ones.
    for (int id : {0x47c, 0x480})
        if (HWND field = GetDlgItem(dlg, id)) SetWindowTextW(field, a.typedName.c_str());
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK)));
}
}  // namespace

FileDialogAnswer AnswerFileDialog(const String& typedName, const std::function<void()>& action)
{
    FileDialogAnswer a;
    a.typedName = typedName;
    dialogAnswer = &a;
    dialogTimer = SetTimer(nullptr, 0, 60, AnswerOpenDialog);
    try {
        action();
    } catch (...) {
        KillTimer(nullptr, dialogTimer);
        dialogAnswer = nullptr;
        throw;
    }
    KillTimer(nullptr, dialogTimer);
    dialogAnswer = nullptr;
    Pump(20);
    return a;
}
