#include "skin/forms/ClientPaint.h"

#include <algorithm>
#include <iterator>

#include "skin/core/Animations.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/FramePaint.h"
#include "skin/graphics/SkinCommands.h"

namespace {

bool IsMDIMainForm(const TsSkinProvider& p)
{
    return p.form_ && p.form_->FormStyle() == TFormStyle::fsMDIForm && p.form_->ClientHandle();
}

void FillSolid(HDC dc, const RECT& r, TColor color)
{
    HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// An MDI child that a maximised sibling hides: nothing of it shows.
bool HiddenBehindMaximisedSibling(const TsSkinProvider& p)
{
    if (!p.form_ || p.form_->FormStyle() != TFormStyle::fsMDIChild)
        return false;
    HWND client = GetParent(p.wnd_);
    if (!client)
        return false;
    BOOL maximized = FALSE;
    HWND active = HWND(SendMessageW(client, WM_MDIGETACTIVE, 0, LPARAM(&maximized)));
    return maximized && active && active != p.wnd_;
}

}  // namespace

// ---------------------------------------------------------------- the client area

bool FormParentBackground(TsSkinProvider& p, TsBgCacheInfo& info)
{
    info = EmptyBgCacheInfo;
    // Only a form placed inside a control; a top-level form's window parent is
    // its owner, and an MDI child lives in the main form's client window.
    if (!p.form_ || !p.form_->Parent())
        return true;
    TsBgRequest answer;
    info = ParentBackgroundOf(p.form_, answer);
    if (answer.Kind == bgNotReady) {
        p.skinData_->Updating = true;
        return false;
    }
    return true;
}

POINT ClientOriginInFrame(TsSkinProvider& p)
{
    // The picture's own geometry: with a border window the form lies inside
    // the shadow and the wider border, not just the shadow.
    POINT origin{0, 0};
    ClientToScreen(p.wnd_, &origin);
    const POINT picture = FramePainterOf(p).PictureScreenOrigin();
    return POINT{origin.x - picture.x, origin.y - picture.y};
}

// ---------------------------------------------------------------- the form's own drawing

namespace {
// Forms whose OnPaint runs into their picture now.
int drawingNow = 0;
}  // namespace

bool FormDrawsItself(const TsSkinProvider& p) { return p.form_ && bool(p.form_->OnPaint); }

void PaintFormDrawing(TsSkinProvider& p, TBitmap& picture)
{
    if (!FormDrawsItself(p) || !p.FormAlive() || picture.Empty())
        return;
    RECT client{};
    GetClientRect(p.wnd_, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    HDC dc = picture.Canvas().Handle();
    const POINT at = ClientOriginInFrame(p);
    GdiFlush();
    ++drawingNow;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, at.x, at.y, at.x + client.right, at.y + client.bottom);
    OffsetViewportOrgEx(dc, at.x, at.y, nullptr);
    struct Restore {
        HDC dc;
        int saved;
        ~Restore()
        {
            GdiFlush();
            RestoreDC(dc, saved);
            --drawingNow;
        }
    } restore{dc, saved};
    p.form_->PaintOnCanvas(dc);
}

bool AnswerBackgroundWithDrawing(TsSkinProvider& p, TsBgRequest& r)
{
    if (!FormDrawsItself(p) || !p.FormAlive() || !p.skinData_)
        return false;
    TsFramePainter& painter = FramePainterOf(p);
    // Not while a form's drawing runs (its handler may make a child ask).
    if ((!painter.Cache() || p.skinData_->BackgroundChanged) && !p.skinData_->Updating && !drawingNow)
        painter.PaintFrameToCache();
    TBitmap* picture = painter.Cache();
    if (!picture)
        return false;
    const POINT at = ClientOriginInFrame(p);
    r.Kind = bgBitmap;
    r.Bmp = picture;
    std::fill(std::begin(r.FrameWidths), std::end(r.FrameWidths), 0);
    if (r.PaintIt && r.DC) {
        const RECT& pr = r.PaintRect;
        BitBlt(r.DC, pr.left, pr.top, pr.right - pr.left, pr.bottom - pr.top, picture->Canvas().Handle(),
               pr.left + r.OffsetX + at.x, pr.top + r.OffsetY + at.y, SRCCOPY);
    } else {
        r.OffsetX = at.x;
        r.OffsetY = at.y;
    }
    return true;
}

bool PrintClientArea(TsSkinProvider& p, HDC dc)
{
    if (!dc || !p.DrawClientArea || IsMDIMainForm(p) || !p.FormAlive() || !p.skinData_)
        return false;
    RECT wr{}, client{};
    GetWindowRect(p.wnd_, &wr);
    GetClientRect(p.wnd_, &client);
    POINT origin{0, 0};
    ClientToScreen(p.wnd_, &origin);
    // The form draws itself into the picture: the picture is made anew so the print shows its drawing of now.
    if (FormDrawsItself(p) && !p.skinData_->UrgentPaint)
        p.skinData_->BackgroundChanged = true;
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, origin.x - wr.left, origin.y - wr.top, nullptr);
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    p.PaintClientBackground(dc, false);
    RestoreDC(dc, saved);
    return true;
}

