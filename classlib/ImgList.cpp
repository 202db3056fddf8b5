#include "classlib/ImgList.h"

#include <algorithm>

#include "classlib/IconFile.h"

// ------------------------------------------------------------------ TIcon

TIcon::~TIcon() { Release(); }

void TIcon::Release()
{
    if (handle_) DestroyIcon(handle_);
    handle_ = nullptr;
    width_ = height_ = 0;
}

void TIcon::LoadFromStream(TStream& stream)
{
    std::string bytes = stream.ReadAll();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    std::vector<IconDirEntry> entries;
    std::string why;
    if (!ParseIconDirectory(data, bytes.size(), entries, &why)) throw EInvalidGraphic(L"Invalid icon: " + Utf8ToString(why));
    int chosen = ChooseIconEntry(entries, wantW_, wantH_);
    const IconDirEntry& e = entries[size_t(chosen)];
    IconImageInfo info;
    if (!CheckIconImage(data + e.offset, e.size, info, &why)) throw EInvalidGraphic(L"Invalid icon: " + Utf8ToString(why));
    HICON icon = CreateIconFromResourceEx(const_cast<PBYTE>(data + e.offset), e.size, TRUE, 0x00030000, info.width,
                                          info.height, LR_DEFAULTCOLOR);
    if (!icon) throw EInvalidGraphic(L"Invalid icon: the image cannot be made");
    Release();
    handle_ = icon;
    width_ = info.width;
    height_ = info.height;
    bytes_ = std::move(bytes);
    Changed();
}

void TIcon::SaveToStream(TStream& stream)
{
    if (!bytes_.empty()) stream.WriteBuffer(bytes_.data(), int64_t(bytes_.size()));
}

void TIcon::SetHandleCopy(HICON icon)
{
    Release();
    bytes_.clear();
    if (!icon) return;
    handle_ = CopyIcon(icon);
    if (IconBitmaps ii(handle_); ii) {
        BITMAP bm{};
        GetObjectW(ii.Color() ? ii.Color() : ii.Mask(), sizeof bm, &bm);
        width_ = bm.bmWidth;
        height_ = ii.Color() ? bm.bmHeight : bm.bmHeight / 2;
    }
    Changed();
}

