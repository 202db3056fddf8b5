#include "skin/forms/TitleBar.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/SysUtils.h"
#include "skin/forms/LiveToken.h"
#include "skin/graphics/Constants.h"

const wchar_t* const TitleBarFormsOnlyText = L"TsTitleBar component may be used with forms only!";

namespace {

// The owner a title bar registers with: a form, or EAbort before anything exists.
TComponent* FormOwnerOrAbort(TComponent* owner)
{
    if (!dynamic_cast<TCustomForm*>(owner))
        throw EAbort(TitleBarFormsOnlyText);
    return owner;
}

// The system's caption font.
LOGFONTW CaptionLogFont()
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        return ncm.lfCaptionFont;
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}

TkvExtent ScreenTextExtent(HFONT font, const String& text)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE s{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &s);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return TkvExtent{int(s.cx), int(s.cy)};
}

// The drop-down arrow's font: "Marlett" at the height of font.
HFONT CreateArrowFont(int height)
{
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH, L"Marlett");
}

// A setter's store: nothing when the value is the same, else notify().
template <class T, class Notify>
void StoreChanged(T& field, const T& value, Notify notify)
{
    if (field == value)
        return;
    field = value;
    notify();
}

}  // namespace

// ---------------------------------------------------------------- TkvFontData

TkvFontData::TkvFontData() = default;

void TkvFontData::Changed()
{
    if (OnChange)
        OnChange();
}

void TkvFontData::SetGlowColor(TColor c) { StoreChanged(glowColor_, c, [this] { Changed(); }); }
void TkvFontData::SetGlowSize(int s) { StoreChanged(glowSize_, s, [this] { Changed(); }); }
void TkvFontData::SetUseSysColor(bool on) { StoreChanged(useSysColor_, on, [this] { Changed(); }); }
void TkvFontData::SetUseSysFontName(bool on) { StoreChanged(useSysFontName_, on, [this] { Changed(); }); }
void TkvFontData::SetUseSysGlowing(bool on) { StoreChanged(useSysGlowing_, on, [this] { Changed(); }); }
void TkvFontData::SetUseSysSize(bool on) { StoreChanged(useSysSize_, on, [this] { Changed(); }); }
void TkvFontData::SetUseSysStyle(bool on) { StoreChanged(useSysStyle_, on, [this] { Changed(); }); }

