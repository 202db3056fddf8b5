#include "classlib/Buttons.h"

#include <algorithm>

namespace {

// Left/top of a glyph of gw x gh and a caption of tw x th laid out in a
// w x h area (margin -1 centres the pair; spacing separates them).
void LayoutGlyphAndText(int w, int h, SIZE glyph, SIZE text, TButtonLayout layout, int margin, int spacing,
                        POINT& glyphPos, RECT& textRect)
{
    int gw = int(glyph.cx), gh = int(glyph.cy), tw = int(text.cx), th = int(text.cy);
    int s = gw > 0 && tw > 0 ? spacing : 0;
    bool horizontal = layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
    if (horizontal) {
        int total = gw + s + tw;
        int start = margin < 0 ? (w - total) / 2 : margin;
        int gx = layout == TButtonLayout::blGlyphLeft ? start : w - start - gw;
        int tx = layout == TButtonLayout::blGlyphLeft ? start + gw + s : w - start - gw - s - tw;
        glyphPos = POINT{gx, (h - gh) / 2};
        textRect = RECT{tx, (h - th) / 2, tx + tw, (h - th) / 2 + th};
    } else {
        int total = gh + s + th;
        int start = margin < 0 ? (h - total) / 2 : margin;
        int gy = layout == TButtonLayout::blGlyphTop ? start : h - start - gh;
        int ty = layout == TButtonLayout::blGlyphTop ? start + gh + s : h - start - gh - s - th;
        glyphPos = POINT{(w - gw) / 2, gy};
        textRect = RECT{(w - tw) / 2, ty, (w - tw) / 2 + tw, ty + th};
    }
}

SIZE GlyphFrameSize(TBitmap& glyph, int count)
{
    if (glyph.Empty()) return SIZE{0, 0};
    return SIZE{glyph.Width() / std::max(1, count), glyph.Height()};
}

SIZE CaptionSize(HDC dc, const String& text)
{
    if (text.empty()) return SIZE{0, 0};
    RECT r{0, 0, 255, 0};
    DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
    return SIZE{r.right, r.bottom};
}
}  // namespace

std::unique_ptr<TBitmap> NewEmptyGlyph()
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(TPixelFormat::pf24bit);
    return b;
}

void DrawGlyphButtonFace(HDC dc, const RECT& r, const String& caption, TBitmap& glyph, int numGlyphs,
                         TButtonLayout layout, int margin, int spacing, bool pressed, bool disabled)
{
    SIZE ts = CaptionSize(dc, caption);
    SIZE gs = GlyphFrameSize(glyph, numGlyphs);
    POINT gp{};
    RECT tr{};
    LayoutGlyphAndText(r.right - r.left, r.bottom - r.top, gs, ts, layout, margin, spacing, gp, tr);
    int d = pressed ? 1 : 0;
    int frame = disabled && numGlyphs > 1 ? 1 : pressed && numGlyphs > 2 ? 2 : 0;
    DrawGlyphFrame(dc, glyph, numGlyphs, frame, gp.x + d, gp.y + d);
    OffsetRect(&tr, d, d);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, caption.c_str(), int(caption.size()), &tr, DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK);
}

void DrawGlyphFrame(HDC dc, TBitmap& glyph, int count, int index, int x, int y)
{
    if (glyph.Empty() || count < 1) return;
    int fw = glyph.Width() / count;
    if (fw <= 0) return;
    index = std::clamp(index, 0, count - 1);
    HDC src = glyph.Canvas().Handle();
    COLORREF key = GetPixel(src, 0, glyph.Height() - 1);
    TransparentBlt(dc, x, y, fw, glyph.Height(), src, index * fw, 0, fw, glyph.Height(), key);
}

// ---------------------------------------------------------------- TButtonControl

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner)
{
    SetTabStop(true);
    // OnClick comes from BN_CLICKED (mouse, keyboard and BM_CLICK alike), not from the mouse-up.
    SetControlStyle(ControlStyle() & ~unsigned(csClickEvents));
}

void TButtonControl::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = L"BUTTON";
}

void TButtonControl::Clicked() {}

void TButtonControl::Dispatch(TMessage& m)
{
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == BN_CLICKED) {
        Clicked();
        Click();
        return;
    }
    if (m.Msg == CN_CTLCOLORSTATIC || m.Msg == CN_BASE + WM_CTLCOLORBTN) {
        AnswerColorMessage(m);
        return;
    }
    TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 75, 25); }

void TButton::CreateParams(TCreateParams& p)
{
    TButtonControl::CreateParams(p);
    p.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool d)
{
    if (d == default_) return;
    default_ = d;
    if (HandleAllocated()) SendMessageW(Handle(), BM_SETSTYLE, d ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// ---------------------------------------------------------------- TBitBtn

void TBitBtn::CreateParams(TCreateParams& p)
{
    TButton::CreateParams(p);
    p.Style = (p.Style & ~DWORD(0xF)) | BS_OWNERDRAW;
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool pressed = item.itemState & ODS_SELECTED;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    HGDIOBJ oldFont = SelectObject(dc, Font().Handle());
    DrawFace(dc, r, pressed, item.itemState & ODS_DISABLED);
    SelectObject(dc, oldFont);
    if (item.itemState & ODS_FOCUS) {
        RECT f = item.rcItem;
        InflateRect(&f, -4, -4);
        DrawFocusRect(dc, &f);
    }
}

void TBitBtn::Dispatch(TMessage& m)
{
    if (m.Msg == CN_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
        m.Result = TRUE;
        return;
    }
    TButton::Dispatch(m);
}

// ---------------------------------------------------------------- TCustomCheckBox

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 97, 17); }

