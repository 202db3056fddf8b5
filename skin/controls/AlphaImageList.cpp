#include "skin/controls/AlphaImageList.h"

#include <algorithm>

#include "classlib/TypInfo.h"
#include "skin/controls/ImgListStream.h"

#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/PNG.h"
#include "skin/graphics/ResampleBitmap.h"
#include "skin/graphics/Utils.h"

static_assert(int(TPixelFormat::pfCustom) + 1 == kPixelFormatCount, "pixel formats as streamed");
static_assert(int(TsImageFormat::ifBMP32) + 1 == kImageFormatCount, "image formats as streamed");

namespace {

constexpr int kResampleFilter = 6;

bool HasAnyAlpha(TBitmap* bmp)
{
    PixelView v = bmp->View();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            if (v.At(x, y) > 0xFFFFFFu) return true;
    return false;
}

// A 32-bit bitmap without any alpha: the bottom-left pixel's colour is the
// transparent colour, every other pixel becomes opaque.
void RebuildAlpha(TBitmap* bmp)
{
    if (bmp->Empty() || HasAnyAlpha(bmp)) return;
    PixelView v = bmp->View();
    uint32_t key = v.At(0, v.height - 1) & 0xFFFFFF;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            uint32_t& p = v.At(x, y);
            if ((p & 0xFFFFFF) != key) p |= 0xFF000000u;
        }
}

void Make32(TBitmap* bmp)
{
    if (bmp->PixelFormat() != TPixelFormat::pf32bit) {
        bmp->SetPixelFormat(TPixelFormat::pf32bit);
        RebuildAlpha(bmp);
    }
}

// Scales src into dst (w x h, 32 bits). Sources under 2 pixels a side cannot
// be filtered; they are stretched by nearest pixels instead.
void ScaleInto(TBitmap* src, TBitmap* dst, int w, int h)
{
    if (w <= 0 || h <= 0) return;
    if (src->Width() == w && src->Height() == h) {
        dst->Assign(src);
        dst->SetPixelFormat(TPixelFormat::pf32bit);
        return;
    }
    if (src->Width() >= 2 && src->Height() >= 2) {
        ResampleBitmap(src, dst, w, kResampleFilter, h);
        dst->SetPixelFormat(TPixelFormat::pf32bit);
        return;
    }
    dst->SetPixelFormat(TPixelFormat::pf32bit);
    dst->SetSize(w, h);
    PixelView s = src->View(), d = dst->View();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.At(x, y) = s.At(x * s.width / w, y * s.height / h);
}

// An icon with the bitmap's own colours and alpha (not premultiplied); the mask
// is set where the alpha is 0.
HICON StraightAlphaIcon(TBitmap* bmp)
{
    PixelView v = bmp->View();
    int stride = ((v.width + 15) / 16) * 2;
    std::vector<uint8_t> bits(size_t(stride) * size_t(v.height), 0);
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            if ((v.At(x, y) >> 24) == 0) bits[size_t(y) * stride + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
    BitmapHandle mask(CreateBitmap(v.width, v.height, 1, 1, bits.data()));
    ICONINFO ii{};
    ii.fIcon = TRUE;
    ii.hbmMask = mask.get();
    ii.hbmColor = bmp->Handle();
    GdiFlush();
    return CreateIconIndirect(&ii);
}

// A fully transparent icon of w x h: the place of an image that cannot be read.
HICON BlankIcon(int w, int h)
{
    TBitmap b(std::max(w, 1), std::max(h, 1), TPixelFormat::pf32bit);
    PixelView v = b.View();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) v.At(x, y) = 0;
    return StraightAlphaIcon(&b);
}

// The colour bits of an icon as top-down 32-bit pixels, and its mask when
// asked (hasMask tells whether it was read). width and height are set as soon
// as the icon has colour bits; the result is whether they were read.
struct IconBits {
    int width = 0, height = 0;
    std::vector<uint32_t> colour, mask;
    bool hasMask = false;
};

