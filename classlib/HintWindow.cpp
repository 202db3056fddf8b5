#include "classlib/HintWindow.h"

#include <algorithm>

#include "classlib/Forms.h"

namespace {

const wchar_t kHintWindowClass[] = L"THintWindow";
constexpr int kMarginX = 3, kMarginY = 2;

bool RegisterHintWindowClass(WNDPROC proc)
{
    static bool done = false;
    if (done)
        return true;
    WNDCLASSW wc{};
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kHintWindowClass;
    done = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return done;
}

constexpr UINT kTextFlags = DT_LEFT | DT_NOPREFIX | DT_WORDBREAK;
constexpr int kHintMaxWidth = 800;
constexpr int kHintExtraHeight = 4;
constexpr size_t kHintFadeMaxLength = 100;   // longer hints show at once

bool SystemFlag(UINT action)
{
    BOOL on = FALSE;
    return SystemParametersInfoW(action, 0, &on, 0) && on;
}

}  // namespace

RECT PlaceHintAtCursor(POINT cursor, int w, int h, const RECT& work)
{
    const int x = std::max<int>(work.left, std::min<int>(cursor.x + 8, work.right - w));
    const int y = std::max<int>(work.top, std::min<int>(cursor.y + 16, work.bottom - h));
    return RECT{x, y, x + w, y + h};
}

THintWindow::THintWindow()
{
    ParentWindow = Application ? Application->Handle() : nullptr;
}

THintWindow::~THintWindow() { ReleaseHandle(); }

RECT THintWindow::CalcHintRect(int maxWidth, const String& text) const
{
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    RECT r{0, 0, maxWidth, 0};
    DrawTextW(screen, text.c_str(), int(text.size()), &r, DT_CALCRECT | kTextFlags);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    r.right += 2 * kMarginX;
    r.bottom += 2 * kMarginY;
    return r;
}

LRESULT CALLBACK THintWindow::HintWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case WM_PAINT: {
        auto* self = reinterpret_cast<THintWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT r;
        GetClientRect(wnd, &r);
        HBRUSH back = CreateSolidBrush(ColorToRGB(self ? self->Color : clInfoBk));
        FillRect(dc, &r, back);
        DeleteObject(back);
        FrameRect(dc, &r, GetSysColorBrush(COLOR_INFOTEXT));
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        InflateRect(&r, -kMarginX, -kMarginY);
        if (self)
            DrawTextW(dc, self->text_.c_str(), int(self->text_.size()), &r, kTextFlags);
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

void THintWindow::ActivateHint(const RECT& rect, const String& text, bool fade)
{
    ReleaseHandle();
    if (!RegisterHintWindowClass(HintWndProc))
        return;
    text_ = text;
    wnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kHintWindowClass, text.c_str(),
                           WS_POPUP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                           ParentWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!wnd_)
        return;
    SetWindowLongPtrW(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowPos(wnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (fade)
        AnimateWindow(wnd_, 200, AW_BLEND);
    ShowWindow(wnd_, SW_SHOWNOACTIVATE);
}

void THintWindow::ShowAtCursor(const String& text, HWND monitorWindow)
{
    if (text.empty())
        return;
    const RECT need = CalcHintRect(kHintMaxWidth, text);
    POINT pt{};
    GetCursorPos(&pt);
    HMONITOR mon = monitorWindow ? MonitorFromWindow(monitorWindow, MONITOR_DEFAULTTONEAREST)
                                 : MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{sizeof mi};
    if (!GetMonitorInfoW(mon, &mi))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &mi.rcWork, 0);
    const RECT at = PlaceHintAtCursor(pt, need.right - need.left, need.bottom - need.top + kHintExtraHeight, mi.rcWork);
    const bool fade = text.size() < kHintFadeMaxLength && SystemFlag(SPI_GETTOOLTIPANIMATION) &&
                      SystemFlag(SPI_GETTOOLTIPFADE);
    ActivateHint(at, text, fade);
}

void THintWindow::ReleaseHandle()
{
    if (HWND w = std::exchange(wnd_, nullptr); w && IsWindow(w)) {
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        DestroyWindow(w);
    }
}
