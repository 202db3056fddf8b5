#include "skin/controls/Image.h"

#include <algorithm>
#include <cmath>

#include "classlib/GdiHandle.h"
#include "classlib/Messages.h"
#include "classlib/TypInfo.h"
#include "skin/controls/AlphaImageList.h"
#include "skin/core/BgRequest.h"
#include "skin/core/CommonData.h"
#include "skin/core/ControlPaint.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinDataProperty.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/graphics/ResampleBitmap.h"

TsCustomImage::TsCustomImage(TComponent* owner)
    : TsSkinnedControl<TImage>(owner), skinData_(std::make_unique<TsCtrlSkinData>(this, true))
{
    RegisterSkinDataProperty<TsCustomImage>();
    cache_.SetPixelFormat(TPixelFormat::pf32bit);
    imagesLink_.OnChange = TNotifyEvent(this, &TsCustomImage::ImagesChanged);
    skinData_->ControlKind = int32_t(TsControlKind::Image);
    skinData_->ReapplySkin();
}

TsImage::TsImage(TComponent* owner) : TsCustomImage(owner)
{
    RegisterSkinDataProperty<TsImage>();
    static bool done = false;
    if (done) return;
    done = true;
    const TClassInfo* c = TsImage::StaticClassInfo();
    RegisterProperty(c, OrdProperty<TsCustomImage, int>(L"Blend", &TsCustomImage::Blend, &TsCustomImage::SetBlend));
    RegisterProperty(c, OrdProperty<TsCustomImage, int>(L"ImageIndex", &TsCustomImage::ImageIndex,
                                                        &TsCustomImage::SetImageIndex));
    RegisterProperty(c, BoolProperty<TsCustomImage>(L"Grayed", &TsCustomImage::Grayed, &TsCustomImage::SetGrayed));
    RegisterProperty(c, BoolProperty<TsCustomImage>(L"Reflected", &TsCustomImage::Reflected,
                                                    &TsCustomImage::SetReflected));
    RegisterProperty(c, BoolProperty<TsCustomImage>(L"UseFullSize", &TsCustomImage::UseFullSize,
                                                    &TsCustomImage::SetUseFullSize));
    TPropInfo images;
    images.Name = L"Images";
    images.Kind = TTypeKind::tkClass;
    images.GetObj = [](TObject* o) -> TObject* { return static_cast<TsCustomImage*>(o)->Images(); };
    images.SetObj = [](TObject* o, TObject* v) {
        static_cast<TsCustomImage*>(o)->SetImages(dynamic_cast<TCustomImageList*>(v));
    };
    RegisterProperty(c, std::move(images));
}

void TsCustomImage::Loaded()
{
    TImage::Loaded();
    skinData_->ReapplySkin();
}

TsCustomImage::~TsCustomImage()
{
    if (images_) {
        images_->UnRegisterChanges(&imagesLink_);
        RemoveFreeNotification(images_);
        images_ = nullptr;
    }
}

void TsCustomImage::SetImages(TCustomImageList* list)
{
    if (list == images_) return;
    if (images_) {
        images_->UnRegisterChanges(&imagesLink_);
        RemoveFreeNotification(images_);
    }
    images_ = list;
    if (images_) {
        images_->RegisterChanges(&imagesLink_);
        FreeNotification(images_);
    }
    if (!(ComponentState() & (csLoading | csDestroying))) Changed();
}

void TsCustomImage::Notification(TComponent* component, TOperation operation)
{
    TImage::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) {
        // The list is going away: forget it, so that nothing paints from it.
        images_ = nullptr;
        if (!(ComponentState() & csDestroying)) Changed();
    }
}

void TsCustomImage::ImagesChanged(TObject*) { Changed(); }

bool TsCustomImage::UsesList() const { return images_ && imageIndex_ >= 0 && imageIndex_ < images_->Count(); }

