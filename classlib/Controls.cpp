#include "classlib/Controls.h"

#include "classlib/Menus.h"
#include "classlib/Subclass.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <utility>

// Defined by the application object: shows an exception raised in a handler.
void ApplicationHandleException(const std::exception& e);
String UnknownErrorText();

namespace {
thread_local TWinControl* creatingControl = nullptr;
TControl* mouseControl = nullptr;   // the control under the mouse, for enter and leave
std::map<String, WNDPROC>& SystemProcs()
{
    static std::map<String, WNDPROC> procs;
    return procs;
}
}  // namespace

String ReadWindowText(HWND handle)
{
    if (!handle) return String();
    const int n = GetWindowTextLengthW(handle);
    if (n <= 0) return String();
    String s(size_t(n) + 1, L'\0');
    const int got = GetWindowTextW(handle, s.data(), n + 1);
    s.resize(size_t(got > 0 ? got : 0));
    return s;
}

TShiftState KeysToShiftState(WPARAM keys)
{
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState KeyboardShiftState()
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

HCURSOR CursorHandle(TCursor c)
{
    switch (c) {
    case crHandPoint: return LoadCursorW(nullptr, IDC_HAND);
    case crIBeam: return LoadCursorW(nullptr, IDC_IBEAM);
    default: return LoadCursorW(nullptr, IDC_ARROW);
    }
}

void TSizeConstraints::Set(int minW, int minH, int maxW, int maxH)
{
    MinWidth = minW;
    MinHeight = minH;
    MaxWidth = maxW;
    MaxHeight = maxH;
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner)
{
    WindowProc = TWndMethod(this, &TControl::WndProc);
    font_.OnChange = TNotifyEvent(this, &TControl::FontChangedHandler);
    constraints_.OnChange = TNotifyEvent(this, &TControl::ConstraintsChanged);
}

TControl::~TControl()
{
    if (mouseControl == this) mouseControl = nullptr;
    if (parent_) parent_->RemoveControl(this);
}

void TControl::BeforeDestruction()
{
    TComponent::BeforeDestruction();
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation(L"Элемент не может быть родителем самого себя");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::ApplyConstraints(int& w, int& h) const
{
    if (constraints_.MinWidth > 0 && w < constraints_.MinWidth) w = constraints_.MinWidth;
    if (constraints_.MaxWidth > 0 && w > constraints_.MaxWidth) w = constraints_.MaxWidth;
    if (constraints_.MinHeight > 0 && h < constraints_.MinHeight) h = constraints_.MinHeight;
    if (constraints_.MaxHeight > 0 && h > constraints_.MaxHeight) h = constraints_.MaxHeight;
}

void TControl::ConstraintsChanged(TObject*) { SetBounds(left_, top_, width_, height_); }

void TControl::SetBounds(int left, int top, int width, int height)
{
    ApplyConstraints(width, height);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    if (parent_ && visible_) parent_->Invalidate();   // where it was
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (parent_ && visible_) Invalidate();            // where it is
    BoundsChanged();
    if (resized && OnResize) OnResize(this);
}

void TControl::SetClientSize(int w, int h)
{
    SetBounds(left_, top_, width_ + w - ClientWidth(), height_ + h - ClientHeight());
}

POINT TControl::ClientOrigin() const
{
    // A window's client area lies where the system puts it: a form's frame and
    // caption, a control's border, come before it.
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        POINT p{0, 0};
        ::ClientToScreen(const_cast<TWinControl*>(w)->Handle(), &p);
        return p;
    }
    POINT p{left_, top_};
    if (parent_) {
        POINT o = parent_->ClientOrigin();
        p.x += o.x;
        p.y += o.y;
    }
    return p;
}

POINT TControl::ClientToScreen(POINT p) const
{
    POINT o = ClientOrigin();
    return POINT{p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) const
{
    POINT o = ClientOrigin();
    return POINT{p.x - o.x, p.y - o.y};
}

void TControl::SetAnchors(TAnchors a) { anchors_ = a; }

void TControl::SetAlign(TAlign a)
{
    if (a == align_) return;
    align_ = a;
    if (parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool v)
{
    if (v == visible_) return;
    if (!v && parent_) Invalidate();
    visible_ = v;
    if (v && parent_) Invalidate();
    Perform(CM_VISIBLECHANGED, v);
    if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool e)
{
    if (e == enabled_) return;
    enabled_ = e;
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

void TControl::SetColor(TColor c)
{
    parentColor_ = false;
    if (c == color_) return;
    color_ = c;
    ColorChanged();
}

void TControl::SetParentColor(bool p)
{
    parentColor_ = p;
    if (p) ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (parentColor_ && parent_ && parent_->color_ != color_) {
        color_ = parent_->color_;
        ColorChanged();
    }
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::SetParentFont(bool p)
{
    parentFont_ = p;
    if (p) ParentFontChanged();
}

void TControl::ParentFontChanged()
{
    if (parentFont_ && parent_ && !(font_ == parent_->font_)) {
        fontFromParent_ = true;
        font_.Assign(&parent_->font_);
        fontFromParent_ = false;
    }
}

void TControl::FontChangedHandler(TObject*)
{
    if (!fontFromParent_) parentFont_ = false;
    FontChanged();
}

void TControl::FontChanged()
{
    Perform(CM_FONTCHANGED);
    Invalidate();
}

void TControl::SetText(const String& s)
{
    if (s == GetText()) return;
    TextChanged(s);
    Perform(CM_TEXTCHANGED);
}

void TControl::TextChanged(const String& text)
{
    text_ = text;
    Invalidate();
}

void TControl::Invalidate()
{
    if (parent_ && parent_->HandleAllocated() && visible_) {
        RECT r = BoundsRect();
        InvalidateRect(parent_->handle_, &r, FALSE);
    }
}

void TControl::Update()
{
    if (parent_) parent_->Update();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::BringToFront()
{
    if (!parent_) return;
    auto& v = parent_->controls_;
    std::erase(v, this);
    v.push_back(this);
    Invalidate();
}

void TControl::SendToBack()
{
    if (!parent_) return;
    auto& v = parent_->controls_;
    std::erase(v, this);
    v.insert(v.begin(), this);
    Invalidate();
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage m{msg, wParam, lParam, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
        TMouseButton b = (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK)   ? TMouseButton::mbLeft
                         : (m.Msg == WM_RBUTTONDOWN || m.Msg == WM_RBUTTONDBLCLK) ? TMouseButton::mbRight
                                                                                  : TMouseButton::mbMiddle;
        bool dbl = m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK;
        if (b == TMouseButton::mbLeft && (controlStyle_ & csClickEvents)) clicked_ = true;
        if (dbl && b == TMouseButton::mbLeft && OnDblClick) OnDblClick(this);
        MouseDown(b, KeysToShiftState(m.WParam) | (dbl ? unsigned(ssDouble) : 0u), GET_X_LPARAM(m.LParam),
                  GET_Y_LPARAM(m.LParam));
        break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        TMouseButton b = m.Msg == WM_LBUTTONUP   ? TMouseButton::mbLeft
                         : m.Msg == WM_RBUTTONUP ? TMouseButton::mbRight
                                                 : TMouseButton::mbMiddle;
        int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
        bool click = b == TMouseButton::mbLeft && clicked_;
        if (b == TMouseButton::mbLeft) clicked_ = false;
        // Keep ourselves alive-safe: the handler may hide or move the control.
        if (click && x >= 0 && y >= 0 && x < width_ && y < height_) Click();
        if (!Destroying()) MouseUp(b, KeysToShiftState(m.WParam), x, y);
        break;
    }
    case WM_MOUSEMOVE:
        MouseMove(KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        break;
    default:
        break;
    }
    Dispatch(m);
}

void TControl::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
        // The control's own news (LParam nil or itself) sets its state; the
        // parents hear it with the control named.
        bool enter = m.Msg == CM_MOUSEENTER;
        if (m.LParam == 0 || m.LParam == LPARAM(this)) {
            mouseInControl_ = enter;
            TNotifyEvent& handler = enter ? OnMouseEnter : OnMouseLeave;
            if (handler) handler(this);
        }
        if (parent_) parent_->Perform(m.Msg, 0, m.LParam ? m.LParam : LPARAM(this));
        return;
    }
    case WM_CONTEXTMENU:
        if (popupMenu_) {
            // From the keyboard (-1): under the control's top-left corner.
            POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            if (m.LParam == -1) {
                p = POINT{0, 0};
                if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) ::ClientToScreen(w->Handle(), &p);
            }
            popupMenu_->PopupComponent = this;
            popupMenu_->Popup(p.x, p.y);
            m.Result = 1;
            return;
        }
        TComponent::Dispatch(m);
        return;
    default:
        TComponent::Dispatch(m);
    }
}

void TControl::SetPopupMenu(TPopupMenu* menu)
{
    if (popupMenu_ == menu) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = menu;
    if (popupMenu_) popupMenu_->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y)
{
    if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}

void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y)
{
    if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}

void TControl::MouseMove(TShiftState s, int x, int y)
{
    if (OnMouseMove) OnMouseMove(this, s, x, y);
}

// ---------------------------------------------------------------- TGraphicControl

void TGraphicControl::PaintTo(HDC dc)
{
    canvas_.SetHandle(dc);
    canvas_.Font().Assign(&Font());
    canvas_.Brush().SetColor(Color());
    Paint();
    canvas_.SetHandle(nullptr);
}

void TGraphicControl::Dispatch(TMessage& m)
{
    if (m.Msg == WM_PAINT && m.WParam) {
        PaintTo(HDC(m.WParam));
        return;
    }
    TControl::Dispatch(m);
}

// ---------------------------------------------------------------- TWinControl

LRESULT CALLBACK ControlWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The window's record carries its control: no look-up beyond the
    // process-local table (see Subclass.h for why not a window property).
    TWindowRecord* r = TWindowRecord::Find(wnd);
    if ((!r || !r->controlInstalled) && creatingControl) {
        // The first message of any kind binds the window being created.
        TWinControl* c = std::exchange(creatingControl, nullptr);
        c->handle_ = wnd;
        r = TWindowRecord::BindControl(wnd, c, c->defWndProc_);
    }
    if (!r) return DefWindowProcW(wnd, msg, wParam, lParam);
    r->Enter();
    TMessage m{msg, wParam, lParam, 0};
    if (TWinControl* c = r->control) {
        // Nothing may leave a window procedure: an exception that crossed the
        // system's frames would end the program.
        try {
            c->WindowProc(m);
        } catch (const std::exception& e) {
            ApplicationHandleException(e);
        } catch (...) {
            ApplicationHandleException(Exception(UnknownErrorText()));
        }
    } else {
        // The control let go while someone had hooked on top of us.
        WNDPROC previous = r->controlInstalled && r->controlPrevious ? r->controlPrevious : DefWindowProcW;
        m.Result = CallWindowProcW(previous, wnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) r->WindowDestroyed();
    r->Leave();
    return m.Result;
}

TWinControl* TWinControl::FindControl(HWND wnd)
{
    TWindowRecord* r = TWindowRecord::Find(wnd);
    return r ? r->control : nullptr;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    SetState(csDestroying);
    // Children that we do not own still leave the tree with us.
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        RemoveControl(c);
    }
    DestroyHandle();
}

