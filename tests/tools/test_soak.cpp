// The soak runner's pieces: the repeatable random source, the event ring, the
// file checks (copy, untouched folders, reports), the hang probe, real input
// and the answers to real message boxes and file dialogs.
#include <gtest/gtest.h>
#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "app/ContentContainer.h"
#include "classlib/GdiHandle.h"
#include "support/GuiTest.h"
#include "tools/soakrunner/SoakCore.h"
#include "tools/soakrunner/SoakWindows.h"

namespace {

std::vector<uint64_t> Draw(SoakRng r, int n)
{
    std::vector<uint64_t> v;
    for (int i = 0; i < n; ++i) v.push_back(r.Next());
    return v;
}

bool Has(const std::vector<String>& list, const String& part)
{
    return std::any_of(list.begin(), list.end(), [&](const String& s) { return s.find(part) != String::npos; });
}

// Waits (pumping this thread's messages) until pred holds or ms pass.
bool WaitFor(const std::function<bool()>& pred, int ms = 5000)
{
    for (int waited = 0; waited < ms; waited += 20) {
        if (pred()) return true;
        Pump(20);
    }
    return pred();
}

}  // namespace

TEST(SoakRandom, SeedNamesOneSequenceAndEventsDrawIndependently)
{
    EXPECT_EQ(Draw(SoakRng(42), 100), Draw(SoakRng(42), 100));
    EXPECT_NE(Draw(SoakRng(42), 100), Draw(SoakRng(43), 100));
    // Event n's numbers depend on (seed, n, stream) only.
    EXPECT_EQ(Draw(SoakRng::For(7, 1234), 20), Draw(SoakRng::For(7, 1234), 20));
    EXPECT_NE(Draw(SoakRng::For(7, 1234), 20), Draw(SoakRng::For(7, 1235), 20));
    EXPECT_NE(Draw(SoakRng::For(7, 1234, 0), 20), Draw(SoakRng::For(7, 1234, 1), 20));
    EXPECT_NE(Draw(SoakRng::For(7, 1234), 20), Draw(SoakRng::For(8, 1234), 20));
    // Neighbouring seeds and events must not give related first draws.
    std::set<uint64_t> firsts;
    for (uint64_t s = 0; s < 50; ++s)
        for (uint64_t e = 0; e < 50; ++e) firsts.insert(SoakRng::For(s, e).Next());
    EXPECT_EQ(firsts.size(), 2500u);
}

TEST(SoakRandom, RangesAreInclusiveEvenAndWeightsAreHonoured)
{
    SoakRng r(1);
    std::vector<int> counts(7, 0);
    for (int i = 0; i < 70000; ++i) ++counts[r.Below(7)];
    for (int c : counts) EXPECT_NEAR(c, 10000, 600);

    bool low = false, high = false;
    for (int i = 0; i < 2000; ++i) {
        int v = r.Range(-3, 3);
        ASSERT_GE(v, -3);
        ASSERT_LE(v, 3);
        low |= v == -3;
        high |= v == 3;
    }
    EXPECT_TRUE(low && high);
    EXPECT_EQ(r.Range(5, 5), 5);

    std::vector<int> picked(4, 0);
    for (int i = 0; i < 40000; ++i) ++picked[r.Weighted({1, 0, 3, 0})];
    EXPECT_EQ(picked[1], 0);
    EXPECT_EQ(picked[3], 0);
    EXPECT_NEAR(double(picked[2]) / picked[0], 3.0, 0.25);
}

TEST(SoakEvents, RingKeepsTheLastFiftyOldestFirst)
{
    EventRing ring(50);
    for (uint64_t i = 1; i <= 120; ++i) ring.Add(i, "event " + std::to_string(i));
    std::vector<std::string> lines = ring.Lines();
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines.front(), "#71 event 71");
    EXPECT_EQ(lines.back(), "#120 event 120");
    EventRing few(50);
    few.Add(1, "only");
    EXPECT_EQ(few.Lines(), std::vector<std::string>{"#1 only"});
}

