#include "skin/graphics/JpegImage.h"

#include <cstring>

#include "skin/graphics/JpegDecode.h"

TkvTinyJPGImage::TkvTinyJPGImage() = default;
TkvTinyJPGImage::~TkvTinyJPGImage() = default;

int TkvTinyJPGImage::Width() const { return bitmap_ ? bitmap_->Width() : 0; }
int TkvTinyJPGImage::Height() const { return bitmap_ ? bitmap_->Height() : 0; }

void TkvTinyJPGImage::Draw(TCanvas& canvas, const RECT& r)
{
    if (bitmap_) bitmap_->Draw(canvas, r);
}

void TkvTinyJPGImage::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    std::string bytes = stream.ReadAll();
    JpegPixels pixels;
    DecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), pixels);
    auto bmp = std::make_unique<TBitmap>(pixels.Width, pixels.Height, TPixelFormat::pf32bit);
    const size_t rowBytes = size_t(pixels.Width) * 4;
    for (int y = 0; y < pixels.Height; ++y)
        std::memcpy(bmp->ScanLine(y), pixels.Bgra.data() + rowBytes * size_t(y), rowBytes);
    bitmap_ = std::move(bmp);
    data_ = std::move(bytes);
    Changed();
}

void TkvTinyJPGImage::SaveToStream(TStream& stream)
{
    if (!data_.empty()) stream.WriteBuffer(data_.data(), int64_t(data_.size()));
}

void TkvTinyJPGImage::LoadFromFile(const String& fileName)
{
    TFileStream f(fileName, fmOpenRead);   // others may read and write meanwhile
    LoadFromStream(f);
}

void TkvTinyJPGImage::Assign(const TPersistent* source)
{
    if (auto* j = dynamic_cast<const TkvTinyJPGImage*>(source)) {
        if (j == this) return;
        if (j->data_.empty()) {
            bitmap_.reset();
            data_.clear();
            Changed();
            return;
        }
        TMemoryStream m(j->data_);
        LoadFromStream(m);
        return;
    }
    TGraphic::Assign(source);
}

void RegisterJpegFormat()
{
    auto factory = []() -> TGraphic* { return new TkvTinyJPGImage; };
    TPicture::RegisterFileFormat(L"jpeg", L"JPEG Image File", factory);
    TPicture::RegisterFileFormat(L"jpg", L"JPEG Image File", factory);
}

void UnregisterJpegFormat()
{
    TPicture::UnregisterFileFormat(L"jpeg");
    TPicture::UnregisterFileFormat(L"jpg");
}
