// The soak run; see SoakRunner.h.
#include "tools/soakrunner/SoakRunner.h"

#include "classlib/HandleQuery.h"

#include <algorithm>

namespace {

// Streams of the per-event random source.
enum : uint64_t { kStreamEvent = 0, kStreamDialog = 1, kStreamForeign = 2 };

const wchar_t kLatin[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
const wchar_t kCyrillic[] = L"абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
const wchar_t kDigits[] = L"0123456789";
const wchar_t kPunctuation[] = L" .,;:-_()!?\"'`/\\*<>|%#";
// Pieces a careless or curious user types into name fields.
const wchar_t* const kTokens[] = {L"..\\", L"..", L"\\", L"/", L"C:\\", L"---", L"`A", L"\r\n", L"*.*", L"CON",
                                  L"\t", L"   "};

template <size_t N>
wchar_t PickChar(SoakRng& rng, const wchar_t (&set)[N])
{
    return set[rng.Below(uint32_t(N - 1))];
}

std::string Point(POINT p) { return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")"; }

bool Contains(const String& s, const wchar_t* part) { return s.find(part) != String::npos; }

bool EditLike(const String& cls)
{
    return Contains(cls, L"Edit") || Contains(cls, L"Memo") || Contains(cls, L"Spin") || Contains(cls, L"EDIT") ||
           Contains(cls, L"RichEdit");
}

int ClickWeight(const ChildInfo& c)
{
    if (EditLike(c.cls) || Contains(c.cls, L"Tree") || Contains(c.cls, L"List") || Contains(c.cls, L"Combo") ||
        Contains(c.cls, L"PageControl") || Contains(c.cls, L"Tab"))
        return 4;
    if (Contains(c.cls, L"Panel")) return WindowText(c.wnd).empty() ? 2 : 4;
    return 1;
}

// Sets a printable, one-line form of text for the log.
std::string Printable(const String& text)
{
    String t = text;
    for (wchar_t& c : t)
        if (c == L'\r') c = L'^';
        else if (c == L'\n') c = L'~';
        else if (c == L'\t') c = L'>';
    return StringToUtf8(t);
}

bool UnderReports(const String& relative) { return Contains(relative, L"\\Отчеты"); }

}  // namespace

SoakRunner::SoakRunner(SoakOptions o) : o_(std::move(o))
{
    if (o_.copy.empty()) o_.copy = ExtractFilePath(o_.exe);
    o_.copy = IncludeTrailingBackslash(o_.copy);
    if (!o_.log.empty()) log_ = _wfopen(o_.log.c_str(), L"wb");
    if (!o_.samples.empty()) samples_ = _wfopen(o_.samples.c_str(), L"wb");
    if (samples_) {
        std::fprintf(samples_, "event,session,ms,counted,state");
        for (size_t k = 0; k < kHandleKinds; ++k) std::fprintf(samples_, ",%s", KindName(HandleKind(k)));
        std::fprintf(samples_, ",shape\n");
    }
}

SoakRunner::~SoakRunner()
{
    StopProgram();
    if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
    if (log_) std::fclose(log_);
    if (samples_) std::fclose(samples_);
}

void SoakRunner::Record(uint64_t event, const std::string& line)
{
    // Paths in the copy are logged from its root, so that the log of a replay
    // (in a copy of its own) is the same.
    std::string text = line;
    const std::string root = StringToUtf8(o_.copy);
    for (size_t at; !root.empty() && (at = text.find(root)) != std::string::npos;) text.replace(at, root.size(), "<copy>\\");
    ring_.Add(event, text);
    if (log_) {
        std::fprintf(log_, "#%llu %s\n", static_cast<unsigned long long>(event), text.c_str());
        std::fflush(log_);
    }
}

void SoakRunner::Fail(uint64_t event, const String& reason)
{
    failures_.push_back(reason);
    std::printf("SOAK FAILED seed=%llu event=%llu: %s\n", static_cast<unsigned long long>(o_.seed),
                static_cast<unsigned long long>(event), StringToUtf8(reason).c_str());
    std::printf("last %zu events:\n", ring_.Size());
    for (const std::string& line : ring_.Lines()) std::printf("  %s\n", line.c_str());
    std::fflush(stdout);
    if (log_) {
        std::fprintf(log_, "FAILED at event %llu: %s\n", static_cast<unsigned long long>(event),
                     StringToUtf8(reason).c_str());
        std::fflush(log_);
    }
}

std::string SoakRunner::SessionOutput()
{
    std::string out;
    if (o_.output.empty()) return out;
    HANDLE h = CreateFileW(o_.output.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(outputStart_);
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0 && out.size() < (8u << 20)) out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool SoakRunner::StartProgram()
{
    if (output_ == INVALID_HANDLE_VALUE && !o_.output.empty()) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        output_ = CreateFileW(o_.output.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (output_ != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size{};
        GetFileSizeEx(output_, &size);
        outputStart_ = uint64_t(size.QuadPart);
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (output_ != INVALID_HANDLE_VALUE) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = nullptr;
        si.hStdOutput = output_;
        si.hStdError = output_;
    }
    String cmd = L"\"" + o_.exe + L"\"" + (o_.args.empty() ? L"" : L" " + o_.args);
    String dir = ExtractFilePath(o_.exe);
    if (!CreateProcessW(o_.exe.c_str(), cmd.data(), nullptr, nullptr, output_ != INVALID_HANDLE_VALUE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi_)) {
        pi_ = {};
        return false;
    }
    ++sessions_;
    // Started when the main window shows.
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(o_.startSeconds) * 1000;
    while (GetTickCount64() < deadline) {
        for (HWND w : ProcessWindows(pi_.dwProcessId, true))
            if (WindowClass(w) == o_.mainClass) {
                Settle();
                return true;
            }
        if (WaitForSingleObject(pi_.hProcess, 50) == WAIT_OBJECT_0) return false;
    }
    return false;
}

void SoakRunner::StopProgram()
{
    if (pi_.hProcess) {
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 0);
            WaitForSingleObject(pi_.hProcess, 10000);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
        pi_ = {};
    }
    // Programs the soaked program started (a viewer for a presentation, ...).
    for (DWORD pid : foreignPids_)
        if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(h, 0);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
    foreignPids_.clear();
    foreign_.clear();
}

bool SoakRunner::CheckAlive(uint64_t event)
{
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) return true;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    std::string output = SessionOutput();
    if (ClassifyExit(code, output) != SessionEnd::Normal) {
        // Wine's report of the crash (its first lines say what and where), else the end of the output.
        size_t at = CrashReportStart(output);
        std::string shown = at != std::string::npos ? output.substr(at, 3000)
                            : output.size() > 3000  ? output.substr(output.size() - 3000)
                                                    : output;
        Fail(event, L"the program crashed (exit code " + IntToStr(code) + L")\n" + Utf8ToString(shown));
        return false;
    }
    Record(event, "program ended normally; started again");
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    pi_ = {};
    dialog_ = nullptr;
    if (!StartProgram()) {
        Fail(event, L"the program did not start again");
        return false;
    }
    return true;
}

bool SoakRunner::Settle()
{
    // One seed, one sequence: the next event is chosen from what the program
    // shows once it has taken this one, never from a state half-way.
    std::string why;
    const ULONGLONG t0 = GetTickCount64();
    const bool settled =
        !pi_.hProcess || WaitSettled(pi_.hProcess, pi_.dwProcessId, o_.settleMs, 3, &why, &times_.looks);
    times_.settle += GetTickCount64() - t0;
    ++times_.settles;
    if (!settled) {
        ++unsettled_;
        std::printf("soak: not settled after %u ms: %s\n", o_.settleMs, why.c_str());
        std::fflush(stdout);
    }
    return settled;
}

void SoakRunner::Sample(uint64_t event, ULONGLONG ms)
{
    if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0) return;
    const std::vector<HWND> windows = ProcessWindows(pi_.dwProcessId, false);
    HandleCounts c;
    c[hkWindows] = CountProcessWindows(pi_.dwProcessId, &windows);
    const bool counted = CountGdiObjects(gdiSource_, pi_.hProcess, pi_.dwProcessId, o_.probeMs, c);
    const std::string shape = ProcessShape(pi_.dwProcessId, false, false, &windows);
    // Counts are compared within one state of the program (a skin on or off
    // holds other caches); a program that does not tell its state is in one.
    LRESULT state = 0;
    AskProgram(pi_.dwProcessId, LiveHandlesMessage(), kAskState, o_.probeMs, state, &windows);
    objects_.Add(event, sessions_, c, shape, long(state));
    for (size_t at = 0, end; (end = shape.find("; ", at)) != std::string::npos; at = end + 2)
        windows_.Reached(shape.substr(at, end - at));
    if (samples_) {
        std::fprintf(samples_, "%llu,%llu,%llu,%d,%ld", static_cast<unsigned long long>(event),
                     static_cast<unsigned long long>(sessions_), static_cast<unsigned long long>(ms), counted ? 1 : 0,
                     long(state));
        for (long n : c.n) std::fprintf(samples_, ",%ld", n);
        std::fprintf(samples_, ",%s\n", shape.c_str());
    }
}

