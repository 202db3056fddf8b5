// libFuzzer harness: the stored items of an alpha image list, read by the
// class library's collection reader with the item's own checked property
// reading; the bytes of icon items then go through the icon reader. A damaged
// stream may only end in EReadError.
#include <cstdint>
#include <cstdlib>

#include "classlib/Collections.h"
#include "classlib/IconFile.h"
#include "skin/controls/ImgListStream.h"

namespace {

class Item : public TCollectionItem {
public:
    explicit Item(TCollection* c) : TCollectionItem(c) {}
    int format = 0, pixelFormat = 7;
    std::string data;
    bool ReadProperty(const String& name, TReader& reader) override
    {
        if (name == L"ImageFormat") {
            format = ReadImageFormatValue(reader);
            return true;
        }
        if (name == L"PixelFormat") {
            pixelFormat = ReadPixelFormatValue(reader);
            return true;
        }
        return false;
    }
    void DefineProperties(TFiler& filer) override
    {
        filer.DefineBinaryProperty(
            kImgDataProperty, [this](TStream& s) { data = s.ReadAll(); }, nullptr, true);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(bytes), size));
    TCollection items([](TCollection* c) { return new Item(c); });
    try {
        TReader(stream).ReadCollection(items);
    } catch (const EReadError&) {
        return 0;
    }
    for (int i = 0; i < items.Count(); ++i) {
        auto* item = static_cast<Item*>(items.Items(i));
        if (item->format < 0 || item->format >= kImageFormatCount) std::abort();
        if (item->pixelFormat < 0 || item->pixelFormat >= kPixelFormatCount) std::abort();
        if (item->format == 1) {
            std::vector<IconDirEntry> entries;
            std::string why;
            const auto* d = reinterpret_cast<const uint8_t*>(item->data.data());
            if (ParseIconDirectory(d, item->data.size(), entries, &why)) {
                IconImageInfo info;
                const IconDirEntry& e = entries[size_t(ChooseIconEntry(entries, 16, 16))];
                CheckIconImage(d + e.offset, e.size, info, &why);
            }
        }
    }
    return 0;
}