void TkvFontData::Assign(const TPersistent* source)
{
    auto* o = dynamic_cast<const TkvFontData*>(source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    font_.Assign(&o->font_);
    glowColor_ = o->glowColor_;
    glowSize_ = o->glowSize_;
    useSysColor_ = o->useSysColor_;
    useSysFontName_ = o->useSysFontName_;
    useSysGlowing_ = o->useSysGlowing_;
    useSysSize_ = o->useSysSize_;
    useSysStyle_ = o->useSysStyle_;
    Changed();
}

// ---------------------------------------------------------------- TkvTitleBarItem

TkvTitleBarItem::TkvTitleBarItem(TCollection* collection) : TCollectionItem(collection)
{
    name_ = ClassName();
    fontData_.OnChange = [this] {
        if (TsTitleBar* bar = TitleBar())
            bar->NotifyTitleChanged();
    };
}

TkvTitleBarItem::~TkvTitleBarItem()
{
    FreeAnimation();
    HideHintWindow();
}

TsTitleBar* TkvTitleBarItem::TitleBar() const
{
    auto* items = dynamic_cast<TkvTitleItems*>(Collection());
    return items ? items->TitleBar() : nullptr;
}

void TkvTitleBarItem::Assign(const TPersistent* source)
{
    auto* o = dynamic_cast<const TkvTitleBarItem*>(source);
    if (!o) {
        TCollectionItem::Assign(source);
        return;
    }
    autoSize_ = o->autoSize_;
    align_ = o->align_;
    caption_ = o->caption_;
    Enabled = o->Enabled;
    glyph_.Assign(&o->glyph_);
    itemGroup_ = o->itemGroup_;
    Hint = o->Hint;
    imageIndex_ = o->imageIndex_;
    name_ = o->name_;
    numGlyphs_ = o->numGlyphs_;
    style_ = o->style_;
    visible_ = o->visible_;
    OnMouseDown = o->OnMouseDown;
    OnMouseUp = o->OnMouseUp;
    Changed(true);
}

void TkvTitleBarItem::Changed(bool resize)
{
    TsTitleBar* bar = TitleBar();
    if (bar && bar->Loading())
        return;
    if (resize && autoSize_)
        Measure(false);
    DropAnimationPicture();
    if (bar)
        bar->NotifyTitleChanged();
}

template <class T>
void TkvTitleBarItem::Store(T& field, const T& value, bool resize)
{
    StoreChanged(field, value, [&] { Changed(resize); });
}

void TkvTitleBarItem::SetAlign(TkvItemAlign a) { Store(align_, a, true); }
void TkvTitleBarItem::SetAutoSize(bool on) { Store(autoSize_, on, true); }
void TkvTitleBarItem::SetCaption(const String& s) { Store(caption_, s, true); }
void TkvTitleBarItem::SetHeight(int h) { Store(height_, h, true); }
void TkvTitleBarItem::SetWidth(int w) { Store(width_, w, true); }
void TkvTitleBarItem::SetNumGlyphs(int n) { Store(numGlyphs_, n, true); }
void TkvTitleBarItem::SetSpacing(int s) { Store(spacing_, s, true); }
void TkvTitleBarItem::SetStyle(TkvBtnStyle s) { Store(style_, s, true); }
void TkvTitleBarItem::SetVisible(bool on) { Store(visible_, on, true); }
void TkvTitleBarItem::SetItemGroup(int g) { Store(itemGroup_, g, false); }

void TkvTitleBarItem::SetGlyph(const TBitmap* g)
{
    if (g)
        glyph_.Assign(g);
    else
        glyph_.Clear();
    Changed(true);
}

// Changing any image index of a selected tab first puts its state back to normal.
void TkvTitleBarItem::StoreImageIndex(int& field, int i, bool resize)
{
    StoreChanged(field, i, [&] {
        if (style_ == TkvBtnStyle::bsTab && down_)
            state_ = isNormal;
        Changed(resize);
    });
}

void TkvTitleBarItem::SetImageIndex(int i) { StoreImageIndex(imageIndex_, i, true); }
void TkvTitleBarItem::SetHotImageIndex(int i) { StoreImageIndex(hotImageIndex_, i, false); }
void TkvTitleBarItem::SetPressedImageIndex(int i) { StoreImageIndex(pressedImageIndex_, i, false); }
void TkvTitleBarItem::SetDisabledImageIndex(int i) { StoreImageIndex(disabledImageIndex_, i, false); }

void TkvTitleBarItem::SetSkinSection(const String& s)
{
    if (s == skinSection_)
        return;
    skinSection_ = s;
    if (OnSkinChange)
        OnSkinChange(*this);
    Changed(false);
}

void TkvTitleBarItem::SetDown(bool on)
{
    if (on == down_)
        return;
    if (on && style_ == TkvBtnStyle::bsTab && Collection()) {
        // Every other item of the group lets go, whether it shows or not: a
        // hidden Down tab shown again must not make two selected tabs.
        for (int i = 0; i < Collection()->Count(); ++i) {
            auto* other = static_cast<TkvTitleBarItem*>(Collection()->Items(i));
            if (other != this && other->itemGroup_ == itemGroup_ && other->down_) {
                other->down_ = false;
                other->state_ = isNormal;
            }
        }
    }
    down_ = on;
    state_ = on ? isPressed : isNormal;
    Changed(false);
}

void TkvTitleBarItem::SetState(int s)
{
    state_ = dropdownShown_ ? isPressed : s;
}

bool TkvTitleBarItem::Hittable() const
{
    if (!visible_ || style_ == TkvBtnStyle::bsSpacing || style_ == TkvBtnStyle::bsInfo)
        return false;
    return !(style_ == TkvBtnStyle::bsTab && down_);
}

void TkvTitleBarItem::Measure(bool keepSize)
{
    if (!visible_)
        return;
    TsTitleBar* bar = TitleBar();
    TkvMeasureInput in;
    in.Style = style_;
    in.Caption = caption_;
    in.Spacing = spacing_;
    in.ItemsMargin = bar ? bar->ItemsMargin : kTitleItemsMargin;
    in.HasDropdown = DropdownMenu != nullptr;
    TCustomImageList* images = bar ? bar->Images() : nullptr;
    if (images && imageIndex_ >= 0 && imageIndex_ < images->Count())
        in.Image = TkvExtent{images->Width(), images->Height()};
    else if (!glyph_.Empty())
        in.Image = TkvExtent{glyph_.Width() / std::max(1, numGlyphs_), glyph_.Height()};

    // The used font: the caption font with what FontData overrides.
    const LOGFONTW sys = CaptionLogFont();
    TFont& f = fontData_.UsedFont;
    TFont& own = fontData_.Font();
    f.Set(fontData_.UseSysFontName() ? String(sys.lfFaceName) : own.Name(),
          fontData_.UseSysSize() ? int(sys.lfHeight) : own.Height(),
          fontData_.UseSysStyle() ? (sys.lfWeight >= FW_BOLD ? TFontStyles(fsBold) : TFontStyles(0)) : own.Style(),
          own.Color());

    const TsTitleBar::TkvMeasurer* injected = bar ? &bar->Measurer : nullptr;
    TkvTextExtentFn text = [&](const std::wstring& s) {
        if (injected && injected->Text)
            return injected->Text(*this, s);
        return ScreenTextExtent(f.Handle(), s);
    };
    int arrow = 0;
    if (in.HasDropdown && (style_ == TkvBtnStyle::bsButton || style_ == TkvBtnStyle::bsMenu)) {
        if (injected && injected->ArrowWidth) {
            arrow = injected->ArrowWidth();
        } else {
            HFONT af = CreateArrowFont(f.Height());
            arrow = ScreenTextExtent(af, L"u").Width;
            DeleteObject(af);
        }
    }
    const TkvMeasured m = MeasureTitleItem(in, text, arrow);
    Content = m.Content;
    if (!keepSize && style_ != TkvBtnStyle::bsSpacing) {
        width_ = m.Item.Width;
        height_ = m.Item.Height;
    }
}

// ---------------------------------------------------------------- mouse

void TkvTitleBarItem::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (pressed_ || !Enabled)
        return;
    pressed_ = true;
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
    TsTitleBar* bar = TitleBar();
    if (style_ == TkvBtnStyle::bsTab) {
        pressed_ = false;
        if (down_)
            return;
        if (OnClick)
            OnClick(this);
        SetDown(true);
        return;
    }
    if ((style_ == TkvBtnStyle::bsButton || style_ == TkvBtnStyle::bsMenu) && DropdownMenu &&
        DropdownMenu->Items() && DropdownMenu->Items()->Count() > 0 && bar && bar->Form()) {
        TCustomForm* form = bar->Form();
        HWND formWnd = form->Handle();
        RECT origin{};
        GetWindowRect(BorderWindow && IsWindow(BorderWindow) ? BorderWindow : formWnd, &origin);
        TPopupMenu* menu = DropdownMenu;
        menu->SetWindowHandle(formWnd);
        dropdownShown_ = true;
        state_ = isPressed;
        bar->NotifyTitleChanged();
        // The chosen command runs inside Popup and may free any of these.
        const TsLiveWatch self = Life();
        TsFreeWatch alive{bar, menu, form};
        menu->Popup(origin.left + Rect.left, origin.top + Rect.bottom);
        if (alive.Alive(menu))
            menu->SetWindowHandle(nullptr);
        if (!self.Alive())
            return;
        if (!alive.Alive(menu) && DropdownMenu == menu)
            DropdownMenu = nullptr;   // the command freed its own menu
        dropdownShown_ = false;
        state_ = isNormal;
        pressed_ = false;
        FreeAnimation();
        // The item lives: so do its title bar and the form that owns them.
        bar->NotifyTitleChanged();
        if (OnClick)
            OnClick(this);
    }
}

