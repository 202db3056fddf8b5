// Windows, probe, input and dialog answers of the soak runner; see SoakWindows.h.
#include "tools/soakrunner/SoakWindows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "classlib/GdiHandle.h"
#include "classlib/HandleQuery.h"

namespace {

struct EnumState {
    DWORD pid;
    bool visibleOnly;
    bool foreign;
    std::vector<HWND> out;
};

bool ShellWindow(HWND wnd)
{
    String cls = WindowClass(wnd);
    return cls == L"Shell_TrayWnd" || cls == L"Progman" || cls == L"WorkerW" || cls == L"#32769" ||
           cls == L"tooltips_class32" || cls == L"SysShadow";
}

bool Showing(HWND wnd)
{
    if (!IsWindowVisible(wnd)) return false;
    RECT r;
    if (!GetWindowRect(wnd, &r)) return false;
    return r.right - r.left > 1 && r.bottom - r.top > 1;
}

BOOL CALLBACK CollectTop(HWND wnd, LPARAM param)
{
    auto& s = *reinterpret_cast<EnumState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (s.foreign) {
        if (pid != s.pid && pid != GetCurrentProcessId() && Showing(wnd) && !ShellWindow(wnd)) s.out.push_back(wnd);
    } else if (pid == s.pid && (!s.visibleOnly || Showing(wnd))) {
        s.out.push_back(wnd);
    }
    return TRUE;
}

struct ChildState {
    std::vector<ChildInfo> out;
};

// The window's rectangle clipped by every ancestor's client area.
bool ClippedRect(HWND wnd, RECT& r)
{
    if (!GetWindowRect(wnd, &r)) return false;
    for (HWND p = GetParent(wnd); p && (GetWindowLongPtrW(wnd, GWL_STYLE) & WS_CHILD); wnd = p, p = GetParent(p)) {
        RECT c;
        GetClientRect(p, &c);
        MapWindowPoints(p, nullptr, reinterpret_cast<POINT*>(&c), 2);
        if (!IntersectRect(&r, &r, &c)) return false;
        if (!(GetWindowLongPtrW(p, GWL_STYLE) & WS_CHILD)) break;
    }
    return !IsRectEmpty(&r);
}

BOOL CALLBACK CollectChild(HWND wnd, LPARAM param)
{
    auto& s = *reinterpret_cast<ChildState*>(param);
    // IsWindowVisible also requires every ancestor to be visible.
    if (!IsWindowVisible(wnd) || !IsWindowEnabled(wnd)) return TRUE;
    RECT r;
    if (!ClippedRect(wnd, r)) return TRUE;
    s.out.push_back({wnd, r, WindowClass(wnd)});
    return TRUE;
}

void SendInputs(std::vector<INPUT>& in)
{
    if (!in.empty()) SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}

INPUT KeyInput(WORD vk, wchar_t unicode, bool up)
{
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    if (unicode) {
        i.ki.wScan = unicode;
        i.ki.dwFlags = KEYEVENTF_UNICODE;
    } else {
        i.ki.wVk = vk;
        i.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END ||
            vk == VK_PRIOR || vk == VK_NEXT || vk == VK_DELETE || vk == VK_INSERT)
            i.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    }
    if (up) i.ki.dwFlags |= KEYEVENTF_KEYUP;
    return i;
}

INPUT MouseInput(DWORD flags, POINT p, DWORD data = 0)
{
    INPUT i{};
    i.type = INPUT_MOUSE;
    RECT s = ScreenRect();
    int w = std::max<int>(s.right - s.left - 1, 1), h = std::max<int>(s.bottom - s.top - 1, 1);
    i.mi.dx = LONG((int64_t(p.x - s.left) * 65535 + w / 2) / w);
    i.mi.dy = LONG((int64_t(p.y - s.top) * 65535 + h / 2) / h);
    i.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    i.mi.mouseData = data;
    return i;
}

