#include "skin/forms/FrameGeometry.h"

#include <algorithm>
#include <cstdlib>

const TsFrameMetrics& TsFrameMetrics::System()
{
    static const TsFrameMetrics m = [] {
        TsFrameMetrics r;
        r.CyCaption = GetSystemMetrics(SM_CYCAPTION);
        r.CySmCaption = GetSystemMetrics(SM_CYSMCAPTION);
        r.CxFrame = GetSystemMetrics(SM_CXFRAME);
        r.CxDlgFrame = GetSystemMetrics(SM_CXDLGFRAME);
        r.CyMenu = GetSystemMetrics(SM_CYMENU);
        r.CyHScroll = GetSystemMetrics(SM_CYHSCROLL);
        return r;
    }();
    return m;
}

int FormFrameWidth(const TsFrameMetrics& m, const TsFrameFacts& f, bool extended)
{
    if (extended && f.BorderWindow && f.Skin && f.Skin->BorderWidth > 0)
        return f.Skin->BorderWidth;
    if (f.Style & WS_THICKFRAME)
        return m.CxFrame;
    if (f.Style & WS_BORDER)
        return m.CxDlgFrame;
    return 0;
}

int TopFrameWidth(const TsFrameMetrics& m, const TsFrameFacts& f)
{
    return f.BorderWindow ? 0 : FormFrameWidth(m, f, false);
}

int StdCaptionHeight(const TsFrameMetrics& m, const TsFrameFacts& f)
{
    const bool tool = f.BorderStyle == TFormBorderStyle::bsToolWindow ||
                      f.BorderStyle == TFormBorderStyle::bsSizeToolWin;
    return tool && !f.Iconic ? m.CySmCaption : m.CyCaption;
}

int ExtFrameTitleHeight(const TsFrameFacts& f)
{
    return f.BorderWindow && f.Skin ? f.Skin->TitleHeight : 0;
}

int MaximizedTitleHeight(const TsSkinData& skin)
{
    return skin.MaxTitleHeight ? skin.MaxTitleHeight : skin.TitleHeight;
}

bool HasCaptionFrame(const TsFrameFacts& f)
{
    const bool noFrame = f.BorderStyle == TFormBorderStyle::bsNone && !f.ChildWindow && !f.MDIChild;
    return (f.Style & WS_CAPTION) == WS_CAPTION && !noFrame;
}

int CaptionAreaHeight(const TsFrameMetrics& m, const TsFrameFacts& f, bool extended)
{
    if (!HasCaptionFrame(f) && !f.Iconic)
        return 0;
    const int ext = extended ? ExtFrameTitleHeight(f) : 0;
    if (f.ExtraHighTitle)
        return std::max(ext, StdCaptionHeight(m, f) + 4);
    return ext ? ext : StdCaptionHeight(m, f);
}

int TitleIconSize(int captionHeight)
{
    if (captionHeight <= 8)
        return 1;
    if (captionHeight <= 16)
        return 8;
    return 16;
}

int MenuLineCountFor(int firstItemBottom, int clientTop, int cyMenu)
{
    const int line = cyMenu - 2;
    if (firstItemBottom >= clientTop || line <= 0)
        return 1;
    return (clientTop - firstItemBottom) / line + 1;
}

// ---------------------------------------------------------------- title layout

namespace {

struct Placer {
    const TsTitleLayoutInput& in;
    const TsTitleLayout& l;
    bool bigButtons;
    int cursor;

    RECT Place(int width, int height, bool big)
    {
        const int biVAlign = in.Skin ? in.Skin->BIVAlign : 0;
        const int biSpace = in.Skin ? in.Skin->BISpace : 0;
        RECT r;
        r.right = cursor;
        r.left = cursor - width;
        r.top = big && biVAlign == 1 ? l.ButtonsTop : l.ButtonsCenter - height / 2;
        r.bottom = r.top + height;
        cursor = r.left - (bigButtons ? biSpace : 0);
        return r;
    }
};

int ButtonsTopWithBorder(const TsTitleLayoutInput& in)
{
    const TsSkinData& s = *in.Skin;
    if (in.Zoomed) {
        if (s.MaxTitleHeight && s.MaxTitleHeight != s.TitleHeight)
            return in.Shadow.top + std::max(0, s.TitleHeight - s.MaxTitleHeight) + 4;
        return in.Shadow.top + 4;
    }
    return in.Shadow.top + s.BITop;
}

}  // namespace

