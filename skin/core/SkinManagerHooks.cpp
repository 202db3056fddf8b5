// The skin manager: the application window hook, the dialog hook and the skin editor hand-over.
#include "skin/core/SkinManager.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "skin/graphics/SkinCommands.h"
#include "skin/core/ProviderSeam.h"
#include "skin/core/SkinHooks.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/core/SkinManagerDetail.h"
#include "skin/model/SkinTransfer.h"

// ---------------------------------------------------------------- the application window hook

namespace {

std::unique_ptr<std::vector<TsSkinnedDialog*>> dialogList;
HHOOK dialogHook = nullptr;
TsSkinManager* dialogHookOwner = nullptr;

LRESULT CALLBACK DialogHookTrampoline(int code, WPARAM w, LPARAM l)
{
    if (SkinHooks.DialogHookProc)
        return SkinHooks.DialogHookProc(code, w, l);
    return CallNextHookEx(dialogHook, code, w, l);
}

constexpr UINT kDwmSendIconicThumbnail = 0x0323;
constexpr UINT kDwmSendIconicLivePreview = 0x0326;

bool DwmFunctionsPresent()
{
    static const bool present = [] {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");   // kept loaded for the process
        return dwm && GetProcAddress(dwm, "DwmSetIconicThumbnail");
    }();
    return present;
}

bool IsMenuWindow(HWND w)
{
    wchar_t cls[16] = {};
    return w && GetClassNameW(w, cls, 16) && wcscmp(cls, L"#32768") == 0;
}

}  // namespace

bool TsSkinManager::AppWindowHook(TMessage& m)
{
    TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
    switch (m.Msg) {
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if (!pos || !(pos->flags & SWP_HIDEWINDOW))
            return false;
        if (!LayeredWindowsAvailable() || !AnimEffects.FormHide.Active ||
            !AnimEffects.FormHide.Time || skinmanager_detail::ApplicationMinimized() || !mainForm ||
            !mainForm->Visible())
            return false;
        TsProviderSeam& provider = ProviderOf(mainForm);
        if (!provider.PrepareHideAnimation())
            return false;
        {
            AnimationRunningScope running;   // cleared on every way out
            provider.PlayHideAnimation();
            // Bounded: the animation clears the flag when it ends; messages go on meanwhile.
            WaitWhileAnimationRunning(AnimEffects.FormHide.Time + 500u);
        }
        return false;
    }
    case WM_SYSCOMMAND: {
        if (!SkinData().Active)
            return false;
        unsigned cmd = unsigned(m.WParam & 0xFFF0);
        if (cmd == SC_MINIMIZE) {
            sysCommandState_ = 2;
            if (!mainForm)
                return false;
            if (!AnimEffects.Minimizing.Active) {
                ProviderOf(mainForm).ReleaseBorderWindow();
                return false;
            }
            TsProviderSeam& provider = ProviderOf(mainForm);
            if (provider.PaintsNonClient() && provider.MinimizeAnimated()) {
                m.Result = 0;
                return true;
            }
            return false;
        }
        if (cmd == SC_RESTORE) {
            sysCommandState_ = 1;
            if (ProviderOf(mainForm).RestoreAnimated()) {
                m.Result = 0;
                return true;
            }
            return false;
        }
        sysCommandState_ = 0;
        return false;
    }
    case WM_THEMECHANGED:
        m.Result = 0;
        return true;
    case kDwmSendIconicThumbnail:
        if (HIWORD(m.LParam) && LOWORD(m.LParam) && DwmFunctionsPresent() &&
            ProviderOf(mainForm).SendIconicThumbnail(HIWORD(m.LParam), LOWORD(m.LParam))) {
            m.Result = 0;
            return true;
        }
        return false;
    case kDwmSendIconicLivePreview:
        if (DwmFunctionsPresent() && ProviderOf(mainForm).SendIconicLivePreview()) {
            m.Result = 0;
            return true;
        }
        return false;
    default:
        break;
    }
    if (m.Msg == CtlNotifyAppActivate) {
        if (Application)
            for (TCustomForm* f : std::vector<TCustomForm*>(Application->Forms()))
                if (f->HandleAllocated())
                    SendSkinCommand(f->Handle(), SkinCmdForceRepaint, 0);
        return false;
    }
    if (m.Msg == MenuItemDrawnMessage && skinnedPopups_) {
        // LParam: the popup menu whose first item was drawn.
        RECT r{};
        if (GetMenuItemRect(nullptr, HMENU(m.LParam), 0, &r)) {
            POINT c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            HWND w = WindowFromPoint(c);
            if (IsMenuWindow(w) && SkinHooks.ApplyMenuWindowBorder)
                SkinHooks.ApplyMenuWindowBorder(w);
        }
        m.Result = 0;
        return true;
    }
    if (m.Msg == MenuWindowBorderMessage && skinnedPopups_) {
        HWND w = HWND(m.LParam);
        if (IsMenuWindow(w) && SkinHooks.ApplyMenuWindowBorder)
            SkinHooks.ApplyMenuWindowBorder(w);
        m.Result = 0;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the dialog hook

std::vector<TsSkinnedDialog*>* SkinnedDialogs() { return dialogList.get(); }

HHOOK DialogHookHandle() { return dialogHook; }


void TsSkinManager::InstallDialogHook()
{
    if (dialogHook || (ComponentState() & csDesigning) || !IsDefault())
        return;
    dialogList = std::make_unique<std::vector<TsSkinnedDialog*>>();
    dialogHook = SetWindowsHookExW(WH_CBT, DialogHookTrampoline, nullptr, GetCurrentThreadId());
    if (!dialogHook) {
        dialogList.reset();
        return;
    }
    dialogHookOwner = this;
    dialogHookInstalled_ = true;
}

void TsSkinManager::RemoveDialogHook()
{
    // The hook belongs to the manager that installed it.
    if (dialogHookOwner != this)
        return;
    if (dialogHook)
        UnhookWindowsHookEx(dialogHook);
    dialogHook = nullptr;
    dialogHookOwner = nullptr;
    dialogHookInstalled_ = false;
    // The dialog skinning frees the entries; the list goes after them.
    if (dialogList && SkinHooks.ClearDialogList)
        SkinHooks.ClearDialogList();
    dialogList.reset();
}

// ---------------------------------------------------------------- the skin editor hand-over

bool HandleSkinEditorData(TMessage& m, TsSkinManager* manager)
{
    if (m.Msg != WM_COPYDATA || m.WParam != SkinTransferWParam || !manager)
        return false;
    // Any process can send this message: only a complete record is read.
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(m.LParam);
    SkinTransferData rec;
    if (!cds || !ReadSkinTransferRecord(cds->lpData, cds->cbData, rec))
        return false;
    SkinEditorLinked = true;
    manager->BeginUpdate();
    SkinEditorOptions = std::make_unique<std::string>(std::move(rec.Options));
    struct Done {
        TsSkinManager* m;
        bool ended = false;
        ~Done()
        {
            SkinEditorOptions.reset();
            if (!ended)
                m->EndUpdate(false, false);   // never left in the update state
        }
    } done{manager};
    manager->SetSkinDirectory(AnsiToString(rec.Directory));
    manager->SetSkinName(AnsiToString(rec.Name));
    done.ended = true;
    manager->EndUpdate(true, false);
    m.Result = 1;
    return true;
}
