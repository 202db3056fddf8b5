#include "classlib/ExtCtrls.h"

// ---------------------------------------------------------------- TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::CreateParams(TCreateParams& p)
{
    TCustomControl::CreateParams(p);
    if (borderStyle_ == TBorderStyle::bsSingle) p.Style |= WS_BORDER;
}

void TCustomPanel::SetBorderStyle(TBorderStyle b)
{
    if (b == borderStyle_) return;
    borderStyle_ = b;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomPanel::Paint()
{
    TCanvas& c = Canvas();
    RECT r = ClientRect();
    c.Brush().SetColor(Color());
    c.FillRect(r);
    auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) return;
        if (cut == TBevelCut::bvSpace) {
            InflateRect(&r, -bevelWidth_, -bevelWidth_);
            return;
        }
        for (int i = 0; i < bevelWidth_; ++i) {
            DrawEdge(c.Handle(), &r, cut == TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
            InflateRect(&r, -1, -1);
        }
    };
    bevel(bevelOuter_);
    InflateRect(&r, -borderWidth_, -borderWidth_);
    bevel(bevelInner_);
    if (!showCaption_) return;
    String text = Caption();
    if (text.empty()) return;
    UINT flags = DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS;
    if (alignment_ == TAlignment::taCenter) flags |= DT_CENTER;
    if (alignment_ == TAlignment::taRightJustify) flags |= DT_RIGHT;
    c.Font().Assign(&Font());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    if (!Enabled()) c.Font().SetColor(clGrayText);
    c.DrawText(text, r, flags);
}

void TCustomPanel::Dispatch(TMessage& m)
{
    if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_ENABLEDCHANGED) Invalidate();
    TCustomControl::Dispatch(m);
}

// ---------------------------------------------------------------- TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner)
{
    SetControlStyle(ControlStyle() | csOpaque);
    SetBounds(0, 0, 105, 105);
    picture_.OnChange = TNotifyEvent(this, &TImage::PictureChanged);
}

void TImage::SetAutoSize(bool a)
{
    autoSize_ = a;
    if (a && picture_.Width() > 0) SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

void TImage::PictureChanged(TObject*)
{
    if (autoSize_ && picture_.Width() > 0) SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    Invalidate();
}

RECT TImage::DestRect() const
{
    int w = picture_.Width(), h = picture_.Height();
    int cw = Width(), ch = Height();
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
        if (proportional_ && w > 0 && h > 0) {
            double aspect = double(w) / h;
            if (w > h) {
                w = cw;
                h = int(cw / aspect);
                if (h > ch) {
                    h = ch;
                    w = int(ch * aspect);
                }
            } else {
                h = ch;
                w = int(ch * aspect);
                if (w > cw) {
                    w = cw;
                    h = int(cw / aspect);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    int x = 0, y = 0;
    if (center_) {
        x = (cw - w) / 2;
        y = (ch - h) / 2;
    }
    return RECT{x, y, x + w, y + h};
}

void TImage::Paint()
{
    TGraphic* g = picture_.Graphic();
    if (!g || g->Empty()) return;
    Canvas().StretchDraw(DestRect(), g);
}