std::string SoakRunner::TimeSplit() const
{
    // Input is what the events took besides waiting for the program to settle.
    char text[300];
    std::snprintf(text, sizeof text,
                  "input %.0f s (%.0f s of it keeping clicks apart), settling %.0f s in %llu waits of %d looks, "
                  "probes %.0f s, samples %.0f s, scans %.0f s",
                  (times_.events - std::min(times_.events, times_.settle)) / 1000.0, ClicksKeptApartMs() / 1000.0,
                  times_.settle / 1000.0,
                  static_cast<unsigned long long>(times_.settles), times_.looks, times_.probes / 1000.0,
                  times_.samples / 1000.0,
                  times_.scans / 1000.0);
    return text;
}

bool SoakRunner::Probe(uint64_t event)
{
    if (!CheckAlive(event)) return false;
    if (HWND w = FirstUnanswering(pi_.dwProcessId, o_.probeMs)) {
        // A crash holds the windows while the debugger writes its backtrace:
        // give it the time to end the process, then tell a crash from a hang.
        WaitForSingleObject(pi_.hProcess, 15000);
        if (!CheckAlive(event)) return false;
        // Still a failure, but the report tells a slow answer from a hang.
        ULONGLONG since = GetTickCount64();
        DWORD_PTR r = 0;
        String later = SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &r)
                           ? L" (it answered " + IntToStr(int64_t((GetTickCount64() - since) / 1000 + 15)) +
                                 L" s later)"
                           : L" (no answer a minute later either)";
        Fail(event, L"window " + Utf8ToString(Describe(w)) + L" did not answer within " + IntToStr(o_.probeMs) +
                        L" ms" + later);
        return false;
    }
    return CheckAlive(event);
}

