#include "skin/graphics/Utils.h"

#include <shellapi.h>

#include <vector>

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"
#include "skin/graphics/DwmApi.h"

int MsgBoxPosX = -1, MsgBoxPosY = -1;
bool Wow64WithoutComposition = false;
Delegate<void(int)> OnMessageBoxHelp;

const wchar_t* const MessageBoxCaptions[5] = {L"Warning", L"Error", L"Information", L"Confirm", L""};

namespace {
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
HMODULE kernelModule = nullptr;
IsWow64ProcessFn isWow64Process = nullptr;

struct TaskWindows {
    HWND except;
    std::vector<HWND> disabled;
};

BOOL CALLBACK DisableTaskWindow(HWND wnd, LPARAM param)
{
    auto* t = reinterpret_cast<TaskWindows*>(param);
    if (wnd != t->except && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        t->disabled.push_back(wnd);
        EnableWindow(wnd, FALSE);
    }
    return TRUE;
}

// Puts everything back however the box ended.
struct MessageBoxState {
    TaskWindows windows;
    HWND active;
    bool modal;   // the application was told a modal state starts
    ~MessageBoxState()
    {
        for (auto it = windows.disabled.rbegin(); it != windows.disabled.rend(); ++it)
            if (IsWindow(*it)) EnableWindow(*it, TRUE);
        if (active && IsWindow(active)) {
            SetFocus(nullptr);
            SetActiveWindow(active);
        }
        if (modal && Application) Application->ModalFinished();
        MsgBoxPosX = -1;
        MsgBoxPosY = -1;
    }
};

std::vector<String> SetElements(const String& text)
{
    std::vector<String> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(L',', start);
        if (comma == String::npos) comma = text.size();
        String e = text.substr(start, comma - start);
        size_t b = e.find_first_not_of(L" []"), end = e.find_last_not_of(L" []");
        if (b != String::npos) out.push_back(e.substr(b, end - b + 1));
        start = comma + 1;
    }
    return out;
}

const TPropInfo* SetPropInfo(TObject* object, const String& name)
{
    const TPropInfo* p = GetPropInfo(object, name);
    return p && p->Kind == TTypeKind::tkSet ? p : nullptr;
}

bool NonClientMetrics(NONCLIENTMETRICSW& m)
{
    // The size without iPaddedBorderWidth is accepted by every system version.
    m = NONCLIENTMETRICSW{};
    m.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    return SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0) != FALSE;
}
}  // namespace

UINT MessageBoxStyle(int dlgType, TMsgDlgButtons b)
{
    UINT style = 0;
    switch (dlgType) {
    case 0: style = MB_ICONEXCLAMATION; break;
    case 1: style = MB_ICONHAND; break;
    case 2: style = MB_ICONASTERISK; break;
    case 3: style = MB_ICONQUESTION; break;
    default: break;
    }
    if (!(b & mbOK)) {
        if (b & (mbAbort | mbIgnore))
            style |= MB_ABORTRETRYIGNORE;
        else if (b & (mbYes | mbNo))
            style |= (b & mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
        else if (b & mbRetry)
            style |= MB_RETRYCANCEL;
        else
            style |= MB_OK;
    } else {
        style |= (b & mbCancel) ? MB_OKCANCEL : MB_OK;
    }
    if (b & mbHelp) style |= MB_HELP;
    return style;
}

void CALLBACK MessageBoxHelpCallback(LPHELPINFO info)
{
    if (!info || info->dwContextId == 0) return;
    int context = int(info->dwContextId);
    if (OnMessageBoxHelp)
        OnMessageBoxHelp(context);
    else if (Application)
        Application->HelpContext(context);
}

int ShowMessageBoxEx(const String& caption, const String& text, int dlgType, TMsgDlgButtons buttons, int helpContext,
                     int x, int y)
{
    String title = caption;
    if (title.empty() && dlgType >= 0 && dlgType <= 4) title = MessageBoxCaptions[dlgType];
    MSGBOXPARAMSW p{};
    p.cbSize = sizeof p;
    p.hwndOwner = Application ? Application->Handle() : nullptr;
    p.hInstance = GetModuleHandleW(nullptr);
    p.lpszText = text.c_str();
    p.lpszCaption = title.c_str();
    p.dwStyle = MessageBoxStyle(dlgType, buttons);
    p.dwContextHelpId = DWORD_PTR(helpContext);
    p.lpfnMsgBoxCallback = MessageBoxHelpCallback;
    p.dwLanguageId = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

    MsgBoxPosX = x;
    MsgBoxPosY = y;
    if (Application) Application->ModalStarted();
    MessageBoxState state{{p.hwndOwner, {}}, GetActiveWindow(), Application != nullptr};
    EnumThreadWindows(GetCurrentThreadId(), DisableTaskWindow, LPARAM(&state.windows));
    return MessageBoxIndirectW(&p);
}

int ShowMessageBox(const String& text, int dlgType, TMsgDlgButtons buttons, int helpContext)
{
    return ShowMessageBoxEx(String(), text, dlgType, buttons, helpContext, -1, -1);
}

int ShowErrorBox(const String& text) { return ShowMessageBox(text, 1, mbOK, 0); }

bool RectsOverlap(const RECT& bounds, const RECT& rect)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top) return false;
    if (rect.right <= bounds.left || rect.left >= bounds.right) return false;
    if (rect.bottom <= bounds.top || rect.top >= bounds.bottom) return false;
    return true;
}

