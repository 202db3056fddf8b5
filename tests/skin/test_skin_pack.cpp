// Packed skins read from bytes the tests write, damaged in every field, and
// stored skins written and read back through the component data streaming.
#include <gtest/gtest.h>

#include "skin/graphics/SkinError.h"
#include "skin/core/StoredSkins.h"
#include "support/GuiTest.h"
#include "tests/skin/SkinFixtures.h"

using namespace skintest;

namespace {

// Parses bytes; returns the error text ("" when it parsed).
std::string Parse(const std::string& bytes, TkvSkinConvertor& c)
{
    c.Clear();
    c.SetBorrowedSource(&bytes);
    try {
        ReadPackedSkin(c);
    } catch (const SkinError& e) {
        return e.what();
    }
    return "";
}

SkinErrorKind KindOf(const std::string& bytes)
{
    TkvSkinConvertor c;
    c.SetBorrowedSource(&bytes);
    try {
        ReadPackedSkin(c);
    } catch (const SkinError& e) {
        return e.Kind();
    }
    ADD_FAILURE() << "parsed";
    return SkinErrorKind::File;
}

}  // namespace

TEST(PackedSkin, EntriesNamesAndCounts)
{
    TkvSkinConvertor c;
    std::string bytes = WritePackedSkin({{"Master.bmp", "bmpdata"}, {"options.DAT", "[A]"}, {"button.png", ""}});
    ASSERT_EQ(Parse(bytes, c), "");
    EXPECT_EQ(c.ImageCount, 2);
    ASSERT_EQ(c.ImageItems.size(), 2u);
    EXPECT_EQ(c.ImageItems[0].Name, "Master.bmp");       // stored case kept
    EXPECT_TRUE(c.ImageItems[0].IsBitmap);
    EXPECT_FALSE(c.ImageItems[1].IsBitmap);
    EXPECT_EQ(c.ImageItems[1].Data, "");                 // an entry of size 0
    ASSERT_TRUE(c.Options);
    EXPECT_EQ(*c.Options, "[A]");
    EXPECT_EQ(c.FindImage("MASTER.BMP"), &c.ImageItems[0]);   // matched without case
    EXPECT_EQ(c.FindImage("BUTTON.PNG"), &c.ImageItems[1]);
    EXPECT_EQ(c.FindImage("NONE.BMP"), nullptr);

    ASSERT_EQ(Parse(WritePackedSkin({}), c), "");
    EXPECT_EQ(c.ImageCount, -1);
    EXPECT_FALSE(c.Options);
    ASSERT_EQ(Parse(WritePackedSkin({{"Options.dat", "x"}}), c), "");
    EXPECT_EQ(c.ImageCount, 0);
    EXPECT_TRUE(c.ImageItems.empty());
    // A second options entry replaces the first; images are found among all items.
    ASSERT_EQ(Parse(WritePackedSkin({{"Options.dat", "one"}, {"Options.dat", "two"}, {"A.BMP", "a"}}), c), "");
    EXPECT_EQ(*c.Options, "two");
    EXPECT_EQ(c.ImageCount, 2);
    EXPECT_NE(c.FindImage("a.bmp"), nullptr);
}

TEST(PackedSkin, DamagedFieldsAreErrors)
{
    TkvSkinConvertor c;
    EXPECT_EQ(Parse("VMzX" + I32(0), c), "Loaded data is not a packed Velmiro file");
    EXPECT_EQ(Parse("VM", c), "Loaded data is not a packed Velmiro file");
    std::string ok = Entry("A", 3, Zlib("abc"));
    EXPECT_EQ(KindOf("VMzf" + I32(-1)), SkinErrorKind::Read);                       // negative N
    EXPECT_EQ(KindOf("VMzf" + I32(0x7FFFFFFF) + ok), SkinErrorKind::Read);          // N beyond the bytes
    EXPECT_EQ(KindOf("VMzf" + I32(1) + I32(-5) + "A" + I32(3) + Zlib("abc")), SkinErrorKind::Read);
    EXPECT_EQ(KindOf("VMzf" + I32(1) + I32(5000) + "A"), SkinErrorKind::Read);      // L beyond the end
    EXPECT_EQ(KindOf("VMzf" + I32(1) + Entry("A", -1, Zlib(""))), SkinErrorKind::Read);
    EXPECT_EQ(KindOf("VMzf" + I32(1) + Entry("A", 0x7FFFFFFF, Zlib("abc"))), SkinErrorKind::Read);
    EXPECT_EQ(KindOf("VMzf" + I32(2) + ok), SkinErrorKind::Read);                   // second entry missing
    std::string z = Zlib(std::string(1000, 'q'));
    EXPECT_EQ(KindOf("VMzf" + I32(1) + Entry("A", 1000, z.substr(0, z.size() / 2))), SkinErrorKind::Decompress);
    EXPECT_EQ(KindOf("VMzf" + I32(1) + Entry("A", 999, z)), SkinErrorKind::Decompress);    // more than declared
    EXPECT_EQ(KindOf("VMzf" + I32(1) + Entry("A", 1001, z)), SkinErrorKind::Decompress);   // less than declared
    EXPECT_EQ(KindOf("VMzf" + I32(1) + Entry("A", 3, "garbage!")), SkinErrorKind::Decompress);
    // After an error nothing of the file is kept.
    std::string bad = "VMzf" + I32(2) + Entry("Options.dat", 1, Zlib("x")) + Entry("B", 5, "zz");
    EXPECT_NE(Parse(bad, c), "");
    EXPECT_FALSE(c.Options);
    EXPECT_TRUE(c.ImageItems.empty());
    EXPECT_EQ(c.PackedBytes(), nullptr);
}