void TkvTitleBarItem::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!Enabled)
        return;
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
    if (pressed_ && style_ != TkvBtnStyle::bsTab) {
        pressed_ = false;
        if (OnClick)
            OnClick(this);
    }
    pressed_ = false;
    SetState(isHot);
}

void TkvTitleBarItem::MouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
    SetState(isHot);
    ShowHintWindow();
}

void TkvTitleBarItem::MouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
    SetState(isNormal);
    HideHintWindow();
}

void TkvTitleBarItem::CancelPress()
{
    pressed_ = false;
    SetState(isNormal);
}

void TkvTitleBarItem::ShowHintWindow()
{
    if (!ShowHint || Hint.empty() || (hint_ && hint_->Handle()))
        return;
    if (!hint_)
        hint_ = std::make_unique<THintWindow>();
    TCustomForm* form = TitleBar() ? TitleBar()->Form() : nullptr;
    hint_->ShowAtCursor(Hint, form && form->HandleAllocated() ? form->Handle() : nullptr);
}

void TkvTitleBarItem::HideHintWindow()
{
    if (hint_)
        hint_->ReleaseHandle();
}

// ---------------------------------------------------------------- animation links

TkvItemAnimation& TkvTitleBarItem::StartAnimation(HWND ownerWindow)
{
    if (!animation_)
        animation_ = std::make_unique<TkvItemAnimation>(this, ownerWindow);
    return *animation_;
}

