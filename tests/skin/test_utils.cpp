// General utilities on real windows: message boxes (found, read and answered),
// published properties of real controls by name, rectangles, waiting while
// messages are handled, file search, icons and system settings.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/Timer.h"
#include "classlib/TypInfo.h"
#include "skin/graphics/Utils.h"
#include "support/GuiTest.h"

// ---------------------------------------------------------------- message boxes

namespace {
struct SeenBox {
    String caption, text;
    std::vector<int> visibleButtons;
    bool hasIcon = false;
    int posX = 0, posY = 0;
    bool otherEnabled = true;
    HWND owner = nullptr;
};

HHOOK hook = nullptr;
SeenBox* seen = nullptr;
std::vector<int> answers;   // buttons pressed in order
HWND otherWindow = nullptr;

BOOL CALLBACK ReadChild(HWND wnd, LPARAM)
{
    wchar_t cls[32] = {};
    GetClassNameW(wnd, cls, 32);
    LONG style = GetWindowLongW(wnd, GWL_STYLE);
    int id = GetDlgCtrlID(wnd);
    if (lstrcmpiW(cls, L"Button") == 0 && (style & WS_VISIBLE)) seen->visibleButtons.push_back(id);
    if (lstrcmpiW(cls, L"Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) &&
            SendMessageW(wnd, STM_GETICON, 0, 0) != 0)
            seen->hasIcon = true;
        if (id == 0xFFFF) {
            wchar_t text[1024] = {};
            GetWindowTextW(wnd, text, 1024);
            seen->text = text;
        }
    }
    return TRUE;
}

LRESULT CALLBACK BoxHook(int code, WPARAM w, LPARAM l)
{
    if (code == HCBT_ACTIVATE && seen) {
        HWND box = HWND(w);
        wchar_t cls[32] = {};
        GetClassNameW(box, cls, 32);
        if (lstrcmpW(cls, L"#32770") == 0) {
            wchar_t caption[256] = {};
            GetWindowTextW(box, caption, 256);
            seen->caption = caption;
            seen->posX = MsgBoxPosX;
            seen->posY = MsgBoxPosY;
            seen->otherEnabled = otherWindow ? IsWindowEnabled(otherWindow) != FALSE : true;
            seen->owner = GetWindow(box, GW_OWNER);
            EnumChildWindows(box, ReadChild, 0);
            for (int a : answers) {
                if (a == IDHELP) {
                    // What the help button and F1 both lead to: WM_HELP to the box.
                    static HELPINFO help{sizeof(HELPINFO), HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
                    help.hItemHandle = box;
                    PostMessageW(box, WM_HELP, 0, LPARAM(&help));
                } else {
                    PostMessageW(box, WM_COMMAND, MAKEWPARAM(a, BN_CLICKED), 0);
                }
            }
            seen = nullptr;
        }
    }
    return CallNextHookEx(hook, code, w, l);
}

int ShowAndAnswer(SeenBox& box, std::vector<int> press, const std::function<int()>& show)
{
    seen = &box;
    answers = std::move(press);
    hook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
    int r = show();
    UnhookWindowsHookEx(hook);
    seen = nullptr;
    return r;
}

bool Has(const std::vector<int>& v, int id) { return std::find(v.begin(), v.end(), id) != v.end(); }
}  // namespace

TEST(MessageBoxes, StyleFromTypeAndButtons)
{
    EXPECT_EQ(MessageBoxStyle(0, mbOK), UINT(MB_ICONEXCLAMATION | MB_OK));
    EXPECT_EQ(MessageBoxStyle(1, mbOK), UINT(MB_ICONHAND | MB_OK));
    EXPECT_EQ(MessageBoxStyle(2, mbOK | mbCancel), UINT(MB_ICONASTERISK | MB_OKCANCEL));
    EXPECT_EQ(MessageBoxStyle(3, mbYes | mbNo), UINT(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(MessageBoxStyle(4, mbYes | mbNo | mbCancel), UINT(MB_YESNOCANCEL));
    EXPECT_EQ(MessageBoxStyle(4, mbNo), UINT(MB_YESNO));
    EXPECT_EQ(MessageBoxStyle(4, mbAbort), UINT(MB_ABORTRETRYIGNORE));
    EXPECT_EQ(MessageBoxStyle(4, mbIgnore | mbYes), UINT(MB_ABORTRETRYIGNORE));   // abort/ignore come first
    EXPECT_EQ(MessageBoxStyle(4, mbRetry), UINT(MB_RETRYCANCEL));
    EXPECT_EQ(MessageBoxStyle(4, mbRetry | mbCancel), UINT(MB_RETRYCANCEL));
    EXPECT_EQ(MessageBoxStyle(4, mbCancel), UINT(MB_OK));                           // the system default
    EXPECT_EQ(MessageBoxStyle(4, 0), UINT(MB_OK));
    EXPECT_EQ(MessageBoxStyle(4, mbOK | mbYes | mbNo), UINT(MB_OK));                // with OK, yes/no play no part
    EXPECT_EQ(MessageBoxStyle(4, mbOK | mbHelp), UINT(MB_OK | MB_HELP));
    EXPECT_EQ(MessageBoxStyle(3, mbYes | mbNo | mbHelp), UINT(MB_ICONQUESTION | MB_YESNO | MB_HELP));
}

TEST(MessageBoxes, ShownAtItsPositionOwnedByTheApplicationWithOthersDisabled)
{
    TForm* other = new TForm(Application);
    other->SetBounds(50, 50, 240, 160);
    other->Show();
    SetActiveWindow(other->Handle());
    otherWindow = other->Handle();
    ASSERT_TRUE(IsWindowEnabled(otherWindow));

    SeenBox box;
    int r = ShowAndAnswer(box, {IDNO}, [] {
        return ShowMessageBoxEx(L"", L"Удалить файл?", 3, mbYes | mbNo | mbCancel, 0, 120, 80);
    });
    EXPECT_EQ(r, IDNO);
    EXPECT_EQ(box.caption, L"Confirm");
    EXPECT_EQ(box.text, L"Удалить файл?");
    EXPECT_TRUE(Has(box.visibleButtons, IDYES));
    EXPECT_TRUE(Has(box.visibleButtons, IDNO));
    EXPECT_TRUE(Has(box.visibleButtons, IDCANCEL));
    EXPECT_FALSE(Has(box.visibleButtons, IDOK));
    EXPECT_TRUE(box.hasIcon);
    EXPECT_EQ(box.posX, 120);
    EXPECT_EQ(box.posY, 80);
    EXPECT_FALSE(box.otherEnabled);
    EXPECT_EQ(box.owner, Application->Handle());
    // Afterwards: positions reset, the other window enabled and active again.
    EXPECT_EQ(MsgBoxPosX, -1);
    EXPECT_EQ(MsgBoxPosY, -1);
    EXPECT_TRUE(IsWindowEnabled(otherWindow));
    EXPECT_EQ(GetActiveWindow(), otherWindow);

    otherWindow = nullptr;
    Free(other);
}

TEST(MessageBoxes, CaptionsButtonsAndResults)
{
    SeenBox box;
    EXPECT_EQ(ShowAndAnswer(box, {IDOK}, [] { return ShowErrorBox(L"Сбой"); }), IDOK);
    EXPECT_EQ(box.caption, L"Error");
    EXPECT_EQ(box.text, L"Сбой");
    EXPECT_TRUE(Has(box.visibleButtons, IDOK));
    EXPECT_FALSE(Has(box.visibleButtons, IDCANCEL));
    EXPECT_EQ(box.posX, -1);

    box = SeenBox();
    EXPECT_EQ(ShowAndAnswer(box, {IDRETRY}, [] { return ShowMessageBox(L"again", 0, mbRetry | mbCancel, 0); }),
              IDRETRY);
    EXPECT_EQ(box.caption, L"Warning");
    EXPECT_TRUE(Has(box.visibleButtons, IDRETRY));
    EXPECT_TRUE(Has(box.visibleButtons, IDCANCEL));

    box = SeenBox();
    EXPECT_EQ(ShowAndAnswer(box, {IDIGNORE}, [] { return ShowMessageBox(L"x", 2, mbAbort | mbRetry | mbIgnore, 0); }),
              IDIGNORE);
    EXPECT_EQ(box.caption, L"Information");
    EXPECT_TRUE(Has(box.visibleButtons, IDABORT));

    box = SeenBox();
    EXPECT_EQ(ShowAndAnswer(box, {IDCANCEL}, [] { return ShowMessageBoxEx(L"Свой", L"t", 4, mbOK | mbCancel, 0, -1, -1); }),
              IDCANCEL);
    EXPECT_EQ(box.caption, L"Свой");
    EXPECT_FALSE(box.hasIcon);

    box = SeenBox();
    ShowAndAnswer(box, {IDOK}, [] { return ShowMessageBoxEx(L"", L"t", 4, mbOK, 0, -1, -1); });
    EXPECT_EQ(box.caption, L"");
}

TEST(MessageBoxes, HelpButtonAndHelpCallback)
{
    // The box shows its help button and carries the callback; the system calls
    // the callback with the box's help context when help is asked for.
    SeenBox box;
    int r = ShowAndAnswer(box, {IDOK}, [] { return ShowMessageBox(L"help?", 2, mbOK | mbHelp, 4711); });
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(Has(box.visibleButtons, IDHELP));
    EXPECT_TRUE(Has(box.visibleButtons, IDOK));

    std::vector<int> contexts;
    OnMessageBoxHelp = [&](int ctx) { contexts.push_back(ctx); };
    HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, 0, nullptr, 4711, {0, 0}};
    MessageBoxHelpCallback(&info);
    info.dwContextId = 0;   // no context: the application is not asked
    MessageBoxHelpCallback(&info);
    MessageBoxHelpCallback(nullptr);
    EXPECT_EQ(contexts, std::vector<int>{4711});
    OnMessageBoxHelp = nullptr;
    info.dwContextId = 5;
    MessageBoxHelpCallback(&info);   // no handler: nothing happens
    EXPECT_EQ(contexts, std::vector<int>{4711});
}

// Presses a box's buttons from a timer while the box runs its own message
// loop: help first when asked for (WM_HELP, as the button and F1 send), then OK.
bool timerAsksHelp = false;
BOOL CALLBACK FindBox(HWND wnd, LPARAM out)
{
    wchar_t cls[32] = {};
    GetClassNameW(wnd, cls, 32);
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(wnd)) return TRUE;
    *reinterpret_cast<HWND*>(out) = wnd;
    return FALSE;
}
void CALLBACK AnswerBoxFromTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, LPARAM(&box));
    if (!box) return;
    KillTimer(nullptr, id);
    if (timerAsksHelp) {
        static HELPINFO help{sizeof(HELPINFO), HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
        help.hItemHandle = box;
        SendMessageW(box, WM_HELP, 0, LPARAM(&help));
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST(MessageBoxes, TellTheApplicationOfTheModalStateAndGiveHelpToItByDefault)
{
    std::vector<String> events;
    Application->OnModalBegin = [&](TObject*) { events.push_back(L"begin " + IntToStr(Application->ModalLevel())); };
    Application->OnModalEnd = [&](TObject*) { events.push_back(L"end " + IntToStr(Application->ModalLevel())); };
    Application->OnHelp = [&](TObject*, int context) {
        events.push_back(L"help " + IntToStr(context) + L" at " + IntToStr(Application->ModalLevel()));
    };
    struct Case {
        const char* box;
        bool help;
        std::function<void()> show;
        std::vector<String> expected;
    };
    const Case cases[] = {
        {"the library's box with help", true, [] { ShowMessageBox(L"help?", 2, mbOK | mbHelp, 4711); },
         {L"begin 1", L"help 4711 at 1", L"end 0"}},
        {"the class library's ShowMessage", false, [] { ShowMessage(L"note"); }, {L"begin 1", L"end 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        events.clear();
        timerAsksHelp = c.help;
        UINT_PTR timer = SetTimer(nullptr, 0, 30, AnswerBoxFromTimer);
        c.show();
        KillTimer(nullptr, timer);
        EXPECT_EQ(events, c.expected);
        EXPECT_EQ(Application->ModalLevel(), 0);
    }
    Application->OnModalBegin = nullptr;
    Application->OnModalEnd = nullptr;
    Application->OnHelp = nullptr;
}

// ---------------------------------------------------------------- rectangles and records

TEST(Rectangles, WidthHeightOverlap)
{
    RECT inverted{10, 10, 4, 2};
    EXPECT_EQ(RectWidth(inverted), -6);
    EXPECT_EQ(RectHeight(inverted), -8);
    EXPECT_EQ(RectWidth(inverted, true), 0);
    EXPECT_EQ(RectHeight(inverted, true), 0);
    EXPECT_EQ(RectWidth(RECT{2, 3, 12, 8}, true), 10);
    EXPECT_EQ(RectHeight(RECT{2, 3, 12, 8}), 5);

    RECT bounds{0, 0, 100, 50};
    EXPECT_TRUE(RectsOverlap(bounds, RECT{90, 40, 120, 60}));
    EXPECT_TRUE(RectsOverlap(bounds, RECT{-10, -10, 200, 200}));
    EXPECT_FALSE(RectsOverlap(bounds, RECT{100, 0, 120, 50}));   // touching the right edge
    EXPECT_FALSE(RectsOverlap(bounds, RECT{-20, 0, 0, 50}));     // touching the left edge
    EXPECT_FALSE(RectsOverlap(bounds, RECT{0, 50, 100, 70}));    // touching the bottom
    EXPECT_FALSE(RectsOverlap(bounds, RECT{0, -5, 100, 0}));     // touching the top
    EXPECT_FALSE(RectsOverlap(bounds, RECT{10, 10, 10, 20}));    // empty
    EXPECT_FALSE(RectsOverlap(bounds, RECT{30, 30, 20, 40}));    // inverted

    TMessage m = MakeMessageRecord(WM_SIZE, 3, -7, 9);
    EXPECT_EQ(m.Msg, UINT(WM_SIZE));
    EXPECT_EQ(m.WParam, WPARAM(3));
    EXPECT_EQ(m.LParam, LPARAM(-7));
    EXPECT_EQ(m.Result, LRESULT(9));

    TBitmap bmp(4, 4);
    TsBgCacheInfo info = InitBgCacheInfo(&bmp, 5, -6);
    EXPECT_EQ(info.Bmp, &bmp);
    EXPECT_EQ(info.X, 5);
    EXPECT_EQ(info.Y, -6);
    EXPECT_EQ(info.FillColor, 0xFF00FF);
    EXPECT_TRUE(info.Ready);
    for (int w : info.FrameWidths) EXPECT_EQ(w, 0);
}

// ---------------------------------------------------------------- properties by name

namespace {
// A persistent object with a set whose element names contain one another.
class TLineOptions : public TPersistent {
    DECLARE_CLASS(TLineOptions, TPersistent)
public:
    unsigned Options() const { return options_; }
    void SetOptions(unsigned o) { options_ = o; ++writes; }
    int writes = 0;

private:
    unsigned options_ = 0;
};

const std::vector<String> lineNames{L"xFixedLine", L"xLine", L"TopLeft", L"Left", L"Top"};

void RegisterLineOptions()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProperty(TLineOptions::StaticClassInfo(),
                     OrdProperty<TLineOptions, unsigned>(L"Options", &TLineOptions::Options, &TLineOptions::SetOptions,
                                                         TTypeKind::tkSet, lineNames));
}
}  // namespace

TEST(PropertiesByName, OrdinalObjectAndMissingPropertiesOfRealControls)
{
    TForm* form = new TForm(Application);
    TPanel* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(5, 6, 70, 40);
    TLabel* label = new TLabel(form);
    label->SetParent(form);

    EXPECT_TRUE(HasProperty(panel, L"BevelOuter"));
    EXPECT_TRUE(HasProperty(panel, L"Width"));      // inherited from the control class
    EXPECT_TRUE(HasProperty(panel, L"tag"));        // names match without regard to case
    EXPECT_FALSE(HasProperty(label, L"BevelOuter"));
    EXPECT_FALSE(HasProperty(nullptr, L"Width"));

    EXPECT_EQ(GetOrdPropByName(panel, L"BevelOuter"), int64_t(TBevelCut::bvRaised));
    SetOrdPropByName(panel, L"BevelOuter", int64_t(TBevelCut::bvLowered));
    EXPECT_EQ(panel->BevelOuter(), TBevelCut::bvLowered);
    EXPECT_EQ(GetOrdPropByName(panel, L"Left"), 5);
    SetOrdPropByName(panel, L"Width", 123);
    EXPECT_EQ(panel->Width(), 123);
    SetOrdPropByName(panel, L"Visible", 0);
    EXPECT_FALSE(panel->Visible());
    EXPECT_EQ(GetOrdPropByName(panel, L"Visible"), 0);

    // Missing properties, and properties of another kind, are tolerated.
    EXPECT_EQ(GetOrdPropByName(label, L"BevelOuter"), -1);
    SetOrdPropByName(label, L"BevelOuter", 1);
    EXPECT_EQ(GetOrdPropByName(panel, L"Caption"), -1);
    EXPECT_EQ(GetObjectPropByName(panel, L"Width"), nullptr);
    EXPECT_EQ(GetObjectPropByName(panel, L"NoSuch"), nullptr);

    TObject* font = GetObjectPropByName(label, L"Font");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, &label->Font());
    SetOrdPropByName(font, L"Color", clRed);
    EXPECT_EQ(label->Font().Color(), clRed);

    EXPECT_EQ(GetEnumProp(form, L"BorderStyle"), L"bsSizeable");
    SetEnumProp(panel, L"Align", L"alClient");
    EXPECT_EQ(panel->Align(), TAlign::alClient);
    EXPECT_THROW(SetEnumProp(panel, L"Align", L"alSideways"), EPropertyConvertError);
    Free(form);
}

TEST(PropertiesByName, SetElementsOfARealControl)
{
    TForm* form = new TForm(Application);
    TEdit* edit = new TEdit(form);
    edit->SetParent(form);
    EXPECT_EQ(GetSetProp(edit, L"Anchors"), L"akLeft,akTop");
    EXPECT_TRUE(SetPropContains(edit, L"Anchors", L"akTop"));
    EXPECT_FALSE(SetPropContains(edit, L"Anchors", L"akRight"));
    EXPECT_FALSE(SetPropContains(edit, L"Anchors", L"aktop"));   // element names are exact
    EXPECT_FALSE(SetPropContains(edit, L"Width", L"akTop"));     // not a set
    EXPECT_FALSE(SetPropContains(edit, L"NoSuch", L"akTop"));

    ChangeSetProp(edit, L"Anchors", L"akRight", true);
    EXPECT_EQ(edit->Anchors(), TAnchors(akLeft | akTop | akRight));
    ChangeSetProp(edit, L"Anchors", L"akLeft", false);
    EXPECT_EQ(edit->Anchors(), TAnchors(akTop | akRight));
    ChangeSetProp(edit, L"NoSuch", L"akLeft", true);   // tolerated
    ChangeSetProp(edit, L"Anchors", L"akNowhere", true);
    EXPECT_EQ(edit->Anchors(), TAnchors(akTop | akRight));
    Free(form);
}

TEST(PropertiesByName, ChangeSetPropComparesWholeElementNames)
{
    RegisterLineOptions();
    TLineOptions o;
    SetSetProp(&o, L"Options", L"xFixedLine");
    // "xLine" occurs inside "xFixedLine" but is another element.
    EXPECT_FALSE(SetPropContains(&o, L"Options", L"xLine"));
    ChangeSetProp(&o, L"Options", L"xLine", true);
    EXPECT_EQ(GetSetProp(&o, L"Options"), L"xFixedLine,xLine");

    // Adding an element that is there leaves the set as it was, unwritten.
    int writes = o.writes;
    ChangeSetProp(&o, L"Options", L"xLine", true);
    EXPECT_EQ(o.writes, writes);
    EXPECT_EQ(GetSetProp(&o, L"Options"), L"xFixedLine,xLine");

    // Removing "Left" from a set holding "TopLeft" only leaves "TopLeft" alone.
    SetSetProp(&o, L"Options", L"[TopLeft, Left]");
    ChangeSetProp(&o, L"Options", L"Left", false);
    EXPECT_EQ(GetSetProp(&o, L"Options"), L"TopLeft");
    ChangeSetProp(&o, L"Options", L"Left", false);
    EXPECT_EQ(GetSetProp(&o, L"Options"), L"TopLeft");
    ChangeSetProp(&o, L"Options", L"TopLeft", false);
    EXPECT_EQ(GetSetProp(&o, L"Options"), L"");
    EXPECT_EQ(o.Options(), 0u);
    EXPECT_THROW(SetSetProp(&o, L"Options", L"Top,Bottom"), EPropertyConvertError);
}

// ---------------------------------------------------------------- system and files

TEST(SystemQueries, TicksWaitingAndSettings)
{
    EXPECT_TRUE(TicksElapsed(100, 150, 50));
    EXPECT_FALSE(TicksElapsed(100, 149, 50));
    // Across the wrap of the 32-bit counter.
    EXPECT_TRUE(TicksElapsed(0xFFFFFFF0u, 0x10u, 32));
    EXPECT_FALSE(TicksElapsed(0xFFFFFFF0u, 0x10u, 33));

    // Messages are handled while waiting: a 10 ms timer ticks meanwhile.
    TTimer* timer = new TTimer(Application);
    int ticks = 0;
    timer->SetInterval(10);
    timer->SetOnTimer([&](TObject*) { ++ticks; });
    DWORD start = GetTickCount();
    WaitProcessingMessages(120);
    DWORD elapsed = GetTickCount() - start;
    Free(timer);
    EXPECT_GE(elapsed, 120u);
    EXPECT_GE(ticks, 3);

    EXPECT_TRUE(IsWinXPOrLater());
    BOOL wow = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow);
    EXPECT_EQ(RunningUnderWow64(), wow != FALSE);
    EXPECT_EQ(Wow64WithoutComposition, RunningUnderWow64() && !DwmCompositionEnabled());

    int h = GetCaptionFontHeight();
    EXPECT_NE(h, 0);
    HFONT f = CreateCaptionFont();
    ASSERT_NE(f, nullptr);
    LOGFONTW lf{};
    GetObjectW(f, sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, h);
    DeleteObject(f);

}

TEST(Files, AppFolderSearchAndIcons)
{
    String folder = LibAppFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(folder + ExtractFileName(exe), String(exe));

    TempDir dir(L"skinutils");
    dir.WriteFile(L"a.txt", "a");
    dir.WriteFile(L"b.txt", "bb");
    dir.WriteFile(L"c.dat", "ccc");
    dir.MakeDir(L"sub");

    std::vector<String> names;
    TSearchRec rec;
    for (int r = StartFileSearch(dir.Path() + L"*", 0, rec); r == 0; r = ContinueFileSearch(rec)) {
        names.push_back(rec.Name);
        if (rec.Name == L"b.txt") {
            EXPECT_EQ(rec.Size, 2);
        }
    }
    EndFileSearch(rec);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<String>{L"a.txt", L"b.txt", L"c.dat"}));   // no folders

    names.clear();
    for (int r = StartFileSearch(dir.Path() + L"*", FILE_ATTRIBUTE_DIRECTORY, rec); r == 0; r = ContinueFileSearch(rec))
        names.push_back(rec.Name);
    EndFileSearch(rec);
    EXPECT_TRUE(std::find(names.begin(), names.end(), L"sub") != names.end());
    EXPECT_EQ(names.size(), 4u + std::count_if(names.begin(), names.end(), [](const String& n) {
                                  return n == L"." || n == L"..";
                              }));

    EXPECT_NE(StartFileSearch(dir.Path() + L"*.none", 0, rec), 0);
    EXPECT_EQ(ContinueFileSearch(rec), ERROR_INVALID_HANDLE);

    HICON icon = GetFileIcon(exe, SHGFI_SMALLICON);
    EXPECT_NE(icon, nullptr);
    if (icon) DestroyIcon(icon);
    EXPECT_EQ(GetFileIcon(dir.Path() + L"missing.txt", SHGFI_SMALLICON), nullptr);
}

TEST(Files, SetFlagAndRecreateWnd)
{
    TForm* form = new TForm(Application);
    TEdit* edit = new TEdit(form);
    edit->SetParent(form);
    HWND before = edit->Handle();
    bool flag = false;
    SetFlagAndRecreateWnd(flag, false, edit);
    EXPECT_EQ(edit->Handle(), before);   // unchanged value: the window stays
    SetFlagAndRecreateWnd(flag, true, edit);
    EXPECT_TRUE(flag);
    EXPECT_TRUE(IsWindow(edit->Handle()));
    EXPECT_FALSE(IsWindow(before));      // recreated
    Free(form);
}