HWND TWinControl::Handle()
{
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded()
{
    if (handle_) return;
    if (parent_) parent_->HandleNeeded();
    if (!handle_) CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& p)
{
    p.Caption = text_;
    p.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (Visible()) p.Style |= WS_VISIBLE;
    if (!Enabled()) p.Style |= WS_DISABLED;
    if (tabStop_) p.Style |= WS_TABSTOP;
    p.X = left_;
    p.Y = top_;
    p.Width = width_;
    p.Height = height_;
    p.WndParent = parent_ ? parent_->handle_ : nullptr;
    p.WinClassName = ClassName();
}

void TWinControl::CreateHandle()
{
    if (handle_ || creating_) return;
    creating_ = true;
    try {
        CreateWnd();
    } catch (...) {
        creating_ = false;
        throw;
    }
    creating_ = false;
    HandleCreated();
    SendMessageW(handle_, WM_SETFONT, WPARAM(Font().Handle()), FALSE);
    // Children get their windows now, in z-order (the first one at the bottom).
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            w->CreateHandle();
            SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    RECT r;
    GetClientRect(handle_, &r);
    lastClientW_ = r.right;
    lastClientH_ = r.bottom;
    AlignControls();
}

void TWinControl::CreateWnd()
{
    TCreateParams p;
    CreateParams(p);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{sizeof existing};
    if (!GetClassInfoExW(inst, p.WinClassName.c_str(), &existing)) {
        WNDCLASSEXW wc{sizeof wc};
        if (!p.SubclassOf.empty()) {
            if (!GetClassInfoExW(nullptr, p.SubclassOf.c_str(), &wc) &&
                !GetClassInfoExW(inst, p.SubclassOf.c_str(), &wc))
                throw EOutOfResources(L"Не найден класс окна " + p.SubclassOf);
            wc.cbSize = sizeof wc;
            SystemProcs()[p.WinClassName] = wc.lpfnWndProc;
        } else {
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.style = p.ClassStyle;
            SystemProcs()[p.WinClassName] = DefWindowProcW;
        }
        wc.lpfnWndProc = ControlWndProc;
        wc.hInstance = inst;
        wc.lpszClassName = p.WinClassName.c_str();
        wc.style &= ~CS_GLOBALCLASS;
        if (!RegisterClassExW(&wc)) throw EOutOfResources(L"Не удается зарегистрировать класс окна " + p.WinClassName);
    }
    ownClass_ = p.SubclassOf.empty();
    defWndProc_ = SystemProcs()[p.WinClassName];
    if (!defWndProc_) defWndProc_ = DefWindowProcW;
    creatingControl = this;
    HWND h = CreateWindowExW(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                             p.Height, p.WndParent, nullptr, inst, nullptr);
    creatingControl = nullptr;
    if (!h) {
        handle_ = nullptr;
        throw EOutOfResources(L"Не удается создать окно " + p.WinClassName);
    }
    handle_ = h;
    CountHandleTaken(THandleKind::hkWindow);
}

HWND TWinControl::DetachHandle()
{
    HWND h = handle_;
    if (!h) return nullptr;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    // Our procedure comes out only while it is the one installed; under
    // someone else's subclass it stays and passes messages through.
    TWindowRecord::ReleaseControl(h, this);
    handle_ = nullptr;
    CountHandleFreed(THandleKind::hkWindow);   // the caller owns the window now
    return h;
}

void TWinControl::DestroyHandle()
{
    if (!handle_) return;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd()
{
    // Keep the text: the window takes it with it.
    if (handle_) {
        text_ = GetText();
        HWND h = handle_;
        DestroyOwnWindow(h);
        TWindowRecord::ReleaseControl(h, this);   // a window that outlived DestroyWindow
        if (handle_) CountHandleFreed(THandleKind::hkWindow);   // WM_NCDESTROY did not reach Dispatch
        handle_ = nullptr;
    }
}

void TWinControl::RecreateWnd()
{
    if (!handle_) return;
    DestroyHandle();
    HandleNeeded();
    Perform(CM_RECREATEWND);
}

void TWinControl::InsertControl(TControl* c)
{
    c->parent_ = this;
    controls_.push_back(c);
    c->ParentFontChanged();
    c->ParentColorChanged();
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (handle_) {
            if (w->handle_) {
                ::SetParent(w->handle_, handle_);
            } else {
                w->CreateHandle();
            }
            SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    } else {
        c->Invalidate();
    }
    Perform(CM_CONTROLLISTCHANGE, WPARAM(c), TRUE);
    if (c->Align() != TAlign::alNone) AlignControls();
}

void TWinControl::RemoveControl(TControl* c)
{
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it == controls_.end()) return;
    if (!Destroying()) Perform(CM_CONTROLLISTCHANGE, WPARAM(c), FALSE);
    c->Invalidate();
    if (captureControl_ == c) captureControl_ = nullptr;
    controls_.erase(std::find(controls_.begin(), controls_.end(), c));
    c->parent_ = nullptr;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (w->handle_ && !Destroying()) w->DestroyHandle();
    }
    if (!Destroying() && c->Align() != TAlign::alNone) AlignControls();
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const
{
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c)) continue;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    ApplyConstraints(width, height);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_) SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (resized) ChildResized();
    BoundsChanged();
    if (resized && OnResize) OnResize(this);
}

