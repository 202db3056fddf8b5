// Copies of a cached background to a device context, leaving out the child
// controls or child windows that cover it.
#include "skin/core/CommonData.h"

#include <algorithm>

#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"


void CopyCacheExceptChildren(TWinControl* control, TsCommonData* data, const RECT& srcRect, int offsetY,
                             int offsetX, bool repaint, HDC dc, const RECT& destRect)
{
    if (!control || !data || !data->CacheBitmap || data->CacheBitmap->Empty() || !dc)
        return;
    if (repaint && SkinHooks.FillTransparentCorners)
        SkinHooks.FillTransparentCorners(data, 0, 15);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, destRect.left, destRect.top, destRect.right, destRect.bottom);
    for (int i = 0; i < control->ControlCount(); ++i) {
        TControl* c = control->Controls(i);
        if (!c->Visible() || c->Width() <= 0 || c->Height() <= 0)
            continue;
        bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
        bool designing = (c->ComponentState() & csDesigning) != 0;
        if (!windowed && !designing && !(ExcludeGraphicChildren && (c->ControlStyle() & csOpaque)))
            continue;   // a transparent graphic child is painted over the cached background
        RECT r = c->BoundsRect();
        OffsetRect(&r, offsetX, offsetY);
        RECT hit;
        if (IntersectRect(&hit, &r, &destRect))
            ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    BitBlt(dc, destRect.left, destRect.top, destRect.right - destRect.left, destRect.bottom - destRect.top,
           data->CacheBitmap->Canvas().Handle(), srcRect.left, srcRect.top, SRCCOPY);
    RestoreDC(dc, saved);
}

void CopyCacheExceptChildWindows(HWND wnd, TsCommonData* data, const RECT& srcRect, int offsetY, int offsetX,
                                 bool repaint, HDC dc, const RECT& destRect)
{
    if (!wnd || !data || !data->CacheBitmap || data->CacheBitmap->Empty() || !dc)
        return;
    if (repaint && SkinHooks.FillTransparentCorners)
        SkinHooks.FillTransparentCorners(data, 0, 15);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, destRect.left, destRect.top, destRect.right, destRect.bottom);
    TsSkinManager* m = data->SkinManager();
    for (HWND c = GetWindow(wnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
        OffsetRect(&r, offsetX, offsetY);
        RECT hit;
        if (!IntersectRect(&hit, &r, &destRect))
            continue;
        wchar_t cls[16] = {};
        GetClassNameW(c, cls, 16);
        LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
        bool groupBox = _wcsicmp(cls, L"Button") == 0 && (style & 0xF) == BS_GROUPBOX &&
                        !(GetWindowLongPtrW(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        if (!groupBox) {
            ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
            continue;
        }
        // A group box paints only its caption band and frame; its inside shows the cache.
        int ml = 2, mt = 2, mr = 2, mb = 2;
        if (m) {
            int sec = m->FindSectionIndex(L"GROUPBOX");
            int mask = m->IsSectionIndexValid(sec) ? m->Tables().Sections[size_t(sec)].BorderMaskIndex : -1;
            if (m->IsMaskIndexValid(mask)) {
                const TsMaskData& k = m->Tables().Masks[size_t(mask)];
                ml = k.MarginLeft;
                mt = k.MarginTop;
                mr = k.MarginRight;
                mb = k.MarginBottom;
            }
        }
        TEXTMETRICW tm{};
        {
            WindowDC wdc(c);
            SelectScope font(wdc.get(), HGDIOBJ(SendMessageW(c, WM_GETFONT, 0, 0)));
            GetTextMetricsW(wdc.get(), &tm);
        }
        int band = std::max<int>(tm.tmHeight, mt);
        ExcludeClipRect(dc, r.left, r.top, r.right, r.top + band);
        ExcludeClipRect(dc, r.left, r.top, r.left + ml, r.bottom);
        ExcludeClipRect(dc, r.right - mr, r.top, r.right, r.bottom);
        ExcludeClipRect(dc, r.left, r.bottom - mb, r.right, r.bottom);
    }
    BitBlt(dc, destRect.left, destRect.top, destRect.right - destRect.left, destRect.bottom - destRect.top,
           data->CacheBitmap->Canvas().Handle(), srcRect.left, srcRect.top, SRCCOPY);
    RestoreDC(dc, saved);
}
