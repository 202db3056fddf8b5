#include "classlib/Forms.h"

#include "classlib/HandleQuery.h"
#include "classlib/Menus.h"

#include <algorithm>
#include <new>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

void InitApplication()
{
    if (!Application) Application = new TApplication(nullptr);
    if (!Screen) Screen = new TScreen(nullptr);
}

void DoneApplication()
{
    TComponent* a = Application;
    Application = nullptr;
    Free(a);
    TComponent* s = Screen;
    Screen = nullptr;
    Free(s);
}

String OutOfMemoryText() { return L"Недостаточно памяти"; }

String UnknownErrorText() { return L"Неизвестная ошибка"; }

String ErrorBoxText(const std::exception& e)
{
    // The runtime's what() of bad_alloc says nothing a reader can use.
    String text = dynamic_cast<const std::bad_alloc*>(&e) ? OutOfMemoryText() : ExceptionMessage(e);
    if (text.empty()) text = UnknownErrorText();
    if (text.back() != L'.') text += L".";
    return text;
}

void ApplicationHandleException(const std::exception& e)
{
    if (Application)
        Application->HandleException(e);
    else
        MessageBoxW(nullptr, ErrorBoxText(e).c_str(), L"Ошибка", MB_OK | MB_ICONSTOP);
}

// ---------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner)
{
    TControl::SetVisible(false);
    SetBounds(0, 0, 320, 240);
    SetControlStyle(ControlStyle() | csAcceptsControls);
    if (Application) Application->AddForm(this);
}

TCustomForm::~TCustomForm()
{
    SetState(csDestroying);
    if (OnDestroy) OnDestroy(this);
    if (Application) Application->RemoveForm(this);
    // While this class still answers DestroyOwnWindow: an MDI child leaves
    // through its client.
    if (handle_ && (GetWindowLongW(handle_, GWL_EXSTYLE) & WS_EX_MDICHILD)) DestroyHandle();
}

void TCustomForm::DestroyOwnWindow(HWND wnd)
{
    HWND client = GetParent(wnd);
    if ((GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_MDICHILD) && client) {
        SendMessageW(client, WM_MDIDESTROY, WPARAM(wnd), 0);
        if (!IsWindow(wnd)) return;
    }
    TWinControl::DestroyOwnWindow(wnd);
}

DWORD TCustomForm::StyleFor() const
{
    DWORD s = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (borderStyle_) {
    case TFormBorderStyle::bsNone: s |= WS_POPUP; break;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsToolWindow: s |= WS_CAPTION | WS_BORDER; break;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin: s |= WS_CAPTION | WS_THICKFRAME; break;
    case TFormBorderStyle::bsDialog: s |= WS_POPUP | WS_CAPTION | DS_MODALFRAME; break;
    }
    if (borderStyle_ != TFormBorderStyle::bsNone && (borderIcons_ & biSystemMenu)) {
        s |= WS_SYSMENU;
        if (borderStyle_ != TFormBorderStyle::bsDialog && borderStyle_ != TFormBorderStyle::bsToolWindow &&
            borderStyle_ != TFormBorderStyle::bsSizeToolWin) {
            if (borderIcons_ & biMinimize) s |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize) s |= WS_MAXIMIZEBOX;
        }
    }
    return s;
}

DWORD TCustomForm::ExStyleFor() const
{
    DWORD ex = extraExStyle_;
    if (formStyle_ == TFormStyle::fsStayOnTop) ex |= WS_EX_TOPMOST;
    // Layered only once the window exists: HandleCreated gives it its alpha
    // at the same time, since a layered window without one is never drawn.
    if (alphaBlend_ && handle_) ex |= WS_EX_LAYERED;
    if (borderStyle_ == TFormBorderStyle::bsDialog) ex |= WS_EX_DLGMODALFRAME;
    if (borderStyle_ == TFormBorderStyle::bsToolWindow || borderStyle_ == TFormBorderStyle::bsSizeToolWin)
        ex |= WS_EX_TOOLWINDOW;
    return ex;
}