namespace {

int GripMask(TsSkinProvider& p)
{
    TsSkinManager* m = p.Manager();
    if (!m)
        return -1;
    const int grip = m->CommonIndexes().Global("GRIPIMAGE");
    return m->IsMaskIndexValid(grip) ? grip : -1;
}

}  // namespace

RECT SizeGripClientRect(TsSkinProvider& p)
{
    if (p.GripMode != TsGripMode::gmRightBottom || !p.FormAlive() || IsZoomed(p.wnd_) ||
        !(GetWindowLongW(p.wnd_, GWL_STYLE) & WS_THICKFRAME))
        return RECT{};
    int w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
    if (const int mask = GripMask(p); mask >= 0) {
        const TsMaskData& md = p.Manager()->ma()[size_t(mask)];
        w = MaskFrameWidth(md);
        h = MaskStateHeight(md);
    }
    RECT client{};
    GetClientRect(p.wnd_, &client);
    const int left = std::max(0, int(client.right) - w - 1), top = std::max(0, int(client.bottom) - h - 1);
    return RECT{left, top, std::min(int(client.right), left + w), std::min(int(client.bottom), top + h)};
}

void PaintSizeGrip(TsSkinProvider& p, HDC dc)
{
    const RECT r = SizeGripClientRect(p);
    const int mask = GripMask(p);
    if (!dc || mask < 0 || r.right <= r.left || r.bottom <= r.top)
        return;
    // The grip's key pixels keep the background under it.
    TBitmap grip(r.right - r.left, r.bottom - r.top, TPixelFormat::pf32bit);
    BitBlt(grip.Canvas().Handle(), 0, 0, grip.Width(), grip.Height(), dc, r.left, r.top, SRCCOPY);
    TsBgCacheInfo under;
    under.Bmp = &grip;
    under.Ready = true;
    DrawMaskFrame32(&grip, POINT{0, 0}, 0, under, mask, 1, p.Manager());
    BitBlt(dc, r.left, r.top, grip.Width(), grip.Height(), grip.Canvas().Handle(), 0, 0, SRCCOPY);
}

TColor TsSkinProvider::FormClientColor() const
{
    if (Skinned() && skinData_ && !skinData_->CustomColor())
        return skinData_->GetStateColor(formActive_ ? 1 : 0, wnd_);
    return TColor(ColorToRGB(form_ ? form_->Color() : clBtnFace));
}

