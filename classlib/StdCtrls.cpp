#include "classlib/StdCtrls.h"

#include <algorithm>

String AdjustLineBreaks(const String& text)
{
    String out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            out += L"\r\n";
            if (i + 1 < text.size() && text[i + 1] != c && (text[i + 1] == L'\r' || text[i + 1] == L'\n')) ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- TCustomLabel

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
    SetControlStyle(ControlStyle() | csOpaque);
}

void TCustomLabel::SetTransparent(bool t)
{
    SetControlStyle(t ? ControlStyle() & ~unsigned(csOpaque) : ControlStyle() | csOpaque);
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool a)
{
    autoSize_ = a;
    AdjustBounds();
}

UINT TCustomLabel::DrawTextFlags() const
{
    UINT f = DT_EXPANDTABS;
    if (wordWrap_) f |= DT_WORDBREAK;
    if (!showAccelChar_) f |= DT_NOPREFIX;
    if (alignment_ == TAlignment::taCenter) f |= DT_CENTER;
    if (alignment_ == TAlignment::taRightJustify) f |= DT_RIGHT;
    return f;
}

void TCustomLabel::DoDrawText(RECT& r, UINT flags)
{
    String text = Caption();
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == L"&"))) text += L" ";
    TCanvas& c = Canvas();
    c.Font().Assign(&Font());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    if (!Enabled() && !(flags & DT_CALCRECT)) {
        OffsetRect(&r, 1, 1);
        c.Font().SetColor(clBtnHighlight);
        c.DrawText(text, r, flags);
        OffsetRect(&r, -1, -1);
        c.Font().SetColor(clBtnShadow);
    }
    c.DrawText(text, r, flags);
}