TEST(PackedSkin, StreamEndsAreFoundWhereverTheyFall)
{
    // A stored (level 0) entry whose stream is just over 64 KiB, so that its
    // trailer falls past a 65,536-byte input block, then a small entry.
    std::string big(65536 - 11 + 2, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char((i * 2654435761u) >> 24);
    std::string bigZ = Zlib(big, 0);
    ASSERT_GT(bigZ.size(), 65536u);
    ASSERT_LE(bigZ.size(), 65536u + 16);
    std::string bytes = "VMzf" + I32(3) + Entry("BIG.BIN", int32_t(big.size()), bigZ) + Entry("S1", 2, Zlib("hi")) +
                        Entry("S2", 3, Zlib("you"));
    TkvSkinConvertor c;
    ASSERT_EQ(Parse(bytes, c), "");
    ASSERT_EQ(c.ImageItems.size(), 3u);
    EXPECT_EQ(c.ImageItems[0].Data, big);
    EXPECT_EQ(c.ImageItems[1].Data, "hi");              // two streams ending in one block
    EXPECT_EQ(c.ImageItems[2].Data, "you");
}

TEST(PackedSkin, BorrowedBytesSurviveErrorsAndMissingFiles)
{
    std::string stored = "VMzX not a skin";
    TkvSkinConvertor c;
    c.SetBorrowedSource(&stored);
    EXPECT_THROW(ReadPackedSkin(c), SkinError);
    EXPECT_EQ(stored, "VMzX not a skin");               // the stored skin's bytes are left alone
    TkvSkinConvertor d;
    EXPECT_FALSE(LoadPackedSkin("Z:\\no\\such\\file.vmz", d, true));
    EXPECT_EQ(d.ImageCount, -1);
}

TEST(StoredSkins, DataRoundTripThroughComponentStreaming)
{
    std::string packed = WritePackedSkin({{"Options.dat", "[GLOBALINFO]\r\n"}, {"A.BMP", std::string(300, 'a')}});
    TsStoredSkins skins(nullptr);
    TsStoredSkin* empty = skins.Add();
    empty->Name = L"Empty";
    TsStoredSkin* full = skins.Add();
    full->Name = L"Internal1";
    full->PackedBytes = packed;
    full->Version = 8.5;
    full->Author = L"Автор";
    full->Description = L"desc";
    full->BorderColor = 0x123456;
    full->Shadow1Offset = 3;
    full->MasterBitmap = Bmp(2, 2, [](int, int) { return 0x102030u; });
    EXPECT_EQ(empty->Shadow1Blur, -1);
    EXPECT_EQ(empty->BorderColor, 0xFF00FF);

    TMemoryStream stream;
    TWriter(stream).WriteCollection(skins);
    stream.SetPosition(0);
    TsStoredSkins back(nullptr);
    TReader(stream).ReadCollection(back);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Items(0)->Name, L"Empty");
    EXPECT_TRUE(back.Items(0)->PackedBytes.empty());   // an empty "Data" comes back empty
    EXPECT_EQ(back.Items(0)->Shadow1Blur, -1);
    const TsStoredSkin* b = back.Items(1);
    EXPECT_EQ(b->PackedBytes, packed);
    EXPECT_EQ(b->Version, 8.5);
    EXPECT_EQ(b->Author, L"Автор");
    EXPECT_EQ(b->BorderColor, 0x123456);
    EXPECT_EQ(b->Shadow1Offset, 3);
    EXPECT_EQ(b->MasterBitmap, full->MasterBitmap);
    EXPECT_EQ(back.IndexOf(L"Internal1"), 1);
    EXPECT_EQ(back.IndexOf(L"internal1"), -1);          // exact names

    // "Data" is written even when empty: dropping the bytes of its record breaks the stream.
    std::string data = stream.Data();
    EXPECT_NE(data.find("Data"), std::string::npos);
    TMemoryStream cut(data.substr(0, data.size() - 10));
    TsStoredSkins broken(nullptr);
    EXPECT_THROW(TReader(cut).ReadCollection(broken), EReadError);

    TsStoredSkins copy(nullptr);
    copy.Assign(&back);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items(1)->PackedBytes, packed);
}
