// Controls: the graphic (windowless) and windowed control base classes, with
// parent/child trees, bounds, anchors and alignment, colours and fonts, mouse
// and keyboard events, and the replaceable window procedure.
#pragma once
#include <memory>
#include <vector>

#include "classlib/Component.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;

// State of an owner-drawn item; the bits are those of the system's item state
// (ODS_SELECTED ...), so a DRAWITEMSTRUCT's state converts as it is.
enum TOwnerDrawStateFlag : unsigned {
    odSelected = 0x1, odGrayed = 0x2, odDisabled = 0x4, odChecked = 0x8, odFocused = 0x10, odDefault = 0x20,
    odHotLight = 0x40, odInactive = 0x80, odNoAccel = 0x100, odNoFocusRect = 0x200, odComboBoxEdit = 0x1000,
};
using TOwnerDrawState = unsigned;

enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1,
    csCaptureMouse = 2,
    csClickEvents = 4,
    csOpaque = 8,
    csSetCaption = 16,
    csDoubleClicks = 32,
};

using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crIBeam = -4, crHandPoint = -21;

using TMouseEvent = Delegate<void(TObject*, TMouseButton, TShiftState, int, int)>;
using TMouseMoveEvent = Delegate<void(TObject*, TShiftState, int, int)>;
using TKeyEvent = Delegate<void(TObject*, WORD&, TShiftState)>;
using TKeyPressEvent = Delegate<void(TObject*, wchar_t&)>;
using TWndMethod = Delegate<void(TMessage&)>;

class TSizeConstraints : public TPersistent {
    DECLARE_CLASS(TSizeConstraints, TPersistent)
public:
    int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
    // Sets all four and applies them to the owning control.
    void Set(int minW, int minH, int maxW, int maxH);
    TNotifyEvent OnChange;
};

class TWinControl;
class TPopupMenu;   // classlib/Menus.h

class TControl : public TComponent {
    DECLARE_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // Parent and bounds.
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    void SetClientSize(int w, int h);
    RECT ClientRect() const { return RECT{0, 0, ClientWidth(), ClientHeight()}; }
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;
    POINT ClientOrigin() const;

    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors a);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    TSizeConstraints& Constraints() { return constraints_; }

    // Look.
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool e);
    TColor Color() const { return color_; }
    virtual void SetColor(TColor c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool p);
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool p);
    String Caption() const { return GetText(); }
    void SetCaption(const String& s) { SetText(s); }
    String Text() const { return GetText(); }
    void SetText(const String& s);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c) { cursor_ = c; }
    unsigned ControlStyle() const { return controlStyle_; }
    void SetControlStyle(unsigned s) { controlStyle_ = s; }
    bool MouseInControl() const { return mouseInControl_; }

    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    virtual void BringToFront();
    virtual void SendToBack();

    // Messages: every message goes through WindowProc, which starts as WndProc
    // and may be replaced by anyone that wants to see the control's messages.
    TWndMethod WindowProc;
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual void WndProc(TMessage& message);
    void Dispatch(TMessage& message) override;

    virtual void Click();

    // The menu shown when the control gets WM_CONTEXTMENU (not owned; forgotten
    // when it is freed).
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);

    TNotifyEvent OnClick, OnDblClick, OnResize;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter, OnMouseLeave;

    // Lets published properties be set after construction in one place.
    void BeforeDestruction() override;

protected:
    virtual String GetText() const { return text_; }
    virtual void TextChanged(const String& text);
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void MouseDown(TMouseButton b, TShiftState s, int x, int y);
    virtual void MouseUp(TMouseButton b, TShiftState s, int x, int y);
    virtual void MouseMove(TShiftState s, int x, int y);
    virtual void BoundsChanged() {}
    void ParentFontChanged();
    void ParentColorChanged();
    void ApplyConstraints(int& w, int& h) const;

    String text_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TWinControl* parent_ = nullptr;
    unsigned controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;

    void Notification(TComponent* component, TOperation operation) override;

private:
    TPopupMenu* popupMenu_ = nullptr;
    void FontChangedHandler(TObject*);
    void ConstraintsChanged(TObject*);
    friend class TWinControl;
    bool visible_ = true, enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false, parentFont_ = true;
    TFont font_;
    bool fontFromParent_ = false;
    TCursor cursor_ = crDefault;
    TAnchors anchors_ = akLeft | akTop;
    TAlign align_ = TAlign::alNone;
    TSizeConstraints constraints_;
    bool clicked_ = false;
    bool mouseInControl_ = false;
};