bool TsCustomImage::CanAutoSize(int& newWidth, int& newHeight)
{
    if ((ComponentState() & csDesigning) && Empty()) {
        if (Picture().Width() > 0 && Picture().Height() > 0) {
            newWidth = Picture().Width();
            newHeight = Picture().Height();
        }
        return true;
    }
    int w, h;
    if (images_ && imageIndex_ >= 0 && imageIndex_ <= images_->Count()) {
        w = images_->Width();
        h = images_->Height();
    } else {
        w = Picture().Width();
        h = Picture().Height();
    }
    if (useFullSize_ && reflected_) h += h / 2;
    TAlign a = Align();
    if (a == TAlign::alNone || a == TAlign::alLeft || a == TAlign::alRight) newWidth = w;
    if (a == TAlign::alNone || a == TAlign::alTop || a == TAlign::alBottom) newHeight = h;
    return true;
}

bool TsCustomImage::ListImage(TBitmap& bmp)
{
    if (!UsesList()) return false;
    bmp.SetPixelFormat(TPixelFormat::pf32bit);
    bmp.SetSize(images_->Width(), images_->Height());
    if (auto* alpha = dynamic_cast<TsAlphaImageList*>(images_)) return alpha->GetBitmap32(imageIndex_, &bmp);
    // Any other list draws over the key colour, which then becomes transparent.
    PixelView v = bmp.View();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) v.At(x, y) = 0x00FF00FFu;
    images_->GetBitmap(imageIndex_, &bmp);
    GdiFlush();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            uint32_t& p = v.At(x, y);
            p = (p & 0xFFFFFF) == 0xFF00FF ? 0u : (p | 0xFF000000u);
        }
    return true;
}

void TsCustomImage::Changed()
{
    backgroundChanged_ = true;
    skinData_->BackgroundChanged = true;
    if (AutoSize() && (images_ || imageIndex_ >= 0)) {
        int w = Width(), h = Height();
        CanAutoSize(w, h);
        if (w != Width() || h != Height()) SetBounds(Left(), Top(), w, h);
    }
    Invalidate();
}

void TsCustomImage::SetBlend(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == blend_) return;
    blend_ = percent;
    Changed();
}

void TsCustomImage::SetGrayed(bool g)
{
    if (g == grayed_) return;
    grayed_ = g;
    Changed();
}

void TsCustomImage::SetReflected(bool r)
{
    if (r == reflected_) return;
    reflected_ = r;
    Changed();
}

void TsCustomImage::SetUseFullSize(bool u)
{
    if (u == useFullSize_) return;
    useFullSize_ = u;
    Changed();
}

void TsCustomImage::SetImageIndex(int i)
{
    if (i == imageIndex_) return;
    imageIndex_ = i;
    Changed();
}

void TsCustomImage::PictureChanged(TObject* sender)
{
    backgroundChanged_ = true;
    skinData_->BackgroundChanged = true;
    TImage::PictureChanged(sender);
}

void TsCustomImage::BoundsChanged()
{
    backgroundChanged_ = true;
    skinData_->BackgroundChanged = true;
    TImage::BoundsChanged();
}

bool TsCustomImage::Empty() const
{
    if (UsesList()) return false;
    TGraphic* g = const_cast<TsCustomImage*>(this)->Picture().Graphic();
    return !g || g->Empty();
}

SIZE TsCustomImage::CalcDrawSize(bool fit) const
{
    auto& pic = const_cast<TsCustomImage*>(this)->Picture();
    SIZE natural{pic.Width(), pic.Height()};
    if (images_ && imageIndex_ >= 0) natural = SIZE{images_->Width(), images_->Height()};
    if (!fit) return natural;
    int available = reflected_ ? Height() * 2 / 3 : Height();
    if (!Proportional()) return SIZE{Width(), available};
    if (natural.cx <= 0 || natural.cy <= 0) return SIZE{0, 0};
    long double r = (long double)natural.cx / natural.cy;
    SIZE s;
    if (natural.cx > natural.cy) {
        s.cx = Width();
        s.cy = int(std::trunc(s.cx / r));
        if (s.cy > available) {
            s.cy = available;
            s.cx = int(std::trunc(s.cy * r));
        }
    } else {
        s.cy = available;
        s.cx = int(std::trunc(s.cy * r));
        if (s.cx > Width()) {
            s.cx = Width();
            s.cy = int(std::trunc(s.cx / r));
        }
    }
    return s;
}

namespace {
void MakeOpaque(TBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y) {
        uint8_t* p = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x) p[x * 4 + 3] = 255;
    }
}

