#include "skin/controls/ImgListStream.h"

namespace {
int ReadRange(TReader& reader, int count)
{
    int64_t v = reader.ReadInteger();
    if (v < 0 || v >= count) throw EReadError(L"Invalid property value");
    return int(v);
}
}  // namespace

int ReadImageFormatValue(TReader& reader) { return ReadRange(reader, kImageFormatCount); }
int ReadPixelFormatValue(TReader& reader) { return ReadRange(reader, kPixelFormatCount); }
