#include "skin/forms/FormAnimations.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "skin/core/OutputWindow.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/BorderForm.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/DwmApi.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/graphics/ResampleBitmap.h"

// ---------------------------------------------------------------- blend on moving

int BlendOnMovingStep(int targetAlpha, int timeMs)
{
    const int way = 255 - std::clamp(targetAlpha, 0, 255);
    if (timeMs < 13)
        return std::max(1, way);
    const int frames = std::max(1, timeMs / 12);
    return std::max(1, (way + frames / 2) / frames);
}

int NextBlendAlpha(int alpha, int targetAlpha, int step)
{
    return std::max(std::clamp(targetAlpha, 0, 255), alpha - std::max(1, step));
}

TkvMoveTimer::TkvMoveTimer(TsSkinProvider* provider, int alpha, int targetAlpha, int step)
    : TkvThreadedTimer(provider, nullptr, true),
      provider_(provider),
      alpha_(std::clamp(alpha, 0, 255)),
      target_(std::clamp(targetAlpha, 0, 255)),
      step_(std::max(1, step))
{
    SetInterval(12);
}

void TkvMoveTimer::Step()
{
    HWND form = provider_->Window();
    if (TkvBorderForm* b = provider_->BorderForm()) {
        if (TkvBorderWindow* w = b->WindowIfMade(); w && w->HandleAllocated())
            if (TBitmap* picture = provider_->MovePicture())
                UpdateLayeredFromBitmap(w->Handle(), picture, uint8_t(alpha_), nullptr);
    } else if (form && SetLayeredWindowAttributesFn) {
        SetLayeredWindowAttributesFn(form, 0, BYTE(alpha_), LWA_ALPHA);
    }
    if (alpha_ > target_)
        alpha_ = NextBlendAlpha(alpha_, target_, step_);
}

// ---------------------------------------------------------------- thumbnails

SIZE FitThumbnail(SIZE source, SIZE requested)
{
    if (source.cx <= 0 || source.cy <= 0 || requested.cx <= 0 || requested.cy <= 0)
        return SIZE{0, 0};
    // The smaller scale keeps the whole picture inside the box.
    if (int64_t(requested.cx) * source.cy <= int64_t(requested.cy) * source.cx) {
        const LONG h = LONG((int64_t(source.cy) * requested.cx + source.cx / 2) / source.cx);
        return SIZE{requested.cx, std::max<LONG>(1, h)};
    }
    const LONG w = LONG((int64_t(source.cx) * requested.cy + source.cy / 2) / source.cy);
    return SIZE{std::max<LONG>(1, w), requested.cy};
}

// ---------------------------------------------------------------- the task bar

int TaskBarEdge(const RECT& bar)
{
    if (bar.top != 0 && bar.left >= -4 && bar.left <= 0)
        return tbeBottom;
    if (bar.top == 0 && bar.left == 0)
        return (bar.bottom - bar.top) > (bar.right - bar.left) ? tbeLeft : tbeTop;
    return tbeRight;
}

RECT MinimizeTarget(const RECT& from, const RECT* bar, const RECT& taskButton)
{
    if (!IsRectEmpty(&taskButton))
        return taskButton;
    if (!bar)
        return RECT{0, 0, 0, 0};
    const LONG cx = (from.left + from.right) / 2, cy = (from.top + from.bottom) / 2;
    POINT p{};
    switch (TaskBarEdge(*bar)) {
    case tbeLeft:
        p = POINT{bar->right, cy};
        break;
    case tbeRight:
        p = POINT{bar->left, cy};
        break;
    case tbeTop:
        p = POINT{cx, bar->bottom};
        break;
    default:
        p = POINT{cx, bar->top};
        break;
    }
    return RECT{p.x, p.y, p.x, p.y};
}