TEST(SoakFiles, SnapshotSeesEveryKindOfChange)
{
    TempDir dir(L"soak");
    dir.WriteFile(L"Предмет\\Глава.html", "<p>one</p>");
    dir.WriteFile(L"keep.txt", "same");
    dir.WriteFile(L"skipped\\x.txt", "x");
    FileTree before = SnapshotTree(dir.Path(), {L"SKIPPED"});
    EXPECT_TRUE(before.count(L"Предмет"));
    EXPECT_TRUE(before.at(L"Предмет").folder);
    EXPECT_EQ(before.at(L"Предмет\\Глава.html").size, 10u);
    EXPECT_FALSE(before.count(L"skipped\\x.txt"));
    EXPECT_TRUE(CompareTrees(before, SnapshotTree(dir.Path(), {L"skipped"})).Empty());
    // Names only: sizes and times without reading the contents.
    FileTree names = SnapshotTree(dir.Path(), {}, false);
    EXPECT_EQ(names.at(L"Предмет\\Глава.html").size, 10u);
    EXPECT_EQ(names.at(L"Предмет\\Глава.html").hash, 0u);
    EXPECT_NE(before.at(L"Предмет\\Глава.html").hash, 0u);
    EXPECT_TRUE(names.count(L"skipped\\x.txt"));

    // Same size, same time stamp: only the contents differ.
    String chapter = dir.Path() + L"Предмет\\Глава.html";
    HANDLE h = CreateFileW(chapter.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written;
    GetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
    dir.WriteFile(L"Предмет\\Глава.html", "<p>two</p>");
    h = CreateFileW(chapter.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
    dir.WriteFile(L"skipped\\y.txt", "y");
    dir.WriteFile(L"new\\файл.txt", "new");
    DeleteFileW((dir.Path() + L"keep.txt").c_str());

    TreeChanges c = CompareTrees(before, SnapshotTree(dir.Path(), {L"skipped"}));
    EXPECT_EQ(c.changed, std::vector<String>{L"Предмет\\Глава.html"});
    EXPECT_EQ(c.removed, std::vector<String>{L"keep.txt"});
    EXPECT_EQ(c.added, (std::vector<String>{L"new", L"new\\файл.txt"}));
}

TEST(SoakFiles, CopyCheckAcceptsWrittenContainersOnly)
{
    TempDir dir(L"soak");
    dir.WriteFile(L"Content\\S\\Тесты\\Вариант 1.txt", PackDocument("---\r\n1)\r\n`A)\r\n---\r\n"));
    dir.WriteFile(L"Content\\S\\Глава.html", "<p>chapter</p>");
    dir.WriteFile(L"Source\\start.txt", "start");
    FileTree before = SnapshotTree(dir.Path());
    EXPECT_TRUE(CheckCopy(dir.Path(), before, before).empty());

    // What the program may do: save documents (new or over anything).
    SaveDocumentFile(dir.Path() + L"Content\\S\\Тесты\\Новый.txt", "text");
    SaveDocumentFile(dir.Path() + L"Content\\S\\Глава.html", "<p>replaced</p>");
    CreateDirectoryW((dir.Path() + L"Content\\Новый предмет").c_str(), nullptr);
    EXPECT_TRUE(CheckCopy(dir.Path(), before, SnapshotTree(dir.Path())).empty());

    // What it must not.
    dir.WriteFile(L"Content\\S\\Тесты\\Вариант 1.txt", "broken");
    dir.WriteFile(L"Content\\S\\Тесты\\~tv1A2.tmp", PackDocument("left behind"));
    dir.WriteFile(L"Content\\S\\plain.txt", "not a container");
    DeleteFileW((dir.Path() + L"Source\\start.txt").c_str());
    std::vector<String> problems = CheckCopy(dir.Path(), before, SnapshotTree(dir.Path()));
    EXPECT_EQ(problems.size(), 4u);
    EXPECT_TRUE(Has(problems, L"removed: Source\\start.txt"));
    EXPECT_TRUE(Has(problems, L"temporary file left: Content\\S\\Тесты\\~tv1A2.tmp"));
    EXPECT_TRUE(Has(problems, L"does not read: Content\\S\\Тесты\\Вариант 1.txt"));
    EXPECT_TRUE(Has(problems, L"does not read: Content\\S\\plain.txt"));
}

TEST(SoakFiles, ReportWatchCatchesAReportReplacedOrGone)
{
    TempDir dir(L"soak");
    ReportWatch watch(dir.Path());
    EXPECT_TRUE(watch.Scan().empty());
    SaveDocumentFile(dir.MakeDir(L"Content\\S\\Тесты\\Отчеты") + L"Иван(0)", "report 0");
    EXPECT_TRUE(watch.Scan().empty());
    SaveDocumentFile(dir.Path() + L"Content\\S\\Тесты\\Отчеты\\Иван(1)", "report 1");
    SaveDocumentFile(dir.MakeDir(L"Content\\T\\Тесты\\Отчеты") + L"Пётр(0)", "report");
    EXPECT_TRUE(watch.Scan().empty());
    EXPECT_EQ(watch.Known(), 3u);

    SaveDocumentFile(dir.Path() + L"Content\\S\\Тесты\\Отчеты\\Иван(0)", "another report");
    DeleteFileW((dir.Path() + L"Content\\T\\Тесты\\Отчеты\\Пётр(0)").c_str());
    std::vector<String> problems = watch.Scan();
    EXPECT_EQ(problems.size(), 2u);
    EXPECT_TRUE(Has(problems, L"report replaced: Content\\S\\Тесты\\Отчеты\\Иван(0)"));
    EXPECT_TRUE(Has(problems, L"report disappeared: Content\\T\\Тесты\\Отчеты\\Пётр(0)"));
}

TEST(SoakWatch, ExitAndOutputTellANormalEndFromACrash)
{
    EXPECT_EQ(ClassifyExit(0, ""), SessionEnd::Normal);
    EXPECT_EQ(ClassifyExit(0, "fixme:font:something\n"), SessionEnd::Normal);
    EXPECT_EQ(ClassifyExit(STILL_ACTIVE, ""), SessionEnd::Running);
    EXPECT_EQ(ClassifyExit(5, ""), SessionEnd::Crashed);
    EXPECT_EQ(ClassifyExit(0xC0000005, ""), SessionEnd::Crashed);
    EXPECT_EQ(ClassifyExit(0, "wine: Unhandled page fault on read access to 00000000\n"), SessionEnd::Crashed);
    EXPECT_EQ(ClassifyExit(0, "Backtrace:\n=>0 0x0040 in talvera\n"), SessionEnd::Crashed);
}

namespace {
constexpr UINT kBusyMessage = WM_APP + 1;
std::atomic<int> clicksSeen{0};
POINT lastDown{-1, -1};

LRESULT CALLBACK ProbeWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == kBusyMessage) {
        Sleep(UINT(wp));
        return 0;
    }
    if (m == WM_LBUTTONDOWN || m == WM_LBUTTONDBLCLK) {
        lastDown = POINT{short(LOWORD(lp)), short(HIWORD(lp))};
        clicksSeen += m == WM_LBUTTONDBLCLK ? 10 : 1;
    }
    return DefWindowProcW(w, m, wp, lp);
}

const wchar_t* ProbeClass()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ProbeWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
        wc.lpszClassName = L"SoakProbeWindow";
        RegisterClassW(&wc);
        registered = true;
    }
    return L"SoakProbeWindow";
}
}  // namespace

