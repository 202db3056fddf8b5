// The soak run; see SoakRunner.h.
#include "tools/soakrunner/SoakRunner.h"

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
}

SoakRunner::~SoakRunner()
{
    StopProgram();
    if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
    if (log_) std::fclose(log_);
}

void SoakRunner::Record(uint64_t event, const std::string& text)
{
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
                Sleep(200);
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
        std::string tail = output.size() > 3000 ? output.substr(output.size() - 3000) : output;
        Fail(event, L"the program crashed (exit code " + IntToStr(code) + L")\n" + Utf8ToString(tail));
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

void SoakRunner::Settle()
{
    Sleep(o_.settleMs);
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
        if (cls != L"#32768" && cls != L"ComboLBox" && cls != L"tooltips_class32") tops.push_back(w);
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

void SoakRunner::Click(SoakRng& rng, HWND top, int button, int clicks, std::string& note)
{
    RECT area;
    GetWindowRect(top, &area);
    HWND target = top;
    std::vector<ChildInfo> children = VisibleChildren(top);
    if (!children.empty() && rng.Percent(80)) {
        std::vector<int> weights;
        for (const ChildInfo& c : children) weights.push_back(ClickWeight(c));
        const ChildInfo& c = children[rng.Weighted(weights)];
        area = c.rect;
        target = c.wnd;
    }
    RECT s = ScreenRect();
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

void SoakRunner::HotKey(SoakRng& rng, std::string& note)
{
    static const char letters[] = "ACVNRXZ";
    char c = letters[rng.Below(7)];
    KeyPress(WORD(c), true);
    note = std::string("key Ctrl+") + c;
}

void SoakRunner::Login(SoakRng& rng, HWND top, std::string& note)
{
    auto loginWindow = [&]() -> HWND {
        for (HWND w : ProcessWindows(pi_.dwProcessId, true))
            if (WindowClass(w) == o_.loginClass) return w;
        return nullptr;
    };
    HWND login = loginWindow();
    if (!login && !o_.loginOpen.empty()) {
        for (const ChildInfo& c : VisibleChildren(top))
            if (WindowText(c.wnd) == o_.loginOpen) {
                POINT p{(c.rect.left + c.rect.right) / 2, (c.rect.top + c.rect.bottom) / 2};
                MouseClick(p);
                note = "open login " + Point(p) + "; ";
                Settle();
                FirstUnanswering(pi_.dwProcessId, o_.probeMs);
                login = loginWindow();
                break;
            }
    }
    if (!login) {
        note += "login: no login window";
        return;
    }
    std::vector<ChildInfo> edits;
    for (const ChildInfo& c : VisibleChildren(login))
        if (EditLike(c.cls)) edits.push_back(c);
    std::sort(edits.begin(), edits.end(), [](const ChildInfo& a, const ChildInfo& b) { return a.rect.top < b.rect.top; });
    if (edits.size() < 2) {
        note += "login: fields not found";
        return;
    }
    const auto& [user, password] = o_.accounts[rng.Below(uint32_t(o_.accounts.size()))];
    for (int i = 0; i < 2; ++i) {
        const ChildInfo& f = edits[i];
        MouseClick(POINT{(f.rect.left + f.rect.right) / 2, (f.rect.top + f.rect.bottom) / 2});
        Settle();
        DWORD_PTR r = 0;
        SendMessageTimeoutW(f.wnd, EM_SETSEL, 0, -1, SMTO_NORMAL, o_.probeMs, &r);
        TypeText(i == 0 ? user : password);
    }
    KeyPress(VK_RETURN);
    note += "login as " + StringToUtf8(user);
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
        Sleep(50);
        return true;
    }
    size_t index = d.buttons.empty() ? 0 : rng.Below(uint32_t(d.buttons.size()));
    bool real = rng.Percent(70);
    String pressed = PressButton(d, index, real);
    Record(event, what + " -> " + (real ? "click " : "press ") + StringToUtf8(pressed));
    Sleep(50);
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
        Sleep(50);
        return true;
    }
    invisibleEvents_ = 0;
    enum { kClick, kDouble, kRight, kWheel, kKey, kHot, kType, kLogin, kAltF4 };
    std::vector<int> weights{26, 7, 2, 6, 20, 6, 14, o_.accounts.empty() ? 0 : 3, 1};
    switch (rng.Weighted(weights)) {
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
    case kLogin: Login(rng, top, note); break;
    case kAltF4:
        KeyPress(VK_F4, false, false, true);
        note += "key Alt+F4";
        break;
    }
    Record(event, note + " [" + Describe(top) + "]");
    return true;
}

int SoakRunner::Run()
{
    const ULONGLONG started = GetTickCount64();
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

    uint64_t event = 1;
    bool ok = true;
    ULONGLONG inEvents = 0, inProbes = 0, inScans = 0;
    for (; ok && event <= o_.events; ++event) {
        ULONGLONG t0 = GetTickCount64();
        ok = DoEvent(event);
        if (!ok) break;
        Settle();
        ULONGLONG t1 = GetTickCount64();
        ok = Probe(event);
        ULONGLONG t2 = GetTickCount64();
        inEvents += t1 - t0;
        inProbes += t2 - t1;
        if (log_) std::fprintf(log_, "    %llu ms + %llu ms\n", t1 - t0, t2 - t1);
        if (ok && o_.reportEvery > 0 && event % uint64_t(o_.reportEvery) == 0) {
            for (const String& p : reports.Scan()) {
                Fail(event, p);
                ok = false;
            }
            // New files become names the dialogs may use.
            FileTree now = SnapshotTree(o_.copy, {}, false);
            copyFiles_ = TreeNames(now, false);
            copyFolders_ = TreeNames(now, true);
            inScans += GetTickCount64() - t2;
        }
        if (event % 1000 == 0) {
            std::printf("soak: %llu events, %llu sessions, %.0f s (input %.0f s, probes %.0f s, scans %.0f s)\n",
                        static_cast<unsigned long long>(event), static_cast<unsigned long long>(sessions_),
                        (GetTickCount64() - started) / 1000.0, inEvents / 1000.0, inProbes / 1000.0,
                        inScans / 1000.0);
            std::fflush(stdout);
        }
    }
    const uint64_t last = ok ? o_.events : event;
    if (ok) ok = Probe(last);
    StopProgram();

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
    std::printf("SOAK PASSED seed=%llu events=%llu sessions=%llu reports=%zu time=%.0f s "
                "(input %.0f s, probes %.0f s, scans %.0f s)\n",
                static_cast<unsigned long long>(o_.seed), static_cast<unsigned long long>(o_.events),
                static_cast<unsigned long long>(sessions_), reports.Known(), seconds, inEvents / 1000.0,
                inProbes / 1000.0, inScans / 1000.0);
    std::fflush(stdout);
    return 0;
}