void TWinControl::UpdateBounds()
{
    if (!handle_) return;
    RECT r;
    GetWindowRect(handle_, &r);
    HWND parent = GetParent(handle_);
    if (parent && (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)) MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    bool resized = r.right - r.left != width_ || r.bottom - r.top != height_;
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
    if (resized) {
        ChildResized();
        if (OnResize) OnResize(this);
    }
}

// Our client size changed: move anchored children and realign aligned ones.
void TWinControl::ChildResized()
{
    if (!handle_) return;
    RECT r;
    GetClientRect(handle_, &r);
    int w = r.right, h = r.bottom;
    if (lastClientW_ >= 0) {
        int dx = w - lastClientW_, dy = h - lastClientH_;
        if (dx || dy) {
            for (TControl* c : std::vector<TControl*>(controls_)) {
                if (c->Align() != TAlign::alNone) continue;
                TAnchors a = c->Anchors();
                int l = c->left_, t = c->top_, cw = c->width_, ch = c->height_;
                if (a & akRight) {
                    if (a & akLeft) cw += dx; else l += dx;
                }
                if (a & akBottom) {
                    if (a & akTop) ch += dy; else t += dy;
                }
                c->SetBounds(l, t, cw, ch);
            }
        }
    }
    lastClientW_ = w;
    lastClientH_ = h;
    AlignControls();
}