bool ReadIconBits(HICON icon, IconBits& out, bool withMask)
{
    IconBitmaps ii(icon);
    if (!ii) return false;
    bool ok = false;
    BITMAP bm{};
    if (ii.Color() && GetObjectW(ii.Color(), sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0) {
        const int w = bm.bmWidth, h = bm.bmHeight;
        out.width = w;
        out.height = h;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        WindowDC screen(nullptr);
        out.colour.assign(size_t(w) * h, 0);
        ok = GetDIBits(screen.get(), ii.Color(), 0, UINT(h), out.colour.data(), &bi, DIB_RGB_COLORS) == h;
        if (withMask) {
            out.mask.assign(size_t(w) * h, 0);
            out.hasMask = ii.Mask() && GetDIBits(screen.get(), ii.Mask(), 0, UINT(h), out.mask.data(), &bi, DIB_RGB_COLORS) == h;
        }
    }
    return ok;
}

bool HasAlpha(const std::vector<uint32_t>& pixels)
{
    return std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p > 0xFFFFFFu; });
}

// The colour and mask of an icon as 32-bit pixels. Colour without any alpha
// takes it from the mask (masked pixels transparent, others opaque).
bool IconPixels(HICON icon, TBitmap* out)
{
    IconBits bits;
    const bool ok = ReadIconBits(icon, bits, true);
    if (bits.width <= 0) return false;
    const int w = bits.width, h = bits.height;
    out->SetPixelFormat(TPixelFormat::pf32bit);
    out->SetSize(w, h);
    if (!ok) return false;
    const bool alpha = HasAlpha(bits.colour);
    PixelView v = out->View();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = bits.colour[size_t(y) * w + x];
            if (!alpha) {
                bool masked = bits.hasMask && (bits.mask[size_t(y) * w + x] & 0xFFFFFF) != 0;
                p = masked ? 0 : (p | 0xFF000000u);
            }
            v.At(x, y) = p;
        }
    return true;
}

TStringList* unskinned = nullptr;
int unitCount = 0;

}  // namespace

TsAlphaImageList* SharedAlphaImages = nullptr;

// ------------------------------------------------------------------ items

TsImgListItem::TsImgListItem(TCollection* collection) : TCollectionItem(collection) {}

TsImgListItem::~TsImgListItem() = default;

void TsImgListItem::SetData(const std::string& bytes)
{
    ImgData.Clear();
    if (!bytes.empty()) ImgData.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    ImgData.SetPosition(0);
    CachedBitmap.reset();
}

void TsImgListItem::LoadFromFile(const String& fileName, TsImageFormat format)
{
    TMemoryStream m;
    m.LoadFromFile(fileName);
    ImageFormat = format;
    SetData(m.Data());
}

void TsImgListItem::Assign(const TPersistent* source)
{
    auto* s = dynamic_cast<const TsImgListItem*>(source);
    if (!s) {
        TCollectionItem::Assign(source);
        return;
    }
    ImageFormat = s->ImageFormat;
    PixelFormat = s->PixelFormat;
    ImgWidth = s->ImgWidth;
    ImgHeight = s->ImgHeight;
    SetData(s->ImgData.Data());
}

void TsImgListItem::WriteProperties(TWriter& writer) const
{
    writer.WriteInteger(L"ImageFormat", int(ImageFormat));
    writer.WriteInteger(L"PixelFormat", int(PixelFormat));
}

bool TsImgListItem::ReadProperty(const String& name, TReader& reader)
{
    if (name == L"ImageFormat") {
        ImageFormat = TsImageFormat(ReadImageFormatValue(reader));
        return true;
    }
    if (name == L"PixelFormat") {
        PixelFormat = TPixelFormat(ReadPixelFormatValue(reader));
        return true;
    }
    return false;
}