TMessage MakeMessageRecord(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT result)
{
    TMessage m;
    m.Msg = msg;
    m.WParam = wParam;
    m.LParam = lParam;
    m.Result = result;
    return m;
}

TsBgCacheInfo InitBgCacheInfo(TBitmap* bmp, int x, int y)
{
    TsBgCacheInfo info;
    info.Bmp = bmp;
    info.X = x;
    info.Y = y;
    info.FillColor = SkinKeyColor;
    info.Ready = true;
    return info;
}

bool HasProperty(const TObject* object, const String& name) { return GetPropInfo(object, name) != nullptr; }

TObject* GetObjectPropByName(TObject* object, const String& name)
{
    const TPropInfo* p = GetPropInfo(object, name);
    return p && p->Kind == TTypeKind::tkClass && p->GetObj ? p->GetObj(object) : nullptr;
}

int64_t GetOrdPropByName(TObject* object, const String& name)
{
    const TPropInfo* p = GetPropInfo(object, name);
    return p && p->IsOrdinal() && p->GetOrd ? p->GetOrd(object) : -1;
}

void SetOrdPropByName(TObject* object, const String& name, int64_t value)
{
    const TPropInfo* p = GetPropInfo(object, name);
    if (p && p->IsOrdinal() && p->SetOrd) p->SetOrd(object, value);
}

bool SetPropContains(TObject* object, const String& property, const String& element)
{
    const TPropInfo* p = SetPropInfo(object, property);
    if (!p) return false;
    for (const String& e : SetElements(SetToString(*p, p->GetOrd(object))))
        if (e == element) return true;
    return false;
}

void ChangeSetProp(TObject* object, const String& property, const String& element, bool add)
{
    const TPropInfo* p = SetPropInfo(object, property);
    if (!p || !p->SetOrd) return;
    std::vector<String> elements = SetElements(SetToString(*p, p->GetOrd(object)));
    bool present = false;
    for (const String& e : elements) present = present || e == element;
    String text;
    if (add) {
        if (present) return;
        text = element;
        for (const String& e : elements) text += L"," + e;
    } else {
        if (!present) return;
        for (const String& e : elements) {
            if (e == element) continue;
            if (!text.empty()) text += L",";
            text += e;
        }
    }
    try {
        p->SetOrd(object, StringToSet(*p, text));
    } catch (const EPropertyConvertError&) {
        // The name is no element of this set: nothing changes.
    }
}

int GetCaptionFontHeight()
{
    NONCLIENTMETRICSW m;
    return NonClientMetrics(m) ? m.lfCaptionFont.lfHeight : 0;
}

HFONT CreateCaptionFont()
{
    NONCLIENTMETRICSW m;
    return NonClientMetrics(m) ? CreateFontIndirectW(&m.lfCaptionFont) : nullptr;
}

