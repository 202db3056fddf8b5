// The icon file reader without the platform: directories, image checks, the
// choice of an image. Built natively as well (no <windows.h>).
#include <gtest/gtest.h>

#include "classlib/IconFile.h"
#include "support/IconBytes.h"

namespace {

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(IconFile, ReadsAGoodFile)
{
    std::string f = IconFileBytes(16, 16, [](int, int) { return 0xFF00FF00u; });
    std::vector<IconDirEntry> e;
    std::string why;
    ASSERT_TRUE(ParseIconDirectory(U(f), f.size(), e, &why)) << why;
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].width, 16);
    EXPECT_EQ(e[0].bitCount, 32);
    EXPECT_EQ(e[0].offset, 22u);
    IconImageInfo info;
    ASSERT_TRUE(CheckIconImage(U(f) + e[0].offset, e[0].size, info, &why)) << why;
    EXPECT_FALSE(info.png);
    EXPECT_EQ(info.width, 16);
    EXPECT_EQ(info.height, 16);
    EXPECT_EQ(info.bitCount, 32);
}

TEST(IconFile, RefusesDamagedDirectories)
{
    std::string f = IconFileBytes(8, 8, [](int, int) { return 0xFFFFFFFFu; });
    std::vector<IconDirEntry> e;
    std::string why;
    // Every cut of the file is refused: the image then reaches past the end.
    for (size_t n = 0; n < f.size(); ++n) {
        std::string cut = f.substr(0, n);
        EXPECT_FALSE(ParseIconDirectory(U(cut), cut.size(), e, &why)) << n;
    }
    // Every cut of the image bytes alone is refused by the image check.
    std::string img = f.substr(22);
    IconImageInfo info;
    ASSERT_TRUE(CheckIconImage(U(img), img.size(), info, &why));
    for (size_t n = 0; n < img.size(); ++n) EXPECT_FALSE(CheckIconImage(U(img), n, info, &why)) << n;
    auto refused = [&](std::string bad, const char* what) {
        EXPECT_FALSE(ParseIconDirectory(U(bad), bad.size(), e, &why)) << what;
        EXPECT_FALSE(why.empty());
    };
    std::string t = f;
    t[2] = 2;   // a cursor file
    refused(t, "type");
    t = f;
    t[4] = 0;   // no images
    refused(t, "count");
    t = f;
    t[14] = char(0xF0);   // size beyond the file
    refused(t, "size");
    t = f;
    t[18] = 4;   // offset inside the directory
    refused(t, "offset");
    EXPECT_FALSE(ParseIconDirectory(nullptr, 0, e, &why));
}

TEST(IconFile, RefusesDamagedImages)
{
    std::string f = IconFileBytes(8, 8, [](int, int) { return 0xFFFFFFFFu; });
    std::string img = f.substr(22);
    IconImageInfo info;
    std::string why;
    auto refused = [&](size_t at, char v, const char* what) {
        std::string bad = img;
        bad[at] = v;
        EXPECT_FALSE(CheckIconImage(U(bad), bad.size(), info, &why)) << what;
    };
    refused(0, 12, "header size");
    refused(8, 17, "odd double height");
    refused(7, char(0x80), "negative width");
    refused(12, 2, "planes");
    refused(14, 7, "depth");
    refused(16, 1, "compression");
    // 8-bit image claiming more colours than it can have.
    std::string pal = img;
    pal[14] = 8;
    pal[32] = 0;
    pal[33] = 2;   // 512 colours
    EXPECT_FALSE(CheckIconImage(U(pal), pal.size(), info, &why));
    // An embedded PNG: its size comes from its header.
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x20\0\0\0\x18", 24);
    ASSERT_TRUE(CheckIconImage(U(png), png.size(), info, &why)) << why;
    EXPECT_TRUE(info.png);
    EXPECT_EQ(info.width, 32);
    EXPECT_EQ(info.height, 24);
    png[19] = 0;
    EXPECT_FALSE(CheckIconImage(U(png), png.size(), info, &why));
}

TEST(IconFile, ChoosesTheImageForTheWantedSize)
{
    auto entry = [](int w, int bits) {
        IconDirEntry d;
        d.width = d.height = w;
        d.bitCount = bits;
        return d;
    };
    std::vector<IconDirEntry> e = {entry(32, 8), entry(16, 4), entry(16, 32), entry(48, 32), entry(24, 32)};
    EXPECT_EQ(ChooseIconEntry(e, 16, 16), 2);   // exact, most colours
    EXPECT_EQ(ChooseIconEntry(e, 20, 20), 4);   // the smallest larger one
    EXPECT_EQ(ChooseIconEntry(e, 64, 64), 3);   // none larger: the largest
    EXPECT_EQ(ChooseIconEntry({}, 16, 16), -1);
}

}  // namespace
