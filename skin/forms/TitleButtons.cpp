#include "skin/forms/TitleButtons.h"

#include <windows.h>

#include <algorithm>

#include "classlib/Forms.h"
#include "skin/forms/SkinProvider.h"

// ---------------------------------------------------------------- title icon, added title

void TsTitleIcon::SetVisible(bool on)
{
    if (on == visible_)
        return;
    visible_ = on;
    if (OnChange)
        OnChange();
}

TkvAddedTitle::TkvAddedTitle()
{
    font_.SetColor(clNone);   // the skin's title colour
    font_.OnChange = [this](TObject*) { Changed(); };
}

void TkvAddedTitle::Changed()
{
    if (OnChange)
        OnChange();
}

void TkvAddedTitle::SetText(const String& text)
{
    if (text == text_)
        return;
    text_ = text;
    Changed();
}

void TkvAddedTitle::SetShowMainCaption(bool on)
{
    if (on == showMainCaption_)
        return;
    showMainCaption_ = on;
    Changed();
}

// ---------------------------------------------------------------- the hint of a title button

namespace {

const wchar_t kHintClass[] = L"TkvTitleHint";

LRESULT CALLBACK TitleHintProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT r;
        GetClientRect(wnd, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
        FrameRect(dc, &r, GetSysColorBrush(COLOR_INFOTEXT));
        wchar_t text[1024];
        const int n = GetWindowTextW(wnd, text, 1024);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        InflateRect(&r, -3, -2);
        DrawTextW(dc, text, n, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
        SelectObject(dc, old);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcW(wnd, msg, w, l);
    }
}

void RegisterHintClass()
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSW wc{};
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = TitleHintProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kHintClass;
    done = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool SystemFlag(UINT action)
{
    BOOL on = FALSE;
    return SystemParametersInfoW(action, 0, &on, 0) && on;
}

}  // namespace

void TsTitleButton::ShowHintWindow()
{
    if (Hint.empty() || hintWnd_)
        return;
    RegisterHintClass();
    // The text measured with a maximum width of 800, 4 px taller than measured.
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    RECT r{0, 0, 800, 0};
    DrawTextW(screen, Hint.c_str(), int(Hint.size()), &r, DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    const int w = r.right - r.left + 6, h = r.bottom - r.top + 4 + 4;
    POINT pt{};
    GetCursorPos(&pt);
    int x = pt.x + 8, y = pt.y + 16;
    MONITORINFO mi{sizeof mi};
    if (GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi)) {
        x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
        y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - h));
    }
    HWND owner = Application ? Application->Handle() : nullptr;
    hintWnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kHintClass, Hint.c_str(), WS_POPUP,
                               x, y, w, h, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hintWnd_)
        return;
    SetWindowPos(hintWnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Short hints fade in when the system fades its tool tips.
    if (Hint.size() < 100 && SystemFlag(SPI_GETTOOLTIPANIMATION) && SystemFlag(SPI_GETTOOLTIPFADE))
        AnimateWindow(hintWnd_, 200, AW_BLEND);
    ShowWindow(hintWnd_, SW_SHOWNOACTIVATE);
}

void TsTitleButton::HideHintWindow()
{
    if (HWND w = std::exchange(hintWnd_, nullptr); w && IsWindow(w))
        DestroyWindow(w);
}