bool SystemAnimationEnabled()
{
    ANIMATIONINFO info{sizeof info, 0};
    if (!SystemParametersInfoW(SPI_GETANIMATION, sizeof info, &info, 0)) return false;
    return info.iMinAnimate != 0;
}

void SetSystemAnimation(bool on)
{
    ANIMATIONINFO info{sizeof info, on ? 1 : 0};
    SystemParametersInfoW(SPI_SETANIMATION, sizeof info, &info, 0);
}

bool IsWinXPOrLater()
{
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&v)) return false;
#pragma GCC diagnostic pop
    return v.dwMajorVersion > 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion > 0);
}

bool RunningUnderWow64()
{
    if (!isWow64Process) return false;
    BOOL wow = FALSE;
    return isWow64Process(GetCurrentProcess(), &wow) && wow;
}

bool DwmCompositionEnabled() { return DwmCompositionOn(); }

void WaitProcessingMessages(uint32_t ms)
{
    const uint32_t start = GetTickCount();
    for (;;) {
        if (Application)
            Application->ProcessMessages();
        else {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        const uint32_t now = GetTickCount();
        if (TicksElapsed(start, now, ms)) return;
        // Sleep until a message arrives or the time is up, instead of spinning.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - uint32_t(now - start), QS_ALLINPUT);
    }
}

String LibAppFolder()
{
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
        if (n == 0) return String();
        if (n < buf.size()) {
            String path(buf.data(), n);
            size_t slash = path.find_last_of(L"\\/");
            return slash == String::npos ? String() : path.substr(0, slash + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

namespace {
void FillSearchRec(TSearchRec& rec, const WIN32_FIND_DATAW& d)
{
    rec.Name = d.cFileName;
    rec.Size = (int64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    rec.Attr = d.dwFileAttributes;
    rec.Time = d.ftLastWriteTime;
}

int FindMatching(TSearchRec& rec, WIN32_FIND_DATAW& d)
{
    while (d.dwFileAttributes & rec.ExcludeAttr) {
        if (!FindNextFileW(rec.FindHandle, &d)) return int(GetLastError());
    }
    FillSearchRec(rec, d);
    return 0;
}
}  // namespace

int StartFileSearch(const String& pattern, DWORD attributes, TSearchRec& rec)
{
    rec.ExcludeAttr = ~attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
    WIN32_FIND_DATAW d;
    rec.FindHandle = FindFirstFileW(pattern.c_str(), &d);
    if (rec.FindHandle == INVALID_HANDLE_VALUE) return int(GetLastError());
    int r = FindMatching(rec, d);
    if (r != 0) EndFileSearch(rec);
    return r;
}

int ContinueFileSearch(TSearchRec& rec)
{
    if (rec.FindHandle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    WIN32_FIND_DATAW d;
    if (!FindNextFileW(rec.FindHandle, &d)) return int(GetLastError());
    return FindMatching(rec, d);
}

void EndFileSearch(TSearchRec& rec)
{
    if (rec.FindHandle != INVALID_HANDLE_VALUE) FindClose(rec.FindHandle);
    rec.FindHandle = INVALID_HANDLE_VALUE;
}

HICON GetFileIcon(const String& fileName, UINT shellFlags)
{
    if (GetFileAttributesW(fileName.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(fileName.c_str(), 0, &info, sizeof info, shellFlags | SHGFI_ICON)) return nullptr;
    if (!info.hIcon) return nullptr;
    if (!IconBitmaps(info.hIcon)) {   // an icon without bits is no icon
        DestroyIcon(info.hIcon);
        return nullptr;
    }
    return info.hIcon;
}

void SetFlagAndRecreateWnd(bool& flag, bool value, TWinControl* control)
{
    if (flag == value) return;
    flag = value;
    if (control && control->HandleAllocated()) control->RecreateWnd();
}

void InitSkinUtils()
{
    if (!kernelModule) kernelModule = LoadLibraryW(L"kernel32.dll");
    if (kernelModule)
        isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(kernelModule, "IsWow64Process")));
    Wow64WithoutComposition = RunningUnderWow64() && !DwmCompositionEnabled();
}

void DoneSkinUtils()
{
    isWow64Process = nullptr;
    if (kernelModule) FreeLibrary(kernelModule);
    kernelModule = nullptr;
}