bool FileNameField(HWND dlg, HWND& field)
{
    // A combo box with an edit in newer templates, a plain edit in older ones.
    for (int id : {0x47c, 0x480})
        if (HWND f = GetDlgItem(dlg, id); f && IsWindowVisible(f)) {
            field = f;
            return true;
        }
    return false;
}

BOOL CALLBACK CollectButtons(HWND wnd, LPARAM param)
{
    auto& d = *reinterpret_cast<DialogInfo*>(param);
    String cls = WindowClass(wnd);
    if (lstrcmpiW(cls.c_str(), L"Button") == 0 && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        LONG_PTR type = GetWindowLongPtrW(wnd, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) d.buttons.push_back(wnd);
    } else if (lstrcmpiW(cls.c_str(), L"Static") == 0 && IsWindowVisible(wnd)) {
        String t = WindowText(wnd);
        if (!t.empty()) d.text += (d.text.empty() ? L"" : L" | ") + t;
    }
    return TRUE;
}

}  // namespace

String WindowClass(HWND wnd)
{
    wchar_t cls[256] = {};
    GetClassNameW(wnd, cls, 256);
    return cls;
}

namespace {

// An edit field of the system's or of the class library's.
bool EditClass(const String& cls)
{
    return cls.find(L"Edit") != String::npos || cls.find(L"Memo") != String::npos || cls.find(L"EDIT") != String::npos;
}

}  // namespace

String WindowText(HWND wnd)
{
    // The text the window manager keeps: no message to the (maybe busy)
    // program. Controls that keep their own text (edits) answer WM_GETTEXT.
    wchar_t stored[512] = {};
    InternalGetWindowText(wnd, stored, 512);
    String cls = WindowClass(wnd);
    if (!EditClass(cls) && cls.find(L"Combo") == String::npos) return stored;
    // WM_GETTEXT with a timeout: the window may belong to a busy process.
    wchar_t text[512] = {};
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(wnd, WM_GETTEXT, 512, LPARAM(text), SMTO_ABORTIFHUNG, 1000, &got)) return {};
    text[511] = 0;
    return text;
}

std::string Describe(HWND wnd)
{
    if (!wnd) return "(none)";
    // A multi-line field may hold a document the program wrote during the
    // run (a report with its time in it): named by its class only, so that
    // the event log of a replay is the same.
    const String cls = WindowClass(wnd);
    if (EditClass(cls) && (GetWindowLongPtrW(wnd, GWL_STYLE) & ES_MULTILINE))
        return StringToUtf8(cls);
    String t = WindowText(wnd);
    if (t.size() > 40) t = t.substr(0, 40) + L"...";
    for (wchar_t& c : t)
        if (c < L' ') c = L' ';
    return StringToUtf8(cls) + (t.empty() ? "" : " '" + StringToUtf8(t) + "'");
}

std::vector<HWND> ProcessWindows(DWORD pid, bool visibleOnly)
{
    EnumState s{pid, visibleOnly, false, {}};
    EnumWindows(CollectTop, LPARAM(&s));
    return s.out;
}

std::vector<HWND> ForeignWindows(DWORD pid)
{
    EnumState s{pid, true, true, {}};
    EnumWindows(CollectTop, LPARAM(&s));
    return s.out;
}

HWND FirstUnanswering(DWORD pid, UINT timeoutMs, const std::vector<HWND>* windows)
{
    // Windows answer through the thread that made them: one window per
    // thread tells whether all of that thread's windows answer.
    std::vector<DWORD> threads;
    for (HWND wnd : windows ? *windows : ProcessWindows(pid, false)) {
        DWORD thread = GetWindowThreadProcessId(wnd, nullptr);
        if (std::find(threads.begin(), threads.end(), thread) != threads.end()) continue;
        threads.push_back(thread);
        DWORD_PTR result = 0;
        SetLastError(0);
        if (SendMessageTimeoutW(wnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result)) continue;
        // A window destroyed meanwhile is no hang; its thread is asked again
        // through another window.
        if (!IsWindow(wnd)) {
            threads.pop_back();
            continue;
        }
        return wnd;
    }
    return nullptr;
}

