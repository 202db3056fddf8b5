// The stored form of an alpha image list item's properties, without the
// platform: the checked reading of its two format values and the name of its
// byte property. The item class and the fuzz harness both read through these.
#pragma once
#include <cstdint>

#include "classlib/Collections.h"

constexpr int kImageFormatCount = 3;    // ifPNG, ifICO, ifBMP32
constexpr int kPixelFormatCount = 9;    // pfDevice .. pfCustom
constexpr const wchar_t* kImgDataProperty = L"ImgData";

// The value of "ImageFormat" / "PixelFormat"; EReadError outside the known range.
int ReadImageFormatValue(TReader& reader);
int ReadPixelFormatValue(TReader& reader);