void TsImgListItem::DefineProperties(TFiler& filer)
{
    filer.DefineBinaryProperty(
        kImgDataProperty, [this](TStream& s) { SetData(s.ReadAll()); },
        [this](TStream& s) {
            if (ImgData.Size() > 0) s.WriteBuffer(ImgData.Data().data(), ImgData.Size());
        },
        true);
}

TsImgListItems::TsImgListItems(TsAlphaImageList* owner)
    : TCollection([](TCollection* c) { return new TsImgListItem(c); }), owner_(owner)
{
}

TPersistent* TsImgListItems::GetOwner() const { return owner_; }

// ------------------------------------------------------------------ the list

TsAlphaImageList::TsAlphaImageList(TComponent* owner) : TImageList(owner), items_(new TsImgListItems(this))
{
    static bool registered = false;
    if (!registered) {
        registered = true;
        const TClassInfo* c = TsAlphaImageList::StaticClassInfo();
        RegisterProperty(c, OrdProperty<TsAlphaImageList, TColor>(L"BkColor", &TsAlphaImageList::BkColor,
                                                                  &TsAlphaImageList::SetBkColor));
        RegisterProperty(c, BoolProperty<TsAlphaImageList>(L"UseCache", &TsAlphaImageList::UseCache,
                                                           &TsAlphaImageList::SetUseCache));
        TPropInfo items;
        items.Name = L"Items";
        items.Kind = TTypeKind::tkClass;
        items.GetObj = [](TObject* o) -> TObject* { return &static_cast<TsAlphaImageList*>(o)->Items(); };
        RegisterProperty(c, std::move(items));
    }
    AfterConstruction();
}

TsAlphaImageList::~TsAlphaImageList() { ownChange_ = true; }

void TsAlphaImageList::AfterConstruction()
{
    if (ComponentState() & csLoading) return;
    if (!HandleAllocated()) CreateImageList();
    if (!generated_) RebuildSystemList();
}

void TsAlphaImageList::Loaded()
{
    TImageList::Loaded();
    if (!HandleAllocated()) CreateImageList();
    if (!generated_) RebuildSystemList();
    generated_ = true;
    Change();
}

TColor TsAlphaImageList::BkColor() const { return ownBkColor_ == clNone ? TImageList::BkColor() : ownBkColor_; }

void TsAlphaImageList::SetBkColor(TColor c)
{
    ownBkColor_ = c;
    TImageList::SetBkColor(c);
}

void TsAlphaImageList::FreeCaches()
{
    for (int i = 0; i < items_->Count(); ++i) items_->Items(i)->CachedBitmap.reset();
}

void TsAlphaImageList::SetUseCache(bool u)
{
    useCache_ = u;
    FreeCaches();
}

std::unique_ptr<TBitmap> TsAlphaImageList::LoadItem(TsImgListItem* item)
{
    if (item->ImgData.Size() == 0 || item->ImageFormat == TsImageFormat::ifICO) return nullptr;
    try {
        TMemoryStream bytes(item->ImgData.Data());
        std::unique_ptr<TBitmap> b;
        if (item->ImageFormat == TsImageFormat::ifPNG)
            b = std::make_unique<TPNGGraphic>();
        else
            b = std::make_unique<TBitmap>();
        b->LoadFromStream(bytes);
        if (b->Empty()) return nullptr;
        Make32(b.get());
        return b;
    } catch (const Exception&) {
        return nullptr;   // unreadable bytes: no image
    }
}