TsTitleLayout LayoutTitleButtons(const TsTitleLayoutInput& in, const TsCaptionButtons& b,
                                 const std::vector<TsUserButton>& user)
{
    static const TsSkinData noSkin{};
    TsTitleLayoutInput input = in;
    if (!input.Skin)
        input.Skin = &noSkin;
    const TsSkinData& s = *input.Skin;

    TsTitleLayout l;
    if (input.BorderWindow) {
        const int maxTitle = MaximizedTitleHeight(s);
        l.ButtonsTop = ButtonsTopWithBorder(input);
        l.ButtonsCenter = input.Shadow.top + maxTitle / 2 + input.CaptionHeight - maxTitle;
        l.TitleBottom = input.CaptionHeight + input.Shadow.top;
        if (!input.Zoomed || s.TitleHeight == s.MaxTitleHeight)
            l.ButtonsCenter += s.CenterOffset;
    } else {
        l.ButtonsCenter = input.CaptionHeight / 2 + input.FrameWidth / 2;
        l.ButtonsTop = input.Zoomed ? input.CxFrame - 1 : 0;
        l.TitleBottom = input.TopFrame + input.CaptionHeight;
    }
    if (input.Zoomed)
        l.ButtonsCenter += 2;

    l.Icon.left = input.FrameWidth + s.BILeft + input.Shadow.left;
    if (input.ShowIcon) {
        l.Icon.right = l.Icon.left + input.IconWidth;
        l.Icon.top = l.ButtonsCenter - input.IconHeight / 2;
        l.Icon.bottom = l.Icon.top + input.IconHeight;
    } else {
        l.Icon.right = l.Icon.left;
        l.Icon.top = l.Icon.bottom = l.ButtonsCenter;
    }

    Placer p{input, l, b.BigButtons, input.PictureWidth - s.BIRight - input.Shadow.right - input.FrameWidth};
    auto empty = [&] { return RECT{p.cursor, l.ButtonsCenter, p.cursor, l.ButtonsCenter}; };
    l.Close = l.Max = l.Min = l.Help = empty();
    if (b.SystemMenu) {
        l.Close = p.Place(b.Close.Width, b.Close.Height, b.Close.Big);
        l.Max = b.VisibleMax ? p.Place(b.Max.Width, b.Max.Height, b.Max.Big) : empty();
        l.Min = b.VisibleMin ? p.Place(b.Min.Width, b.Min.Height, b.Min.Big) : empty();
        if (b.Help) {
            p.cursor -= 6;
            l.Help = p.Place(b.HelpGlyph.Width, b.HelpGlyph.Height, b.HelpGlyph.Big);
        } else {
            l.Help = empty();
        }
    }
    if (!user.empty()) {
        p.cursor -= 6;
        for (const TsUserButton& u : user)
            l.User.push_back(u.Visible ? p.Place(u.Width, u.Height, false) : empty());
    }
    if (input.TitleBar) {
        p.cursor -= 6;
        const int left = input.ShowIcon ? l.Icon.right + 6 : l.Icon.right;
        l.TitleBarArea = RECT{left, l.ButtonsTop, p.cursor, l.TitleBottom};
    }
    l.ButtonBlockLeft = p.cursor;
    return l;
}

void ForEachTitleElement(const TsTitleLayout& l, const TsCaptionButtons& b, const std::vector<TsUserButton>& user,
                         const std::function<bool(const TsTitleElement&)>& visit)
{
    if (b.SystemMenu) {
        if (!visit({TsTitleElementKind::Close, 0, l.Close}))
            return;
        if (b.VisibleMax && !visit({TsTitleElementKind::Max, 0, l.Max}))
            return;
        if (b.VisibleMin && !visit({TsTitleElementKind::Min, 0, l.Min}))
            return;
        if (b.Help && !visit({TsTitleElementKind::Help, 0, l.Help}))
            return;
    }
    for (size_t i = 0; i < user.size() && i < l.User.size() && i < size_t(kTitleElementRange); ++i)
        if (user[i].Visible && !visit({TsTitleElementKind::User, int(i), l.User[i]}))
            return;
}

// ---------------------------------------------------------------- hit testing

