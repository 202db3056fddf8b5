// Image lists over the platform's image lists (comctl32), their change links,
// and the icon graphic.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "classlib/Component.h"
#include "classlib/Graphics.h"

// An icon read from an .ico file; the image nearest to the wanted size
// (SetWantedSize, 32 x 32 by default) is taken. Damaged files raise EInvalidGraphic.
class TIcon : public TGraphic {
    DECLARE_CLASS(TIcon, TGraphic)
public:
    TIcon() = default;
    ~TIcon() override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return handle_ == nullptr; }
    void Draw(TCanvas& canvas, const RECT& r) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;   // the file bytes as loaded
    void SetWantedSize(int w, int h) { wantW_ = w; wantH_ = h; }
    HICON Handle() const { return handle_; }
    // Takes a copy of an icon handle (the file bytes are then empty).
    void SetHandleCopy(HICON icon);

private:
    void Release();
    HICON handle_ = nullptr;
    int width_ = 0, height_ = 0;
    int wantW_ = 32, wantH_ = 32;
    std::string bytes_;
};

class TCustomImageList;

// Tells its owner when an image list it is registered with changes.
class TChangeLink : public TObject {
    DECLARE_CLASS(TChangeLink, TObject)
public:
    ~TChangeLink() override;
    TCustomImageList* Sender() const { return sender_; }
    virtual void Change();
    TNotifyEvent OnChange;

private:
    friend class TCustomImageList;
    TCustomImageList* sender_ = nullptr;
};

// CLR_NONE <-> clNone, CLR_DEFAULT <-> clDefault; other values unchanged.
TColor ImageListColorToColor(COLORREF c);
COLORREF ColorToImageListColor(TColor c);

enum class TImageType { itImage, itMask };
enum class TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TCustomImageList : public TComponent {
    DECLARE_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent* owner);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new size drops the images (a new platform list).
    void SetWidth(int w) { SetSize(w, height_); }
    void SetHeight(int h) { SetSize(width_, h); }
    void SetSize(int w, int h);
    bool Masked() const { return masked_; }
    void SetMasked(bool m);
    int AllocBy() const { return allocBy_; }
    void SetAllocBy(int n) { allocBy_ = n; }
    TImageType ImageType() const { return imageType_; }
    void SetImageType(TImageType t) { imageType_ = t; }
    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle s) { drawingStyle_ = s; }
    bool ShareImages() const { return shareImages_; }
    void SetShareImages(bool s) { shareImages_ = s; }
    TColor BlendColor() const { return blendColor_; }
    void SetBlendColor(TColor c) { blendColor_ = c; }
    // The platform list's background colour.
    virtual TColor BkColor() const;
    virtual void SetBkColor(TColor c);

    // Creates the platform list when there is none.
    HIMAGELIST Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Takes a platform list (destroyed with the list unless ShareImages).
    void SetHandle(HIMAGELIST h);
    int Count() const;

    int Add(TBitmap* image, TBitmap* mask);
    int AddMasked(TBitmap* image, TColor maskColor);
    int AddIcon(HICON icon);
    void Delete(int index);
    void Clear();

    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
    // The image over the list's background (white when it has none), at the list size.
    void GetBitmap(int index, TBitmap* image);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    TNotifyEvent OnChange;

    void Assign(const TPersistent* source) override;

    // Called after every change of the images (not while updating).
    virtual void Change();

protected:
    virtual void DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled);
    // The platform's own image stream; the base list keeps none.
    virtual void ReadData(TStream& stream) {}
    virtual void WriteData(TStream& stream) {}
    // Makes the platform list for the current size and flags.
    void CreateImageList();
    void FreeHandle();

private:
    HIMAGELIST handle_ = nullptr;
    int width_ = 16, height_ = 16;
    bool masked_ = true;
    int allocBy_ = 4;
    TImageType imageType_ = TImageType::itImage;
    TDrawingStyle drawingStyle_ = TDrawingStyle::dsNormal;
    bool shareImages_ = false;
    TColor blendColor_ = clNone;
    TColor bkColor_ = clNone;
    int updateCount_ = 0;
    bool changed_ = false;
    std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
    DECLARE_CLASS(TImageList, TCustomImageList)
public:
    explicit TImageList(TComponent* owner) : TCustomImageList(owner) {}
};