void TsAlphaImageList::RebuildSystemList()
{
    if (!HandleAllocated()) return;
    ownChange_ = true;
    try {
        HIMAGELIST h = Handle();
        ImageList_Remove(h, -1);
        for (int i = 0; i < items_->Count(); ++i) {
            TsImgListItem* item = items_->Items(i);
            item->ImgData.SetPosition(0);
            HICON icon = nullptr;
            bool own = true;
            TIcon ico;
            if (item->ImageFormat == TsImageFormat::ifICO) {
                try {
                    TMemoryStream bytes(item->ImgData.Data());
                    ico.SetWantedSize(Width(), Height());
                    ico.LoadFromStream(bytes);
                    icon = ico.Handle();
                    own = false;
                    item->ImgWidth = ico.Width();
                    item->ImgHeight = ico.Height();
                } catch (const Exception&) {
                    icon = nullptr;
                }
            } else if (auto b = LoadItem(item)) {
                item->ImgWidth = b->Width();
                item->ImgHeight = b->Height();
                TBitmap sized;
                ScaleInto(b.get(), &sized, Width(), Height());
                if (!IsWinXPOrLater())
                    icon = MakeIconFromBitmap(&sized);
                else if (BkColor() == clNone)
                    icon = StraightAlphaIcon(&sized);
                else
                    icon = MakeIconFromAlphaBitmap(&sized, BkColor());
            }
            if (!icon) {
                icon = BlankIcon(Width(), Height());
                own = true;
            }
            ImageList_ReplaceIcon(h, -1, icon);
            if (own && icon) DestroyIcon(icon);
        }
        if (items_->Count() > 0) generated_ = true;
    } catch (...) {
        ownChange_ = false;
        throw;
    }
    ownChange_ = false;
}

bool TsAlphaImageList::IconBitmap32(int index, TBitmap* bmp)
{
    HICON icon = ImageList_GetIcon(Handle(), index, ILD_NORMAL);
    if (!icon) return false;
    bool ok = IconPixels(icon, bmp);
    DestroyIcon(icon);
    return ok;
}

bool TsAlphaImageList::Fill32(int index, TBitmap* bmp, int w, int h)
{
    if (!HandleAllocated() || !bmp || index < 0 || index >= Count()) return false;
    if (w <= 0 || h <= 0) {
        w = Width();
        h = Height();
    }
    TsImgListItem* item = index < items_->Count() ? items_->Items(index) : nullptr;
    if (item && item->ImgData.Size() > 0 && item->ImageFormat != TsImageFormat::ifICO) {
        if (item->CachedBitmap) {
            if (useCache_ && item->CachedBitmap->Width() == w && item->CachedBitmap->Height() == h) {
                bmp->Assign(item->CachedBitmap.get());
                return true;
            }
            if (item->CachedBitmap->Width() != w || item->CachedBitmap->Height() != h) item->CachedBitmap.reset();
        }
        std::unique_ptr<TBitmap> b = LoadItem(item);
        if (!b) {
            // Unreadable bytes: the blank image the platform list holds for it.
            TBitmap blank;
            if (!IconBitmap32(index, &blank)) return false;
            ScaleInto(&blank, bmp, w, h);
            return true;
        }
        ScaleInto(b.get(), bmp, w, h);
        Make32(bmp);
        if (useCache_ && w == Width() && h == Height()) {
            item->CachedBitmap = std::make_unique<TBitmap>();
            item->CachedBitmap->Assign(bmp);
        }
        return true;
    }
    TBitmap icon;
    if (!IconBitmap32(index, &icon)) return false;
    ScaleInto(&icon, bmp, w, h);
    return true;
}

bool TsAlphaImageList::GetBitmap32(int index, TBitmap* bmp)
{
    if (!bmp) return false;
    return Fill32(index, bmp, bmp->Width(), bmp->Height());
}

TBitmap* TsAlphaImageList::CreateBitmap32(int index, int width, int height)
{
    if (width <= 0 || height <= 0) return nullptr;
    auto b = std::make_unique<TBitmap>(width, height, TPixelFormat::pf32bit);
    if (!Fill32(index, b.get(), width, height)) return nullptr;
    return b.release();
}