// Some pixel's alpha is not `alpha`.
bool AlphaOtherThan(TBitmap& b, uint8_t alpha)
{
    for (int y = 0; y < b.Height(); ++y) {
        const uint8_t* p = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x)
            if (p[x * 4 + 3] != alpha) return true;
    }
    return false;
}

// Resamples an opaque src to w x h (smooth stretching).
void Resample(TBitmap& src, TBitmap& out, int w, int h)
{
    out.SetPixelFormat(TPixelFormat::pf32bit);
    out.SetSize(w, h);
    if (w <= 0 || h <= 0) return;
    HDC d = out.Canvas().Handle();
    int old = SetStretchBltMode(d, HALFTONE);
    SetBrushOrgEx(d, 0, 0, nullptr);
    StretchBlt(d, 0, 0, w, h, src.Canvas().Handle(), 0, 0, src.Width(), src.Height(), SRCCOPY);
    SetStretchBltMode(d, old);
    GdiFlush();
    MakeOpaque(out);
}

// Resamples a 32-bit image with its alpha (filtered; nearest pixels for sources under 2 pixels a side).
void ScaleWithAlpha(TBitmap& src, TBitmap& out, int w, int h)
{
    out.SetPixelFormat(TPixelFormat::pf32bit);
    if (w <= 0 || h <= 0 || src.Width() <= 0 || src.Height() <= 0) {
        out.SetSize(0, 0);
        return;
    }
    if (src.Width() >= 2 && src.Height() >= 2) {
        // Filtered with premultiplied colours, so that the colour of clear
        // pixels does not bleed into the edges; straight alpha again after.
        TBitmap work;
        work.Assign(&src);
        work.SetPixelFormat(TPixelFormat::pf32bit);
        PixelView v = work.View();
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x) {
                uint8_t* p = reinterpret_cast<uint8_t*>(&v.At(x, y));
                for (int c = 0; c < 3; ++c) p[c] = uint8_t((p[c] * p[3] + 127) / 255);
            }
        ResampleBitmap(&work, &out, w, 6, h);
        out.SetPixelFormat(TPixelFormat::pf32bit);
        PixelView o = out.View();
        for (int y = 0; y < o.height; ++y)
            for (int x = 0; x < o.width; ++x) {
                uint8_t* p = reinterpret_cast<uint8_t*>(&o.At(x, y));
                if (p[3] == 0) continue;
                for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::min(255, (p[c] * 255 + p[3] / 2) / p[3]));
            }
        return;
    }
    out.SetSize(w, h);
    PixelView s = src.View(), d = out.View();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.At(x, y) = s.At(x * s.width / w, y * s.height / h);
}

inline uint8_t Mix(int s, int d, int w) { return uint8_t((s * w + d * (256 - w)) >> 8); }
inline uint8_t Toward(int target, int d, int w) { return uint8_t(d + (((target - d) * w) >> 8)); }

void BlendPixel(uint8_t* d, const uint8_t* s, int w, bool grayed)
{
    if (w >= 255) w = 256;   // an opaque pixel replaces what is under it
    if (grayed) {
        int l = (s[0] + s[1] + s[2]) / 3;   // the grey colour 0xFFFFFF: each target is the grey level
        for (int c = 0; c < 3; ++c) d[c] = Toward(l, d[c], w);
    } else {
        for (int c = 0; c < 3; ++c) d[c] = Mix(s[c], d[c], w);
    }
}
}  // namespace