namespace {

bool Inside(const RECT& r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The code of the title element under p; 0 when there is none.
int TitleElementCode(POINT p, const TsTitleLayout& l, const TsCaptionButtons& b, const std::vector<TsUserButton>& user,
                     bool iconic)
{
    int code = 0;
    ForEachTitleElement(l, b, user, [&](const TsTitleElement& e) {
        if (!Inside(e.Bounds, p))
            return true;
        switch (e.Kind) {
        case TsTitleElementKind::Close:
            code = b.EnabledClose ? HTCLOSE : HTCAPTION;
            break;
        case TsTitleElementKind::Max:
            code = b.EnabledMax || !(iconic || !b.EnabledRestore) ? HTMAXBUTTON : HTCAPTION;
            break;
        case TsTitleElementKind::Min:
            code = b.EnabledMin || iconic ? HTMINBUTTON : HTCAPTION;
            break;
        case TsTitleElementKind::Help:
            code = HTHELP;
            break;
        case TsTitleElementKind::User:
            // A disabled user button is part of nothing: it answers HTCLIENT.
            code = user[size_t(e.Index)].Enabled ? kUserButtonBase + e.Index : HTCLIENT;
            break;
        }
        return false;
    });
    return code;
}

}  // namespace

int HitTestFrame(const TsHitInput& in, const TsTitleLayout& l, const TsCaptionButtons& b,
                 const std::vector<TsUserButton>& user)
{
    const POINT p = in.Point;
    if (p.x < 0 || p.y < 0 || p.x >= in.Width || p.y >= in.Height)
        return HTNOWHERE;

    if (!in.BorderWindow && in.CaptionHeight > 0)
        if (int code = TitleElementCode(p, l, b, user, in.Iconic))
            return code;

    if (in.Sizeable) {
        const int bw = in.FrameWidth;
        const int vertical = p.y < bw ? -1 : (p.y >= in.Height - bw ? 1 : 0);
        const int horizontal = p.x < bw ? -1 : (p.x >= in.Width - bw ? 1 : 0);
        static const int codes[3][3] = {
            // left, none, right
            {HTTOPLEFT, HTTOP, HTTOPRIGHT},
            {HTLEFT, 0, HTRIGHT},
            {HTBOTTOMLEFT, HTBOTTOM, HTBOTTOMRIGHT},
        };
        if (int code = codes[vertical + 1][horizontal + 1])
            return code;
    }

    const int captionBottom = in.TopFrame + in.CaptionHeight;
    if (in.CaptionHeight > 0 && p.y < captionBottom)
        return Inside(l.Icon, p) ? HTSYSMENU : HTCAPTION;

    const int menuBottom = captionBottom + in.MenuLines * in.MenuLineHeight;
    if (p.y >= captionBottom && p.y < menuBottom) {
        if (in.MDIButtons) {
            if (Inside(in.MDIClose, p))
                return HTMDICLOSE;
            if (Inside(in.MDIRestore, p))
                return HTMDIRESTORE;
            if (Inside(in.MDIMin, p))
                return HTMDIMIN;
        }
        return HTMENU;
    }

    if (in.Grip && p.x >= in.GripRect.left && p.y >= in.GripRect.top)
        return HTBOTTOMRIGHT;
    return HTCLIENT;
}

// ---------------------------------------------------------------- snapping

void SnapToArea(int& x, int& y, int w, int h, const RECT& area, int buffer, const TsSnapOffsets& extra)
{
    auto snap = [buffer](int& p, int o, int t) {
        if (std::abs(o + p - t) < buffer)
            p = t - o;
    };
    snap(x, w + extra.Right, area.right);
    snap(y, h + extra.Bottom, area.bottom);
    snap(x, extra.Left, area.left);
    snap(y, extra.Top, area.top);
}

// ---------------------------------------------------------------- border drag

void TsBorderDrag::Start(int hitCode, const RECT& window, POINT mouse, int minWidth, int minHeight)
{
    Active = true;
    HitCode = hitCode;
    Move = hitCode == HTCAPTION;
    Frame = StartFrame = window;
    StartPoint = mouse;
    MinWidth = std::max(minWidth, 1);
    MinHeight = std::max(minHeight, 1);
}

void TsBorderDrag::Follow(POINT p)
{
    if (!Active)
        return;
    const int dx = p.x - StartPoint.x, dy = p.y - StartPoint.y;
    const RECT& s = StartFrame;
    if (Move) {
        Frame = s;
        OffsetRect(&Frame, dx, dy);
        return;
    }
    // Each sizing code moves its own edges; a code that names no edge (a size
    // started from the keyboard) takes the bottom-right corner. Left and right
    // codes leave the vertical edges alone, top and bottom the horizontal ones.
    const int c = HitCode;
    const bool none = c < HTLEFT || c > HTBOTTOMRIGHT;
    const bool top = c == HTTOP || c == HTTOPLEFT || c == HTTOPRIGHT;
    const bool bottom = c == HTBOTTOM || c == HTBOTTOMLEFT || c == HTBOTTOMRIGHT || none;
    const bool left = c == HTLEFT || c == HTTOPLEFT || c == HTBOTTOMLEFT;
    const bool right = c == HTRIGHT || c == HTTOPRIGHT || c == HTBOTTOMRIGHT || none;
    Frame = s;
    if (top)
        Frame.top = std::min<int>(s.top + dy, s.bottom - MinHeight);
    if (bottom)
        Frame.bottom = std::max<int>(s.bottom + dy, s.top + MinHeight);
    if (left)
        Frame.left = std::min<int>(s.left + dx, s.right - MinWidth);
    if (right)
        Frame.right = std::max<int>(s.right + dx, s.left + MinWidth);
}

// ---------------------------------------------------------------- region

HRGN CreateRegionWithCuts(int x, int y, int width, int height, const std::vector<RECT>& cuts)
{
    HRGN region = CreateRectRgn(x, y, x + width, y + height);
    for (const RECT& c : cuts) {
        HRGN cut = CreateRectRgn(x + c.left, y + c.top, x + c.right, y + c.bottom);
        CombineRgn(region, region, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    return region;
}
