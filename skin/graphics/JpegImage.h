// The JPEG picture: decodes through libjpeg into a 32-bit bitmap and keeps the
// file's bytes, so that it saves exactly what it loaded. Registered with the
// picture class under "jpeg" and "jpg" by the library's start-up.
#pragma once
#include <memory>
#include <string>

#include "classlib/Graphics.h"

class TkvTinyJPGImage : public TGraphic {
    DECLARE_CLASS(TkvTinyJPGImage, TGraphic)
public:
    TkvTinyJPGImage();
    ~TkvTinyJPGImage() override;

    int Width() const override;
    int Height() const override;
    void Draw(TCanvas& canvas, const RECT& r) override;
    // Loads the whole stream from its first byte, wherever its position stands.
    // Data that are not a JPEG raise EInvalidGraphic and leave the picture as it was.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Opens the file for reading with sharing allowed.
    void LoadFromFile(const String& fileName);
    void Assign(const TPersistent* source) override;

    // The decoded picture (32 bits, alpha 255); nullptr while empty.
    TBitmap* Bitmap() const { return bitmap_.get(); }

private:
    std::unique_ptr<TBitmap> bitmap_;
    std::string data_;
};

// Registers TkvTinyJPGImage with the picture class under "jpeg" and "jpg".
void RegisterJpegFormat();
void UnregisterJpegFormat();