TsShellAccess& ShellAccess()
{
    static TsShellAccess access{
        [] { return FindWindowW(L"Shell_TrayWnd", nullptr); },
        [](HWND bar) -> HWND {
            HWND rebar = FindWindowExW(bar, nullptr, L"ReBarWindow32", nullptr);
            HWND tasks = rebar ? FindWindowExW(rebar, nullptr, L"MSTaskSwWClass", nullptr) : nullptr;
            return tasks ? FindWindowExW(tasks, nullptr, L"ToolbarWindow32", nullptr) : nullptr;
        },
        [](HWND toolBar) {
            DWORD pid = 0;
            GetWindowThreadProcessId(toolBar, &pid);
            if (!pid)
                return false;
            if (pid == GetCurrentProcessId())
                return true;
            using TIsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
            auto isWow64 = reinterpret_cast<TIsWow64ProcessFn>(
                reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
            if (!isWow64)
                return true;   // a system without 64-bit processes
            HANDLE other = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
            if (!other)
                return false;
            BOOL mine = FALSE, theirs = FALSE;
            const bool ok = isWow64(GetCurrentProcess(), &mine) && isWow64(other, &theirs);
            CloseHandle(other);
            return ok && mine == theirs;
        },
    };
    return access;
}

namespace {

constexpr UINT kShellTimeoutMs = 200;
constexpr int kMaxTaskButtons = 1024;

bool AskShell(HWND wnd, UINT msg, WPARAM w, LPARAM l, DWORD_PTR* result)
{
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(wnd, msg, w, l, SMTO_ABORTIFHUNG | SMTO_BLOCK, kShellTimeoutMs, &r))
        return false;
    if (result)
        *result = r;
    return true;
}

}  // namespace

RECT GetTaskButtonRect(HWND appWnd)
{
    const RECT none{0, 0, 0, 0};
    TsShellAccess& shell = ShellAccess();
    HWND bar = shell.FindTaskBar ? shell.FindTaskBar() : nullptr;
    HWND toolBar = bar && shell.FindTaskToolBar ? shell.FindTaskToolBar(bar) : nullptr;
    if (!toolBar || !appWnd || !shell.SameBitness || !shell.SameBitness(toolBar))
        return none;
    DWORD_PTR count = 0;
    if (!AskShell(toolBar, TB_BUTTONCOUNT, 0, 0, &count))
        return none;
    DWORD pid = 0;
    GetWindowThreadProcessId(toolBar, &pid);
    // Only what the lookup needs: room it writes into, and reading it back.
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return none;
    void* memory = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    struct Release {
        HANDLE process;
        void* memory;
        ~Release()
        {
            if (memory)
                VirtualFreeEx(process, memory, 0, MEM_RELEASE);
            CloseHandle(process);
        }
    } release{process, memory};
    if (!memory)
        return none;
    const int buttons = int(std::min<DWORD_PTR>(count, kMaxTaskButtons));
    for (int i = 0; i < buttons; ++i) {
        TBBUTTON b{};
        SIZE_T read = 0;
        if (!AskShell(toolBar, TB_GETBUTTON, WPARAM(i), LPARAM(memory), nullptr) ||
            !ReadProcessMemory(process, memory, &b, sizeof b, &read) || read != sizeof b)
            continue;
        if ((b.fsState & TBSTATE_HIDDEN) || (b.fsStyle & BTNS_SEP) || !b.dwData)
            continue;
        HWND owner = nullptr;
        if (!ReadProcessMemory(process, reinterpret_cast<const void*>(b.dwData), &owner, sizeof owner, &read) ||
            read != sizeof owner || owner != appWnd)
            continue;
        RECT r{};
        if (!AskShell(toolBar, TB_GETITEMRECT, WPARAM(i), LPARAM(memory), nullptr) ||
            !ReadProcessMemory(process, memory, &r, sizeof r, &read) || read != sizeof r)
            return none;
        MapWindowPoints(toolBar, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    return none;
}

// ---------------------------------------------------------------- snapshots

namespace {

// What wnd shows now, as a 32-bit picture with alpha 255.
std::unique_ptr<TBitmap> WindowPicture(HWND wnd, int w, int h, int x = 0, int y = 0, TBitmap* into = nullptr)
{
    std::unique_ptr<TBitmap> own;
    if (!into) {
        own = NewBitmap32(w, h);
        into = own.get();
    }
    HDC dc = GetWindowDC(wnd);
    if (dc) {
        RECT wr{};
        GetWindowRect(wnd, &wr);
        BitBlt(into->Canvas().Handle(), x, y, w, h, dc, 0, 0, SRCCOPY);
        ReleaseDC(wnd, dc);
        GdiFlush();
    }
    const PixelView v = into->View();
    for (int row = std::max(0, y); row < std::min(v.height, y + h); ++row)
        for (int col = std::max(0, x); col < std::min(v.width, x + w); ++col)
            v.Row(row)[col] |= 0xFF000000u;
    return own;
}

// Nearest-neighbour stretch of src into dst at (x, y) sized w x h (clipped).
void StretchInto(const PixelView& dst, const PixelView& src, int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0 || src.Empty())
        return;
    const int x0 = std::max(0, -x), x1 = std::min(w, dst.width - x);
    if (x1 <= x0)
        return;
    std::vector<int> columns(size_t(x1 - x0));
    for (int dx = x0; dx < x1; ++dx)
        columns[size_t(dx - x0)] = int(int64_t(dx) * src.width / w);
    for (int dy = std::max(0, -y); dy < h && y + dy < dst.height; ++dy) {
        const uint32_t* s = src.Row(int(int64_t(dy) * src.height / h));
        uint32_t* d = dst.Row(y + dy) + x + x0;
        for (size_t i = 0; i < columns.size(); ++i)
            d[i] = s[columns[i]];
    }
}

// Pushes an already premultiplied 32-bit picture to a layered window at pos.
bool PushPremultiplied(HWND wnd, TBitmap* bmp, POINT pos, uint8_t alpha)
{
    if (!wnd || !bmp || !LayeredWindowsAvailable() || !UpdateLayeredWindowFn)
        return false;
    const LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED))
        SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    HDC screen = GetDC(nullptr);
    POINT origin{0, 0};
    SIZE size{bmp->Width(), bmp->Height()};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    GdiFlush();
    const BOOL ok = UpdateLayeredWindowFn(wnd, screen, &pos, &size, bmp->Canvas().Handle(), &origin, 0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
    return ok != FALSE;
}

}  // namespace