std::vector<ChildInfo> VisibleChildren(HWND top)
{
    ChildState s;
    if (IsWindowVisible(top)) EnumChildWindows(top, CollectChild, LPARAM(&s));
    return s.out;
}

RECT ScreenRect()
{
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool DragBackOntoScreen(const RECT& window, const RECT& screen, POINT& from, POINT& to)
{
    RECT seen;
    if (!IntersectRect(&seen, &window, &screen)) return false;
    const long w = window.right - window.left, h = window.bottom - window.top;
    const long area = long(seen.right - seen.left) * (seen.bottom - seen.top);
    if (w <= 0 || h <= 0 || area * 2 >= w * h) return false;
    // On the caption's visible part, clear of the title buttons at its right end.
    const long lo = std::max(seen.left, window.left + 4), hi = std::min(seen.right - 1, window.right - 100);
    from = POINT{lo <= hi ? (lo + hi) / 2 : (seen.left + seen.right) / 2, window.top + 10};
    if (!PtInRect(&seen, from)) return false;
    // The window's place on screen: as far right and down as it was, whole.
    const long left = std::max(screen.left, std::min(window.left, screen.right - w));
    const long top = std::max(screen.top, std::min(window.top, screen.bottom - h));
    to = POINT{from.x + (left - window.left), from.y + (top - window.top)};
    return to.x != from.x || to.y != from.y;
}

POINT RandomPointIn(SoakRng& rng, const RECT& rect)
{
    return POINT{rng.Range(rect.left, std::max(rect.left, rect.right - 1)),
                 rng.Range(rect.top, std::max(rect.top, rect.bottom - 1))};
}

void MoveMouse(POINT p)
{
    std::vector<INPUT> in{MouseInput(0, p)};
    SendInputs(in);
    // The absolute scale may round differently from the screen's; the cursor
    // is put exactly where the event says.
    POINT now;
    if (GetCursorPos(&now) && (now.x != p.x || now.y != p.y)) SetCursorPos(p.x, p.y);
}

namespace {

// The last button release sent: a press near it within the double-click
// time would make a double click or not by how fast the program took them.
struct LastRelease {
    int button = -1;
    POINT at{};
    ULONGLONG when = 0;
} g_lastRelease;
ULONGLONG g_clicksKeptApartMs = 0;

// Waits out the double-click time when a press of button at p would pair
// with the last release (events that say one click stay one click).
void KeepClicksApart(int button, POINT p)
{
    const LastRelease& r = g_lastRelease;
    if (r.button != button || std::abs(p.x - r.at.x) > GetSystemMetrics(SM_CXDOUBLECLK) ||
        std::abs(p.y - r.at.y) > GetSystemMetrics(SM_CYDOUBLECLK))
        return;
    const ULONGLONG apart = GetDoubleClickTime() + 50, since = GetTickCount64() - r.when;
    if (since < apart) {
        Sleep(DWORD(apart - since));
        g_clicksKeptApartMs += apart - since;
    }
}

void Released(int button, POINT p) { g_lastRelease = LastRelease{button, p, GetTickCount64()}; }

}  // namespace

ULONGLONG ClicksKeptApartMs() { return g_clicksKeptApartMs; }

void MouseClick(POINT p, int button, int clicks)
{
    DWORD down = MOUSEEVENTF_LEFTDOWN, up = MOUSEEVENTF_LEFTUP;
    if (button == 1) {
        down = MOUSEEVENTF_RIGHTDOWN;
        up = MOUSEEVENTF_RIGHTUP;
    } else if (button == 2) {
        down = MOUSEEVENTF_MIDDLEDOWN;
        up = MOUSEEVENTF_MIDDLEUP;
    }
    MoveMouse(p);
    KeepClicksApart(button, p);
    std::vector<INPUT> in;
    for (int i = 0; i < clicks; ++i) {
        in.push_back(MouseInput(down, p));
        in.push_back(MouseInput(up, p));
    }
    SendInputs(in);
    Released(button, p);
}

void MouseDrag(POINT from, POINT to, const std::function<void()>& between)
{
    MoveMouse(from);
    KeepClicksApart(0, from);
    std::vector<INPUT> in{MouseInput(MOUSEEVENTF_LEFTDOWN, from)};
    // With between, each step goes on its own and is taken before the next.
    auto step = [&] {
        if (!between) return;
        SendInputs(in);
        in.clear();
        between();
    };
    step();
    for (int i = 1; i <= 4; ++i) {
        in.push_back(MouseInput(0, POINT{from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}));
        step();
    }
    in.push_back(MouseInput(MOUSEEVENTF_LEFTUP, to));
    SendInputs(in);
    Released(0, to);
}

void MouseWheel(POINT p, int notches)
{
    MoveMouse(p);
    INPUT i{};
    i.type = INPUT_MOUSE;
    i.mi.dwFlags = MOUSEEVENTF_WHEEL;
    i.mi.mouseData = DWORD(notches * WHEEL_DELTA);
    std::vector<INPUT> in{i};
    SendInputs(in);
}

void KeyPress(WORD vk, bool ctrl, bool shift, bool alt)
{
    std::vector<INPUT> in;
    if (ctrl) in.push_back(KeyInput(VK_CONTROL, 0, false));
    if (shift) in.push_back(KeyInput(VK_SHIFT, 0, false));
    if (alt) in.push_back(KeyInput(VK_MENU, 0, false));
    in.push_back(KeyInput(vk, 0, false));
    in.push_back(KeyInput(vk, 0, true));
    if (alt) in.push_back(KeyInput(VK_MENU, 0, true));
    if (shift) in.push_back(KeyInput(VK_SHIFT, 0, true));
    if (ctrl) in.push_back(KeyInput(VK_CONTROL, 0, true));
    SendInputs(in);
}

void TypeChar(wchar_t c)
{
    if (c == L'\r' || c == L'\n') {
        KeyPress(VK_RETURN);
        return;
    }
    if (c == L'\t') {
        KeyPress(VK_TAB);
        return;
    }
    std::vector<INPUT> in{KeyInput(0, c, false), KeyInput(0, c, true)};
    SendInputs(in);
}

void TypeText(const String& text)
{
    for (wchar_t c : text) TypeChar(c);
}

bool FindDialog(DWORD pid, DialogInfo& out)
{
    for (HWND wnd : ProcessWindows(pid, true)) {
        if (WindowClass(wnd) != L"#32770" || !IsWindowEnabled(wnd)) continue;
        DialogInfo d;
        d.wnd = wnd;
        d.title = WindowText(wnd);
        HWND field;
        d.kind = FileNameField(wnd, field) ? DialogKind::FileDialog : DialogKind::MessageBox;
        EnumChildWindows(wnd, CollectButtons, LPARAM(&d));
        out = std::move(d);
        return true;
    }
    return false;
}

namespace {
// A real click on a dialog's button when the dialog is in front and the
// button on screen. Posting the command instead would reach a dialog that a
// box of its own has disabled meanwhile, which no user can do (and which the
// system's file dialog does not survive).
bool ClickButton(HWND dlg, HWND button)
{
    RECT r, s = ScreenRect();
    if (!button || GetForegroundWindow() != dlg || !IsWindowVisible(button) || !GetWindowRect(button, &r)) return false;
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    if (!PtInRect(&s, p)) return false;
    MouseClick(p);
    return true;
}
}  // namespace

String PressButton(const DialogInfo& d, size_t index, bool realClick)
{
    if (index >= d.buttons.size()) {
        PostMessageW(d.wnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return L"(cancel)";
    }
    HWND b = d.buttons[index];
    String text = WindowText(b);
    // Keys are the other real way: Enter presses the focused button.
    if (!(realClick && ClickButton(d.wnd, b)) && IsWindowEnabled(d.wnd))
        PostMessageW(d.wnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), LPARAM(b));
    return text;
}

void AnswerFileDialog(const DialogInfo& d, const String& name)
{
    int id = name.empty() ? IDCANCEL : IDOK;
    HWND field = nullptr;
    if (!name.empty() && FileNameField(d.wnd, field)) {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(field, WM_SETTEXT, 0, LPARAM(name.c_str()), SMTO_NORMAL, 5000, &r);
    }
    HWND button = GetDlgItem(d.wnd, id);
    if (!ClickButton(d.wnd, button) && IsWindowEnabled(d.wnd))
        PostMessageW(d.wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(button));
}

bool IsSaveDialog(const DialogInfo& d)
{
    String t = UpperCase(d.title);
    return t.find(L"СОХРАН") != String::npos || t.find(L"SAVE") != String::npos;
}

namespace {

// Windows that come and go on their own (hints after a pause of the mouse,
// shadows) are no part of what the program shows.
bool PassingWindow(const String& cls)
{
    return cls == L"tooltips_class32" || cls == L"THintWindow" || cls == L"SysShadow";
}

BOOL CALLBACK CountVisibleChild(HWND wnd, LPARAM param)
{
    if (IsWindowVisible(wnd)) ++*reinterpret_cast<long*>(param);
    return TRUE;
}

BOOL CALLBACK CountChild(HWND, LPARAM param)
{
    ++*reinterpret_cast<long*>(param);
    return TRUE;
}

std::string Hex(const void* p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%p", p);
    return buf;
}

}  // namespace

std::string ProcessShape(DWORD pid, bool detail, bool children, const std::vector<HWND>* windows)
{
    std::string s;
    const HWND front = GetForegroundWindow();
    std::vector<DWORD> threads;
    for (HWND w : windows ? *windows : ProcessWindows(pid, false)) {
        if (!Showing(w)) continue;
        String cls = WindowClass(w);
        if (PassingWindow(cls)) continue;
        s += StringToUtf8(cls);
        // Dialog boxes share one class; the program's boxes differ by title.
        if (cls == L"#32770") s += " '" + StringToUtf8(WindowText(w)) + "'";
        if (detail) {
            RECT r{};
            GetWindowRect(w, &r);
            long shown = -1;
            if (children) {
                shown = 0;
                EnumChildWindows(w, CountVisibleChild, LPARAM(&shown));
            }
            char place[160];
            std::snprintf(place, sizeof place, "@%p %ld,%ld,%ld,%ld %ld%s%s", static_cast<void*>(w), r.left, r.top,
                          r.right, r.bottom, shown, IsWindowEnabled(w) ? "" : " disabled",
                          w == front ? " front" : "");
            s += place;
            DWORD thread = GetWindowThreadProcessId(w, nullptr);
            if (std::find(threads.begin(), threads.end(), thread) == threads.end()) threads.push_back(thread);
        }
        s += "; ";
        // An MDI form shows its children inside: each child made is as new a
        // window as a form of its own.
        if (HWND client = detail ? nullptr : FindWindowExW(w, nullptr, L"MDIClient", nullptr)) {
            long children = 0;
            for (HWND c = GetWindow(client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                children += IsWindowVisible(c) ? 1 : 0;
            if (children) s += "MDI children " + std::to_string(children) + "; ";
        }
    }
    for (DWORD thread : threads) {
        GUITHREADINFO gi{};
        gi.cbSize = sizeof gi;
        if (!GetGUIThreadInfo(thread, &gi)) continue;
        if (gi.hwndFocus) {
            DWORD_PTR length = 0;
            SendMessageTimeoutW(gi.hwndFocus, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 200, &length);
            s += "focus " + Hex(gi.hwndFocus) + " " + std::to_string(length) + "; ";
        }
        if (gi.hwndCapture) s += "capture " + Hex(gi.hwndCapture) + "; ";
        if (gi.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) s += "menu; ";
        if (gi.flags & GUI_INMOVESIZE) s += "moving; ";
    }
    return s;
}

bool WaitSettled(HANDLE process, DWORD pid, UINT maxMs, int rounds, std::string* why, int* looks)
{
    // A thread that answers at once is waiting in its message loop; one that
    // answers late was busy (with the input, or with what it posted itself)
    // and is looked at again: settled are `rounds` quick looks in a row at the
    // same shape, or twice as many looks of any speed (a program that is slow
    // to answer in some window, or a machine under load). The visible controls
    // are counted (the dearest part of a look) where a still stretch starts
    // and where it would end: they must agree too.
    constexpr ULONGLONG kQuickMs = 8;
    const ULONGLONG deadline = GetTickCount64() + maxMs;
    std::string last, counted;
    int same = 0, sameAny = 0, changes = 0, slow = 0;
    ULONGLONG slowest = 0;
    for (;;) {
        Sleep(4);
        if (looks) ++*looks;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
        // One look at the process's windows serves the question and the shape.
        const std::vector<HWND> windows = ProcessWindows(pid, false);
        ULONGLONG now = GetTickCount64();
        if (now >= deadline || FirstUnanswering(pid, UINT(deadline - now), &windows)) {
            if (why)
                *why = std::to_string(changes) + " changes, " + std::to_string(slow) + " slow answers (slowest " +
                       std::to_string(slowest) + " ms); last: " + counted;
            return false;
        }
        const ULONGLONG answer = GetTickCount64() - now;
        const bool quick = answer <= kQuickMs;
        slow += quick ? 0 : 1;
        slowest = std::max(slowest, answer);
        const std::string shape = ProcessShape(pid, true, false, &windows);
        if (shape == last) {
            same += quick ? 1 : 0;
            ++sameAny;
        } else {
            ++changes;
            last = shape;
            counted = ProcessShape(pid, true, true, &windows);
            same = quick ? 1 : 0;
            sameAny = 1;
        }
        if (!quick && same < rounds) same = 0;
        if (same < rounds && sameAny < 2 * rounds) continue;
        if (std::string now = ProcessShape(pid, true, true, &windows); now != counted) {
            // Controls came or went meanwhile: a still stretch starts here.
            ++changes;
            counted = now;
            same = quick ? 1 : 0;
            sameAny = 1;
            continue;
        }
        if (ProcessShape(pid, false, false, &windows).empty()) {
            // Nothing shown: a program that is ending is given the time to end,
            // so that the next event sees it gone, not sometimes still there.
            now = GetTickCount64();
            WaitForSingleObject(process, now < deadline ? DWORD(std::min<ULONGLONG>(deadline - now, 3000)) : 0);
        }
        return true;
    }
}

HWND ApplicationWindow(DWORD pid, const std::vector<HWND>* windows)
{
    for (HWND w : windows ? *windows : ProcessWindows(pid, false))
        if (WindowClass(w) == L"TApplication") return w;
    return nullptr;
}

bool AskProgram(DWORD pid, UINT message, WPARAM wParam, UINT timeoutMs, LRESULT& answer,
                const std::vector<HWND>* windows)
{
    HWND app = ApplicationWindow(pid, windows);
    DWORD_PTR r = 0;
    if (!app || !message || !SendMessageTimeoutW(app, message, wParam, 0, SMTO_NORMAL, timeoutMs, &r)) return false;
    answer = LRESULT(r);
    return true;
}

const char* SourceName(GdiSource source)
{
    switch (source) {
    case GdiSource::HandleTable: return "the process's GDI handle table";
    case GdiSource::GuiResources: return "GetGuiResources";
    case GdiSource::ProgramCounts: return "the program's own handle counts";
    default: return "nothing (no source of GDI counts is live here)";
    }
}

namespace {

// The address of the process's GDI handle table, from its environment block.
uintptr_t GdiTableAddress(HANDLE process)
{
    struct BasicInformation {
        LONG_PTR exitStatus;
        PVOID peb;
        ULONG_PTR affinity, priority, pid, parentPid;
    } info{};
    using QueryFn = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    static const auto query =
        reinterpret_cast<QueryFn>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
    if (!query || query(process, 0 /* basic information */, &info, sizeof info, nullptr) != 0 || !info.peb)
        return 0;
    constexpr size_t kTableField = sizeof(void*) == 4 ? 0x94 : 0xF8;
    uintptr_t table = 0;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<const char*>(info.peb) + kTableField, &table, sizeof table, &got) ||
        got != sizeof table)
        return 0;
    return table;
}

bool CountGdiTable(HANDLE process, DWORD pid, HandleCounts& out)
{
    const uintptr_t table = GdiTableAddress(process);
    if (!table) return false;
    // The used part of the table, a chunk at a time (the whole holds 65,536 entries).
    constexpr size_t kChunk = 4096, kMaxEntries = 65536;
    static thread_local std::vector<uint8_t> bytes(kChunk * kGdiEntrySize);
    HandleCounts counted;
    for (size_t first = 0; first < kMaxEntries; first += kChunk) {
        SIZE_T got = 0;
        if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table + first * kGdiEntrySize), bytes.data(),
                               bytes.size(), &got) ||
            got != bytes.size())
            break;
        if (!CountGdiEntries(bytes.data(), kChunk, uint16_t(pid), counted)) break;
    }
    for (size_t k = 0; k < kHandleKinds; ++k) out.n[k] += counted.n[k];
    return true;
}

