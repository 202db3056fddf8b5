// Standard controls: labels, edits and memos.
#pragma once
#include "classlib/Controls.h"

enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TBorderStyle { bsNone, bsSingle };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Adjusts line breaks the way a text area takes text: a lone CR, a lone LF and
// an LF CR pair each become CR LF.
String AdjustLineBreaks(const String& text);

class TCustomLabel : public TGraphicControl {
    DECLARE_CLASS(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent* owner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) { alignment_ = a; Invalidate(); }
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l) { layout_ = l; Invalidate(); }
    // A label is transparent exactly when its control style is not opaque, so
    // whoever takes csOpaque away (the skin does) gets a label that paints no
    // background of its own.
    bool Transparent() const { return !(ControlStyle() & csOpaque); }
    void SetTransparent(bool t);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool a);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool w) { wordWrap_ = w; AdjustBounds(); Invalidate(); }
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool s) { showAccelChar_ = s; AdjustBounds(); Invalidate(); }
    void AdjustBounds();   // fits the bounds to the text when AutoSize
    void Dispatch(TMessage& message) override;

protected:
    void Paint() override;
    // Draws (or with DT_CALCRECT measures) the caption; descendants may draw it their way.
    virtual void DoDrawText(RECT& rect, UINT flags);
    UINT DrawTextFlags() const;
    void TextChanged(const String& text) override;

private:
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TTextLayout layout_ = TTextLayout::tlTop;
    bool autoSize_ = true, wordWrap_ = false, showAccelChar_ = true;
};

class TLabel : public TCustomLabel {
    DECLARE_CLASS(TLabel, TCustomLabel)
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

class TCustomEdit : public TWinControl {
    DECLARE_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* owner);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    wchar_t PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(wchar_t c);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int m);

    int SelStart();
    int SelLength();
    void SetSelStart(int s);
    void SetSelLength(int n);
    String SelText();
    void SetSelText(const String& s);   // replaces the selection
    void SelectAll();
    void Clear() { SetText(L""); }
    void CopyToClipboard();
    void PasteFromClipboard();
    void Dispatch(TMessage& message) override;

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    virtual void Change();

private:
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    wchar_t passwordChar_ = 0;
    bool readOnly_ = false;
    int maxLength_ = 0;
};

class TEdit : public TCustomEdit {
    DECLARE_CLASS(TEdit, TCustomEdit)
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

class TCustomMemo;

// The lines of a memo: logical lines of its text (word wrapping does not split them).
class TMemoStrings : public TStrings {
    DECLARE_CLASS(TMemoStrings, TStrings)
public:
    explicit TMemoStrings(TCustomMemo* memo) : memo_(memo) {}
    int Count() const override;
    String Get(int index) const override;
    void Put(int index, const String& s) override;
    void Insert(int index, const String& s) override;
    void Delete(int index) override;
    void Clear() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    String Text() const override;
    void SetText(const String& text) override;

private:
    std::vector<String> Lines() const;
    int LineStart(const std::vector<String>& lines, int index) const;
    TCustomMemo* memo_;
    int updating_ = 0;
};

class TCustomMemo : public TCustomEdit {
    DECLARE_CLASS(TCustomMemo, TCustomEdit)
public:
    explicit TCustomMemo(TComponent* owner);
    TStrings& Lines() { return lines_; }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool w);
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool w) { wantTabs_ = w; }
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void TextChanged(const String& text) override;

private:
    TMemoStrings lines_{this};
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    bool wordWrap_ = true, wantTabs_ = false;
};

class TMemo : public TCustomMemo {
    DECLARE_CLASS(TMemo, TCustomMemo)
public:
    explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};

// A stand-alone scroll bar over the system's SCROLLBAR window. Its range,
// page and position go to the window with SBM_SETSCROLLINFO (so a wrapper of
// the window sees every change); the scroll messages the window sends to its
// parent come back reflected and move the position.
enum class TScrollBarKind { sbHorizontal, sbVertical };
enum class TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };

class TScrollBar : public TWinControl {
    DECLARE_CLASS(TScrollBar, TWinControl)
public:
    explicit TScrollBar(TComponent* owner);
    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind k);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int PageSize() const { return pageSize_; }
    int Position() const { return position_; }
    int SmallChange() const { return smallChange_; }
    int LargeChange() const { return largeChange_; }
    void SetMin(int v) { SetParams(position_, v, max_); }
    void SetMax(int v) { SetParams(position_, min_, v); }
    void SetPosition(int v) { SetParams(v, min_, max_); }
    void SetPageSize(int v);
    void SetSmallChange(int v) { smallChange_ = v; }
    void SetLargeChange(int v) { largeChange_ = v; }
    // Position clamped to Min .. Max - max(PageSize - 1, 0); an inverted range becomes Min .. Min.
    void SetParams(int position, int min, int max);
    void Dispatch(TMessage& message) override;

    TNotifyEvent OnChange;
    // The user scrolled: code and the new position (the handler may change it).
    Delegate<void(TObject*, TScrollCode, int&)> OnScroll;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    void SendInfo();
    TScrollBarKind kind_ = TScrollBarKind::sbHorizontal;
    int min_ = 0, max_ = 100, pageSize_ = 0, position_ = 0, smallChange_ = 1, largeChange_ = 1;
};