void TCustomLabel::Paint()
{
    TCanvas& c = Canvas();
    RECT r = ClientRect();
    if (!Transparent()) {
        c.Brush().SetColor(Color());
        c.FillRect(r);
    }
    UINT flags = DrawTextFlags();
    if (layout_ != TTextLayout::tlTop) {
        RECT calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        int h = calc.bottom - calc.top;
        if (layout_ == TTextLayout::tlBottom)
            r.top = r.bottom - h;
        else
            r.top = (r.bottom - h) / 2;
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds()
{
    // Measured on the screen, so a label sizes itself before any window exists.
    if (!autoSize_) return;
    RECT r{0, 0, Width(), 0};
    {
        WindowDC screen(nullptr);
        Canvas().SetHandle(screen.get());
        DoDrawText(r, DrawTextFlags() | DT_CALCRECT);
        Canvas().SetHandle(nullptr);
    }
    int x = Left();
    int w = r.right;
    if (alignment_ == TAlignment::taRightJustify && !wordWrap_) x = Left() + Width() - w;
    if (wordWrap_) w = Width();
    SetBounds(x, Top(), w, r.bottom);
}

void TCustomLabel::TextChanged(const String& text)
{
    TGraphicControl::TextChanged(text);
    AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& m)
{
    if (m.Msg == CM_FONTCHANGED) {
        AdjustBounds();
        Invalidate();
        return;
    }
    TGraphicControl::Dispatch(m);
}

// ---------------------------------------------------------------- TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
    SetTabStop(true);
    SetCursor(crIBeam);
}

void TCustomEdit::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = L"EDIT";
    p.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (passwordChar_) p.Style |= ES_PASSWORD;
    if (readOnly_) p.Style |= ES_READONLY;
    if (borderStyle_ == TBorderStyle::bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::HandleCreated()
{
    SendMessageW(handle_, EM_SETLIMITTEXT, maxLength_, 0);
    if (passwordChar_) SendMessageW(handle_, EM_SETPASSWORDCHAR, passwordChar_, 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle b)
{
    if (b == borderStyle_) return;
    borderStyle_ = b;
    RecreateWnd();
}

void TCustomEdit::SetPasswordChar(wchar_t c)
{
    if (c == passwordChar_) return;
    passwordChar_ = c;
    RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool r)
{
    readOnly_ = r;
    if (HandleAllocated()) SendMessageW(handle_, EM_SETREADONLY, r, 0);
}

void TCustomEdit::SetMaxLength(int m)
{
    maxLength_ = m;
    if (HandleAllocated()) SendMessageW(handle_, EM_SETLIMITTEXT, m, 0);
}

int TCustomEdit::SelStart()
{
    DWORD s = 0, e = 0;
    SendMessageW(Handle(), EM_GETSEL, WPARAM(&s), LPARAM(&e));
    return int(s);
}

int TCustomEdit::SelLength()
{
    DWORD s = 0, e = 0;
    SendMessageW(Handle(), EM_GETSEL, WPARAM(&s), LPARAM(&e));
    return int(e - s);
}

void TCustomEdit::SetSelStart(int s) { SendMessageW(Handle(), EM_SETSEL, s, s); }

void TCustomEdit::SetSelLength(int n)
{
    int s = SelStart();
    SendMessageW(Handle(), EM_SETSEL, s, s + n);
}

String TCustomEdit::SelText()
{
    int s = SelStart(), n = SelLength();
    return Text().substr(size_t(s), size_t(n));
}

void TCustomEdit::SetSelText(const String& s)
{
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, LPARAM(s.c_str()));
}

void TCustomEdit::SelectAll() { SendMessageW(Handle(), EM_SETSEL, 0, -1); }
void TCustomEdit::CopyToClipboard() { SendMessageW(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessageW(Handle(), WM_PASTE, 0, 0); }

void TCustomEdit::Change()
{
    Perform(CM_TEXTCHANGED);
    if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& m)
{
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == EN_CHANGE) {
        Change();
        return;
    }
    TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------- TMemoStrings

std::vector<String> TMemoStrings::Lines() const
{
    String t = memo_->Text();
    std::vector<String> lines;
    size_t start = 0;
    for (size_t i = 0; i + 1 < t.size() + 1; ++i) {
        if (i < t.size() && t[i] == L'\r' && i + 1 < t.size() && t[i + 1] == L'\n') {
            lines.push_back(t.substr(start, i - start));
            start = i + 2;
            ++i;
        }
    }
    if (start < t.size()) lines.push_back(t.substr(start));
    return lines;
}

int TMemoStrings::LineStart(const std::vector<String>& lines, int index) const
{
    int pos = 0;
    for (int i = 0; i < index && i < int(lines.size()); ++i) pos += int(lines[size_t(i)].size()) + 2;
    return pos;
}

int TMemoStrings::Count() const { return int(Lines().size()); }

String TMemoStrings::Get(int index) const
{
    auto lines = Lines();
    if (index < 0 || index >= int(lines.size()))
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
    return lines[size_t(index)];
}

void TMemoStrings::Put(int index, const String& s)
{
    auto lines = Lines();
    if (index < 0 || index >= int(lines.size()))
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
    int start = LineStart(lines, index);
    HWND h = memo_->Handle();
    SendMessageW(h, EM_SETSEL, start, start + int(lines[size_t(index)].size()));
    SendMessageW(h, EM_REPLACESEL, FALSE, LPARAM(s.c_str()));
}

void TMemoStrings::Insert(int index, const String& s)
{
    auto lines = Lines();
    if (index < 0 || index > int(lines.size()))
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
    String t = memo_->Text();
    int pos;
    String ins;
    if (index < int(lines.size())) {
        pos = LineStart(lines, index);
        ins = s + L"\r\n";
    } else {
        pos = int(t.size());
        bool endsWithBreak = t.size() >= 2 && t.compare(t.size() - 2, 2, L"\r\n") == 0;
        ins = (t.empty() || endsWithBreak) ? s + L"\r\n" : L"\r\n" + s + L"\r\n";
    }
    HWND h = memo_->Handle();
    SendMessageW(h, EM_SETSEL, pos, pos);
    SendMessageW(h, EM_REPLACESEL, FALSE, LPARAM(ins.c_str()));
}

void TMemoStrings::Delete(int index)
{
    auto lines = Lines();
    if (index < 0 || index >= int(lines.size()))
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
    int start = LineStart(lines, index);
    int end = start + int(lines[size_t(index)].size()) + 2;
    int len = int(memo_->Text().size());
    HWND h = memo_->Handle();
    SendMessageW(h, EM_SETSEL, start, std::min(end, len));
    SendMessageW(h, EM_REPLACESEL, FALSE, LPARAM(L""));
}

void TMemoStrings::Clear() { memo_->SetText(L""); }

void TMemoStrings::BeginUpdate()
{
    if (updating_++ == 0 && memo_->HandleAllocated()) SendMessageW(memo_->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TMemoStrings::EndUpdate()
{
    if (--updating_ == 0 && memo_->HandleAllocated()) {
        SendMessageW(memo_->Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(memo_->Handle(), nullptr, TRUE);
    }
}

String TMemoStrings::Text() const { return memo_->Text(); }

void TMemoStrings::SetText(const String& text) { memo_->SetText(text); }

// ---------------------------------------------------------------- TCustomMemo

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner) { SetBounds(0, 0, 185, 89); }

void TCustomMemo::CreateParams(TCreateParams& p)
{
    TCustomEdit::CreateParams(p);
    p.Style &= ~DWORD(ES_AUTOHSCROLL);
    p.Style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (!wordWrap_) p.Style |= ES_AUTOHSCROLL;
    if (scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth) p.Style |= WS_VSCROLL;
    if ((scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth) && !wordWrap_)
        p.Style |= WS_HSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle s)
{
    if (s == scrollBars_) return;
    scrollBars_ = s;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool w)
{
    if (w == wordWrap_) return;
    wordWrap_ = w;
    RecreateWnd();
}

void TCustomMemo::TextChanged(const String& text) { TCustomEdit::TextChanged(AdjustLineBreaks(text)); }

void TCustomMemo::Dispatch(TMessage& m)
{
    if (m.Msg == WM_GETDLGCODE) {
        TCustomEdit::Dispatch(m);
        if (!wantTabs_) m.Result &= ~DLGC_WANTTAB;
        return;
    }
    TCustomEdit::Dispatch(m);
}

// ---------------------------------------------------------------- TScrollBar

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
    SetTabStop(true);
}

void TScrollBar::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = L"SCROLLBAR";
    p.Style |= kind_ == TScrollBarKind::sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::HandleCreated()
{
    TWinControl::HandleCreated();
    SendInfo();
}

void TScrollBar::SetKind(TScrollBarKind k)
{
    if (k == kind_) return;
    kind_ = k;
    if (!(ComponentState() & csLoading)) SetBounds(Left(), Top(), Height(), Width());
    if (HandleAllocated()) RecreateWnd();
}

void TScrollBar::SetPageSize(int v)
{
    pageSize_ = std::max(0, v);
    SetParams(position_, min_, max_);
}

void TScrollBar::SetParams(int position, int min, int max)
{
    if (max < min) max = min;
    int top = max - std::max(pageSize_ - 1, 0);
    if (top < min) top = min;
    position = std::clamp(position, min, top);
    bool moved = position != position_;
    min_ = min;
    max_ = max;
    position_ = position;
    SendInfo();
    if (moved && OnChange) OnChange(this);
}

void TScrollBar::SendInfo()
{
    if (!HandleAllocated()) return;
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, min_, max_, UINT(pageSize_), position_, 0};
    SendMessageW(Handle(), SBM_SETSCROLLINFO, TRUE, LPARAM(&si));
}

void TScrollBar::Dispatch(TMessage& m)
{
    if (m.Msg == CN_BASE + WM_HSCROLL || m.Msg == CN_BASE + WM_VSCROLL) {
        int code = LOWORD(m.WParam), pos = position_;
        TScrollCode sc = TScrollCode::scEndScroll;
        switch (code) {
        case SB_LINEUP: sc = TScrollCode::scLineUp; pos -= smallChange_; break;
        case SB_LINEDOWN: sc = TScrollCode::scLineDown; pos += smallChange_; break;
        case SB_PAGEUP: sc = TScrollCode::scPageUp; pos -= largeChange_; break;
        case SB_PAGEDOWN: sc = TScrollCode::scPageDown; pos += largeChange_; break;
        case SB_THUMBPOSITION: sc = TScrollCode::scPosition; pos = int(short(HIWORD(m.WParam))); break;
        case SB_THUMBTRACK: {
            sc = TScrollCode::scTrack;
            SCROLLINFO si{sizeof(si), SIF_TRACKPOS, 0, 0, 0, 0, 0};
            pos = GetScrollInfo(Handle(), SB_CTL, &si) ? si.nTrackPos : int(short(HIWORD(m.WParam)));
            break;
        }
        case SB_TOP: sc = TScrollCode::scTop; pos = min_; break;
        case SB_BOTTOM: sc = TScrollCode::scBottom; pos = max_; break;
        default: break;
        }
        if (OnScroll) OnScroll(this, sc, pos);
        if (sc != TScrollCode::scEndScroll) SetPosition(pos);
        m.Result = 0;
        return;
    }
    TWinControl::Dispatch(m);
}