void TWinControl::AlignControls()
{
    if (!handle_) return;
    RECT r = ClientRect();
    auto place = [&](TAlign which) {
        for (TControl* c : std::vector<TControl*>(controls_)) {
            if (c->Align() != which || !c->Visible()) continue;
            switch (which) {
            case TAlign::alTop: c->SetBounds(r.left, r.top, r.right - r.left, c->height_); r.top += c->height_; break;
            case TAlign::alBottom: c->SetBounds(r.left, r.bottom - c->height_, r.right - r.left, c->height_); r.bottom -= c->height_; break;
            case TAlign::alLeft: c->SetBounds(r.left, r.top, c->width_, r.bottom - r.top); r.left += c->width_; break;
            case TAlign::alRight: c->SetBounds(r.right - c->width_, r.top, c->width_, r.bottom - r.top); r.right -= c->width_; break;
            case TAlign::alClient: c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); break;
            default: break;
            }
        }
    };
    place(TAlign::alTop);
    place(TAlign::alBottom);
    place(TAlign::alLeft);
    place(TAlign::alRight);
    place(TAlign::alClient);
}

int TWinControl::ClientWidth() const
{
    if (!handle_) return width_;
    RECT r;
    GetClientRect(handle_, &r);
    return r.right;
}

int TWinControl::ClientHeight() const
{
    if (!handle_) return height_;
    RECT r;
    GetClientRect(handle_, &r);
    return r.bottom;
}