TEST(SoakWatch, ProbeNamesTheWindowThatDoesNotAnswer)
{
    std::atomic<HWND> wnd{nullptr};
    std::atomic<bool> stop{false};
    std::thread t([&] {
        HWND w = CreateWindowExW(0, ProbeClass(), L"busy", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        wnd = w;
        MSG msg;
        while (!stop) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(5);
        }
        DestroyWindow(w);
    });
    ASSERT_TRUE(WaitFor([&] { return wnd.load() != nullptr; }));
    EXPECT_EQ(FirstUnanswering(GetCurrentProcessId(), 300), nullptr);

    PostMessageW(wnd, kBusyMessage, 1500, 0);   // the window's thread is busy for 1.5 s
    Sleep(50);
    EXPECT_EQ(FirstUnanswering(GetCurrentProcessId(), 300), wnd.load());
    Sleep(1500);
    EXPECT_EQ(FirstUnanswering(GetCurrentProcessId(), 300), nullptr);
    stop = true;
    t.join();
}

TEST(SoakInput, ClicksAndKeysArriveAsRealInput)
{
    HWND top = CreateWindowExW(0, ProbeClass(), L"input", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 20, 150, 200, 24, top, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    HWND hidden = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER, 20, 200, 200, 24, top, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND disabled = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_DISABLED, 230, 150, 100, 24, top,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
    // Sticks out of its parent: only the visible part is a place to click.
    HWND wide = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 300, 10, 500, 20, top, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(top);
    Pump(100);

    std::vector<ChildInfo> children = VisibleChildren(top);
    std::set<HWND> found;
    for (const ChildInfo& c : children) found.insert(c.wnd);
    EXPECT_EQ(found, (std::set<HWND>{edit, wide}));
    RECT client;
    GetClientRect(top, &client);
    MapWindowPoints(top, nullptr, reinterpret_cast<POINT*>(&client), 2);
    for (const ChildInfo& c : children)
        if (c.wnd == wide) {
            EXPECT_EQ(c.rect.right, client.right);
        }

    POINT p{client.left + 50, client.top + 40};
    clicksSeen = 0;
    MouseClick(p);
    ASSERT_TRUE(WaitFor([] { return clicksSeen.load() == 1; }));
    EXPECT_EQ(lastDown.x, 50);
    EXPECT_EQ(lastDown.y, 40);
    clicksSeen = 0;
    MouseClick(POINT{client.left + 70, client.top + 60}, 0, 2);
    EXPECT_TRUE(WaitFor([] { return clicksSeen.load() == 11; }));   // a down, then a double click

    RECT er;
    GetWindowRect(edit, &er);
    MouseClick(POINT{(er.left + er.right) / 2, (er.top + er.bottom) / 2});
    ASSERT_TRUE(WaitFor([&] { return GetFocus() == edit; }));
    TypeText(L"Жq7ё");
    KeyPress(VK_BACK);
    EXPECT_TRUE(WaitFor([&] {
        wchar_t text[32] = {};
        GetWindowTextW(edit, text, 32);
        return String(text) == L"Жq7";
    }));
    DestroyWindow(top);
    (void)hidden;
    (void)disabled;
}

namespace {
// Runs a modal call on a thread of its own and keeps its result.
template <typename F>
struct Modal {
    std::atomic<bool> done{false};
    std::atomic<INT_PTR> result{0};
    std::thread thread;
    explicit Modal(F f) : thread([this, f] {
        result = f();
        done = true;
    }) {}
    ~Modal() { thread.join(); }
};

bool WaitDialog(DialogInfo& d)
{
    return WaitFor([&] { return FindDialog(GetCurrentProcessId(), d); });
}
}  // namespace

TEST(SoakDialogs, MessageBoxButtonsAreFoundAndPressed)
{
    auto box = [] { return INT_PTR(MessageBoxW(nullptr, L"Сохранить изменения?", L"Вопрос", MB_YESNOCANCEL)); };
    for (size_t index : {0u, 1u, 2u}) {
        Modal<decltype(box)> m(box);
        DialogInfo d;
        ASSERT_TRUE(WaitDialog(d));
        EXPECT_EQ(d.kind, DialogKind::MessageBox);
        EXPECT_EQ(d.title, L"Вопрос");
        EXPECT_NE(d.text.find(L"Сохранить изменения?"), String::npos);
        // Only the three buttons the box shows, not the hidden ones.
        ASSERT_EQ(d.buttons.size(), 3u);
        int id = GetDlgCtrlID(d.buttons[index]);
        PressButton(d, index, false);
        ASSERT_TRUE(WaitFor([&] { return m.done.load(); }));
        EXPECT_EQ(m.result.load(), id);
        EXPECT_TRUE(id == IDYES || id == IDNO || id == IDCANCEL);
    }
}

TEST(SoakDialogs, FileDialogsAreToldANameOrCancelled)
{
    TempDir dir(L"soak");
    String folder = dir.MakeDir(L"Тесты");
    auto run = [folder](bool save) {
        return [folder, save] {
            static wchar_t name[MAX_PATH];
            name[0] = 0;
            OPENFILENAMEW ofn{};
            ofn.lStructSize = sizeof ofn;
            ofn.lpstrFile = name;
            ofn.nMaxFile = MAX_PATH;
            ofn.lpstrInitialDir = folder.c_str();
            ofn.lpstrFilter = L"Тесты\0*.txt\0";
            ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
            BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
            return ok ? INT_PTR(1) : INT_PTR(0);
        };
    };
    {
        auto f = run(true);
        Modal<decltype(f)> m(f);
        DialogInfo d;
        ASSERT_TRUE(WaitDialog(d));
        EXPECT_EQ(d.kind, DialogKind::FileDialog);
        EXPECT_TRUE(IsSaveDialog(d));
        AnswerFileDialog(d, folder + L"Новый.txt");
        ASSERT_TRUE(WaitFor([&] { return m.done.load(); }));
        EXPECT_EQ(m.result.load(), 1);
    }
    {
        auto f = run(false);
        Modal<decltype(f)> m(f);
        DialogInfo d;
        ASSERT_TRUE(WaitDialog(d));
        EXPECT_EQ(d.kind, DialogKind::FileDialog);
        EXPECT_FALSE(IsSaveDialog(d));
        AnswerFileDialog(d, L"");
        ASSERT_TRUE(WaitFor([&] { return m.done.load(); }));
        EXPECT_EQ(m.result.load(), 0);
    }
}

namespace {
// A window whose click sets off work in three posted steps, as a form closing
// or a dialog opening does; the last step closes a second window.
constexpr UINT kStepMessage = WM_APP + 2;
HWND stepTarget = nullptr;   // the window the last step destroys
int stepPause = 0;           // ms each step takes
bool stepMoving = false;     // each step moves the window instead (never settles)

LRESULT CALLBACK StepWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_LBUTTONDOWN) PostMessageW(w, kStepMessage, 3, 0);
    if (m == kStepMessage) {
        Sleep(DWORD(stepPause));
        if (stepMoving) {
            RECT r;
            GetWindowRect(w, &r);
            SetWindowPos(w, nullptr, r.left + 1, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            PostMessageW(w, kStepMessage, wp + 1, 0);
        } else if (wp > 1) {
            PostMessageW(w, kStepMessage, wp - 1, 0);
        } else if (stepTarget) {
            DestroyWindow(stepTarget);
            stepTarget = nullptr;
        }
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

const wchar_t* StepClass()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = StepWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
        wc.lpszClassName = L"SoakStepWindow";
        RegisterClassW(&wc);
        registered = true;
    }
    return L"SoakStepWindow";
}
}  // namespace