// A control drawn by its parent window: it paints on the parent's device
// context through its canvas.
class TGraphicControl : public TControl {
    DECLARE_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
    TCanvas& Canvas() { return canvas_; }
    // Paints into dc, whose origin is the control's top-left corner.
    void PaintTo(HDC dc);
    void Dispatch(TMessage& message) override;

protected:
    virtual void Paint() {}

private:
    TCanvas canvas_;
};

struct TCreateParams {
    String Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    String WinClassName;        // the class to register (the control's class name)
    String SubclassOf;          // a system class to copy (EDIT, LISTBOX, ...), or empty
    UINT ClassStyle = CS_DBLCLKS;
};

// A control with its own window. Our own windows register a class named after
// the control's class; wrappers of system controls register a copy of the
// system class under the control's class name and call its procedure by default.
class TWinControl : public TControl {
    DECLARE_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    void DestroyHandle();
    void RecreateWnd();
    static TWinControl* FindControl(HWND wnd);

    int ControlCount() const { return int(controls_.size()); }
    TControl* Controls(int i) const { return controls_.at(size_t(i)); }
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    TControl* ControlAtPos(POINT p, bool allowDisabled = false) const;  // graphic children only

    void SetBounds(int left, int top, int width, int height) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetVisible(bool v) override;
    bool Showing() const override;
    void SetEnabled(bool e) override;
    void Invalidate() override;
    void Update() override;
    void BringToFront() override;
    void SendToBack() override;

    void SetFocus();
    bool Focused() const;
    virtual bool CanFocus() const;
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool t) { tabStop_ = t; }
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool d) { doubleBuffered_ = d; }

    void WndProc(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    // Paints the graphic children into dc (origin at this control's client origin).
    void PaintControls(HDC dc, TControl* first = nullptr);
    void AlignControls();

    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter, OnExit;

protected:
    virtual void CreateParams(TCreateParams& params);
    // CM_FOCUSCHANGED to every control of this control's top-level parent.
    void NotifyFocusChanged();
    virtual void CreateWnd();
    virtual void CreateHandle();
    virtual void DestroyWnd();
    // Destroys the window itself (DestroyWnd's last step); a window that a
    // parent manages is destroyed through it.
    virtual void DestroyOwnWindow(HWND wnd) { DestroyWindow(wnd); }
    // Called once the window exists, before its children are created.
    virtual void HandleCreated() {}
    virtual void PaintWindow(HDC dc);   // background of our own windows
    bool OwnClass() const { return ownClass_; }
    // dc (with the LParam of its WM_ERASEBKGND) is a child's, asking for what lies behind it.
    bool IsChildsDC(HDC dc, LPARAM lParam) const;
    void TextChanged(const String& text) override;
    String GetText() const override;
    void FontChanged() override;
    void ColorChanged() override;
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    HBRUSH ColorBrush();
    // Answers a colour message (the DC in WParam): the font's colour, the
    // control's colour behind the text, and the brush of the control's colour.
    void AnswerColorMessage(TMessage& message);
    void UpdateBounds();   // reads bounds back from the window
    // Gives up the window without destroying it: it goes back to its class's
    // own window procedure, no longer reaches this control, and becomes the
    // caller's to destroy. The next HandleNeeded makes a new window.
    HWND DetachHandle();

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = nullptr;

private:
    friend class TControl;
    friend LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);
    void WMPaint(TMessage& m);
    void MouseToChildren(TMessage& m, bool& handled);
    void UpdateMouseControl(TControl* c);
    void ChildResized();
    std::vector<TControl*> controls_;
    TControl* captureControl_ = nullptr;
    bool tabStop_ = false;
    bool doubleBuffered_ = true;
    bool ownClass_ = true;
    bool creating_ = false;
    bool trackingLeave_ = false;
    int lastClientW_ = -1, lastClientH_ = -1;
    BrushHandle brush_;
    TColor brushColor_ = clNone;
};

// A windowed control with a canvas that paints itself in Paint.
class TCustomControl : public TWinControl {
    DECLARE_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}
    TCanvas& Canvas() { return canvas_; }

protected:
    void PaintWindow(HDC dc) override;
    virtual void Paint();

private:
    TCanvas canvas_;
};

// The text of any window as WM_GETTEXT gives it; empty for no window.
String ReadWindowText(HWND handle);
TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyboardShiftState();
HCURSOR CursorHandle(TCursor c);