void TWinControl::SetVisible(bool v)
{
    if (v == Visible()) return;
    TControl::SetVisible(v);
    if (handle_) {
        bool wasShowing = IsWindowVisible(handle_) != 0;
        ShowWindow(handle_, v ? SW_SHOWNA : SW_HIDE);
        if (wasShowing != (IsWindowVisible(handle_) != 0)) Perform(CM_SHOWINGCHANGED);
    }
}

bool TWinControl::Showing() const { return handle_ && IsWindowVisible(handle_); }

void TWinControl::SetEnabled(bool e)
{
    if (e == Enabled()) return;
    TControl::SetEnabled(e);
    if (handle_) EnableWindow(handle_, e);
}

void TWinControl::Invalidate()
{
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Update()
{
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::BringToFront()
{
    TControl::BringToFront();
    if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SendToBack()
{
    TControl::SendToBack();
    if (handle_) SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SetFocus()
{
    if (handle_) ::SetFocus(handle_);
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const { return handle_ && IsWindowVisible(handle_) && IsWindowEnabled(handle_); }

String TWinControl::GetText() const { return handle_ ? ReadWindowText(handle_) : text_; }

void TWinControl::TextChanged(const String& text)
{
    text_ = text;
    if (handle_) SetWindowTextW(handle_, text.c_str());
    Invalidate();
}

void TWinControl::FontChanged()
{
    // A window that has the font already (only its colour changed) is not
    // made to lay its text out again.
    if (handle_ && HFONT(SendMessageW(handle_, WM_GETFONT, 0, 0)) != Font().Handle())
        SendMessageW(handle_, WM_SETFONT, WPARAM(Font().Handle()), TRUE);
    for (TControl* c : controls_) c->ParentFontChanged();
    TControl::FontChanged();
}

void TWinControl::ColorChanged()
{
    for (TControl* c : controls_) c->ParentColorChanged();
    TControl::ColorChanged();
}

void TWinControl::AnswerColorMessage(TMessage& m)
{
    HDC dc = HDC(m.WParam);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    SetBkColor(dc, ColorToRGB(Color()));
    m.Result = LRESULT(ColorBrush());
}

HBRUSH TWinControl::ColorBrush()
{
    if (!brush_ || brushColor_ != Color()) {
        brush_.reset(CreateSolidBrush(ColorToRGB(Color())));
        brushColor_ = Color();
    }
    return brush_.get();
}

void TWinControl::KeyDown(WORD& key, TShiftState shift)
{
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift)
{
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(wchar_t& key)
{
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::MouseToChildren(TMessage& m, bool& handled)
{
    handled = false;
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    TControl* target = captureControl_;
    if (!target) target = ControlAtPos(p);
    if (m.Msg == WM_MOUSEMOVE) UpdateMouseControl(target ? target : this);
    if (!target) return;
    bool down = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN ||
                m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK;
    bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
    if (down && (target->ControlStyle() & csCaptureMouse)) {
        captureControl_ = target;
        SetCapture(handle_);
    }
    LPARAM lp = MAKELPARAM(p.x - target->Left(), p.y - target->Top());
    if (up) {
        captureControl_ = nullptr;
        if (GetCapture() == handle_) ReleaseCapture();
    }
    target->Perform(m.Msg, m.WParam, lp);
    handled = true;
}

void TWinControl::UpdateMouseControl(TControl* c)
{
    if (c == mouseControl) return;
    TControl* old = mouseControl;
    mouseControl = c;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (c) c->Perform(CM_MOUSEENTER);
    if (!trackingLeave_ && handle_) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, handle_, 0};
        trackingLeave_ = TrackMouseEvent(&t) != 0;
    }
}

void TWinControl::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE: {
        bool handled;
        MouseToChildren(m, handled);
        if (handled) return;
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        // A plain key goes to the control's own notification first; then the
        // key handler may change the key or swallow it (key 0).
        bool down = m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN;
        // A shortcut of the form's menu goes to its item first.
        if (down && handle_ && DispatchMenuShortCut(handle_, ShortCut(WORD(m.WParam), KeyboardShiftState()))) return;
        if (m.Msg == WM_KEYDOWN && Perform(CN_KEYDOWN, m.WParam, m.LParam)) return;
        if (m.Msg == WM_KEYUP && Perform(CN_KEYUP, m.WParam, m.LParam)) return;
        WORD key = WORD(m.WParam);
        if (down) KeyDown(key, KeyboardShiftState());
        else KeyUp(key, KeyboardShiftState());
        if (key == 0) return;
        m.WParam = key;
        break;
    }
    case WM_CHAR: {
        wchar_t ch = wchar_t(m.WParam);
        KeyPress(ch);
        if (ch == 0) return;
        m.WParam = ch;
        break;
    }
    default:
        break;
    }
    TControl::WndProc(m);
}

bool TWinControl::IsChildsDC(HDC dc, LPARAM lParam) const
{
    if (WPARAM(dc) == WPARAM(lParam)) return true;   // PaintParentBackground's request
    HWND owner = WindowFromDC(dc);
    return owner && owner != handle_ && IsChild(handle_, owner);
}

void TWinControl::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT:
        if (ownClass_) {
            WMPaint(m);
            return;
        }
        break;
    case WM_ERASEBKGND:
        if (ownClass_) {
            // The window's own erase is left to WM_PAINT, which paints all of
            // it. A child that shows what lies behind it asks its parent to
            // erase into the child's DC, moved to the parent's coordinates (a
            // transparent tool bar does, and so does PaintParentBackground):
            // it gets the window's colour, not whatever the DC held.
            HDC dc = HDC(m.WParam);
            if (dc && IsChildsDC(dc, m.LParam)) {
                RECT r{};
                if (GetClipBox(dc, &r) != ERROR) FillRect(dc, &r, ColorBrush());
            }
            m.Result = 1;
            return;
        }
        break;
    case WM_PRINTCLIENT:
        if (ownClass_) {
            HDC dc = HDC(m.WParam);
            PaintWindow(dc);
            PaintControls(dc);
            return;
        }
        break;
    case WM_SIZE:
    case WM_MOVE:
        DefaultHandler(m);
        UpdateBounds();
        return;
    case WM_SETCURSOR:
        if (HWND(m.WParam) == handle_ && LOWORD(m.LParam) == HTCLIENT) {
            POINT p;
            GetCursorPos(&p);
            ::ScreenToClient(handle_, &p);
            TControl* c = ControlAtPos(p);
            TCursor cur = c && c->Cursor() != crDefault ? c->Cursor() : Cursor();
            if (cur != crDefault) {
                ::SetCursor(CursorHandle(cur));
                m.Result = TRUE;
                return;
            }
        }
        break;
    case WM_MOUSELEAVE:
        trackingLeave_ = false;
        // The mouse left this window's client area, possibly into a child
        // window, which has already taken the mouse over: only this control
        // or one of its graphic children loses it here.
        if (mouseControl == this ||
            (mouseControl && mouseControl->Parent() == this && !dynamic_cast<TWinControl*>(mouseControl)))
            UpdateMouseControl(nullptr);
        break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_HSCROLL:   // from a scroll-bar control: LParam is its window
    case WM_VSCROLL: {
        HWND child = nullptr;
        if (m.Msg == WM_COMMAND) child = HWND(m.LParam);
        else if (m.Msg == WM_NOTIFY) child = reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
        else if (m.Msg == WM_DRAWITEM) child = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam)->hwndItem;
        else if (m.Msg == WM_MEASUREITEM) child = GetDlgItem(handle_, int(reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)->CtlID));
        else child = HWND(m.LParam);
        if (TWinControl* c = FindControl(child); c && c != this) {
            m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
            return;
        }
        break;
    }
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
    case CN_CTLCOLORLISTBOX:
        AnswerColorMessage(m);
        return;
    case WM_MOUSEWHEEL:
        if (Perform(CM_MOUSEWHEEL, m.WParam, m.LParam)) {
            m.Result = 0;
            return;
        }
        break;
    case WM_SETFOCUS:
        NotifyFocusChanged();
        if (OnEnter) OnEnter(this);
        break;
    case WM_KILLFOCUS:
        Perform(CM_EXIT);
        if (OnExit) OnExit(this);
        break;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(m.LParam);
        const auto& c = Constraints();
        if (c.MinWidth > 0) mm->ptMinTrackSize.x = c.MinWidth;
        if (c.MinHeight > 0) mm->ptMinTrackSize.y = c.MinHeight;
        if (c.MaxWidth > 0) mm->ptMaxTrackSize.x = c.MaxWidth;
        if (c.MaxHeight > 0) mm->ptMaxTrackSize.y = c.MaxHeight;
        break;
    }
    case WM_SIZING: {
        // Hold the moving edges so that the dragged rectangle keeps within the constraints.
        auto* r = reinterpret_cast<RECT*>(m.LParam);
        int w = r->right - r->left, h = r->bottom - r->top;
        ApplyConstraints(w, h);
        if (m.WParam == WMSZ_LEFT || m.WParam == WMSZ_TOPLEFT || m.WParam == WMSZ_BOTTOMLEFT)
            r->left = r->right - w;
        else
            r->right = r->left + w;
        if (m.WParam == WMSZ_TOP || m.WParam == WMSZ_TOPLEFT || m.WParam == WMSZ_TOPRIGHT)
            r->top = r->bottom - h;
        else
            r->bottom = r->top + h;
        m.Result = TRUE;
        return;
    }
    case WM_NCDESTROY:
        DefaultHandler(m);
        if (handle_) CountHandleFreed(THandleKind::hkWindow);
        handle_ = nullptr;   // ControlWndProc unbinds the record
        return;
    default:
        break;
    }
    TControl::Dispatch(m);
}