TForm* CreateSnapshotForm(HWND wnd)
{
    if (!wnd || !IsWindow(wnd))
        return nullptr;
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0)
        return nullptr;
    std::unique_ptr<TBitmap> picture = WindowPicture(wnd, w, h);
    auto* form = new TkvAnimSurface(wr, false);
    form->HandleNeeded();
    const POINT at{wr.left, wr.top};
    UpdateLayeredFromBitmap(form->Handle(), picture.get(), 255, &at);
    SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_SHOWWINDOW);
    return form;
}

std::unique_ptr<TBitmap> TsSkinProvider::CreateFormSnapshot(bool freeCache)
{
    if (!FormAlive())
        return nullptr;
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    std::unique_ptr<TBitmap> result;
    if (borderForm_) {
        TBitmap* frame = borderForm_->Picture();
        if (!frame)
            return nullptr;
        result = NewBitmap32(frame->Width(), frame->Height());
        BitBlt(result->Canvas().Handle(), 0, 0, frame->Width(), frame->Height(), frame->Canvas().Handle(), 0, 0,
               SRCCOPY);
        GdiFlush();
        // The client as the screen shows it, over the frame.
        const TsBorderLayout l = borderForm_->Layout();
        const POINT o = BorderFormOffset(l);
        RECT cr{};
        GetClientRect(wnd_, &cr);
        HDC dc = GetDC(wnd_);
        if (dc) {
            BitBlt(result->Canvas().Handle(), o.x + l.ClientOrigin.x, o.y + l.ClientOrigin.y, cr.right, cr.bottom, dc,
                   0, 0, SRCCOPY);
            ReleaseDC(wnd_, dc);
            GdiFlush();
        }
        const PixelView v = result->View();
        for (int y = std::max(0, int(o.y + l.ClientOrigin.y)); y < std::min(v.height, int(o.y + l.ClientOrigin.y + cr.bottom)); ++y)
            for (int x = std::max(0, int(o.x + l.ClientOrigin.x)); x < std::min(v.width, int(o.x + l.ClientOrigin.x + cr.right)); ++x)
                v.Row(y)[x] |= 0xFF000000u;
    } else {
        result = WindowPicture(wnd_, wr.right - wr.left, wr.bottom - wr.top);
    }
    if (freeCache && skinData_ && skinData_->CacheBitmap)
        skinData_->CacheBitmap->SetSize(0, 0);
    return result;
}

