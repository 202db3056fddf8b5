// The PNG picture class: loads PNG images (every colour type and depth, Adam7)
// into a device-independent bitmap and draws 32-bit pictures with their
// per-pixel alpha, optionally with a fading mirror image below. Registered with
// the picture class under "png". Also three small icon helpers.
#pragma once
#include <memory>

#include "classlib/Graphics.h"
#include "skin/graphics/ColorManager.h"
#include "skin/graphics/PngDecoder.h"

class TPNGGraphic : public TBitmap {
    DECLARE_CLASS(TPNGGraphic, TBitmap)
public:
    TPNGGraphic();
    ~TPNGGraphic() override;

    // Loads the PNG that starts at the stream's position; the stream is left
    // after its last chunk. On failure the picture is empty and the error
    // (EInvalidGraphic, EGraphicCompression, EColorConversionError) goes on.
    void LoadFromStream(TStream& stream) override;
    void Draw(TCanvas& canvas, const RECT& r) override;
    void Assign(const TPersistent* source) override;

    bool Reflected() const { return reflected_; }
    void SetReflected(bool r);
    const PngImageProperties& ImageProperties() const { return properties_; }
    TColorManager& ColorManager() { return *colorManager_; }
    // Colour of a bKGD chunk (white without one) and the transparency table of palette images.
    TColor FillColor() const { return fillColor_; }

private:
    std::unique_ptr<TColorManager> colorManager_;
    bool reflected_ = false;
    PngImageProperties properties_;
    TColor fillColor_ = clWhite;
};

// Registers "png" with the picture class (counted; the first call registers).
void InitPNGUnit();
void DonePNGUnit();

// An icon whose transparent colour is that of the bitmap's top-left pixel.
HICON MakeIconFromBitmap(TBitmap* bmp);
// An icon of the bitmap drawn over a background colour; a bitmap that is not
// 32-bit gets alpha 0 where it is 0xFF00FF and 255 elsewhere.
HICON MakeIconFromAlphaBitmap(TBitmap* bmp, TColor background);
// In a 32-bit bitmap every pixel that is exactly 0x00FFFFFF becomes 0.
void ZeroWhitePixels(TBitmap* bmp);