void TCustomForm::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.Style = StyleFor();
    p.ExStyle = ExStyleFor();
    p.WndParent = Application ? Application->Handle() : nullptr;
    if (formStyle_ == TFormStyle::fsMDIChild) {
        // Made inside the client window of the application's MDI form (the
        // main form, or else the first MDI form made), which manages it.
        TCustomForm* main = Application ? Application->MainForm() : nullptr;
        if ((!main || main->FormStyle() != TFormStyle::fsMDIForm) && Application)
            for (TCustomForm* f : Application->Forms())
                if (f != this && f->FormStyle() == TFormStyle::fsMDIForm && !f->Destroying()) {
                    main = f;
                    break;
                }
        if (main && main != this && main->FormStyle() == TFormStyle::fsMDIForm) {
            main->HandleNeeded();
            if (main->ClientHandle()) {
                p.WndParent = main->ClientHandle();
                p.Style = (p.Style & ~DWORD(WS_POPUP)) | WS_CHILD;
                p.ExStyle |= WS_EX_MDICHILD;
            }
        }
    }
}

void TCustomForm::HandleCreated()
{
    TWinControl::HandleCreated();
    if (alphaBlend_) ApplyAlphaBlend();
    if (menu_) ApplyMenu();
    if (formStyle_ == TFormStyle::fsMDIForm) CreateMDIClient();
}

void TCustomForm::CreateMDIClient()
{
    CLIENTCREATESTRUCT ccs{windowMenu_, MDIFirstChildCommand};
    RECT r{};
    GetClientRect(handle_, &r);
    clientHandle_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                    WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                                    0, 0, r.right, r.bottom, handle_, nullptr, GetModuleHandleW(nullptr), &ccs);
}

void TCustomForm::DefaultHandler(TMessage& m)
{
    if (handle_ && !(m.Msg >= CM_BASE && m.Msg < CM_BASE + 0x1000)) {
        if (formStyle_ == TFormStyle::fsMDIForm && clientHandle_) {
            m.Result = DefFrameProcW(handle_, clientHandle_, m.Msg, m.WParam, m.LParam);
            return;
        }
        if (formStyle_ == TFormStyle::fsMDIChild && (GetWindowLongW(handle_, GWL_EXSTYLE) & WS_EX_MDICHILD)) {
            m.Result = DefMDIChildProcW(handle_, m.Msg, m.WParam, m.LParam);
            return;
        }
    }
    TWinControl::DefaultHandler(m);
}

static bool IsMDIChildWindow(HWND wnd) { return wnd && (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_MDICHILD); }

std::vector<TCustomForm*> TCustomForm::MDIChildList() const
{
    std::vector<TCustomForm*> out;
    if (!clientHandle_ || !Application) return out;
    for (TCustomForm* f : Application->Forms())
        if (f != this && f->formStyle_ == TFormStyle::fsMDIChild && f->HandleAllocated() &&
            GetParent(f->handle_) == clientHandle_)
            out.push_back(f);
    return out;
}

TCustomForm* TCustomForm::ActiveMDIChild() const
{
    if (!clientHandle_) return nullptr;
    HWND active = HWND(SendMessageW(clientHandle_, WM_MDIGETACTIVE, 0, 0));
    return active ? dynamic_cast<TCustomForm*>(TWinControl::FindControl(active)) : nullptr;
}

TCustomForm* TCustomForm::MDIChildren(int index) const
{
    auto list = MDIChildList();
    return index >= 0 && index < int(list.size()) ? list[size_t(index)] : nullptr;
}

int TCustomForm::MDIChildCount() const { return int(MDIChildList().size()); }

void TCustomForm::SetWindowMenu(HMENU menu)
{
    windowMenu_ = menu;
    if (clientHandle_) {
        SendMessageW(clientHandle_, WM_MDISETMENU, WPARAM(GetMenu(handle_)), LPARAM(menu));
        DrawMenuBar(handle_);
    }
}

void TCustomForm::SetMenu(TMainMenu* menu)
{
    if (menu_ == menu) return;
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        if (HandleAllocated()) ::SetMenu(handle_, nullptr);
        menu_->SetWindowHandle(nullptr);
    }
    menu_ = menu;
    if (menu_) menu_->FreeNotification(this);
    if (HandleAllocated()) ApplyMenu();
}