// ---------------------------------------------------------------- the minimise box

void TsMinimizeBox::Setup(const RECT& start, const RECT& target, int steps)
{
    steps = std::max(1, steps);
    Left = start.left;
    Top = start.top;
    Right = start.right;
    Bottom = start.bottom;
    StepX = ((target.left + target.right) / 2.0 - (start.left + start.right) / 2.0) / steps;
    StepY = ((target.top + target.bottom) / 2.0 - (start.top + start.bottom) / 2.0) / steps;
    ShrinkX = double((start.right - start.left) - (target.right - target.left)) / (2.0 * steps);
    ShrinkY = double((start.bottom - start.top) - (target.bottom - target.top)) / (2.0 * steps);
}

void TsMinimizeBox::Shrink()
{
    Left += StepX + ShrinkX;
    Right += StepX - ShrinkX;
    Top += StepY + ShrinkY;
    Bottom += StepY - ShrinkY;
}

void TsMinimizeBox::Grow()
{
    Left -= StepX + ShrinkX;
    Right += ShrinkX - StepX;
    Top -= StepY + ShrinkY;
    Bottom += ShrinkY - StepY;
}

RECT TsMinimizeBox::Rect() const
{
    return RECT{LONG(std::lround(Left)), LONG(std::lround(Top)), LONG(std::lround(Right)), LONG(std::lround(Bottom))};
}

// ---------------------------------------------------------------- the minimise timer

TkvMinTimer::TkvMinTimer(TsSkinProvider* provider) : TkvThreadedTimer(provider, nullptr, true), provider_(provider)
{
    SetInterval(15);
}

TkvMinTimer::~TkvMinTimer()
{
    SetEnabled(false);
    FreeStage();
}

HWND TkvMinTimer::Stage() const { return stage_ && stage_->HandleAllocated() ? stage_->Handle() : nullptr; }

void TkvMinTimer::SetStageWindow(TWinControl* stage, bool owns)
{
    if (stage_ != stage)
        FreeStage();
    stage_ = stage;
    ownsStage_ = owns;
}

void TkvMinTimer::FreeStage()
{
    TWinControl* s = std::exchange(stage_, nullptr);
    if (s && ownsStage_)
        delete s;
    ownsStage_ = false;
}

void TkvMinTimer::Setup(bool restoring)
{
    TCustomForm* form = provider_->FormOf();
    TsSkinManager* m = provider_->Manager();
    alphaStart_ = form && form->AlphaBlend() ? form->AlphaBlendValue() : 255;
    const unsigned time = m ? std::min<unsigned>(m->AnimEffects.Minimizing.Time, kMaxFormAnimationMs) : 0;
    steps_ = std::max(int(time / 15), 1);
    if (!setUp_) {
        window_ = provider_->Window();
        alpha_ = alphaStart_;
        setUp_ = true;
    }
    finished_ = false;
    growing_ = restoring;
    if (alpha_ == 0) {
        // Back from the task bar: the box starts where the shrink ended.
        box_.Setup(startRect_, endRect_, steps_);
        box_.Left = endRect_.left;
        box_.Top = endRect_.top;
        box_.Right = endRect_.right;
        box_.Bottom = endRect_.bottom;
    } else if (alpha_ >= alphaStart_) {
        RECT from{};
        if (TkvBorderForm* b = provider_->BorderForm(); b && window_) {
            RECT wr{};
            GetWindowRect(window_, &wr);
            from = BorderWindowRect(b->Layout(), wr);
        } else if (window_) {
            GetWindowRect(window_, &from);
        }
        startRect_ = from;
        RECT bar{};
        taskBar_ = ShellAccess().FindTaskBar ? ShellAccess().FindTaskBar() : nullptr;
        const bool haveBar = taskBar_ && GetWindowRect(taskBar_, &bar);
        RECT button{};
        if (haveBar && !DwmCompositionOn())
            button = GetTaskButtonRect(Application ? Application->Handle() : window_);
        endRect_ = MinimizeTarget(from, haveBar ? &bar : nullptr, button);
        box_.Setup(startRect_, endRect_, steps_);
    }
    alphaStep_ = double(alphaStart_) / std::max(1, steps_ - 1);
    const int w = std::max<LONG>(1, startRect_.right - startRect_.left);
    const int h = std::max<LONG>(1, startRect_.bottom - startRect_.top);
    if (!frame_ || frame_->Width() != w || frame_->Height() != h)
        frame_ = NewBitmap32(w, h);
    // The frame may hold an earlier run's picture: the first frame clears it whole.
    drawn_ = RECT{0, 0, w, h};
    placed_ = false;
}

