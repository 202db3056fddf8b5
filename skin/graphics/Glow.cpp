#include "skin/graphics/Glow.h"

#include <algorithm>

#include "skin/graphics/ResampleBitmap.h"

namespace {

TsGlowSkin* defaultGlowSkin = nullptr;

BLENDFUNCTION GlowBlend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

}  // namespace

bool GlowFormClosing = false;

TsGlowSkin* DefaultGlowSkin() { return defaultGlowSkin; }
void SetDefaultGlowSkin(TsGlowSkin* skin) { defaultGlowSkin = skin; }

std::vector<TkvGlowEffect*>& TkvGlowEffects()
{
    static std::vector<TkvGlowEffect*> list;
    return list;
}

TkvGlowGeometry CalcGlowGeometry(const RECT& r, const RECT& visible, const RECT& m, int inset)
{
    TkvGlowGeometry g;
    const int rw = r.right - r.left, rh = r.bottom - r.top;
    g.HaloWidth = rw + m.left + m.right - 2 * inset;
    g.HaloHeight = rh + m.top + m.bottom - 2 * inset;
    const bool partial =
        visible.left != 0 || visible.top != 0 || visible.right != rw || visible.bottom != rh;
    if (partial) {
        const int vw = visible.right - visible.left, vh = visible.bottom - visible.top;
        if (visible.left != 0) g.CutLeft = m.left + visible.left - inset;
        if (visible.top != 0) g.CutTop = m.top + visible.top - inset;
        if (visible.right != rw)
            g.CutRight = g.CutLeft ? g.HaloWidth - g.CutLeft - vw : rw + m.right - vw - inset;
        if (visible.bottom != rh)
            g.CutBottom = g.CutTop ? g.HaloHeight - g.CutTop - vh : rh + m.bottom - vh - inset;
    }
    g.Width = g.HaloWidth - g.CutLeft - g.CutRight;
    g.Height = g.HaloHeight - g.CutTop - g.CutBottom;
    g.X = r.left + inset + g.CutLeft - m.left;
    g.Y = r.top + inset + g.CutTop - m.top;
    return g;
}

class TkvGlowEffect::FormWatcher : public TComponent {
public:
    explicit FormWatcher(TkvGlowEffect* e) : TComponent(nullptr), effect_(e) {}

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == effect_->GlowForm) {
            effect_->GlowForm = nullptr;
            effect_->FormHook.Forget();
        }
    }

private:
    TkvGlowEffect* effect_;
};

TkvGlowEffect::TkvGlowEffect(TsGlowSkin* manager) : Manager(manager), Watcher(std::make_unique<FormWatcher>(this)) {}

TkvGlowEffect::~TkvGlowEffect()
{
    FreeForm(false);
    Watcher.reset();
}

void TkvGlowEffect::FreeForm(bool now)
{
    if (!GlowForm) return;
    TForm* f = GlowForm;
    GlowForm = nullptr;
    Watcher->RemoveFreeNotification(f);
    // Put back only while the glow's procedure is the one installed; under a
    // later hook it stays and passes messages through.
    FormHook.Unhook();
    if (f->HandleAllocated()) ShowWindow(f->Handle(), SW_HIDE);
    if (now || (Manager && Manager->Destroying()) || !Application || Application->Terminated())
        Free(f);
    else
        f->Release();
}

void TkvGlowEffect::BuildHaloBitmap(int width, int height)
{
    HaloBitmap = std::make_unique<TBitmap>(std::max(width, 0), std::max(height, 0), TPixelFormat::pf32bit);
    PixelView v = HaloBitmap->View();
    if (v.Empty()) return;
    for (int y = 0; y < v.height; ++y) std::fill_n(v.Row(y), v.width, 0u);
    if (GlowMask >= 0 && Manager) Manager->PaintMask(GlowMask, HaloBitmap.get());
}

void TkvGlowEffect::GlowWndProc(TMessage& m)
{
    if (m.Msg == WM_NCHITTEST) {
        m.Result = HTTRANSPARENT;   // the halo never takes the mouse
        return;
    }
    FormHook.CallPrevious(m);
}