// The runner chooses the next event from what the program shows: it must see
// the program after it has taken the input, or a replay of the seed can differ.
TEST(SoakWatch, SettlingWaitsUntilTheProgramHasTakenTheInputAndStaysStill)
{
    struct Case {
        int pause;      // ms per step
        bool moving;    // keeps changing for good
        bool settled;   // WaitSettled's answer
    } const cases[] = {{0, false, true}, {40, false, true}, {5, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pause);
        std::atomic<HWND> wnd{nullptr}, other{nullptr};
        std::atomic<bool> stop{false};
        stepPause = c.pause;
        stepMoving = c.moving;
        std::thread t([&] {
            HWND w = CreateWindowExW(0, StepClass(), L"steps", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
            HWND o = CreateWindowExW(0, StepClass(), L"closes", WS_POPUP | WS_VISIBLE, 400, 100, 100, 100, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
            stepTarget = o;
            wnd = w;
            other = o;
            MSG msg;
            while (!stop) {
                while (!stop && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            }
            DestroyWindow(w);
            if (stepTarget) DestroyWindow(stepTarget);
        });
        ASSERT_TRUE(WaitFor([&] { return wnd.load() != nullptr; }));
        SetForegroundWindow(wnd);
        ASSERT_TRUE(WaitSettled(GetCurrentProcess(), GetCurrentProcessId(), 2000));
        EXPECT_NE(ProcessShape(GetCurrentProcessId(), false).find("SoakStepWindow; SoakStepWindow;"), std::string::npos);

        MouseClick(POINT{150, 150});
        const ULONGLONG started = GetTickCount64();
        EXPECT_EQ(WaitSettled(GetCurrentProcess(), GetCurrentProcessId(), 1500), c.settled);
        if (c.settled) {
            // Gone when the wait ends, however long the steps took.
            EXPECT_FALSE(IsWindow(other.load()));
            EXPECT_EQ(ProcessShape(GetCurrentProcessId(), false), "SoakStepWindow; ");
        } else {
            EXPECT_GE(GetTickCount64() - started, 1500u);
        }
        stop = true;
        t.join();
    }
}

TEST(SoakWindows, TheShapeTellsDialogBoxesByTitleAndCountsMDIChildren)
{
    // Windows that hold different handles while shown must not share a shape.
    const HINSTANCE inst = GetModuleHandleW(nullptr);
    HWND box = CreateWindowExW(0, L"#32770", L"Open a file", WS_POPUP | WS_VISIBLE, 10, 10, 100, 80, nullptr,
                               nullptr, inst, nullptr);
    HWND frame = CreateWindowExW(0, StepClass(), L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 10, 300, 200,
                                 nullptr, nullptr, inst, nullptr);
    CLIENTCREATESTRUCT ccs{nullptr, 100};
    HWND client = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 280, 160, frame, nullptr,
                                  inst, &ccs);
    ASSERT_TRUE(box && frame && client);
    auto child = [&] {
        MDICREATESTRUCTW mcs{L"STATIC", L"child", inst, 0, 0, 100, 60, WS_VISIBLE, 0};
        return HWND(SendMessageW(client, WM_MDICREATE, 0, LPARAM(&mcs)));
    };
    auto has = [](const std::string& shape, const char* part) { return shape.find(part) != std::string::npos; };
    const DWORD pid = GetCurrentProcessId();
    std::string shape = ProcessShape(pid, false);
    EXPECT_TRUE(has(shape, "#32770 'Open a file'; ")) << shape;
    EXPECT_FALSE(has(shape, "MDI children")) << shape;
    HWND first = child(), second = child();
    ASSERT_TRUE(first && second);
    shape = ProcessShape(pid, false);
    EXPECT_TRUE(has(shape, "SoakStepWindow; MDI children 2; ")) << shape;
    SendMessageW(client, WM_MDIDESTROY, WPARAM(second), 0);
    EXPECT_TRUE(has(ProcessShape(pid, false), "SoakStepWindow; MDI children 1; "));
    DestroyWindow(frame);
    DestroyWindow(box);
}

TEST(SoakWindows, AWindowMostlyBeyondTheEdgeIsDraggedBackByItsCaption)
{
    const RECT screen{0, 0, 1024, 768};
    struct Case {
        const char* name;
        RECT window;
        bool drag;
        POINT from, to;
    } const cases[] = {
        {"on screen", {100, 100, 740, 580}, false, {}, {}},
        {"half below the bottom edge", {100, 500, 740, 980}, false, {}, {}},
        {"caption near the bottom", {394, 632, 1034, 1112}, true, {666, 642}, {656, 298}},
        {"beyond the left edge", {-600, 100, 40, 580}, true, {20, 110}, {620, 110}},
        {"caption above the screen", {100, -400, 740, 80}, false, {}, {}},
        {"larger than the screen", {0, 0, 2000, 1500}, false, {}, {}},
        {"off the screen", {1100, 100, 1300, 300}, false, {}, {}},
    };
    for (const Case& c : cases) {
        POINT from{-1, -1}, to{-1, -1};
        EXPECT_EQ(DragBackOntoScreen(c.window, screen, from, to), c.drag) << c.name;
        if (!c.drag) continue;
        EXPECT_EQ(from.x, c.from.x) << c.name;
        EXPECT_EQ(from.y, c.from.y) << c.name;
        EXPECT_EQ(to.x, c.to.x) << c.name;
        EXPECT_EQ(to.y, c.to.y) << c.name;
        // The caption's point is on screen, and the moved window is whole on it.
        EXPECT_TRUE(PtInRect(&screen, from) && PtInRect(&screen, to)) << c.name;
        RECT moved = c.window;
        OffsetRect(&moved, to.x - from.x, to.y - from.y);
        EXPECT_TRUE(moved.left >= 0 && moved.top >= 0 && moved.right <= 1024 && moved.bottom <= 768) << c.name;
    }
}

// The soak counts every GDI object of a process by type, whoever made it, and
// the windows the system knows of it.
TEST(SoakWatch, EveryGdiObjectOfTheProcessIsCountedByType)
{
    const GdiSource source = ProveGdiSource();
    ASSERT_NE(source, GdiSource::ProgramCounts) << "no system count of GDI objects is live";
    const HANDLE self = GetCurrentProcess();
    const DWORD pid = GetCurrentProcessId();
    auto counts = [&] {
        HandleCounts c;
        EXPECT_TRUE(CountGdiObjects(source, self, pid, 2000, c));
        c[hkWindows] = CountProcessWindows(pid);
        return c;
    };
    const HandleCounts before = counts();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(4, 5, 6));
    HRGN region = CreateRectRgn(0, 0, 5, 5);
    HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
    HWND popup = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, popup, nullptr, GetModuleHandleW(nullptr), nullptr);
    const HandleCounts held = counts() - before;
    if (source == GdiSource::HandleTable) {
        HandleCounts one;
        for (HandleKind k : {hkDCs, hkBitmaps, hkBrushes, hkPens, hkRegions, hkFonts}) one[k] = 1;
        one[hkWindows] = 2;
        EXPECT_EQ(Describe(held), Describe(one));
    } else {
        EXPECT_EQ(held[hkGdiObjects], 6);
    }
    DestroyWindow(popup);
    for (HGDIOBJ o : std::initializer_list<HGDIOBJ>{bitmap, brush, pen, region, font}) DeleteObject(o);
    DeleteDC(dc);
    EXPECT_EQ(Describe(counts()), Describe(before));
}