void TkvTitleBarItem::DropAnimationPicture()
{
    if (animation_)
        animation_->DropPicture();
}

void TkvTitleBarItem::FreeAnimation() { animation_.reset(); }

// ---------------------------------------------------------------- TkvTitleItems

TkvTitleItems::TkvTitleItems(TsTitleBar* owner)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TkvTitleBarItem(c); }), owner_(owner)
{
}

TPersistent* TkvTitleItems::GetOwner() const { return owner_; }

void TkvTitleItems::Update(TCollectionItem*)
{
    if (owner_)
        owner_->NotifyTitleChanged();
}

// ---------------------------------------------------------------- TsTitleBar

TsTitleBar::TsTitleBar(TComponent* owner)
    : TComponent(FormOwnerOrAbort(owner)), form_(static_cast<TCustomForm*>(owner)), items_(this)
{
    ItemsMargin = kTitleItemsMargin;
    LoadMenuButtonPicture(menuButton_);
    imageLink_.OnChange = TNotifyEvent(this, &TsTitleBar::ImagesChanged);
}

TsTitleBar::~TsTitleBar()
{
    BeforeDestruction();
    if (images_)
        images_->UnRegisterChanges(&imageLink_);
    items_.Clear();
}

bool TsTitleBar::Loading() const
{
    return (ComponentState() & csLoading) || (form_ && (form_->ComponentState() & csLoading));
}

void TsTitleBar::SetImages(TCustomImageList* list)
{
    if (list == images_)
        return;
    if (images_) {
        images_->UnRegisterChanges(&imageLink_);
        images_->RemoveFreeNotification(this);
    }
    images_ = list;
    if (images_) {
        images_->RegisterChanges(&imageLink_);
        images_->FreeNotification(this);
    }
    ImagesChanged(nullptr);
}

void TsTitleBar::ImagesChanged(TObject*)
{
    if (Loading())
        return;
    for (int i = 0; i < items_.Count(); ++i)
        if (items_.Items(i)->AutoSize())
            items_.Items(i)->Measure(false);
    NotifyTitleChanged();
}

void TsTitleBar::SetShowCaption(bool on)
{
    if (on == showCaption_)
        return;
    showCaption_ = on;
    NotifyTitleChanged();
}

void TsTitleBar::Loaded()
{
    TComponent::Loaded();
    for (int i = 0; i < items_.Count(); ++i)
        if (items_.Items(i)->AutoSize())
            items_.Items(i)->Measure(false);
}