void SoakRunner::CloseForeign(uint64_t event)
{
    std::vector<HWND> now = ForeignWindows(pi_.dwProcessId);
    std::vector<std::pair<HWND, int>> kept;
    for (HWND w : now) {
        int age = 0;
        for (auto& [h, a] : foreign_)
            if (h == w) age = a + 1;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (std::find(foreignPids_.begin(), foreignPids_.end(), pid) == foreignPids_.end()) foreignPids_.push_back(pid);
        if (age == 0) {
            Record(event, "closing another program's window " + Describe(w));
            PostMessageW(w, WM_CLOSE, 0, 0);
        } else if (age >= 5) {
            Record(event, "ending the program behind " + Describe(w));
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                TerminateProcess(h, 0);
                WaitForSingleObject(h, 5000);
                CloseHandle(h);
            }
        }
        kept.emplace_back(w, age);
    }
    foreign_ = std::move(kept);
}

String SoakRunner::RandomText(SoakRng& rng, int maxLength)
{
    String t;
    int n = rng.Range(1, maxLength);
    for (int i = 0; i < n; ++i) {
        switch (rng.Weighted({30, 30, 15, 6, 3})) {
        case 0: t += PickChar(rng, kLatin); break;
        case 1: t += PickChar(rng, kCyrillic); break;
        case 2: t += PickChar(rng, kDigits); break;
        case 3: t += PickChar(rng, kPunctuation); break;
        default: t += kTokens[rng.Below(uint32_t(std::size(kTokens)))]; break;
        }
    }
    return t;
}

HWND SoakRunner::ActiveWindow(SoakRng& rng, std::string& note)
{
    HWND fg = GetForegroundWindow();
    DWORD pid = 0;
    if (fg) GetWindowThreadProcessId(fg, &pid);
    if (fg && pid == pi_.dwProcessId && IsWindowVisible(fg)) return fg;
    // Not in front: the user clicks one of the program's windows.
    std::vector<HWND> tops;
    for (HWND w : ProcessWindows(pi_.dwProcessId, true)) {
        String cls = WindowClass(w);
        if (cls != L"#32768" && cls != L"ComboLBox" && cls != L"tooltips_class32" &&
            cls != L"THintWindow")
            tops.push_back(w);
    }
    if (tops.empty()) return nullptr;
    HWND w = tops[rng.Below(uint32_t(tops.size()))];
    RECT r;
    GetWindowRect(w, &r);
    RECT s = ScreenRect();
    IntersectRect(&r, &r, &s);
    if (IsRectEmpty(&r)) return nullptr;
    POINT p{(r.left + r.right) / 2, r.top + 5};
    MouseClick(p);
    note = "activate " + Describe(w) + " " + Point(p) + "; ";
    Settle();
    return w;
}

std::vector<ChildInfo> SoakRunner::Clickable(HWND top)
{
    std::vector<ChildInfo> children = VisibleChildren(top);
    if (!o_.keepOpen.empty() && WindowClass(top) == o_.mainClass)
        std::erase_if(children, [&](const ChildInfo& c) {
            return std::find(o_.keepOpen.begin(), o_.keepOpen.end(), WindowText(c.wnd)) != o_.keepOpen.end();
        });
    return children;
}

void SoakRunner::Click(SoakRng& rng, HWND top, int button, int clicks, std::string& note)
{
    RECT area;
    GetWindowRect(top, &area);
    HWND target = top;
    std::vector<ChildInfo> children = Clickable(top);
    if (!children.empty() && rng.Percent(80)) {
        std::vector<int> weights;
        for (const ChildInfo& c : children) weights.push_back(ClickWeight(c));
        const ChildInfo& c = children[rng.Weighted(weights)];
        area = c.rect;
        target = c.wnd;
    }
    if (IsIconic(top)) {
        // What the task bar does for a minimised window (the soak's desktop has none).
        PostMessageW(top, WM_SYSCOMMAND, SC_RESTORE, 0);
        note += "restore from the task bar";
        return;
    }
    RECT s = ScreenRect(), w;
    GetWindowRect(top, &w);
    // What a user does with a window whose controls lie beyond the edge (once
    // per place: a window that does not move by its caption is clicked as it is).
    if (POINT from, to; !EqualRect(&w, &draggedBack_) && DragBackOntoScreen(w, s, from, to)) {
        draggedBack_ = w;
        MouseDrag(from, to, [this] { Settle(); });
        note += "drag back onto the screen " + Point(from) + "->" + Point(to);
        return;
    }
    IntersectRect(&area, &area, &s);
    if (IsRectEmpty(&area)) {
        note += "nothing to click";
        return;
    }
    POINT p = RandomPointIn(rng, area);
    static const char* const names[] = {"click", "right click", "middle click"};
    note += std::string(clicks == 2 ? "double " : "") + names[button] + " " + Point(p) + " on " + Describe(target);
    MouseClick(p, button, clicks);
}

void SoakRunner::TypeIntoField(SoakRng& rng, HWND top, std::string& note)
{
    std::vector<ChildInfo> fields;
    for (const ChildInfo& c : VisibleChildren(top))
        if (EditLike(c.cls) || Contains(c.cls, L"Combo")) fields.push_back(c);
    String text = RandomText(rng, 24);
    if (!fields.empty()) {
        const ChildInfo& f = fields[rng.Below(uint32_t(fields.size()))];
        RECT s = ScreenRect(), r = f.rect;
        IntersectRect(&r, &r, &s);
        if (!IsRectEmpty(&r)) {
            POINT p = RandomPointIn(rng, r);
            MouseClick(p);
            note = "type into " + Describe(f.wnd) + " " + Point(p) + ": ";
        }
    } else {
        note = "type: ";
    }
    note += "\"" + Printable(text) + "\"";
    TypeText(text);
}