void TsAlphaImageList::DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled)
{
    if (!HandleAllocated() || index < 0 || index >= Count()) return;
    TsImgListItem* item = index < items_->Count() ? items_->Items(index) : nullptr;
    if (!item || item->ImageFormat == TsImageFormat::ifICO || item->ImgData.Size() == 0) {
        ImageList_SetBkColor(Handle(), CLR_NONE);
        if (HICON icon = ImageList_GetIcon(Handle(), index, ILD_NORMAL)) {
            DrawIconEx(canvas.Handle(), x, y, icon, Width(), Height(), 0, nullptr, DI_NORMAL);
            DestroyIcon(icon);
        }
        return;
    }
    std::unique_ptr<TBitmap> img(CreateBitmap32(index, Width(), Height()));
    if (!img) return;
    TBitmap area(Width(), Height(), TPixelFormat::pf32bit);
    GdiFlush();
    BitBlt(area.Canvas().Handle(), 0, 0, Width(), Height(), canvas.Handle(), x, y, SRCCOPY);
    GdiFlush();
    RECT r{0, 0, Width(), Height()};
    BlendBitmapMasked(r, r, &area, img.get(), EmptyBgCacheInfo, false, NoColorValue, 0, false);
    GdiFlush();
    BitBlt(canvas.Handle(), x, y, Width(), Height(), area.Canvas().Handle(), 0, 0, SRCCOPY);
    GdiFlush();
}

void TsAlphaImageList::FixPlatformAlpha()
{
    HIMAGELIST h = Handle();
    for (int i = 0; i < Count(); ++i) {
        HICON icon = ImageList_GetIcon(h, i, ILD_NORMAL);
        if (!icon) continue;
        IconBits bits;
        TBitmap pixels;
        const bool fix = ReadIconBits(icon, bits, false) && !HasAlpha(bits.colour);
        if (fix) {
            const int w = bits.width, hh = bits.height;
            pixels.SetSize(w, hh);
            PixelView v = pixels.View();
            for (int yy = 0; yy < hh; ++yy)
                for (int xx = 0; xx < w; ++xx) {
                    uint32_t p = bits.colour[size_t(yy) * w + xx] & 0xFFFFFF;
                    v.At(xx, yy) = p == uint32_t(SkinKeyColor) ? 0 : (p | 0xFF000000u);
                }
        }
        DestroyIcon(icon);
        if (fix) {
            if (HICON fixed = StraightAlphaIcon(&pixels)) {
                ImageList_ReplaceIcon(h, i, fixed);
                DestroyIcon(fixed);
            }
        }
    }
}

void TsAlphaImageList::Change()
{
    if (ownChange_ || !HandleAllocated() || (ComponentState() & csLoading)) return;
    if (!generated_) {
        // Nothing made from items yet (a list without items): the images are
        // the platform list's own; those who show them are still told.
        TImageList::Change();
        return;
    }
    bool designing = (ComponentState() & csDesigning) != 0;
    int items = items_->Count(), images = Count();
    if (designing) {
        TImageList::Change();
        return;
    }
    if (items >= images) {
        if (items > images) RebuildSystemList();
        TImageList::Change();
        return;
    }
    // Images were added through the platform list. A shared list (the
    // system's) is not ours to change.
    ownChange_ = true;
    try {
        if (!ShareImages()) FixPlatformAlpha();
    } catch (...) {
        ownChange_ = false;
        throw;
    }
    ownChange_ = false;
    TImageList::Change();
}