bool AskProgramCounts(DWORD pid, UINT timeoutMs, HandleCounts& out)
{
    const UINT message = LiveHandlesMessage();
    LRESULT counted = 0, gdi = 0, dcs = 0;
    if (!AskProgram(pid, message, kAskCounted, timeoutMs, counted) || counted != kCountedYes ||
        !AskProgram(pid, message, kAskGdiObjects, timeoutMs, gdi) || !AskProgram(pid, message, kAskDCs, timeoutMs, dcs))
        return false;
    out[hkGdiObjects] += long(gdi);
    out[hkDCs] += long(dcs);
    return true;
}

long Total(const HandleCounts& c)
{
    long n = 0;
    for (size_t k = 0; k < hkWindows; ++k) n += c.n[k];
    return n;
}

}  // namespace

bool CountGdiObjects(GdiSource source, HANDLE process, DWORD pid, UINT timeoutMs, HandleCounts& out)
{
    switch (source) {
    case GdiSource::HandleTable: return CountGdiTable(process, pid, out);
    case GdiSource::GuiResources: {
        const DWORD n = GetGuiResources(process, GR_GDIOBJECTS);
        out[hkGdiObjects] += long(n);
        return n != 0;
    }
    case GdiSource::ProgramCounts: return AskProgramCounts(pid, timeoutMs, out);
    default: return false;
    }
}

GdiSource ProveGdiSource()
{
    for (GdiSource source : {GdiSource::HandleTable, GdiSource::GuiResources}) {
        auto count = [&](long& total) {
            HandleCounts c;
            if (!CountGdiObjects(source, GetCurrentProcess(), GetCurrentProcessId(), 2000, c)) return false;
            total = Total(c);
            return true;
        };
        long before = 0, held = 0, after = 0;
        if (!count(before)) continue;
        bool live = false;
        {
            BrushHandle brush(CreateSolidBrush(RGB(1, 2, 3)));
            live = count(held) && held == before + 1;
        }
        if (live && count(after) && after == before) return source;
    }
    // Neither system source: what the program's own owners count (of a
    // program that counts them; it cannot be proven from here).
    return GdiSource::ProgramCounts;
}

long CountProcessWindows(DWORD pid, const std::vector<HWND>* windows)
{
    long n = 0;
    for (HWND w : windows ? *windows : ProcessWindows(pid, false)) {
        ++n;
        EnumChildWindows(w, CountChild, LPARAM(&n));
    }
    return n;
}