void TsSkinProvider::PaintClientBackground(HDC dc, bool forward)
{
    if (!dc || !FormAlive() || !skinData_)
        return;
    RECT client{};
    GetClientRect(wnd_, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    bool painted = false;
    if (!skinData_->CustomColor() && !IsMDIMainForm(*this)) {
        TsFramePainter& painter = FramePainterOf(*this);
        const POINT at = ClientOriginInFrame(*this);
        auto fits = [&](TBitmap* b) {
            return b && at.x + client.right <= b->Width() && at.y + client.bottom <= b->Height();
        };
        bool ready = !skinData_->BackgroundChanged && fits(painter.Cache());
        // A form that draws itself may draw something else now: its WM_PAINT
        // makes the picture anew (erasing shows the picture painted last).
        const bool redraw = !ready || (forward && FormDrawsItself(*this));
        if (redraw && !skinData_->UrgentPaint)
            ready = painter.PaintFrameToCache() && fits(painter.Cache());
        if (ready) {
            BitBlt(dc, 0, 0, client.right, client.bottom, painter.Cache()->Canvas().Handle(), at.x, at.y, SRCCOPY);
            painted = true;
        }
    }
    // A form with its own colour, or a picture that cannot be had yet.
    if (!painted)
        FillSolid(dc, client, FormClientColor());
    PaintSizeGrip(*this, dc);
    PaintGraphicChildren(dc, form_, POINT{0, 0}, true);
    if (forward && !AnimationRunning)
        RefreshChildWindows(wnd_);
}

void TsSkinProvider::PaintClient(TMessage& m)
{
    m.Result = 0;
    if (m.WParam) {   // a DC to paint into (the class library's way of printing)
        PaintClientBackground(HDC(m.WParam), false);
        return;
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(wnd_, &ps);
    const bool skip = inAnimation_ || AnimationRunning || !FormAlive() || HiddenBehindMaximisedSibling(*this);
    if (dc && !skip)
        PaintClientBackground(dc, true);
    EndPaint(wnd_, &ps);
}

// ---------------------------------------------------------------- the window menu

void TsSkinProvider::BuildWindowMenu(HMENU popup)
{
    if (!popup || !IsMenu(popup) || !IsMDIMainForm(*this))
        return;
    // What an earlier call added, and the list the system keeps there (its
    // entries from the client's first child number on, and its separators).
    for (int i = GetMenuItemCount(popup) - 1; i >= 0; --i) {
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(popup, UINT(i), TRUE, &mi))
            continue;
        const bool ours = mi.dwItemData == WindowMenuItemTag;
        const bool systemList = !mi.hSubMenu && !(mi.fType & MFT_SEPARATOR) && mi.wID >= MDIFirstChildCommand;
        if (ours || systemList)
            RemoveMenu(popup, UINT(i), MF_BYPOSITION);
    }
    // Separators left at the end (the system's before its list) go too.
    for (int i = GetMenuItemCount(popup) - 1; i >= 0; --i) {
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_DATA;
        if (!GetMenuItemInfoW(popup, UINT(i), TRUE, &mi) || !(mi.fType & MFT_SEPARATOR) || mi.dwItemData)
            break;
        RemoveMenu(popup, UINT(i), MF_BYPOSITION);
    }
    windowMenuChildren_.clear();
    std::vector<TCustomForm*> children;
    for (int i = 0; i < form_->MDIChildCount(); ++i)
        if (TCustomForm* c = form_->MDIChildren(i); c && c->HandleAllocated() && IsWindowVisible(c->Handle()))
            children.push_back(c);
    if (children.empty())
        return;
    TCustomForm* active = form_->ActiveMDIChild();
    auto append = [&](UINT type, UINT id, UINT state, const String& text) {
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA | (text.empty() ? 0u : UINT(MIIM_STRING));
        mi.fType = type;
        mi.fState = state;
        mi.wID = id;
        mi.dwItemData = WindowMenuItemTag;
        mi.dwTypeData = const_cast<wchar_t*>(text.c_str());
        InsertMenuItemW(popup, UINT(GetMenuItemCount(popup)), TRUE, &mi);
    };
    const int count = GetMenuItemCount(popup);
    if (count > 0) {
        MENUITEMINFOW last{};
        last.cbSize = sizeof last;
        last.fMask = MIIM_FTYPE;
        if (GetMenuItemInfoW(popup, UINT(count - 1), TRUE, &last) && !(last.fType & MFT_SEPARATOR))
            append(MFT_SEPARATOR, 0, 0, String());
    }
    for (TCustomForm* c : children) {
        const UINT id = WindowMenuFirstCommand + UINT(windowMenuChildren_.size());
        windowMenuChildren_.push_back(c->Handle());
        append(MFT_STRING, id, c == active ? UINT(MFS_CHECKED) : 0u, c->Caption());
    }
}

HWND WindowMenuChildOf(TsSkinProvider& p, UINT command)
{
    if (command < WindowMenuFirstCommand)
        return nullptr;
    const size_t i = command - WindowMenuFirstCommand;
    return i < p.windowMenuChildren_.size() ? p.windowMenuChildren_[i] : nullptr;
}

// ---------------------------------------------------------------- rows

void ClientPaintRow(TsSkinProvider& p, TMessage& m)
{
    if (!p.DrawClientArea || IsMDIMainForm(p)) {
        p.CallPrevious(m);
        return;
    }
    p.PaintClient(m);
}

void ClientEraseRow(TsSkinProvider& p, TMessage& m)
{
    if (!p.DrawClientArea || IsMDIMainForm(p) || !IsWindowVisible(p.wnd_)) {
        p.CallPrevious(m);
        return;
    }
    m.Result = 1;
    // Nothing while the skin data waits for its parent or is inside an update.
    if (p.skinData_->Updating || (p.skinData_->SkinState & ssInUpdate))
        return;
    p.PaintClientBackground(HDC(m.WParam), false);
}

void WindowMenuPopupRow(TsSkinProvider& p, TMessage& m)
{
    if (HIWORD(m.LParam) || !IsMDIMainForm(p) || HMENU(m.WParam) != p.form_->WindowMenu())
        return;
    TsSkinManager* manager = p.Manager();
    if (manager && manager->SkinnedPopups() && p.form_->MDIChildCount() > 0)
        p.BuildWindowMenu(HMENU(m.WParam));
}

bool WindowMenuCommandRow(TsSkinProvider& p, TMessage& m)
{
    if (HIWORD(m.WParam) != 0 || m.LParam != 0)   // from a menu only
        return false;
    HWND child = WindowMenuChildOf(p, LOWORD(m.WParam));
    if (!child || !IsWindow(child) || !IsMDIMainForm(p))
        return false;
    HWND client = p.form_->ClientHandle();
    if (IsIconic(child))
        SendMessageW(client, WM_MDIRESTORE, WPARAM(child), 0);
    SendMessageW(client, WM_MDIACTIVATE, WPARAM(child), 0);
    m.Result = 0;
    return true;
}