void TsAlphaImageList::Assign(const TPersistent* source)
{
    if (!source) {
        TImageList::Assign(nullptr);
        return;
    }
    auto* src = dynamic_cast<const TsAlphaImageList*>(source);
    if (!src) {
        TImageList::Assign(source);
        return;
    }
    ownChange_ = true;
    try {
        if (HandleAllocated()) ImageList_Remove(Handle(), -1);
        SetMasked(src->Masked());
        SetImageType(src->ImageType());
        SetDrawingStyle(src->DrawingStyle());
        SetShareImages(false);   // the copy's platform list is its own
        auto* s = const_cast<TsAlphaImageList*>(src);
        int w = s->Width(), h = s->Height();
        if (s->HandleAllocated()) ImageList_GetIconSize(s->Handle(), &w, &h);
        SetSize(w, h);
        if (!HandleAllocated()) CreateImageList();
        SetBkColor(s->HandleAllocated() ? ImageListColorToColor(ImageList_GetBkColor(s->Handle())) : s->BkColor());
        SetBlendColor(s->BlendColor());
        // Copying images: the source's platform background becomes CLR_NONE.
        if (s->HandleAllocated()) ImageList_SetBkColor(s->Handle(), CLR_NONE);
        items_->Assign(&s->Items());
        RebuildSystemList();
        generated_ = true;
    } catch (...) {
        ownChange_ = false;
        throw;
    }
    ownChange_ = false;
    TImageList::Change();
}

void TsAlphaImageList::SaveToStream(TStream& stream) const { TWriter(stream).WriteCollection(*items_); }

void TsAlphaImageList::LoadFromStream(TStream& stream)
{
    TsImgListItems fresh(nullptr);
    TReader(stream).ReadCollection(fresh);   // a damaged stream stops here, nothing changed
    SetState(csLoading);
    try {
        items_->Assign(&fresh);
    } catch (...) {
        SetState(0, csLoading);
        throw;
    }
    generated_ = false;
    Loaded();
}

// ------------------------------------------------------------------ glyphs

int ImageCount(TCustomImageList* list) { return list ? list->Count() : 0; }

void DrawGlyph(TCustomImageList* list, int index, TBitmap* target, int x, int y, SIZE& size, int transparency,
               bool reflected, int frameCount, int frame, uint32_t color)
{
    size = SIZE{0, 0};
    if (!list || !target || index < 0 || index >= list->Count()) return;
    if (frameCount <= 0) frameCount = 1;
    int fw = list->Width() / frameCount, fh = list->Height();
    if (fw <= 0 || fh <= 0) return;
    frame = std::clamp(frame, 0, frameCount - 1);
    size = SIZE{fw, fh};
    target->SetPixelFormat(TPixelFormat::pf32bit);
    if (auto* alpha = dynamic_cast<TsAlphaImageList*>(list)) {
        std::unique_ptr<TBitmap> img(alpha->CreateBitmap32(index, list->Width(), list->Height()));
        if (!img) return;
        RECT dr{x, y, x + fw, y + fh}, sr{frame * fw, 0, frame * fw + fw, fh};
        BlendBitmapMasked(dr, sr, target, img.get(), EmptyBgCacheInfo, false, color, transparency, reflected);
        return;
    }
    // Any other list draws over a copy of the target area, which is copied back.
    TBitmap area(list->Width(), fh, TPixelFormat::pf32bit);
    PixelView a = area.View(), t = target->View();
    for (int j = 0; j < fh; ++j)
        for (int i = 0; i < fw; ++i) {
            int tx = x + i, ty = y + j;
            if (tx >= 0 && ty >= 0 && tx < t.width && ty < t.height) a.At(frame * fw + i, j) = t.At(tx, ty);
        }
    list->Draw(area.Canvas(), 0, 0, index);
    GdiFlush();
    for (int j = 0; j < fh; ++j)
        for (int i = 0; i < fw; ++i) {
            int tx = x + i, ty = y + j;
            if (tx >= 0 && ty >= 0 && tx < t.width && ty < t.height) t.At(tx, ty) = a.At(frame * fw + i, j);
        }
}

TCustomImageList* ToolButtonImageList(const TsToolButtonImage& b)
{
    if ((b.Hot || b.Pressed) && b.HotImages && b.ImageIndex < b.HotImages->Count()) return b.HotImages;
    if (b.Enabled || !b.DisabledImages) return b.Images;
    return b.DisabledImages;
}

