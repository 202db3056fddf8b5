// The alpha image list: an image list that keeps every image as the file bytes
// it was loaded from (PNG, icon or 32-bit bitmap), builds the platform list from
// them and draws its images with their per-pixel alpha. Also the glyph and
// tool-button image routines that draw from any image list, and the list of
// class names the skinning never touches.
#pragma once
#include <memory>

#include "classlib/Collections.h"
#include "classlib/ImgList.h"

enum class TsImageFormat { ifPNG = 0, ifICO = 1, ifBMP32 = 2 };

class TsAlphaImageList;
class TsImgListItems;

// One stored image.
class TsImgListItem : public TCollectionItem {
    DECLARE_CLASS(TsImgListItem, TCollectionItem)
public:
    explicit TsImgListItem(TCollection* collection);
    ~TsImgListItem() override;

    TsImageFormat ImageFormat = TsImageFormat::ifPNG;
    TPixelFormat PixelFormat = TPixelFormat::pf32bit;
    // Natural size of the stored image, set when the platform list is rebuilt.
    int ImgWidth = 0, ImgHeight = 0;
    // The file bytes as loaded.
    TMemoryStream ImgData;
    // The image at the list size while the list's UseCache is on.
    std::unique_ptr<TBitmap> CachedBitmap;

    // Replaces the bytes (and drops the cached bitmap).
    void SetData(const std::string& bytes);
    void LoadFromFile(const String& fileName, TsImageFormat format);
    void Assign(const TPersistent* source) override;
    void WriteProperties(TWriter& writer) const override;
    bool ReadProperty(const String& name, TReader& reader) override;
    void DefineProperties(TFiler& filer) override;
};

class TsImgListItems : public TCollection {
    DECLARE_CLASS(TsImgListItems, TCollection)
public:
    explicit TsImgListItems(TsAlphaImageList* owner);
    TsImgListItem* Items(int index) const { return static_cast<TsImgListItem*>(TCollection::Items(index)); }
    TsImgListItem* Add() { return static_cast<TsImgListItem*>(TCollection::Add()); }
    TsAlphaImageList* List() const { return owner_; }
    TPersistent* GetOwner() const override;

private:
    TsAlphaImageList* owner_;
};

class TsAlphaImageList : public TImageList {
    DECLARE_CLASS(TsAlphaImageList, TImageList)
public:
    explicit TsAlphaImageList(TComponent* owner);
    ~TsAlphaImageList() override;

    TsImgListItems& Items() { return *items_; }
    void SetItems(const TsImgListItems& items) { items_->Assign(&items); }
    // The platform list's colour while the own value is clNone, else the own value.
    TColor BkColor() const override;
    void SetBkColor(TColor c) override;
    bool UseCache() const { return useCache_; }
    // Every write (even of the same value) frees the cached bitmaps.
    void SetUseCache(bool u);
    bool Generated() const { return generated_; }

    // Makes the platform list when there is none and fills it from the items
    // (the end of construction; done again by Loaded).
    void AfterConstruction();
    void Loaded() override;
    // Builds the platform list again from the items' bytes. An item whose bytes
    // cannot be read gets a blank image, so later indexes stay where they are.
    void RebuildSystemList();
    // Fills bmp (at its own size; at the list size when it is empty) with image
    // index in 32 bits with alpha. False without platform list, bitmap, or with
    // an index outside the images.
    bool GetBitmap32(int index, TBitmap* bmp);
    // A new 32-bit bitmap of the image at width x height (the caller owns it), or nullptr.
    TBitmap* CreateBitmap32(int index, int width, int height);

    // Streams the items (only they are written: the platform's image stream is
    // not). A damaged stream raises EReadError and leaves the list as it was.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);

    void Assign(const TPersistent* source) override;
    void Change() override;

protected:
    void DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled) override;

private:
    // The item's bytes as a 32-bit bitmap at their natural size, or nullptr.
    std::unique_ptr<TBitmap> LoadItem(TsImgListItem* item);
    bool Fill32(int index, TBitmap* bmp, int width, int height);
    bool IconBitmap32(int index, TBitmap* bmp);
    void FixPlatformAlpha();
    void FreeCaches();
    std::unique_ptr<TsImgListItems> items_;
    bool generated_ = false;
    bool ownChange_ = false;
    TColor ownBkColor_ = clNone;
    bool useCache_ = true;
};

// Draws frame `frame` of `frameCount` equal frames across image `index` of
// list at (x, y) of target (32 bits); size receives the frame size. An alpha
// list blends its 32-bit image (transparency percent, mirror below when
// reflected, `color` greys through that colour, NoColorValue for none); any
// other list draws the image over a copy of the target area.
void DrawGlyph(TCustomImageList* list, int index, TBitmap* target, int x, int y, SIZE& size, int transparency,
               bool reflected, int frameCount, int frame, uint32_t color);

// What the tool-bar wrapper knows of a button when it paints its image.
struct TsToolButtonImage {
    TCustomImageList* Images = nullptr;
    TCustomImageList* HotImages = nullptr;
    TCustomImageList* DisabledImages = nullptr;
    int ImageIndex = -1;
    bool Enabled = true;
    bool Hot = false;       // the custom-draw state has cdsHot
    bool Pressed = false;   // the button is down
    bool Checked = false;   // the custom-draw state has cdsChecked
    bool ListStyle = false;
    bool ShowCaptions = false;
    bool DropDown = false;  // a tbsDropDown button
    RECT ButtonRect{};      // in the target bitmap
    int TextHeight = 0;     // of "A" in the tool bar's font
};
// The list the image comes from (nullptr: none).
TCustomImageList* ToolButtonImageList(const TsToolButtonImage& b);
// 1 hot, 2 checked, 0 otherwise.
int ToolButtonImageState(const TsToolButtonImage& b);
// Where the image goes for an image of w x h, in target coordinates.
RECT ToolButtonImageRect(const TsToolButtonImage& b, int w, int h);
void DrawToolButtonImage(TBitmap* target, const TsToolButtonImage& b);

// Number of images of a list (0 for none).
int ImageCount(TCustomImageList* list);

// Class names the skinning never touches (sorted): "TApplication", "TfcPopup".
bool IsUnskinnedClass(const String& className);
TStringList* UnskinnedClasses();

// The library's shared alpha image list of 48 x 16 images, made at start-up
// from the resources "SF", "SR", "SD", "SE" and "SC"; nullptr outside.
extern TsAlphaImageList* SharedAlphaImages;
void InitAlphaImageListUnit();
void DoneAlphaImageListUnit();
