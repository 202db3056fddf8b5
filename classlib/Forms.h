// Forms, the application object and the screen.
#pragma once
#include <vector>

#include "classlib/Controls.h"

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum class TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
// fsMDIForm: the form holds a client window (ClientHandle) in which its MDI
// children live; fsMDIChild: the form is made inside the main form's client
// window. The style is read when the window is made.
enum class TFormStyle { fsNormal, fsMDIForm, fsMDIChild, fsStayOnTop };
// The command number of the first entry the MDI client lists in the window menu.
constexpr UINT MDIFirstChildCommand = 0xFF00;

class TMainMenu;   // classlib/Menus.h

using TCloseEvent = Delegate<void(TObject*, TCloseAction&)>;
using TCloseQueryEvent = Delegate<void(TObject*, bool&)>;

class TCustomForm : public TWinControl {
    DECLARE_CLASS(TCustomForm, TWinControl)
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle s);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons i);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState s);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle s);
    // Constant transparency of the whole form (a layered window).
    bool AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(bool on);
    BYTE AlphaBlendValue() const { return alphaBlendValue_; }
    void SetAlphaBlendValue(BYTE value);
    // Extended styles added to the form's own (auxiliary forms made at run
    // time: cover, border and icon windows of the skin library).
    DWORD ExtraExStyle() const { return extraExStyle_; }
    void SetExtraExStyle(DWORD ex);

    void SetVisible(bool v) override;
    bool Showing() const override;
    void Close();
    void Release();   // frees the form once the current message has been handled
    bool Active() const;
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* c);

    // Runs OnCreate; the application calls it once the form is fully built.
    virtual void AfterConstruction();

    void Dispatch(TMessage& message) override;
    // MDI forms end at the system's frame or child procedure (DefFrameProc,
    // DefMDIChildProc) instead of the plain default procedure.
    void DefaultHandler(TMessage& message) override;

    // ---- MDI
    // The client window of an MDI main form (nil for other forms or before
    // the form has its window).
    HWND ClientHandle() const { return clientHandle_; }
    // The active child, the children in creation order, their number.
    TCustomForm* ActiveMDIChild() const;
    TCustomForm* MDIChildren(int index) const;
    int MDIChildCount() const;
    // The popup menu that lists the children (the window menu); nil: none.
    HMENU WindowMenu() const { return windowMenu_; }
    void SetWindowMenu(HMENU menu);

    // The form's menu line (not owned; forgotten when it is freed). Its
    // owner-drawn items and its commands are answered through the form.
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);

    TNotifyEvent OnCreate, OnShow, OnHide, OnDestroy, OnActivate, OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // The form's own drawing: OnPaint runs with Canvas bound to the DC being
    // painted, over the background (a skin runs it into its picture of the
    // form instead, so the drawing is part of what the skin shows and prints).
    TNotifyEvent OnPaint;
    TCanvas& Canvas() { return canvas_; }
    // Runs OnPaint on the canvas bound to dc, whose origin is the client's
    // top-left corner; nothing without a handler. The canvas lets go of dc
    // afterwards, also when the handler throws.
    void PaintOnCanvas(HDC dc);

protected:
    void CreateParams(TCreateParams& params) override;
    void PaintWindow(HDC dc) override;
    void HandleCreated() override;
    // An MDI child goes through its MDI client, which activates the next one.
    void DestroyOwnWindow(HWND wnd) override;
    virtual void DoShow();
    virtual void DoHide();
    virtual bool CloseQuery();
    DWORD StyleFor() const;
    DWORD ExStyleFor() const;
    void ApplyStyles();
    void CenterOnScreen();
    void Notification(TComponent* component, TOperation operation) override;

private:
    TMainMenu* menu_ = nullptr;
    void ApplyMenu();
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = TPosition::poDesigned;
    TWinControl* activeControl_ = nullptr;
    bool showing_ = false;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    bool alphaBlend_ = false;
    BYTE alphaBlendValue_ = 255;
    DWORD extraExStyle_ = 0;
    HWND clientHandle_ = nullptr;
    HMENU windowMenu_ = nullptr;
    TCanvas canvas_;
    void ApplyAlphaBlend();
    void CreateMDIClient();
    std::vector<TCustomForm*> MDIChildList() const;
};