void TsTitleBar::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) {
        images_->UnRegisterChanges(&imageLink_);
        images_ = nullptr;
    }
}

void TsTitleBar::NotifyTitleChanged()
{
    if (Loading() || Destroying() || !form_ || !form_->HandleAllocated())
        return;
    SendMessageW(form_->Handle(), SkinCommandMessageNumber, MAKEWPARAM(0, SkinCmdTitleChanged), 1);
}

void TsTitleBar::Layout()
{
    std::vector<TkvLayoutEntry> entries;
    entries.reserve(size_t(items_.Count()));
    for (int i = 0; i < items_.Count(); ++i) {
        TkvTitleBarItem* it = items_.Items(i);
        if (it->Visible() && it->Content.Width == 0 && it->Content.Height == 0 && it->AutoSize())
            it->Measure(false);
        entries.push_back(TkvLayoutEntry{it->Align(), it->Style(), it->Visible(), it->Width(), it->Height()});
    }
    const TkvTitleItemsLayout l = LayoutTitleItems(Area, entries);
    Sums = l.Sums;
    for (int i = 0; i < items_.Count(); ++i) {
        const TkvItemBox& b = l.Boxes[size_t(i)];
        items_.Items(i)->Rect = RECT{b.Left, b.Top, b.Right, b.Bottom};
    }
}

TkvTitleBarItem* TsTitleBar::ItemAt(POINT p) const
{
    for (int i = 0; i < items_.Count() && i < 256; ++i) {
        TkvTitleBarItem* it = items_.Items(i);
        if (it->Hittable() && PtInRect(&it->Rect, p))
            return it;
    }
    return nullptr;
}

TsTitleBar* FindTitleBar(TCustomForm* form)
{
    if (!form)
        return nullptr;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* bar = dynamic_cast<TsTitleBar*>(form->Components(i)); bar && !bar->Destroying())
            return bar;
    return nullptr;
}