void SoakRunner::PressKey(SoakRng& rng, std::string& note)
{
    struct Key {
        WORD vk;
        const char* name;
    };
    static const Key keys[] = {{VK_RETURN, "Enter"}, {VK_TAB, "Tab"},       {VK_ESCAPE, "Escape"}, {VK_BACK, "Backspace"},
                               {VK_LEFT, "Left"},    {VK_RIGHT, "Right"},   {VK_UP, "Up"},         {VK_DOWN, "Down"},
                               {VK_HOME, "Home"},    {VK_END, "End"},       {VK_PRIOR, "PageUp"},  {VK_NEXT, "PageDown"},
                               {VK_DELETE, "Delete"}, {VK_SPACE, "Space"},  {VK_F1, "F1"},         {VK_F10, "F10"}};
    if (rng.Percent(40)) {
        wchar_t c;
        switch (rng.Below(3)) {
        case 0: c = PickChar(rng, kLatin); break;
        case 1: c = PickChar(rng, kCyrillic); break;
        default: c = PickChar(rng, kDigits); break;
        }
        TypeChar(c);
        note = "key '" + Printable(String(1, c)) + "'";
        return;
    }
    const Key& k = keys[rng.Below(uint32_t(std::size(keys)))];
    bool shift = rng.Percent(10);
    KeyPress(k.vk, false, shift);
    note = std::string("key ") + (shift ? "Shift+" : "") + k.name;
}

void SoakRunner::Drag(SoakRng& rng, HWND top, std::string& note)
{
    // Where a user grabs a window: its caption (title buttons at its right
    // end), an edge or a corner to size it, or a control (a scroll bar, a
    // splitter, a selection).
    RECT w;
    GetWindowRect(top, &w);
    POINT from{};
    std::string where;
    // The frame's move and size loops take a step at a time; a control takes
    // the drag in one batch (see MouseDrag).
    bool frame = true;
    switch (rng.Below(4)) {
    case 0:
        from = POINT{rng.Range(w.left + 4, w.right - 5), rng.Range(w.top + 2, std::min(w.top + 28, w.bottom - 1))};
        where = "caption";
        break;
    case 1:
        from = POINT{rng.Range(std::max(w.left, w.right - 100), w.right - 2), rng.Range(w.top + 2, std::min(w.top + 28, w.bottom - 1))};
        where = "title buttons";
        break;
    case 2: {
        int edge = int(rng.Below(4)), d = rng.Range(0, 3);
        from = edge == 0 ? POINT{w.left + d, rng.Range(w.top, w.bottom - 1)}
               : edge == 1 ? POINT{w.right - 1 - d, rng.Range(w.top, w.bottom - 1)}
               : edge == 2 ? POINT{rng.Range(w.left, w.right - 1), w.bottom - 1 - d}
                           : POINT{w.right - 1 - d, w.bottom - 1 - d};
        where = "edge";
        break;
    }
    default: {
        std::vector<ChildInfo> children = Clickable(top);
        if (children.empty()) {
            note += "nothing to drag";
            return;
        }
        const ChildInfo& c = children[rng.Below(uint32_t(children.size()))];
        from = RandomPointIn(rng, c.rect);
        where = Describe(c.wnd);
        frame = false;
    }
    }
    // The drop point lies inside the work area, clear of its edges (where a
    // move loop holds the cursor back by rules of its own).
    RECT s = ScreenRect(), work = s;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    IntersectRect(&work, &work, &s);
    constexpr LONG kClear = 8;
    POINT to{std::clamp<LONG>(from.x + rng.Range(-150, 150), work.left + kClear, work.right - 1 - kClear),
             std::clamp<LONG>(from.y + rng.Range(-150, 150), work.top + kClear, work.bottom - 1 - kClear)};
    if (!PtInRect(&s, from)) {
        note += "nothing to drag";
        return;
    }
    if (frame)
        MouseDrag(from, to, [this] { Settle(); });
    else
        MouseDrag(from, to);
    note += "drag " + where + " " + Point(from) + "->" + Point(to);
}

void SoakRunner::MenuKey(SoakRng& rng, std::string& note)
{
    // The menu bar (F10, Alt and a letter) and the system menu (Alt+Space).
    switch (rng.Below(3)) {
    case 0:
        KeyPress(VK_F10);
        note += "key F10";
        break;
    case 1:
        KeyPress(VK_SPACE, false, false, true);
        note += "key Alt+Space";
        break;
    default: {
        static const char letters[] = "FEVHWSO";
        char c = letters[rng.Below(7)];
        KeyPress(WORD(c), false, false, true);
        note += std::string("key Alt+") + c;
    }
    }
}

void SoakRunner::HotKey(SoakRng& rng, std::string& note)
{
    static const char letters[] = "ACVNRXZ";
    char c = letters[rng.Below(7)];
    KeyPress(WORD(c), true);
    note = std::string("key Ctrl+") + c;
}


HWND SoakRunner::VisibleWindowOf(const String& cls)
{
    for (HWND w : ProcessWindows(pi_.dwProcessId, true))
        if (cls.empty() ? IsWindowEnabled(w) != FALSE : WindowClass(w) == cls) return w;
    return nullptr;
}