void TkvMinTimer::TimerStep() { Step(); }

void TkvMinTimer::DrawFrame()
{
    HWND stage = Stage();
    if (!stage || !frame_ || !picture_)
        return;
    // The picture premultiplied once; each frame only stretches it.
    if (!premultiplied_) {
        premultiplied_ = NewBitmap32(picture_->Width(), picture_->Height());
        BitBlt(premultiplied_->Canvas().Handle(), 0, 0, picture_->Width(), picture_->Height(),
               picture_->Canvas().Handle(), 0, 0, SRCCOPY);
        GdiFlush();
        PremultiplyBitmap(premultiplied_.get());
    }
    const PixelView f = frame_->View();
    const RECT whole{0, 0, f.width, f.height};
    // Only what the last frame drew is cleared; the rest of the frame is still clear.
    RECT old{};
    if (IntersectRect(&old, &drawn_, &whole))
        for (int y = old.top; y < old.bottom; ++y)
            std::memset(f.Row(y) + old.left, 0, size_t(old.right - old.left) * 4);
    const int w = std::max(0, int(std::lround(box_.Right - box_.Left)));
    const int h = std::max(0, int(std::lround(box_.Bottom - box_.Top)));
    const int x = (f.width - w) / 2, y = (f.height - h) / 2;
    StretchInto(f, premultiplied_->View(), x, y, w, h);
    RECT now{x, y, x + w, y + h};
    if (!IntersectRect(&now, &now, &whole))
        SetRectEmpty(&now);
    drawn_ = now;
    const POINT at{LONG(std::lround((box_.Left + box_.Right) / 2 - f.width / 2.0)),
                   LONG(std::lround((box_.Top + box_.Bottom) / 2 - f.height / 2.0))};
    PushPremultiplied(stage, frame_.get(), at, uint8_t(std::clamp(alpha_, 0, 255)));
    // Placed above the form once a run (again only if something hid it).
    if (!placed_ || !IsWindowVisible(stage)) {
        SetWindowPos(stage, taskBar_ && IsWindow(taskBar_) ? taskBar_ : HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
        placed_ = true;
    }
}

void TkvMinTimer::Step()
{
    if (busy_ || finished_)
        return;
    busy_ = true;
    struct Unbusy {
        bool& b;
        ~Unbusy() { b = false; }
    } unbusy{busy_};
    growing_ = provider_->State().Has(TsProviderBit::Restoring);
    const int step = std::max(1, int(std::lround(alphaStep_)));
    if (growing_) {
        box_.Grow();
        alpha_ = std::min(alpha_ + step, alphaStart_);
        if (alpha_ < alphaStart_)
            DrawFrame();
        else
            EndGrow();
    } else {
        box_.Shrink();
        alpha_ = std::max(alpha_ - step, 0);
        if (alpha_ > 0)
            DrawFrame();
        else
            EndShrink();
    }
}

void TkvMinTimer::EndShrink()
{
    SetEnabled(false);
    finished_ = true;
    TsFlagSet<TsProviderBit>& s = provider_->State();
    s.Clear(TsProviderBit::Animating);
    s.Clear(TsProviderBit::MinimizeRunning);
    provider_->SetHotElement(kNoElement);
    if (window_ && IsWindow(window_))
        TsSkinProvider::SetLayeredAlpha(window_, false, 255);
    if (TkvBorderForm* b = provider_->BorderForm()) {
        b->SetUpdateLock(false);
        if (stage_ == b->WindowIfMade()) {
            stage_ = nullptr;   // the border object's own window
            ownsStage_ = false;
        }
        b->FreeWindow();
    }
    FreeStage();
    growing_ = false;
}

void TkvMinTimer::EndGrow()
{
    SetEnabled(false);
    finished_ = true;
    TsFlagSet<TsProviderBit>& s = provider_->State();
    if (HWND stage = Stage(); stage && picture_) {
        const POINT at{startRect_.left, startRect_.top};
        UpdateLayeredFromBitmap(stage, picture_.get(), uint8_t(alphaStart_), &at);
    }
    TCustomForm* form = provider_->FormOf();
    if (window_ && IsWindow(window_)) {
        if (form && form->AlphaBlend())
            TsSkinProvider::SetLayeredAlpha(window_, true, form->AlphaBlendValue());
        else
            TsSkinProvider::SetLayeredAlpha(window_, false, 255);
    }
    s.Clear(TsProviderBit::Animating);
    s.Clear(TsProviderBit::Restoring);
    TkvBorderForm* b = provider_->BorderForm();
    if (b && stage_ == b->WindowIfMade()) {
        stage_ = nullptr;
        ownsStage_ = false;
    }
    if (b)
        b->SetUpdateLock(false);
    if (window_ && IsWindow(window_))
        RedrawWindow(window_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (b)
        b->UpdateBorderWindow(true, 255);
    FreeStage();
    alpha_ = alphaStart_;
    growing_ = false;
    if (window_ && IsWindow(window_) && IsWindowVisible(window_))
        SetFocus(window_);
}

// ---------------------------------------------------------------- the provider's animations

namespace {

void SetIconicBitmapMode(HWND wnd, bool on)
{
    // Ask for iconic pictures (force the iconic representation, say we have one).
    const BOOL value = on;
    CallDwmSetWindowAttribute(wnd, 7, &value, sizeof value);
    CallDwmSetWindowAttribute(wnd, 10, &value, sizeof value);
    if (on && DwmInvalidateIconicBitmapsFn)
        DwmInvalidateIconicBitmapsFn(wnd);
}

TkvMinTimer* MinTimerOf(TComponent* t) { return dynamic_cast<TkvMinTimer*>(t); }

}  // namespace

bool TsSkinProvider::MinimizeAnimating() const
{
    return state_.Has(TsProviderBit::MinimizeRunning) || state_.Has(TsProviderBit::Restoring);
}

void TsSkinProvider::StopFormTimer()
{
    TComponent* t = std::exchange(formTimer_, nullptr);
    if (!t)
        return;
    if (TkvMinTimer* m = MinTimerOf(t); m && borderForm_ && m->Stage() && borderForm_->WindowIfMade() &&
                                          m->Stage() == borderForm_->WindowIfMade()->Handle())
        m->SetStageWindow(nullptr, false);   // the border's window stays the border's
    delete t;
    state_.Clear(TsProviderBit::Animating);
    state_.Clear(TsProviderBit::MinimizeRunning);
    state_.Clear(TsProviderBit::Restoring);
    if (borderForm_)
        borderForm_->SetUpdateLock(false);
}

bool TsSkinProvider::StartMinimizeAnimation()
{
    TsSkinManager* m = Manager();
    if (!m || !m->AnimEffects.Minimizing.Active || !AllowAnimation || !FormAlive() || !Skinned() ||
        !drawNonClientArea_ || !LayeredWindowsAvailable() || IsIconic(wnd_) || !IsWindowVisible(wnd_))
        return false;
    if (state_.Has(TsProviderBit::MinimizeRunning))
        return true;
    state_.Set(TsProviderBit::MinimizeRunning);
    state_.Set(TsProviderBit::Animating);
    TkvMinTimer* t = MinTimerOf(formTimer_);
    if (!t) {
        StopFormTimer();
        state_.Set(TsProviderBit::MinimizeRunning);
        state_.Set(TsProviderBit::Animating);
        t = new TkvMinTimer(this);
        formTimer_ = t;
    }
    state_.Clear(TsProviderBit::Restoring);
    t->Setup(false);
    if (t->Alpha() >= t->AlphaStart()) {
        if (borderForm_) {
            borderForm_->UpdateBorderWindow(false, 255);
            t->SetPicture(CreateFormSnapshot(false));
            borderForm_->SetUpdateLock(true);
            TWinControl* stage = borderForm_->Window();
            t->SetStageWindow(stage, false);
            if (stage && stage->HandleAllocated()) {
                SetWindowRgn(stage->Handle(), nullptr, FALSE);
                SetWindowPos(stage->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
        } else {
            t->SetPicture(CreateFormSnapshot(false));
            t->SetStageWindow(CreateSnapshotForm(wnd_), true);
        }
    }
    SetLayeredAlpha(wnd_, true, 0);
    t->SetEnabled(true);
    SetIconicBitmapMode(wnd_, true);
    return true;
}

bool TsSkinProvider::StartRestoreAnimation()
{
    TkvMinTimer* t = MinTimerOf(formTimer_);
    TsSkinManager* m = Manager();
    if (!t || !m || !m->AnimEffects.Minimizing.Active || state_.Has(TsProviderBit::Restoring) || !FormAlive() ||
        !t->Picture())
        return false;
    state_.Clear(TsProviderBit::MinimizeRunning);
    state_.Set(TsProviderBit::Restoring);
    state_.Set(TsProviderBit::Animating);
    t->Setup(true);
    const POINT at{t->EndRect().left, t->EndRect().top};
    if (borderForm_) {
        borderForm_->SetUpdateLock(true);
        TWinControl* stage = borderForm_->Window();
        t->SetStageWindow(stage, false);
        if (stage && stage->HandleAllocated()) {
            SetWindowRgn(stage->Handle(), nullptr, FALSE);
            UpdateLayeredFromBitmap(stage->Handle(), t->Picture(), 0, &at);
        }
    } else {
        TForm* stage = new TkvAnimSurface(t->StartRect(), true);
        stage->HandleNeeded();
        UpdateLayeredFromBitmap(stage->Handle(), t->Picture(), 0, &at);
        t->SetStageWindow(stage, true);
    }
    if (HWND stage = t->Stage())
        SetWindowPos(stage, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SetLayeredAlpha(wnd_, true, 0);
    t->SetEnabled(true);
    formActive_ = true;
    if (skinData_)
        skinData_->BackgroundChanged = true;
    SetIconicBitmapMode(wnd_, false);
    return true;
}

bool TsSkinProvider::MinimizeAnimated()
{
    if (!StartMinimizeAnimation())
        return false;
    TsSystemAnimationOff off;
    ShowWindow(wnd_, SW_MINIMIZE);
    return true;
}

bool TsSkinProvider::RestoreAnimated()
{
    if (!IsIconic(wnd_) || !StartRestoreAnimation())
        return false;
    TsSystemAnimationOff off;
    ShowWindow(wnd_, SW_RESTORE);
    return true;
}

// ---------------------------------------------------------------- blend on moving

TBitmap* TsSkinProvider::MovePicture() { return movePicture_.get(); }

bool TsSkinProvider::StartBlendOnMoving()
{
    TsSkinManager* m = Manager();
    if (!m || !m->AnimEffects.BlendOnMoving.Active || state_.Has(TsProviderBit::AnimationRunning) || !FormAlive() ||
        IsIconic(wnd_) || IsZoomed(wnd_) || !LayeredWindowsAvailable() || MinimizeAnimating())
        return false;
    StopFormTimer();
    state_.Set(TsProviderBit::AnimationRunning);
    const int alpha = form_->AlphaBlend() ? form_->AlphaBlendValue() : 255;
    const int target = AllowBlendOnMoving ? m->AnimEffects.BlendOnMoving.BlendValue : 255;
    auto* t = new TkvMoveTimer(this, alpha, target, BlendOnMovingStep(target, m->AnimEffects.BlendOnMoving.Time));
    formTimer_ = t;
    // Whatever way the move loop ends, the form comes back.
    struct End {
        TsSkinProvider& p;
        ~End() { p.EndBlendOnMoving(); }
    } end{*this};
    HWND mover = wnd_;
    if (borderForm_) {
        // The border window carries the whole picture while the form is invisible behind it.
        borderForm_->UpdateBorderWindow(false, 255);
        movePicture_ = CreateFormSnapshot(false);
        borderForm_->SetUpdateLock(true);
        TkvBorderWindow* w = borderForm_->WindowIfMade();
        if (!w || !w->HandleAllocated() || !movePicture_)
            return false;
        mover = w->Handle();
        SetWindowRgn(mover, nullptr, FALSE);
        SetWindowPos(wnd_, mover, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        UpdateLayeredFromBitmap(wnd_, nullptr, 0, nullptr);
        borderForm_->SetLastPos(POINT{-1, -1});
    } else {
        SetLayeredAlpha(wnd_, true, uint8_t(alpha));
    }
    t->Step();
    t->SetEnabled(true);
    SendMessageW(mover, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    if (borderForm_)
        borderForm_->ApplyLastPos();
    return true;
}

void TsSkinProvider::EndBlendOnMoving()
{
    TkvMoveTimer* t = dynamic_cast<TkvMoveTimer*>(formTimer_);
    if (t)
        t->SetEnabled(false);
    if (FormAlive()) {
        if (borderForm_) {
            if (TkvBorderWindow* w = borderForm_->WindowIfMade(); w && w->HandleAllocated()) {
                RECT br{};
                GetWindowRect(w->Handle(), &br);
                const POINT o = BorderFormOffset(borderForm_->Layout());
                SetWindowPos(wnd_, nullptr, br.left + o.x, br.top + o.y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
        // A form pushed with UpdateLayeredWindow is made plain again by
        // dropping the style; an alpha-blended one gets its alpha back.
        SetLayeredAlpha(wnd_, false, 255);
        if (form_->AlphaBlend())
            SetLayeredAlpha(wnd_, true, form_->AlphaBlendValue());
        if (skinData_)
            skinData_->BackgroundChanged = true;
        RedrawWindow(wnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    }
    state_.Clear(TsProviderBit::AnimationRunning);
    movePicture_.reset();
    if (borderForm_) {
        borderForm_->SetUpdateLock(false);
        borderForm_->UpdateBorderWindow(true, 255);
    }
    if (formTimer_ == t && t) {
        formTimer_ = nullptr;
        delete t;
    }
}

// ---------------------------------------------------------------- the desktop window manager's pictures

namespace {

// Clears the snapshot bit on every way out.
struct SnapshotScope {
    TsFlagSet<TsProviderBit>& s;
    explicit SnapshotScope(TsFlagSet<TsProviderBit>& state) : s(state) { s.Set(TsProviderBit::SnapshotTaking); }
    ~SnapshotScope() { s.Clear(TsProviderBit::SnapshotTaking); }
};

}  // namespace

bool TsSkinProvider::SendIconicThumbnail(int width, int height)
{
    BindDwmApi();
    if (!FormAlive() || width <= 0 || height <= 0 || !DwmSetIconicThumbnailFn)
        return false;
    SnapshotScope scope(state_);
    std::unique_ptr<TBitmap> own;
    TBitmap* source = nullptr;
    if (TkvMinTimer* t = MinTimerOf(formTimer_); t && MinimizeAnimating())
        source = t->Picture();
    if (!source) {
        own = CreateFormSnapshot(false);
        source = own.get();
    }
    if (!source || source->Empty() || source->Width() < 2 || source->Height() < 2)
        return false;
    const SIZE size = FitThumbnail(SIZE{source->Width(), source->Height()}, SIZE{width, height});
    if (size.cx <= 0 || size.cy <= 0)
        return false;
    auto thumb = std::make_unique<TBitmap>();
    ResampleBitmap(source, thumb.get(), size.cx, rfTriangle, size.cy);
    return SUCCEEDED(DwmSetIconicThumbnailFn(wnd_, thumb->Handle(), 0));
}

bool TsSkinProvider::SendIconicLivePreview()
{
    BindDwmApi();
    if (!FormAlive() || !DwmSetIconicLivePreviewBitmapFn)
        return false;
    SnapshotScope scope(state_);
    std::unique_ptr<TBitmap> picture = CreateFormSnapshot(false);
    if (!picture || picture->Empty())
        return false;
    POINT origin{0, 0};
    return SUCCEEDED(DwmSetIconicLivePreviewBitmapFn(wnd_, picture->Handle(), &origin, 1));
}