void TCustomCheckBox::CreateParams(TCreateParams& p)
{
    TButtonControl::CreateParams(p);
    // The box changes state through Clicked, not by itself: AllowGrayed decides the cycle.
    p.Style |= BS_3STATE;
    if (alignment_ == TAlignment::taLeftJustify) p.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::HandleCreated()
{
    TButtonControl::HandleCreated();
    SendMessageW(handle_, BM_SETCHECK, WPARAM(state_), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState s)
{
    if (s == state_) return;
    state_ = s;
    if (HandleAllocated()) SendMessageW(Handle(), BM_SETCHECK, WPARAM(s), 0);
}

void TCustomCheckBox::SetAllowGrayed(bool a)
{
    allowGrayed_ = a;
    if (!a && state_ == TCheckBoxState::cbGrayed) SetState(TCheckBoxState::cbUnchecked);
}

void TCustomCheckBox::SetAlignment(TAlignment a)
{
    if (a == alignment_) return;
    alignment_ = a;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomCheckBox::Clicked()
{
    switch (state_) {
    case TCheckBoxState::cbUnchecked: SetState(TCheckBoxState::cbChecked); break;
    case TCheckBoxState::cbChecked:
        SetState(allowGrayed_ ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked);
        break;
    case TCheckBoxState::cbGrayed: SetState(TCheckBoxState::cbUnchecked); break;
    }
}

// ---------------------------------------------------------------- TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 113, 17); }

void TRadioButton::CreateParams(TCreateParams& p)
{
    TButtonControl::CreateParams(p);
    p.Style |= BS_RADIOBUTTON;
}

void TRadioButton::HandleCreated()
{
    TButtonControl::HandleCreated();
    SendMessageW(handle_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool c)
{
    if (c == checked_) return;
    checked_ = c;
    if (HandleAllocated()) SendMessageW(Handle(), BM_SETCHECK, c ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!c || !parent_) return;
    // One radio button of a parent is checked at a time.
    for (int i = 0; i < parent_->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TRadioButton*>(parent_->Controls(i)); other && other != this)
            other->SetChecked(false);
}

void TRadioButton::Clicked() { SetChecked(true); }

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(TComponent* owner) : TGlyphButton(owner)
{
    SetBounds(0, 0, 23, 22);
}

void TSpeedButton::SetDown(bool d)
{
    if (groupIndex_ == 0) d = false;   // only grouped buttons stay down
    if (d == down_) return;
    if (down_ && !allowAllUp_) {
        // The last one down of its group stays down unless the group allows all up.
        bool otherDown = false;
        if (parent_)
            for (int i = 0; i < parent_->ControlCount(); ++i)
                if (auto* o = dynamic_cast<TSpeedButton*>(parent_->Controls(i));
                    o && o != this && o->groupIndex_ == groupIndex_ && o->down_)
                    otherDown = true;
        if (!otherDown && !d) return;
    }
    down_ = d;
    state_ = d ? TButtonState::bsExclusive : TButtonState::bsUp;
    if (d) UpdateExclusive();
    Invalidate();
}

void TSpeedButton::UpdateExclusive()
{
    if (!parent_ || groupIndex_ == 0) return;
    for (int i = 0; i < parent_->ControlCount(); ++i)
        if (auto* o = dynamic_cast<TSpeedButton*>(parent_->Controls(i));
            o && o != this && o->groupIndex_ == groupIndex_ && o->down_) {
            o->down_ = false;
            o->state_ = TButtonState::bsUp;
            o->Invalidate();
        }
}

void TSpeedButton::MouseDown(TMouseButton b, TShiftState s, int x, int y)
{
    TGraphicControl::MouseDown(b, s, x, y);
    if (b != TMouseButton::mbLeft || !Enabled()) return;
    if (!down_) {
        state_ = TButtonState::bsDown;
        Invalidate();
    }
    dragging_ = true;
}

void TSpeedButton::MouseUp(TMouseButton b, TShiftState s, int x, int y)
{
    TGraphicControl::MouseUp(b, s, x, y);
    if (!dragging_) return;
    dragging_ = false;
    bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
    if (groupIndex_ == 0) {
        state_ = TButtonState::bsUp;
        Invalidate();
    } else if (inside) {
        SetDown(!down_);
        if (!down_) state_ = TButtonState::bsUp;
        Invalidate();
    } else if (!down_) {
        state_ = TButtonState::bsUp;
        Invalidate();
    }
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::Dispatch(TMessage& m)
{
    if (m.Msg == CM_ENABLEDCHANGED) {
        state_ = !Enabled() ? TButtonState::bsDisabled : down_ ? TButtonState::bsExclusive : TButtonState::bsUp;
        Invalidate();
    }
    TGraphicControl::Dispatch(m);
}

void TSpeedButton::Paint()
{
    HDC dc = Canvas().Handle();
    RECT r{0, 0, Width(), Height()};
    bool pressed = state_ == TButtonState::bsDown || state_ == TButtonState::bsExclusive;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (!flat_ || pressed || MouseInControl()) DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    SelectObject(dc, Font().Handle());
    DrawFace(dc, r, pressed, !Enabled());
}