namespace {

// Fields of a kind in reading order: top to bottom, then left to right.
std::vector<ChildInfo> FieldsOf(HWND top, bool combos)
{
    std::vector<ChildInfo> out;
    for (const ChildInfo& c : VisibleChildren(top))
        if (combos ? Contains(c.cls, L"Combo") && c.cls != L"ComboLBox" : EditLike(c.cls) && !Contains(c.cls, L"Combo"))
            out.push_back(c);
    std::stable_sort(out.begin(), out.end(), [](const ChildInfo& a, const ChildInfo& b) {
        return a.rect.top != b.rect.top ? a.rect.top < b.rect.top : a.rect.left < b.rect.left;
    });
    return out;
}

std::vector<String> Alternatives(const String& target)
{
    std::vector<String> out;
    size_t at = 0;
    for (size_t bar; (bar = target.find(L'|', at)) != String::npos; at = bar + 1) out.push_back(target.substr(at, bar - at));
    out.push_back(target.substr(at));
    return out;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

LRESULT Ask(HWND wnd, UINT msg, WPARAM w = 0, LPARAM l = 0)
{
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(wnd, msg, w, l, SMTO_ABORTIFHUNG, 2000, &r) ? LRESULT(r) : -1;
}

}  // namespace

bool SoakRunner::PathStepDone(SoakRng& rng, HWND top, const PathStep& step, const std::pair<String, String>& account,
                              std::string& what)
{
    switch (step.kind) {
    case PathStep::kClick: {
        std::vector<String> texts = Alternatives(step.target);
        std::vector<ChildInfo> found;
        for (const ChildInfo& c : VisibleChildren(top))
            if (std::find(texts.begin(), texts.end(), WindowText(c.wnd)) != texts.end()) found.push_back(c);
        if (found.empty()) {
            what = "no control '" + StringToUtf8(step.target) + "'";
            return false;
        }
        const ChildInfo& c = found[rng.Below(uint32_t(found.size()))];
        what = "click '" + StringToUtf8(WindowText(c.wnd)) + "'";
        MouseClick(Centre(c.rect));
        return true;
    }
    case PathStep::kFill: {
        std::vector<ChildInfo> fields = FieldsOf(top, false);
        if (size_t(step.index) >= fields.size()) {
            what = "no field " + std::to_string(step.index);
            return false;
        }
        static const wchar_t* const first[] = {L"Иван", L"Мария", L"Пётр", L"Анна", L"Олег", L"Ольга"};
        static const wchar_t* const last[] = {L"Петров", L"Смирнова", L"Кузнецов", L"Орлова", L"Зайцев"};
        static const wchar_t* const groups[] = {L"ИС-21", L"ПИ-3", L"М-12", L"Э-4б"};
        String text;
        if (step.target == L"user") text = account.first;
        else if (step.target == L"password") text = account.second;
        else if (step.target == L"person")
            text = String(first[rng.Below(uint32_t(std::size(first)))]) + L" " + last[rng.Below(uint32_t(std::size(last)))];
        else if (step.target == L"group") text = groups[rng.Below(uint32_t(std::size(groups)))];
        else
            for (int i = rng.Range(1, 12); i > 0; --i) text += rng.Percent(70) ? PickChar(rng, kCyrillic) : PickChar(rng, kDigits);
        const ChildInfo& f = fields[size_t(step.index)];
        MouseClick(Centre(f.rect));
        Settle();
        Ask(f.wnd, EM_SETSEL, 0, -1);
        TypeText(text);
        what = "field " + std::to_string(step.index) + " '" + StringToUtf8(text) + "'";
        return true;
    }
    case PathStep::kPick: {
        std::vector<ChildInfo> combos = FieldsOf(top, true);
        if (size_t(step.index) >= combos.size()) {
            what = "no combo box " + std::to_string(step.index);
            return false;
        }
        const ChildInfo& c = combos[size_t(step.index)];
        LRESULT n = Ask(c.wnd, CB_GETCOUNT);
        if (n <= 0) {
            what = "combo box " + std::to_string(step.index) + " is empty";
            return false;
        }
        uint32_t item = rng.Below(uint32_t(n));
        MouseClick(Centre(c.rect));
        Settle();
        KeyPress(VK_HOME);
        for (uint32_t i = 0; i < item; ++i) KeyPress(VK_DOWN);
        KeyPress(VK_RETURN);
        what = "item " + std::to_string(item) + " of combo box " + std::to_string(step.index);
        return true;
    }
    case PathStep::kAnswerAll: {
        HWND list = nullptr;
        for (const ChildInfo& c : VisibleChildren(top))
            if (Contains(c.cls, L"ListBox")) list = c.wnd;
        LRESULT n = list ? Ask(list, LB_GETCOUNT) : -1;
        if (n <= 0) {
            what = "no questions";
            return false;
        }
        std::vector<String> texts = Alternatives(step.target);
        what = "answers ";
        for (LRESULT i = 0; i < n; ++i) {
            std::vector<ChildInfo> found;
            for (const ChildInfo& c : VisibleChildren(top))
                if (std::find(texts.begin(), texts.end(), WindowText(c.wnd)) != texts.end()) found.push_back(c);
            if (found.empty()) {
                what += " (no answer buttons)";
                return false;
            }
            const ChildInfo& c = found[rng.Below(uint32_t(found.size()))];
            what += StringToUtf8(WindowText(c.wnd));
            MouseClick(Centre(c.rect));
            Settle();
        }
        return true;
    }
    case PathStep::kKey:
    case PathStep::kMenuPick: {
        WORD vk = 0;
        bool ctrl = false, alt = false;
        if (!KeyByName(step.target, vk, ctrl, alt)) {
            what = "unknown key " + StringToUtf8(step.target);
            return false;
        }
        KeyPress(vk, ctrl, false, alt);
        what = "key " + StringToUtf8(step.target);
        if (step.kind == PathStep::kMenuPick) {
            Settle();
            uint32_t down = rng.Below(uint32_t(std::max(step.index, 1)));
            for (uint32_t i = 0; i < down; ++i) KeyPress(VK_DOWN);
            KeyPress(VK_RETURN);
            what += ", item " + std::to_string(down);
        }
        return true;
    }
    case PathStep::kAdjust: {
        std::vector<ChildInfo> found;
        for (const ChildInfo& c : VisibleChildren(top))
            if (Contains(UpperCase(c.cls), UpperCase(step.target).c_str())) found.push_back(c);
        std::stable_sort(found.begin(), found.end(), [](const ChildInfo& a, const ChildInfo& b) {
            return a.rect.top != b.rect.top ? a.rect.top < b.rect.top : a.rect.left < b.rect.left;
        });
        if (size_t(step.index) >= found.size()) {
            what = "no " + StringToUtf8(step.target) + " " + std::to_string(step.index);
            return false;
        }
        const ChildInfo& c = found[size_t(step.index)];
        MouseClick(Centre(c.rect));
        static const WORD keys[] = {VK_LEFT, VK_RIGHT, VK_PRIOR, VK_NEXT};
        static const char* const names[] = {"Left", "Right", "PageUp", "PageDown"};
        what = StringToUtf8(c.cls) + " " + std::to_string(step.index) + ":";
        for (int i = rng.Range(1, 6); i > 0; --i) {
            uint32_t k = rng.Below(4);
            KeyPress(keys[k]);
            what += std::string(" ") + names[k];
        }
        return true;
    }
    }
    return false;
}

bool SoakRunner::PathCanStart(const PathStep& step)
{
    HWND top = VisibleWindowOf(step.window);
    if (!top) return false;
    switch (step.kind) {
    case PathStep::kClick: {
        std::vector<String> texts = Alternatives(step.target);
        for (const ChildInfo& c : VisibleChildren(top))
            if (std::find(texts.begin(), texts.end(), WindowText(c.wnd)) != texts.end()) return true;
        return false;
    }
    case PathStep::kFill: return size_t(step.index) < FieldsOf(top, false).size();
    case PathStep::kPick: return size_t(step.index) < FieldsOf(top, true).size();
    default: return true;
    }
}

void SoakRunner::FollowPath(SoakRng& rng, std::string& note)
{
    std::vector<const SoakPath*> open;
    for (const SoakPath& p : o_.paths)
        if (!p.steps.empty() && PathCanStart(p.steps.front())) open.push_back(&p);
    if (open.empty()) {
        note += "no path starts here";
        actions_.Reached("path: none starts here");
        return;
    }
    const SoakPath& path = *open[rng.Below(uint32_t(open.size()))];
    static const std::pair<String, String> none;
    const auto& account = o_.accounts.empty() ? none : o_.accounts[rng.Below(uint32_t(o_.accounts.size()))];
    note += "path '" + path.name + "':";
    actions_.Reached("path '" + path.name + "' started");
    for (size_t i = 0; i < path.steps.size(); ++i) {
        const PathStep& step = path.steps[i];
        if (i > 0) Settle();
        std::string stop;
        DialogInfo d;
        HWND top = nullptr;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0)
            stop = "the program ended";
        else if (FindDialog(pi_.dwProcessId, d))
            stop = "box '" + StringToUtf8(d.title) + "'";
        else if (!(top = VisibleWindowOf(step.window)))
            stop = "no window " + StringToUtf8(step.window);
        if (top && GetForegroundWindow() != top) {
            RECT r;
            GetWindowRect(top, &r);
            MouseClick(POINT{(r.left + r.right) / 2, r.top + 5});
            Settle();
        }
        std::string what;
        if (stop.empty() && !PathStepDone(rng, top, step, account, what)) stop = what;
        if (!stop.empty()) {
            note += " stopped at step " + std::to_string(i + 1) + " (" + stop + ")";
            actions_.Reached("path '" + path.name + "' stopped at step " + std::to_string(i + 1));
            return;
        }
        note += " " + what + ";";
    }
    actions_.Reached("path '" + path.name + "' completed");
}
String SoakRunner::FileDialogName(SoakRng& rng, const DialogInfo& d, std::string& note)
{
    const bool save = IsSaveDialog(d);
    auto allowed = [&](const String& rel) {
        // Writing is kept away from the reports (only the tests window writes
        // those) and from the program itself.
        return !save || (!UnderReports(rel) && !Contains(UpperCase(rel), L".EXE"));
    };
    std::vector<String> files, folders;
    for (const String& f : copyFiles_)
        if (allowed(f)) files.push_back(f);
    for (const String& f : copyFolders_)
        if (allowed(f)) folders.push_back(f);
    int r = int(rng.Below(100));
    if (r < 15 || (files.empty() && folders.empty())) {
        note = "cancel";
        return {};
    }
    if (r < 45 && !files.empty()) {
        note = "existing file";
        return o_.copy + files[rng.Below(uint32_t(files.size()))];
    }
    if (r < 75) {
        String folder = folders.empty() ? String() : folders[rng.Below(uint32_t(folders.size()))] + L"\\";
        static const wchar_t* const exts[] = {L".txt", L".html", L"", L".doc", L".txt.txt"};
        String name;
        int n = rng.Range(1, 12);
        for (int i = 0; i < n; ++i) name += rng.Percent(50) ? PickChar(rng, kCyrillic) : PickChar(rng, kLatin);
        note = "new file";
        return o_.copy + folder + name + exts[rng.Below(uint32_t(std::size(exts)))];
    }
    if (r < 88 && !folders.empty()) {
        note = "folder";
        return o_.copy + folders[rng.Below(uint32_t(folders.size()))];
    }
    static const wchar_t* const odd[] = {L"*.*", L"*.txt", L"нет такого файла.txt", L" ", L"Content\\нет\\x.txt"};
    String name = odd[rng.Below(uint32_t(std::size(odd)))];
    note = "odd name";
    return name == L"*.*" || name == L"*.txt" || name == L" " ? name : o_.copy + name;
}