void TCustomForm::ApplyMenu()
{
    if (menu_) {
        menu_->SetWindowHandle(handle_);
        ::SetMenu(handle_, menu_->Handle());
    }
    // The menu line takes room from the client: the control tree follows.
    UpdateBounds();
    SendMessageW(handle_, CM_MENUCHANGED, 0, 0);
}

void TCustomForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == menu_) {
        menu_ = nullptr;   // the menu took itself off the window
        if (HandleAllocated()) DrawMenuBar(handle_);
    }
}

void TCustomForm::ApplyStyles()
{
    if (!HandleAllocated()) return;
    DWORD keep = GetWindowLongW(handle_, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
    SetWindowLongW(handle_, GWL_STYLE, LONG(StyleFor() | keep));
    SetWindowLongW(handle_, GWL_EXSTYLE, LONG(ExStyleFor()));
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBounds();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle s)
{
    if (s == borderStyle_) return;
    borderStyle_ = s;
    ApplyStyles();
}

void TCustomForm::SetFormStyle(TFormStyle s)
{
    if (s == formStyle_) return;
    formStyle_ = s;
    if (!HandleAllocated()) return;
    ApplyStyles();
    SetWindowPos(handle_, s == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetExtraExStyle(DWORD ex)
{
    if (ex == extraExStyle_) return;
    extraExStyle_ = ex;
    ApplyStyles();
}

void TCustomForm::ApplyAlphaBlend()
{
    if (!HandleAllocated()) return;
    ApplyStyles();
    if (alphaBlend_) SetLayeredWindowAttributes(handle_, 0, alphaBlendValue_, LWA_ALPHA);
}

void TCustomForm::SetAlphaBlend(bool on)
{
    if (on == alphaBlend_) return;
    alphaBlend_ = on;
    ApplyAlphaBlend();
}

void TCustomForm::SetAlphaBlendValue(BYTE value)
{
    if (value == alphaBlendValue_) return;
    alphaBlendValue_ = value;
    if (alphaBlend_) ApplyAlphaBlend();
}

void TCustomForm::SetBorderIcons(TBorderIcons i)
{
    if (i == borderIcons_) return;
    borderIcons_ = i;
    ApplyStyles();
}

TWindowState TCustomForm::WindowState() const
{
    if (!HandleAllocated()) return TWindowState::wsNormal;
    if (IsIconic(handle_)) return TWindowState::wsMinimized;
    if (IsZoomed(handle_)) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TCustomForm::SetWindowState(TWindowState s)
{
    if (!HandleAllocated() || !Visible()) return;
    if (IsMDIChildWindow(handle_)) {
        // The client window keeps its children's states in step (one maximised child maximises all).
        HWND client = GetParent(handle_);
        if (s == TWindowState::wsMaximized)
            SendMessageW(client, WM_MDIMAXIMIZE, WPARAM(handle_), 0);
        else if (s == TWindowState::wsNormal)
            SendMessageW(client, WM_MDIRESTORE, WPARAM(handle_), 0);
        else
            ShowWindow(handle_, SW_MINIMIZE);
        return;
    }
    ShowWindow(handle_, s == TWindowState::wsMinimized   ? SW_MINIMIZE
                        : s == TWindowState::wsMaximized ? SW_MAXIMIZE
                                                         : SW_RESTORE);
}

void TCustomForm::CenterOnScreen()
{
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
}

void TCustomForm::SetVisible(bool v)
{
    if (v == Visible() && (!v || Showing())) return;
    if (v) {
        HandleNeeded();
        if (position_ == TPosition::poScreenCenter || position_ == TPosition::poDesktopCenter) CenterOnScreen();
        TControl::SetVisible(true);
        // An error in OnShow is shown, and the form is shown all the same.
        try {
            DoShow();
        } catch (const std::exception& e) {
            ApplicationHandleException(e);
        }
        if (!Visible()) return;   // OnShow may have hidden us again
        if (IsMDIChildWindow(handle_)) {
            ShowWindow(handle_, SW_SHOW);
            SendMessageW(GetParent(handle_), WM_MDIACTIVATE, WPARAM(handle_), 0);
        } else {
            ShowWindow(handle_, SW_SHOWNORMAL);
            SetForegroundWindow(handle_);
        }
        showing_ = true;
        Perform(CM_SHOWINGCHANGED);
        if (Application && Application->MainForm() == this && Application->Handle())
            ShowWindow(Application->Handle(), SW_SHOWNOACTIVATE);
    } else {
        TControl::SetVisible(false);
        if (HandleAllocated()) {
            DoHide();
            ShowWindow(handle_, SW_HIDE);
        }
        showing_ = false;
        Perform(CM_SHOWINGCHANGED);
    }
}

bool TCustomForm::Showing() const { return HandleAllocated() && IsWindowVisible(handle_); }

void TCustomForm::DoShow()
{
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide) OnHide(this);
}

void TCustomForm::PaintOnCanvas(HDC dc)
{
    if (!OnPaint || !dc) return;
    TCanvasBinding bound(canvas_, dc, Font(), Color());
    OnPaint(this);
}

void TCustomForm::PaintWindow(HDC dc)
{
    TWinControl::PaintWindow(dc);
    PaintOnCanvas(dc);
}

bool TCustomForm::CloseQuery()
{
    bool can = true;
    if (OnCloseQuery) OnCloseQuery(this, can);
    return can;
}

void TCustomForm::Close()
{
    if (!CloseQuery()) return;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
    } else if (action == TCloseAction::caHide) {
        Hide();
    } else if (action == TCloseAction::caMinimize) {
        SetWindowState(TWindowState::wsMinimized);
    } else {
        Release();
    }
}

void TCustomForm::Release()
{
    if (HandleAllocated()) PostMessageW(handle_, CM_RELEASE, 0, 0);
}

bool TCustomForm::Active() const { return HandleAllocated() && GetActiveWindow() == handle_; }

void TCustomForm::SetActiveControl(TWinControl* c)
{
    activeControl_ = c;
    if (c && Showing()) c->SetFocus();
}

void TCustomForm::AfterConstruction()
{
    if (OnCreate) OnCreate(this);
}

void TCustomForm::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        Free(this);
        return;
    case WM_SIZE:
        TWinControl::Dispatch(m);
        if (clientHandle_ && m.WParam != SIZE_MINIMIZED)
            MoveWindow(clientHandle_, 0, 0, LOWORD(m.LParam), HIWORD(m.LParam), TRUE);
        return;
    case WM_DESTROY:
        TWinControl::Dispatch(m);
        clientHandle_ = nullptr;
        return;
    case WM_ACTIVATE:
        TWinControl::Dispatch(m);
        if (LOWORD(m.WParam) == WA_INACTIVE) {
            if (OnDeactivate) OnDeactivate(this);
        } else {
            if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
            if (OnActivate) OnActivate(this);
        }
        return;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_COMMAND:
    case WM_MENUCHAR:
        if (TMenu::DispatchMenuMessage(m)) return;
        TWinControl::Dispatch(m);
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

// ---------------------------------------------------------------- TApplication

LRESULT CALLBACK TApplication::AppWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (Application && wnd == Application->handle_ && !Application->hooks_.empty()) {
        // Becoming the active application is told to the hooks as CM_ACTIVATE.
        TMessage m{msg == WM_ACTIVATEAPP && w ? CM_ACTIVATE : msg, w, l, 0};
        auto hooks = Application->hooks_;
        for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
            auto& live = Application->hooks_;
            if (std::find(live.begin(), live.end(), *it) == live.end()) continue;
            if ((*it)(m)) return m.Result;
        }
    }
    // A watching process (the soak) asks for the handles the program holds.
    if (msg == LiveHandlesMessage()) return AnswerLiveHandles(w);
    if (msg == WM_CLOSE) {
        if (Application && Application->MainForm()) Application->MainForm()->Close();
        return 0;
    }
    return DefWindowProcW(wnd, msg, w, l);
}