void TIcon::Draw(TCanvas& canvas, const RECT& r)
{
    if (handle_) DrawIconEx(canvas.Handle(), r.left, r.top, handle_, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
}

// ------------------------------------------------------------------ change links

TChangeLink::~TChangeLink()
{
    if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change()
{
    if (OnChange) OnChange(sender_);
}

// ------------------------------------------------------------------ colours

TColor ImageListColorToColor(COLORREF c)
{
    if (c == CLR_NONE) return clNone;
    if (c == CLR_DEFAULT) return clDefault;
    return TColor(c);
}

COLORREF ColorToImageListColor(TColor c)
{
    if (c == clNone) return CLR_NONE;
    if (c == clDefault) return CLR_DEFAULT;
    return ColorToRGB(c);
}

// ------------------------------------------------------------------ image lists

namespace {
// A copy of a bitmap's pixels in a DIB section that no device context holds:
// the platform list selects what it is given into a DC of its own.
BitmapHandle DetachedCopy(TBitmap* bmp)
{
    if (!bmp || bmp->Width() <= 0 || bmp->Height() <= 0) return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bmp->Width();
    bi.bmiHeader.biHeight = -bmp->Height();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    BitmapHandle h(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!h) return {};
    if (bmp->PixelFormat() == TPixelFormat::pf32bit) {
        for (int y = 0; y < bmp->Height(); ++y)
            std::copy_n(bmp->ScanLine(y), size_t(bmp->Width()) * 4, static_cast<uint8_t*>(bits) + size_t(y) * bmp->Width() * 4);
    } else {
        MemoryDC dc = CreateMemoryDC();
        SelectScope select(dc.get(), h.get());
        BitBlt(dc.get(), 0, 0, bmp->Width(), bmp->Height(), bmp->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    GdiFlush();
    return h;
}
}  // namespace

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList()
{
    for (TChangeLink* l : links_) l->sender_ = nullptr;
    links_.clear();
    FreeHandle();
}

void TCustomImageList::CreateImageList()
{
    FreeHandle();
    handle_ = ImageList_Create(width_, height_, (masked_ ? ILC_MASK : 0) | ILC_COLOR32, 0, std::max(1, allocBy_));
    if (handle_) ImageList_SetBkColor(handle_, ColorToImageListColor(bkColor_));
}

void TCustomImageList::FreeHandle()
{
    if (handle_ && !shareImages_) ImageList_Destroy(handle_);
    handle_ = nullptr;
}

HIMAGELIST TCustomImageList::Handle()
{
    if (!handle_) CreateImageList();
    return handle_;
}

void TCustomImageList::SetHandle(HIMAGELIST h)
{
    FreeHandle();
    handle_ = h;
    if (h) {
        int w = 0, hh = 0;
        ImageList_GetIconSize(h, &w, &hh);
        width_ = w;
        height_ = hh;
        bkColor_ = ImageListColorToColor(ImageList_GetBkColor(h));
    }
    Change();
}

void TCustomImageList::SetSize(int w, int h)
{
    if (w == width_ && h == height_) return;
    width_ = w;
    height_ = h;
    if (handle_) {
        ImageList_SetIconSize(handle_, w, h);   // drops the images
        Change();
    }
}

void TCustomImageList::SetMasked(bool m)
{
    if (m == masked_) return;
    masked_ = m;
    if (handle_) {
        CreateImageList();
        Change();
    }
}

TColor TCustomImageList::BkColor() const
{
    return handle_ ? ImageListColorToColor(ImageList_GetBkColor(handle_)) : bkColor_;
}

void TCustomImageList::SetBkColor(TColor c)
{
    bkColor_ = c;
    if (handle_) ImageList_SetBkColor(handle_, ColorToImageListColor(c));
}

int TCustomImageList::Count() const { return handle_ ? ImageList_GetImageCount(handle_) : 0; }

int TCustomImageList::Add(TBitmap* image, TBitmap* mask)
{
    BitmapHandle i = DetachedCopy(image), m = DetachedCopy(mask);
    int r = i ? ImageList_Add(Handle(), i.get(), m.get()) : -1;
    if (r >= 0) Change();
    return r;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor)
{
    BitmapHandle i = DetachedCopy(image);
    int r = i ? ImageList_AddMasked(Handle(), i.get(), ColorToRGB(maskColor)) : -1;
    if (r >= 0) Change();
    return r;
}

int TCustomImageList::AddIcon(HICON icon)
{
    if (!icon) return -1;
    int r = ImageList_ReplaceIcon(Handle(), -1, icon);
    if (r >= 0) Change();
    return r;
}

void TCustomImageList::Delete(int index)
{
    if (handle_ && index >= 0 && index < Count() && ImageList_Remove(handle_, index)) Change();
}

void TCustomImageList::Clear()
{
    if (handle_ && ImageList_Remove(handle_, -1)) Change();
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled)
{
    if (!handle_ || index < 0 || index >= Count()) return;
    UINT style = ILD_NORMAL;
    if (drawingStyle_ == TDrawingStyle::dsTransparent || masked_) style = ILD_TRANSPARENT;
    DoDraw(index, canvas, x, y, style, enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled)
{
    if (!handle_) return;
    if (enabled)
        ImageList_DrawEx(handle_, index, canvas.Handle(), x, y, 0, 0, CLR_NONE, CLR_DEFAULT, style);
    else
        ImageList_DrawEx(handle_, index, canvas.Handle(), x, y, 0, 0, CLR_NONE, CLR_DEFAULT, style | ILD_BLEND50);
    GdiFlush();
}

void TCustomImageList::GetBitmap(int index, TBitmap* image)
{
    if (!image) return;
    if (image->Width() != width_ || image->Height() != height_) image->SetSize(width_, height_);
    Draw(image->Canvas(), 0, 0, index);
}

void TCustomImageList::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0 && changed_) {
        changed_ = false;
        Change();
    }
}

void TCustomImageList::RegisterChanges(TChangeLink* link)
{
    if (!link) return;
    if (link->sender_ && link->sender_ != this) link->sender_->UnRegisterChanges(link);
    link->sender_ = this;
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link)
{
    if (!link) return;
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    if (link->sender_ == this) link->sender_ = nullptr;
}

void TCustomImageList::Change()
{
    if (updateCount_ > 0) {
        changed_ = true;
        return;
    }
    // A link may unregister itself while it is told.
    std::vector<TChangeLink*> links = links_;
    for (TChangeLink* l : links)
        if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->Change();
    if (OnChange) OnChange(this);
}

void TCustomImageList::Assign(const TPersistent* source)
{
    if (!source) {
        FreeHandle();
        Change();
        return;
    }
    auto* src = dynamic_cast<const TCustomImageList*>(source);
    if (!src) {
        TComponent::Assign(source);
        return;
    }
    FreeHandle();
    masked_ = src->masked_;
    imageType_ = src->imageType_;
    drawingStyle_ = src->drawingStyle_;
    shareImages_ = src->shareImages_;
    allocBy_ = src->allocBy_;
    blendColor_ = src->blendColor_;
    width_ = src->width_;
    height_ = src->height_;
    bkColor_ = src->BkColor();
    if (src->handle_) {
        handle_ = ImageList_Duplicate(src->handle_);
        shareImages_ = false;   // the copy is ours
    }
    Change();
}