bool SoakRunner::AnswerDialog(uint64_t event, const DialogInfo& d)
{
    SoakRng rng = SoakRng::For(o_.seed, event, kStreamDialog);
    if (d.wnd == dialog_)
        ++dialogTries_;
    else {
        dialog_ = d.wnd;
        dialogTries_ = 0;
    }
    std::string what = (d.kind == DialogKind::FileDialog ? "file dialog '" : "box '") + StringToUtf8(d.title) + "'";
    if (!d.text.empty()) what += " \"" + Printable(d.text.substr(0, 200)) + "\"";
    if (dialogTries_ >= 8) {
        // Answered often and still there: the plain way out.
        PostMessageW(d.wnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        PostMessageW(d.wnd, WM_CLOSE, 0, 0);
        Record(event, what + " -> cancel (still open after " + std::to_string(dialogTries_) + " answers)");
        if (dialogTries_ >= 20) {
            Fail(event, L"a dialog cannot be closed: " + Utf8ToString(what));
            return false;
        }
        return true;
    }
    if (d.kind == DialogKind::FileDialog) {
        std::string note;
        String name = FileDialogName(rng, d, note);
        Record(event, what + " -> " + note + (name.empty() ? "" : " " + StringToUtf8(name)));
        AnswerFileDialog(d, name);
        actions_.Reached(std::string("dialog: file ") + (name.empty() ? "cancelled" : "answered"));
        return true;
    }
    size_t index = d.buttons.empty() ? 0 : rng.Below(uint32_t(d.buttons.size()));
    bool real = rng.Percent(70);
    String pressed = PressButton(d, index, real);
    Record(event, what + " -> " + (real ? "click " : "press ") + StringToUtf8(pressed));
    actions_.Reached("dialog: box '" + StringToUtf8(d.title) + "' -> " + StringToUtf8(pressed));
    return true;
}

bool SoakRunner::DoEvent(uint64_t event)
{
    CloseForeign(event);
    DialogInfo d;
    if (FindDialog(pi_.dwProcessId, d)) return AnswerDialog(event, d);

    SoakRng rng = SoakRng::For(o_.seed, event, kStreamEvent);
    std::string note;
    HWND top = ActiveWindow(rng, note);
    if (!top) {
        // A program that shows no window at all can no longer be used.
        if (++invisibleEvents_ > 50) {
            Fail(event, L"no window of the program has been visible for 50 events");
            return false;
        }
        Record(event, "no visible window");
        return true;
    }
    invisibleEvents_ = 0;
    enum { kClick, kDouble, kRight, kWheel, kKey, kHot, kType, kPath, kAltF4, kDrag, kMenu };
    static const char* const names[] = {"click", "double click", "right click", "wheel", "key", "hot key",
                                        "type", "path", "Alt+F4", "drag", "menu key"};
    // The other kinds share what the paths leave in the proportions 26:7:2:6:20:6:14:1:4:3.
    const int path = o_.paths.empty() ? 0 : std::clamp(o_.pathPercent, 0, 100);
    std::vector<int> weights{26, 7, 2, 6, 20, 6, 14, 0, 1, 4, 3};
    for (int& w : weights) w *= 100 - path;
    weights[kPath] = path * 89;
    const size_t kind = rng.Weighted(weights);
    actions_.Reached(names[kind]);
    switch (kind) {
    case kClick: Click(rng, top, 0, 1, note); break;
    case kDouble: Click(rng, top, 0, 2, note); break;
    case kRight: Click(rng, top, 1, 1, note); break;
    case kWheel: {
        RECT r;
        GetWindowRect(top, &r);
        RECT s = ScreenRect();
        IntersectRect(&r, &r, &s);
        if (IsRectEmpty(&r)) break;
        POINT p = RandomPointIn(rng, r);
        int notches = rng.Percent(50) ? -rng.Range(1, 5) : rng.Range(1, 5);
        MouseWheel(p, notches);
        note += "wheel " + std::to_string(notches) + " " + Point(p);
        break;
    }
    case kKey: PressKey(rng, note); break;
    case kHot: HotKey(rng, note); break;
    case kType: TypeIntoField(rng, top, note); break;
    case kPath: FollowPath(rng, note); break;
    case kDrag: Drag(rng, top, note); break;
    case kMenu: MenuKey(rng, note); break;
    case kAltF4:
        if (!o_.keepOpen.empty() && WindowClass(top) == o_.mainClass) {
            note += "no Alt+F4 on the main window";
            break;
        }
        KeyPress(VK_F4, false, false, true);
        note += "key Alt+F4";
        break;
    }
    Record(event, note + " [" + Describe(top) + "]");
    return true;
}

// The program answers the message with 1 when, after its skin was switched
// off, every control's window procedure is its own again, and with 1 + n when
// n controls still have another (0: it does not know the question).
bool SoakRunner::UnskinCheck(uint64_t event)
{
    LRESULT answer = 0;
    const UINT message = RegisterWindowMessageW(L"TalveraSkinOffCheck");
    if (!AskProgram(pi_.dwProcessId, message, 0, 30000, answer) || answer == 0) {
        Fail(event, L"the program did not answer the skin-off check");
        return false;
    }
    Record(event, "skin off: " + std::to_string(answer - 1) + " controls without their own window procedure");
    if (answer != 1) {
        Fail(event, L"after the skin was switched off, " + IntToStr(int64_t(answer - 1)) +
                        L" controls still had another window procedure than their own");
        return false;
    }
    return true;
}

int SoakRunner::Run()
{
    const ULONGLONG started = GetTickCount64();
    // What an earlier run copied must not be pasted in this one.
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    gdiSource_ = ProveGdiSource();
    std::printf("soak: GDI objects are counted from %s%s\n", SourceName(gdiSource_),
                gdiSource_ == GdiSource::ProgramCounts ? "" : " (it saw a brush made and freed here)");
    std::fflush(stdout);
    copyStart_ = SnapshotTree(o_.copy);
    copyFiles_ = TreeNames(copyStart_, false);
    copyFolders_ = TreeNames(copyStart_, true);
    for (const String& w : o_.watch) watchStart_.push_back(SnapshotTree(w, o_.skip));
    ReportWatch reports(o_.copy);
    reports.Scan();

    if (!StartProgram()) {
        std::printf("SOAK: the program did not start: %s\n%s\n", StringToUtf8(o_.exe).c_str(),
                    SessionOutput().c_str());
        return 2;
    }
    Record(0, "program started: " + StringToUtf8(o_.exe));
    Sample(0, 0);

    uint64_t event = 1;
    bool ok = true;
    for (; ok && event <= o_.events; ++event) {
        ULONGLONG t0 = GetTickCount64();
        ok = DoEvent(event);
        if (!ok) break;
        // Settled, every thread of the program has just answered: only a
        // program that did not settle is probed (a hang, or a slow answer).
        const bool settled = Settle();
        ULONGLONG t1 = GetTickCount64();
        times_.events += t1 - t0;
        ok = settled ? CheckAlive(event) : Probe(event);
        ULONGLONG t2 = GetTickCount64();
        times_.probes += t2 - t1;
        if (ok) Sample(event, t2 - t0);
        ULONGLONG t3 = GetTickCount64();
        times_.samples += t3 - t2;
        if (ok && o_.reportEvery > 0 && event % uint64_t(o_.reportEvery) == 0) {
            for (const String& p : reports.Scan()) {
                Fail(event, p);
                ok = false;
            }
            // New files become names the dialogs may use.
            FileTree now = SnapshotTree(o_.copy, {}, false);
            copyFiles_ = TreeNames(now, false);
            copyFolders_ = TreeNames(now, true);
            times_.scans += GetTickCount64() - t3;
        }
        if (event % 1000 == 0) {
            std::printf("soak: %llu events, %llu sessions, %.0f s (%s)\n", static_cast<unsigned long long>(event),
                        static_cast<unsigned long long>(sessions_), (GetTickCount64() - started) / 1000.0,
                        TimeSplit().c_str());
            for (const std::string& line : objects_.Report()) std::printf("  %s\n", line.c_str());
            for (const std::string& line : objects_.Check(o_.bound)) std::printf("  so far beyond the bound: %s\n", line.c_str());
            std::fflush(stdout);
        }
    }
    const uint64_t last = ok ? o_.events : event;
    if (ok) ok = Probe(last);
    if (ok && o_.unskinCheck) ok = UnskinCheck(last);
    StopProgram();

    std::printf("soak: windows shown (events):\n");
    for (const std::string& line : windows_.Lines()) std::printf("%s\n", line.c_str());
    std::printf("soak: actions (events):\n");
    for (const std::string& line : actions_.Lines()) std::printf("%s\n", line.c_str());
    std::printf("soak: the program's handles (after every event; GDI objects from %s):\n", SourceName(gdiSource_));
    for (const std::string& line : objects_.Report()) std::printf("  %s\n", line.c_str());
    std::printf("  bound on the climb with the same windows shown, per session: %s\n", Describe(o_.bound).c_str());
    if (unsettled_) std::printf("soak: %llu events did not settle within %u ms\n", static_cast<unsigned long long>(unsettled_), o_.settleMs);
    std::fflush(stdout);
    if (ok) {
        std::string leaks;
        for (const std::string& p : objects_.Check(o_.bound)) leaks += "\n  " + p;
        if (!leaks.empty()) {
            Fail(last, L"handles leak:" + Utf8ToString(leaks));
            ok = false;
        }
    }

    // The files, once the program is gone.
    if (ok) {
        for (const String& p : reports.Scan()) {
            Fail(last, p);
            ok = false;
        }
        for (const String& p : CheckCopy(o_.copy, copyStart_, SnapshotTree(o_.copy))) {
            Fail(last, p);
            ok = false;
        }
        for (size_t i = 0; i < o_.watch.size(); ++i) {
            TreeChanges c = CompareTrees(watchStart_[i], SnapshotTree(o_.watch[i], o_.skip));
            for (const String& n : c.added) Fail(last, L"outside the copy, added: " + o_.watch[i] + L" " + n);
            for (const String& n : c.removed) Fail(last, L"outside the copy, removed: " + o_.watch[i] + L" " + n);
            for (const String& n : c.changed) Fail(last, L"outside the copy, changed: " + o_.watch[i] + L" " + n);
            if (!c.Empty()) ok = false;
        }
    }
    double seconds = (GetTickCount64() - started) / 1000.0;
    if (!ok) {
        std::printf("SOAK FAILED seed=%llu after %.0f s; replay: --seed %llu --events %llu\n",
                    static_cast<unsigned long long>(o_.seed), seconds, static_cast<unsigned long long>(o_.seed),
                    static_cast<unsigned long long>(last));
        std::fflush(stdout);
        return 1;
    }
    std::printf("SOAK PASSED seed=%llu events=%llu sessions=%llu reports=%zu time=%.0f s, %.1f events/s (%s)\n",
                static_cast<unsigned long long>(o_.seed), static_cast<unsigned long long>(o_.events),
                static_cast<unsigned long long>(sessions_), reports.Known(), seconds,
                seconds > 0 ? double(o_.events) / seconds : 0.0, TimeSplit().c_str());
    std::fflush(stdout);
    return 0;
}