void TkvGlowEffect::Show(const RECT& r, const RECT& visible, HWND control)
{
    if (GlowForm || !Manager) return;
    const TkvGlowGeometry g = CalcGlowGeometry(r, visible, Manager->MaskMargins(GlowMask), Inset);
    if (g.Empty() || g.HaloWidth <= 0 || g.HaloHeight <= 0) return;
    BuildHaloBitmap(g.HaloWidth, g.HaloHeight);
    if (g.CutLeft || g.CutTop || g.CutRight || g.CutBottom) {
        auto part = std::make_unique<TBitmap>(g.Width, g.Height, TPixelFormat::pf32bit);
        BitBlt(part->Canvas().Handle(), 0, 0, g.Width, g.Height, HaloBitmap->Canvas().Handle(), g.CutLeft, g.CutTop,
               SRCCOPY);
        HaloBitmap = std::move(part);
    }

    GlowForm = new TForm(Application);
    GlowForm->FreeNotification(Watcher.get());
    GlowForm->SetTag(-98);   // the library's own windows are never skinned
    FormHook.Hook(GlowForm, TWndMethod(this, &TkvGlowEffect::GlowWndProc));
    GlowForm->SetControlStyle(GlowForm->ControlStyle() & ~unsigned(csCaptureMouse));
    GlowForm->SetBorderStyle(TFormBorderStyle::bsNone);
    GlowForm->SetBounds(g.X, g.Y, g.Width, g.Height);
    HWND h = GlowForm->Handle();
    SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | LONG_PTR(GlowExStyle));

    HWND root = control ? GetAncestor(control, GA_ROOT) : nullptr;
    HWND after = HWND_TOP;
    if (root) {
        if (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_TOPMOST)
            after = HWND_TOPMOST;
        else if (HWND above = GetWindow(root, GW_HWNDPREV); !above || above == h)
            after = root;
        else if (GetWindowLongPtrW(above, GWL_EXSTYLE) & WS_EX_TOPMOST)
            after = HWND_TOP;   // behind a topmost window the glow would turn topmost itself
        else
            after = above;
    }
    SetWindowPos(h, after, g.X, g.Y, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);

    if (LayeredWindowsAvailable()) {
        WindowDC screen(nullptr);
        POINT pos{g.X, g.Y}, origin{0, 0};
        SIZE size{g.Width, g.Height};
        GdiFlush();
        UpdateLayeredWindowFn(h, screen.get(), &pos, &size, HaloBitmap->Canvas().Handle(), &origin, 0, &GlowBlend,
                              ULW_ALPHA);
    }
    ShowWindow(h, SW_SHOWNOACTIVATE);
    HaloBitmap.reset();
}

int ShowGlow(const RECT& r, const RECT& visible, const String& section, TsGlowSkin* manager, HWND control,
             int inset, const String& maskName)
{
    if (!LayeredWindowsAvailable()) return -1;
    if (!manager) manager = DefaultGlowSkin();
    if (!manager) return -1;
    auto effect = std::make_unique<TkvGlowEffect>(manager);
    const int mask = manager->FindMaskIndex(section, maskName + L"0");
    if (mask < 0) return -1;
    effect->GlowMask = mask;
    effect->Inset = inset;
    auto& list = TkvGlowEffects();
    list.push_back(effect.get());
    TkvGlowEffect* e = effect.release();
    e->Show(r, visible, control);
    return int(list.size()) - 1;
}

void HideGlow(int& handle)
{
    auto& list = TkvGlowEffects();
    if (handle < 0 || size_t(handle) >= list.size() || !list[size_t(handle)]) return;
    TkvGlowEffect* e = list[size_t(handle)];
    list[size_t(handle)] = nullptr;
    GlowFormClosing = true;
    try {
        e->FreeForm(false);
    } catch (...) {
        GlowFormClosing = false;
        delete e;
        handle = -1;
        throw;
    }
    GlowFormClosing = false;
    delete e;
    handle = -1;
}

void ClearGlows(bool freeForms)
{
    auto& list = TkvGlowEffects();
    std::vector<TkvGlowEffect*> all;
    all.swap(list);
    for (TkvGlowEffect* e : all) {
        if (!e) continue;
        if (freeForms) {
            GlowFormClosing = true;
            e->FreeForm(true);
            GlowFormClosing = false;
        }
        delete e;
    }
}