int ToolButtonImageState(const TsToolButtonImage& b) { return b.Hot ? 1 : b.Checked ? 2 : 0; }

RECT ToolButtonImageRect(const TsToolButtonImage& b, int w, int h)
{
    int bw = b.ButtonRect.right - b.ButtonRect.left, bh = b.ButtonRect.bottom - b.ButtonRect.top;
    int left, top;
    if (b.ListStyle) {
        left = 5;
        top = (bh - h) / 2;
    } else {
        left = (bw - w) / 2 + 1 - (b.DropDown ? 8 : 0);
        top = (bh - h - (b.TextHeight + 3) * (b.ShowCaptions ? 1 : 0)) / 2;
    }
    RECT r{b.ButtonRect.left + left, b.ButtonRect.top + top, b.ButtonRect.left + left + w, b.ButtonRect.top + top + h};
    if (ToolButtonImageState(b) == 2) OffsetRect(&r, 1, 1);
    return r;
}

void DrawToolButtonImage(TBitmap* target, const TsToolButtonImage& b)
{
    TCustomImageList* list = ToolButtonImageList(b);
    if (!target || !list || b.ImageIndex < 0 || b.ImageIndex >= list->Count()) return;
    RECT r = ToolButtonImageRect(b, list->Width(), list->Height());
    int state = ToolButtonImageState(b);
    if (dynamic_cast<TsAlphaImageList*>(list)) {
        SIZE s;
        // One frame; the state as the frame index selects that frame (the only one).
        DrawGlyph(list, b.ImageIndex, target, r.left, r.top, s, 0, false, 1, state, NoColorValue);
        return;
    }
    TColor bk = list->BkColor();
    TColor fill = bk == clNone ? TColor(0xFF00FF) : bk;
    TBitmap img(list->Width(), list->Height(), TPixelFormat::pf32bit);
    img.Canvas().Brush().SetColor(fill);
    img.Canvas().FillRect(RECT{0, 0, img.Width(), img.Height()});
    list->GetBitmap(b.ImageIndex, &img);
    GdiFlush();
    target->SetPixelFormat(TPixelFormat::pf32bit);
    CopyBitmapSkipColor(target, &img, r.left, r.top, fill);
}

// ------------------------------------------------------------------ unit

bool IsUnskinnedClass(const String& className)
{
    if (!unskinned) return false;
    for (int i = 0; i < unskinned->Count(); ++i)
        if (unskinned->Get(i) == className) return true;
    return false;
}

TStringList* UnskinnedClasses() { return unskinned; }

namespace {
std::string ResourceBytes(const wchar_t* name)
{
    HMODULE m = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(m, name, MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
    if (!res) return {};
    HGLOBAL data = LoadResource(m, res);
    const void* p = data ? LockResource(data) : nullptr;
    if (!p) return {};
    return std::string(static_cast<const char*>(p), SizeofResource(m, res));
}
}  // namespace

void InitAlphaImageListUnit()
{
    if (unitCount++ > 0) return;
    unskinned = new TStringList();
    unskinned->Add(L"TApplication");
    unskinned->Add(L"TfcPopup");
    unskinned->Sort();
    SharedAlphaImages = new TsAlphaImageList(nullptr);
    SharedAlphaImages->SetSize(48, 16);
    for (const wchar_t* name : {L"SF", L"SR", L"SD", L"SE", L"SC"}) {
        TsImgListItem* item = SharedAlphaImages->Items().Add();
        item->ImageFormat = TsImageFormat::ifPNG;
        item->PixelFormat = TPixelFormat::pf32bit;
        item->SetData(ResourceBytes(name));
    }
    SharedAlphaImages->RebuildSystemList();
}

void DoneAlphaImageListUnit()
{
    if (unitCount == 0 || --unitCount > 0) return;
    delete SharedAlphaImages;
    SharedAlphaImages = nullptr;
    delete unskinned;
    unskinned = nullptr;
}