// Counts with the same windows shown (the program back at its start window,
// or at any other place) are compared over the whole session with the first
// count there: what a window shown once makes fits the bound, a steady leak
// does not, and the failure names the kind and the events in which it
// crossed the bound.
TEST(SoakWatch, HandlesThatClimbWithTheSameWindowsShownBreakTheBound)
{
    const std::string rest = "TMain; ", deep = "TMain; TOther; ", box = "#32770 'Open'; TMain; ";
    HandleCounts bound;
    struct Parse {
        const char* text;
        bool ok;
        long bitmaps, fonts, windows;
    } const parses[] = {{"32,16", true, 32, 32, 16},         {"64,-1,fonts=640", true, 64, 640, -1},
                        {"8,4,GDI objects=2,windows=9", true, 8, 8, 9}, {"32", false},
                        {"32,16,fonts", false},            {"32,16,glyphs=3", false},
                        {"32,16,fonts=3x", false},         {"32,16x", false}};
    for (const Parse& p : parses) {
        HandleCounts b;
        ASSERT_EQ(ParseBound(p.text, b), p.ok) << p.text;
        if (p.ok) {
            EXPECT_EQ((std::vector<long>{b[hkBitmaps], b[hkFonts], b[hkWindows]}),
                      (std::vector<long>{p.bitmaps, p.fonts, p.windows}))
                << p.text;
        }
    }
    ASSERT_TRUE(ParseBound("32,16", bound));
    auto counts = [](long bitmaps, long brushes, long windows) {
        HandleCounts c;
        c[hkBitmaps] = bitmaps;
        c[hkBrushes] = brushes;
        c[hkWindows] = windows;
        return c;
    };
    struct Sample {
        uint64_t session;
        long state;
        std::string shape;
        HandleCounts counts;
    };
    struct Case {
        const char* name;
        std::vector<Sample> samples;
        std::vector<std::string> failures;   // parts of each failure's text
    };
    std::vector<Sample> leak;   // 3 brushes more at every rest, windows opened in between
    for (uint64_t e = 0; e < 30; ++e)
        leak.push_back({1, 0, e % 2 ? deep : rest, counts(40, 20 + long(e / 2) * 3 + (e % 2 ? 50 : 0), 30)});
    const std::vector<Case> cases = {
        {"a window's caches made once, and far more while it shows",
         {{1, 0, rest, counts(40, 20, 30)}, {1, 0, deep, counts(90, 70, 90)}, {1, 0, rest, counts(70, 25, 45)},
          {1, 0, deep, counts(95, 75, 90)}, {1, 0, rest, counts(70, 26, 45)}, {1, 0, rest, counts(71, 25, 45)}},
         {}},
        {"a steady leak, from the first point on, across a new window",
         leak,
         {"session 1, showing TMain; brushes climbed from 20 (event 0) to 53 (event 22), beyond the bound of 32; "
          "last within it 50 (event 20): the growth is in events 21-22",
          "session 1, showing TMain; TOther; brushes climbed from 70 (event 1) to 103 (event 23)"}},
        {"each state of the program is compared with itself",
         {{1, 0, rest, counts(40, 20, 30)}, {1, 7, rest, counts(140, 60, 30)}, {1, 0, rest, counts(41, 21, 30)},
          {1, 7, rest, counts(141, 61, 30)}},
         {}},
        {"one state that holds other caches is a climb",
         {{1, 0, rest, counts(40, 20, 30)}, {1, 0, rest, counts(140, 60, 30)}},
         {"bitmaps climbed from 40 (event 0) to 140 (event 1)", "brushes climbed from 20 (event 0) to 60"}},
        {"a new session starts from its own first point",
         {{1, 0, rest, counts(40, 20, 30)}, {1, 0, rest, counts(60, 40, 40)}, {2, 0, rest, counts(40, 20, 30)},
          {2, 0, rest, counts(61, 41, 45)}, {2, 0, rest, counts(60, 40, 45)}},
         {}},
        {"windows climb too",
         {{1, 0, rest, counts(40, 20, 30)}, {1, 0, rest, counts(40, 20, 47)}},
         {"session 1, showing TMain; windows climbed from 30 (event 0) to 47 (event 1), beyond the bound of 16"}},
        {"a dialog box's objects come and go with what it shows",
         {{1, 0, box, counts(40, 20, 30)}, {1, 0, box, counts(140, 20, 90)}, {1, 0, rest, counts(40, 20, 30)}},
         {}},
    };
    for (const Case& c : cases) {
        ObjectTrack track;
        uint64_t event = 0;
        for (const Sample& s : c.samples) track.Add(event++, s.session, s.counts, s.shape, s.state);
        const std::vector<std::string> failures = track.Check(bound);
        std::string all;
        for (const std::string& f : failures) all += f + "\n";
        EXPECT_EQ(failures.size(), c.failures.size()) << c.name << ":\n" << all;
        for (const std::string& part : c.failures) EXPECT_NE(all.find(part), std::string::npos) << c.name << ":\n" << all;
    }
    // The report says how much each kind climbed at most, and the longest session.
    ObjectTrack track;
    for (uint64_t e = 0; e < leak.size(); ++e) track.Add(e, leak[e].session, leak[e].counts, leak[e].shape);
    const std::vector<std::string> report = track.Report();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_NE(report[2].find("most climbed with the same windows shown (2 places, 30 points, 1 sessions): brushes 42"),
              std::string::npos)
        << report[2];
}