void LoadMenuButtonPicture(TBitmap& bmp)
{
    bmp.Clear();
    HINSTANCE inst = GetModuleHandleW(nullptr);
    if (!FindResourceW(inst, L"MENUBTN", MAKEINTRESOURCEW(2) /* RT_BITMAP */))
        return;
    HBITMAP h = HBITMAP(LoadImageW(inst, L"MENUBTN", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!h)
        return;
    DIBSECTION ds{};
    const bool withAlpha = GetObjectW(h, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBitsPixel == 32;
    bmp.LoadFromHandle(h);
    DeleteObject(h);
    bmp.SetPixelFormat(TPixelFormat::pf32bit);
    PixelView v = bmp.View();
    // A picture without an alpha channel has an empty alpha byte (opaque once inverted).
    if (!withAlpha)
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                v.At(x, y) &= 0x00FFFFFFu;
    ConvertMenuButtonPixels(v);
}

// ---------------------------------------------------------------- TkvItemAnimation

namespace {

const wchar_t kItemGlowClass[] = L"TkvItemGlow";

LRESULT CALLBACK ItemGlowProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcW(wnd, msg, w, l);
    }
}

HWND CreateGlowWindow(bool topmost)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ItemGlowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kItemGlowClass;
        registered = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    const DWORD ex = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_LAYERED |
                     (topmost ? WS_EX_TOPMOST : 0);
    return CreateWindowExW(ex, kItemGlowClass, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

void DestroyGlowWindow(HWND& w)
{
    if (w && IsWindow(w))
        DestroyWindow(w);
    w = nullptr;
}

}  // namespace

TkvItemAnimation::TkvItemAnimation(TkvTitleBarItem* item, HWND ownerWindow)
    : TTimer(nullptr), item_(item), owner_(ownerWindow)
{
    SetEnabled(false);
    SetInterval(12);
    SetOnTimer(TNotifyEvent([this](TObject*) { StepOnce(); }));
}

TkvItemAnimation::~TkvItemAnimation()
{
    SetEnabled(false);
    DestroyGlowWindow(previous_);
    DestroyGlowWindow(window_);
}

void TkvItemAnimation::DropPicture()
{
    picture_.reset();
    DestroyGlowWindow(window_);
}

RECT TkvItemAnimation::ScreenRect() const
{
    RECT origin{};
    HWND ref = item_->BorderWindow && IsWindow(item_->BorderWindow) ? item_->BorderWindow : owner_;
    GetWindowRect(ref, &origin);
    RECT r = item_->Rect;
    OffsetRect(&r, origin.left, origin.top);
    return r;
}

void TkvItemAnimation::MakePicture()
{
    const int w = item_->Rect.right - item_->Rect.left, h = item_->Rect.bottom - item_->Rect.top;
    picture_ = std::make_unique<TBitmap>(std::max(1, w), std::max(1, h), TPixelFormat::pf32bit);
    PixelView v = picture_->View();
    if (item_->PaintProc) {
        for (int y = 0; y < v.height; ++y)
            std::fill(v.Row(y), v.Row(y) + v.width, 0u);
        item_->PaintProc(*item_, RECT{0, 0, v.width, v.height}, *picture_);
    } else {
        for (int y = 0; y < v.height; ++y)
            std::fill(v.Row(y), v.Row(y) + v.width, 0xFFFFFF00u);   // opaque yellow
    }
}

void TkvItemAnimation::SetState(int state, int steps)
{
    fade_.SetSteps(steps);
    const bool pressOrHoverWhilePressed = state == isPressed || item_->State() == isPressed;
    if (state != 0 && fade_.TargetState() > 0 && state != fade_.TargetState() && pressOrHoverWhilePressed) {
        // The previous window stays until the new picture shows.
        DestroyGlowWindow(previous_);
        previous_ = std::exchange(window_, nullptr);
        picture_.reset();
    }
    if (state != 0 && !picture_)
        MakePicture();
    const TkvFadeSteps::Frame f = fade_.Start(state);
    if (f.Drop) {
        DropPicture();
        SetEnabled(false);
        return;
    }
    if (f.Alpha >= 0)
        Show(f.Alpha);
    SetEnabled(fade_.Running());
}

void TkvItemAnimation::Timer() { StepOnce(); }

void TkvItemAnimation::StepOnce()
{
    const TkvFadeSteps::Frame f = fade_.Tick();
    if (f.Alpha >= 0)
        Show(f.Alpha);
    if (f.FadedIn) {
        DestroyGlowWindow(previous_);
        POINT pt{};
        GetCursorPos(&pt);
        const RECT r = ScreenRect();
        if (!PtInRect(&r, pt) && owner_ && IsWindow(owner_))
            PostMessageW(owner_, WM_NCMOUSELEAVE, 0, 0);
    }
    if (f.Drop)
        DropPicture();
    if (f.Finished)
        SetEnabled(false);
}

void TkvItemAnimation::Show(int alpha)
{
    if (!picture_ || !owner_ || !IsWindow(owner_) || !IsWindowVisible(owner_))
        return;
    HWND ref = item_->BorderWindow && IsWindow(item_->BorderWindow) ? item_->BorderWindow : owner_;
    const bool topmost = (GetWindowLongW(ref, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (!window_)
        window_ = CreateGlowWindow(topmost);
    if (!window_)
        return;
    const RECT r = ScreenRect();
    const int w = picture_->Width(), h = picture_->Height();
    POINT pos{r.left + (r.right - r.left - w) / 2, r.top + (r.bottom - r.top - h) / 2};
    SIZE size{w, h};
    POINT src{0, 0};
    BLENDFUNCTION bf{AC_SRC_OVER, 0, BYTE(std::clamp(alpha, 0, 255)), AC_SRC_ALPHA};
    SetWindowPos(window_, topmost ? HWND_TOPMOST : GetWindow(ref, GW_HWNDPREV), pos.x, pos.y, w, h,
                 SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    UpdateLayeredWindow(window_, nullptr, &pos, &size, picture_->Canvas().Handle(), &src, 0, &bf, ULW_ALPHA);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
}