TApplication::TApplication(TComponent* owner) : TComponent(owner)
{
    WNDCLASSEXW wc{sizeof wc};
    HINSTANCE inst = GetModuleHandleW(nullptr);
    if (!GetClassInfoExW(inst, L"TApplication", &wc)) {
        wc = WNDCLASSEXW{sizeof wc};
        wc.lpfnWndProc = AppWndProc;
        wc.hInstance = inst;
        wc.hIcon = LoadIconW(inst, L"MAINICON");
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"TApplication";
        RegisterClassExW(&wc);
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    title_ = ExtractFileName(path);
    size_t dot = title_.rfind(L'.');
    if (dot != String::npos) title_.resize(dot);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    handle_ = CreateWindowExW(0, L"TApplication", title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, sw / 2, sh / 2,
                              0, 0, nullptr, nullptr, inst, nullptr);
}

TApplication::~TApplication()
{
    SetState(csDestroying);
    // Forms go first (they are owned by us), then our window.
    while (ComponentCount() > 0) {
        TComponent* c = Components(ComponentCount() - 1);
        Free(c);
    }
    if (handle_) DestroyWindow(handle_);
}

void TApplication::HookMainWindow(const TWindowHook& hook)
{
    if (hook && std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) hooks_.push_back(hook);
}

void TApplication::UnhookMainWindow(const TWindowHook& hook)
{
    std::erase(hooks_, hook);
}

void TApplication::SetTitle(const String& t)
{
    title_ = t;
    if (handle_) SetWindowTextW(handle_, t.c_str());
}

void TApplication::RemoveForm(TCustomForm* f)
{
    std::erase(forms_, f);
    if (mainForm_ == f) mainForm_ = nullptr;
}

void TApplication::Notification(TComponent* c, TOperation op)
{
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove && c == mainForm_) mainForm_ = nullptr;
}