void BlendImageInto(TBitmap& dst, int x, int y, TBitmap& src, int transparency, bool grayed, bool reflected)
{
    int sx = 0, sy = 0, w = src.Width(), h = src.Height();
    if (x < 0) { sx -= x; w += x; x = 0; }
    if (y < 0) { sy -= y; h += y; y = 0; }
    w = std::min(w, dst.Width() - x);
    h = std::min(h, dst.Height() - y);
    if (w <= 0 || h <= 0) return;
    for (int row = 0; row < h; ++row) {
        const uint8_t* s = src.ScanLine(sy + row) + sx * 4;
        uint8_t* d = dst.ScanLine(y + row) + x * 4;
        for (int col = 0; col < w; ++col, s += 4, d += 4) {
            int sa = s[3];
            int wgt = transparency > 0 ? (100 - transparency) * sa / 100 : sa;
            BlendPixel(d, s, wgt, grayed);
            if (transparency == 0 && !grayed) d[3] = uint8_t(std::max<int>(d[3], sa));
        }
    }
    if (!reflected) return;
    int bottom = y + h;   // below the drawn rows
    int q = std::min(src.Height() / 2 - 1, dst.Height() - bottom - 1);
    if (q < 1) return;
    int f = 255;
    int drop = grayed ? 255 / std::max(1, src.Height() / 2) : 255 / std::max(1, src.Height());
    for (int n = 1; n <= q; ++n) {
        int srow = sy + h - n - 1;
        if (srow < 0) break;
        const uint8_t* s = src.ScanLine(srow) + sx * 4;
        uint8_t* d = dst.ScanLine(bottom + n) + x * 4;
        for (int col = 0; col < w; ++col, s += 4, d += 4) {
            int w0 = ((s[3] * (q - n) / q) * f) >> 10;
            if (transparency > 0) w0 = (100 - transparency) * w0 / 100;
            BlendPixel(d, s, w0, grayed);
        }
        f = std::max(0, f - drop);
    }
}

bool TsCustomImage::PrepareImage(TBitmap& bmp, POINT& at, bool skinned)
{
    SIZE size = CalcDrawSize(Stretch());
    if (UsesList()) {
        if (!ListImage(bmp)) return false;
        if (Stretch()) {
            TBitmap resized;
            ScaleWithAlpha(bmp, resized, size.cx, size.cy);
            bmp.Assign(&resized);
        }
    } else {
        TGraphic* g = Picture().Graphic();
        if (!g || g->Empty()) return false;
        SIZE natural = CalcDrawSize(false);
        bmp.SetPixelFormat(TPixelFormat::pf32bit);
        bmp.SetSize(natural.cx, natural.cy);
        if (auto* b = dynamic_cast<TBitmap*>(g)) {
            bmp.Assign(b);
            bmp.SetPixelFormat(TPixelFormat::pf32bit);
            if (!AlphaOtherThan(bmp, 0)) MakeOpaque(bmp);   // a bitmap without an alpha channel is opaque
            if (Stretch()) {
                TBitmap resized;
                if (skinned || AlphaOtherThan(bmp, 255))
                    ScaleWithAlpha(bmp, resized, size.cx, size.cy);   // filtered, alpha kept
                else
                    Resample(bmp, resized, size.cx, size.cy);
                bmp.Assign(&resized);
            }
        } else {
            int w = size.cx, h = size.cy;
            if (Stretch()) {
                w = std::min(w, Width());
                h = std::min(h, Height());
            }
            bmp.SetSize(w, h);
            g->Draw(bmp.Canvas(), RECT{0, 0, w, h});
            GdiFlush();
            MakeOpaque(bmp);
        }
    }
    at = POINT{0, 0};
    if (!(Stretch() && !Proportional()) && Center()) {
        at.x = (Width() - bmp.Width()) / 2;
        at.y = (Height() - bmp.Height() - (useFullSize_ ? bmp.Height() / 2 : 0)) / 2;
    }
    return bmp.Width() > 0 && bmp.Height() > 0;
}

void TsCustomImage::DrawImage()
{
    TBitmap bmp;
    POINT at;
    if (PrepareImage(bmp, at, false)) BlendImageInto(cache_, at.x, at.y, bmp, blend_, grayed_, reflected_);
}

bool TsCustomImage::RenderCache(HDC dc)
{
    lastSkinned_ = false;
    cache_.SetPixelFormat(TPixelFormat::pf32bit);
    cache_.SetSize(Width(), Height());
    if (Width() <= 0 || Height() <= 0) return false;
    // The background: what the parent has painted under the control.
    BitBlt(cache_.Canvas().Handle(), 0, 0, Width(), Height(), dc, 0, 0, SRCCOPY);
    GdiFlush();
    DrawImage();
    backgroundChanged_ = false;
    return true;
}

bool TsCustomImage::SkinActive() const
{
    TsSkinManager* m = skinData_->SkinManager();
    // Switched on is not enough: a failed load leaves the manager on without a skin.
    return m && m->Active() && m->SkinData().Active && !m->Destroying();
}

