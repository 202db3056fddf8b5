// The skinned image: paints its picture through a cache bitmap over the
// background behind it, with blending, greying and a mirror reflection.
// With no active skin the background is what the parent has painted under
// the image; the picture is then drawn over it. With the skin of its manager
// active the background is what the parent answers for the area (its skinned
// cache or colour) with the image's own section painted over it.
#pragma once
#include <memory>

#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "skin/controls/SkinnedControl.h"

class TsCtrlSkinData;

class TsCustomImage : public TsSkinnedControl<TImage> {
    DECLARE_CLASS(TsCustomImage, TImage)
public:
    explicit TsCustomImage(TComponent* owner);
    ~TsCustomImage() override;

    int Blend() const { return blend_; }
    void SetBlend(int percent);                 // 0 opaque .. 100 invisible
    bool Grayed() const { return grayed_; }
    void SetGrayed(bool g);
    bool Reflected() const { return reflected_; }
    void SetReflected(bool r);                  // a fading mirror image below the picture
    bool UseFullSize() const { return useFullSize_; }
    void SetUseFullSize(bool u);                // centre as if the reflection were part of the picture
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    // An image list whose image ImageIndex is shown instead of the picture.
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* list);
    // The size auto-sizing proposes (width and height are changed only where
    // the alignment leaves that side free); always true.
    bool CanAutoSize(int& newWidth, int& newHeight);

    // Natural size of the picture; with fit, the size it is drawn at in the
    // control (Stretch, Proportional, Reflected).
    SIZE CalcDrawSize(bool fit) const;
    // The image has nothing to draw.
    bool Empty() const;
    // The cache the image was last painted from (control-sized, 32 bits).
    TBitmap& CacheBitmap();
    bool BackgroundChanged() const { return backgroundChanged_; }
    void Loaded() override;
    // The image's skin data (control kind TsControlKind::Image).
    TsCtrlSkinData& SkinData() { return *skinData_; }
    // The skin of the image's manager is active: the skinned painting is used.
    bool SkinActive() const;

protected:
    bool SkinMessage(TMessage& message) override;
    // Fills the cache: the content of dc under the control, then the picture.
    virtual bool RenderCache(HDC dc);
    void PictureChanged(TObject* sender) override;
    void BoundsChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void Changed();
    void DrawImage();
    // The picture or list image to draw and where, as a 32-bit bitmap.
    bool PrepareImage(TBitmap& bmp, POINT& at, bool skinned);
    bool RenderSkinned(HDC dc);
    void PaintSkinned(TMessage& m);
    std::unique_ptr<TsCtrlSkinData> skinData_;
    bool lastSkinned_ = false;
    void ImagesChanged(TObject* sender);
    // The image of the list at its size as a 32-bit bitmap with alpha.
    bool ListImage(TBitmap& bmp);
    bool UsesList() const;
    TCustomImageList* images_ = nullptr;
    TChangeLink imagesLink_;
    TBitmap cache_;
    int blend_ = 0;
    bool grayed_ = false, reflected_ = false, useFullSize_ = false;
    int imageIndex_ = -1;
    bool renderAlways_ = true;
    bool backgroundChanged_ = true;
};

class TsImage : public TsCustomImage {
    DECLARE_CLASS(TsImage, TsCustomImage)
public:
    explicit TsImage(TComponent* owner);
};

// Blends src (32 bits, per-pixel alpha) into dst at (x, y): transparency
// percent 0..100, greyed through the colour 0xFFFFFF when grayed, with a
// fading mirror copy below the picture when reflected.
void BlendImageInto(TBitmap& dst, int x, int y, TBitmap& src, int transparency, bool grayed, bool reflected);