class TForm : public TCustomForm {
    DECLARE_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

using TExceptionEvent = Delegate<void(TObject*, const std::exception&)>;
// A hook on the application window: sees every message first; true when it
// handled the message (its Result is then the answer).
using TWindowHook = Delegate<bool(TMessage&)>;
// Help asked for a context number (a message box's help button, F1 there).
using THelpEvent = Delegate<void(TObject*, int)>;

// The application: owns the hidden window that carries the task-bar button and
// owns the forms, creates forms in order, runs the message loop and shows
// exceptions that reach it.
class TApplication : public TComponent {
    DECLARE_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    HWND Handle() const { return handle_; }
    const String& Title() const { return title_; }
    void SetTitle(const String& t);
    // The reading order the program asks of its windows (left to right by default).
    TBiDiMode BiDiMode() const { return biDiMode_; }
    void SetBiDiMode(TBiDiMode m) { biDiMode_ = m; }
    TCustomForm* MainForm() const { return mainForm_; }
    void Initialize() {}

    // Creates a form owned by the application; the first one becomes the main form.
    template <class T>
    void CreateForm(T*& ref)
    {
        T* f = new T(this);
        ref = f;
        if (!mainForm_) mainForm_ = f;
        f->AfterConstruction();
    }

    void Run();
    void ProcessMessages();
    bool HandleMessage();   // one message, waiting for it; false when WM_QUIT arrived
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Lets a test run go on after it closed a main form (the quit message is its own business).
    void ClearTerminated() { terminated_ = false; }
    // The default handler: OnException if set, else the error box. Any
    // std::exception is shown: the library's with its Message, running out of
    // memory as OutOfMemoryText(), others with their what() text.
    void HandleException(const std::exception& e);
    void ShowException(const std::exception& e);
    // Shows a message box owned by the active form with the application's title.
    int MessageBox(const String& text, const String& caption, UINT flags);

    TExceptionEvent OnException;
    TNotifyEvent OnIdle;

    // The modal state: whoever shows a modal box calls ModalStarted before it
    // and ModalFinished after it, however it ends; OnModalBegin and OnModalEnd
    // tell others (a skin that hooks or animates windows behind the box). They
    // nest: ModalLevel counts the boxes open now.
    void ModalStarted();
    void ModalFinished();
    int ModalLevel() const { return modalLevel_; }
    TNotifyEvent OnModalBegin, OnModalEnd;

    // Help for a context number, where every help request of the library ends:
    // OnHelp when assigned; without it nothing happens (the library knows no
    // help file; a program shows its own help from OnHelp). Context 0 is no
    // help and is not passed on. Answers whether a handler was called.
    bool HelpContext(int context);
    THelpEvent OnHelp;

    // Hooks on the application window, called newest first. A hook may add or
    // remove hooks while it runs; removed ones are not called again.
    void HookMainWindow(const TWindowHook& hook);
    void UnhookMainWindow(const TWindowHook& hook);
    int MainWindowHookCount() const { return int(hooks_.size()); }

    // Forms register here so the application can find them by window.
    void AddForm(TCustomForm* f) { forms_.push_back(f); }
    void RemoveForm(TCustomForm* f);
    const std::vector<TCustomForm*>& Forms() const { return forms_; }

protected:
    void Notification(TComponent* c, TOperation op) override;

private:
    static LRESULT CALLBACK AppWndProc(HWND, UINT, WPARAM, LPARAM);
    HWND handle_ = nullptr;
    String title_;
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false;
    TBiDiMode biDiMode_ = TBiDiMode::bdLeftToRight;
    int modalLevel_ = 0;
    std::vector<TCustomForm*> forms_;
    std::vector<TWindowHook> hooks_;
};

class TScreen : public TComponent {
    DECLARE_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* owner) : TComponent(owner) {}
    // The desktop's work area, or the one set by SetWorkArea. Every window
    // that fills the work area asks here, so a layout can be tried on any
    // screen size without changing the real one.
    RECT WorkAreaRect() const;
    // Makes WorkAreaRect return r (nullptr: the system's work area again).
    void SetWorkArea(const RECT* r);
    int WorkAreaWidth() const { RECT r = WorkAreaRect(); return r.right - r.left; }
    int WorkAreaHeight() const { RECT r = WorkAreaRect(); return r.bottom - r.top; }
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    TCustomForm* ActiveForm() const;

private:
    bool workAreaSet_ = false;
    RECT workArea_{};
};

// Texts of the error box for failures that carry no text of ours, and the
// text the box shows for an exception (ending with a full stop).
String OutOfMemoryText();
String UnknownErrorText();
String ErrorBoxText(const std::exception& e);

extern TApplication* Application;
extern TScreen* Screen;

// Creates the global Application and Screen (idempotent); frees them at exit.
void InitApplication();
void DoneApplication();