bool TsCustomImage::RenderSkinned(HDC dc)
{
    lastSkinned_ = true;
    // 1. The background behind the image, as the parent answers for it.
    TsBgRequest request;
    TsBgCacheInfo info = ParentBackgroundOf(this, request);
    if (request.Kind == bgNotReady) {
        skinData_->Updating = true;
        return false;
    }
    // 2. The cache at the control's size.
    skinData_->PrepareCacheBitmap();
    TBitmap* cache = skinData_->CacheBitmap.get();
    if (!cache || Width() <= 0 || Height() <= 0) return false;
    // 3. What the DC shows under the control; a ready parent bitmap is that
    //    background itself, copied from the answered offsets.
    GdiFlush();
    BitBlt(cache->Canvas().Handle(), 0, 0, Width(), Height(), dc, 0, 0, SRCCOPY);
    GdiFlush();
    if (info.Ready && info.Bmp && info.Bmp != cache) {
        const PixelView dst = cache->View();
        skinpaint::CopyPixels(dst, px::WholeOf(dst), info.Bmp->View(), info.X, info.Y);
    }
    // The image's own section over it, then the image.
    if (skinData_->IsSkinned()) {
        RECT r{0, 0, Width(), Height()};
        PaintControlSkin(*skinData_, info, -1, -1, 0, cache, POINT{0, 0}, r, 0);
    }
    TBitmap bmp;
    POINT at;
    if (PrepareImage(bmp, at, true)) {
        RECT dr{at.x, at.y, at.x + bmp.Width(), at.y + bmp.Height()}, sr{0, 0, bmp.Width(), bmp.Height()};
        BlendBitmapMasked(dr, sr, cache, &bmp, EmptyBgCacheInfo, false, grayed_ ? 0xFFFFFFu : NoColorValue, blend_,
                          reflected_);
    }
    skinData_->BackgroundChanged = false;
    backgroundChanged_ = false;
    return true;
}

void TsCustomImage::PaintSkinned(TMessage& m)
{
    HDC dc = HDC(m.WParam);
    if (skinData_->QueryUpdating(false) || (Empty() && !skinData_->IsSkinned())) {
        TImage::Dispatch(m);
        return;
    }
    SavedDC saved(dc);
    bool ready = true;
    if (skinData_->BackgroundChanged || backgroundChanged_ || renderAlways_) ready = RenderSkinned(dc);
    TBitmap* cache = skinData_->CacheBitmap.get();
    if (ready && cache && cache->Width() > 0) {
        GdiFlush();
        BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    }
}

TBitmap& TsCustomImage::CacheBitmap()
{
    if (lastSkinned_ && skinData_->CacheBitmap) return *skinData_->CacheBitmap;
    return cache_;
}

bool TsCustomImage::SkinMessage(TMessage& m)
{
    if (m.Msg == SkinCommandMessage) {
        // A skin that comes, goes or is refreshed changes the image's look, on any form.
        if (IsSkinLookChange(SkinCommandOf(m.WParam))) {
            backgroundChanged_ = true;
            Invalidate();
        }
        return HandleCommonMessage(m, skinData_.get());
    }
    if (m.Msg == WM_PAINT && m.WParam && SkinActive()) {
        PaintSkinned(m);
        return true;
    }
    if (m.Msg == WM_PAINT && m.WParam) {
        if (Empty()) return false;
        HDC dc = HDC(m.WParam);
        SavedDC saved(dc);
        bool ready = true;
        if (backgroundChanged_ || renderAlways_) ready = RenderCache(dc);
        if (ready && cache_.Width() > 0) {
            GdiFlush();
            BitBlt(dc, 0, 0, Width(), Height(), cache_.Canvas().Handle(), 0, 0, SRCCOPY);
        }
        return true;
    }
    if (m.Msg == CM_VISIBLECHANGED) {
        backgroundChanged_ = true;
        skinData_->BackgroundChanged = true;
        skinData_->MouseInside = false;
    }
    if (m.Msg == WM_ERASEBKGND && SkinActive()) return true;
    // With a manager the skin data sees the ordinary messages first (sizes, moves, visibility).
    return skinData_->SkinManager() && HandleCommonMessage(m, skinData_.get());
}