bool TApplication::HandleMessage()
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (OnIdle) OnIdle(this);
    }
    int r = GetMessageW(&msg, nullptr, 0, 0);
    if (r <= 0) {
        terminated_ = true;
        return false;
    }
    // The MDI keys (Ctrl+F4, Ctrl+F6) of the main form's children.
    if (mainForm_ && mainForm_->ClientHandle() && TranslateMDISysAccel(mainForm_->ClientHandle(), &msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TApplication::Run()
{
    try {
        if (mainForm_) mainForm_->Show();
    } catch (const std::exception& e) {
        HandleException(e);
    }
    while (!terminated_) {
        try {
            if (!HandleMessage()) break;
        } catch (const std::exception& e) {
            HandleException(e);
        } catch (...) {
            HandleException(Exception(UnknownErrorText()));
        }
    }
}

void TApplication::Terminate()
{
    if (!terminated_) PostQuitMessage(0);
    terminated_ = true;
}

void TApplication::HandleException(const std::exception& e)
{
    if (dynamic_cast<const EAbort*>(&e))
        return;   // the silent abort
    if (OnException)
        OnException(this, e);
    else
        ShowException(e);
}

void TApplication::ShowException(const std::exception& e)
{
    MessageBox(ErrorBoxText(e), title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const String& text, const String& caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (!owner) owner = handle_;
    ModalStarted();
    int r = ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
    ModalFinished();
    return r;
}

void TApplication::ModalStarted()
{
    ++modalLevel_;
    if (OnModalBegin) OnModalBegin(this);
}

void TApplication::ModalFinished()
{
    if (modalLevel_ > 0) --modalLevel_;
    if (OnModalEnd) OnModalEnd(this);
}

bool TApplication::HelpContext(int context)
{
    if (context == 0 || !OnHelp) return false;
    OnHelp(this, context);
    return true;
}

// ---------------------------------------------------------------- TScreen

RECT TScreen::WorkAreaRect() const
{
    if (workAreaSet_) return workArea_;
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

void TScreen::SetWorkArea(const RECT* r)
{
    workAreaSet_ = r != nullptr;
    if (r) workArea_ = *r;
}

TCustomForm* TScreen::ActiveForm() const
{
    HWND a = GetActiveWindow();
    return dynamic_cast<TCustomForm*>(TWinControl::FindControl(a));
}