void TWinControl::DefaultHandler(TMessage& m)
{
    if (!handle_) return;
    if (m.Msg >= CM_BASE && m.Msg < CM_BASE + 0x1000) return;   // our notifications end here
    m.Result = CallWindowProcW(defWndProc_ ? defWndProc_ : DefWindowProcW, handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::PaintWindow(HDC dc)
{
    RECT r = ClientRect();
    FillRect(dc, &r, ColorBrush());
}

void TWinControl::PaintControls(HDC dc, TControl* first)
{
    bool started = first == nullptr;
    for (TControl* c : controls_) {
        if (!started) {
            started = c == first;
            continue;
        }
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible()) continue;
        SavedDC saved(dc);
        IntersectClipRect(dc, g->Left(), g->Top(), g->Left() + g->Width(), g->Top() + g->Height());
        POINT org;
        GetViewportOrgEx(dc, &org);
        SetViewportOrgEx(dc, org.x + g->Left(), org.y + g->Top(), nullptr);
        g->Perform(WM_PAINT, WPARAM(dc), 0);
    }
}

void TWinControl::WMPaint(TMessage& m)
{
    if (m.WParam) {
        HDC dc = HDC(m.WParam);
        PaintWindow(dc);
        PaintControls(dc);
        return;
    }
    // The scope ends the paint on every way out: a Paint that throws still
    // validates the window (its error is shown once, not on every repaint) and
    // leaks neither the paint DC nor the buffer.
    PaintScope paint(handle_);
    HDC dc = paint.get();
    RECT r = ClientRect();
    if (doubleBuffered_ && r.right > 0 && r.bottom > 0) {
        MemoryDC mem = CreateMemoryDC(dc);
        BitmapHandle bmp(CreateCompatibleBitmap(dc, r.right, r.bottom));
        SelectScope select(mem.get(), bmp.get());
        PaintWindow(mem.get());
        PaintControls(mem.get());
        const RECT& p = paint.PaintRect();
        BitBlt(dc, p.left, p.top, p.right - p.left, p.bottom - p.top, mem.get(), p.left, p.top, SRCCOPY);
    } else {
        PaintWindow(dc);
        PaintControls(dc);
    }
}

// ---------------------------------------------------------------- TCustomControl

void TCustomControl::PaintWindow(HDC dc)
{
    TCanvasBinding bound(canvas_, dc, Font(), Color());
    Paint();
}

void TCustomControl::Paint()
{
    canvas_.Brush().SetColor(Color());
    canvas_.FillRect(ClientRect());
}

namespace {
void SendToAllControls(TWinControl* parent, UINT msg, LPARAM lParam)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        c->Perform(msg, 0, lParam);
        if (auto* w = dynamic_cast<TWinControl*>(c)) SendToAllControls(w, msg, lParam);
    }
}
}  // namespace

void TWinControl::NotifyFocusChanged()
{
    TWinControl* top = this;
    while (top->Parent())
        top = top->Parent();
    top->Perform(CM_FOCUSCHANGED, 0, LPARAM(this));
    SendToAllControls(top, CM_FOCUSCHANGED, LPARAM(this));
}
