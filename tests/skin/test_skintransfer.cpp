// The skin editor's hand-over record read from untrusted bytes: whole records
// only, the signature checked, every string bounded by its field.
#include <gtest/gtest.h>

#include "skin/model/SkinTransfer.h"
#include "skin/graphics/Constants.h"

TEST(SkinTransfer, ReadsWhatAnEditorWrites)
{
    SkinTransferData in{"Slate", "C:\\Skins", "[GLOBALINFO]\r\nVERSION=8.50\r\n"};
    std::string rec = WriteSkinTransferRecord(in);
    ASSERT_EQ(rec.size(), size_t(SkinTransferRecordSize));
    SkinTransferData out;
    ASSERT_TRUE(ReadSkinTransferRecord(rec.data(), rec.size(), out));
    EXPECT_EQ(out.Name, in.Name);
    EXPECT_EQ(out.Directory, in.Directory);
    EXPECT_EQ(out.Options, in.Options);
    // Extra bytes after the record do not matter.
    rec += "trailing";
    EXPECT_TRUE(ReadSkinTransferRecord(rec.data(), rec.size(), out));
}

TEST(SkinTransfer, RefusesShortRecordsWrongSignaturesAndNothing)
{
    std::string rec = WriteSkinTransferRecord({"A", "B", "C"});
    SkinTransferData out{"keep", "keep", "keep"};
    EXPECT_FALSE(ReadSkinTransferRecord(rec.data(), rec.size() - 1, out));
    EXPECT_FALSE(ReadSkinTransferRecord(nullptr, rec.size(), out));
    EXPECT_FALSE(ReadSkinTransferRecord(rec.data(), 0, out));
    std::string other = WriteSkinTransferRecord({"A", "B", "C"}, 0xA401);
    EXPECT_FALSE(ReadSkinTransferRecord(other.data(), other.size(), out));
    std::string negative = WriteSkinTransferRecord({"A", "B", "C"}, -0xA400);
    EXPECT_FALSE(ReadSkinTransferRecord(negative.data(), negative.size(), out));
    EXPECT_EQ(out.Name, "keep");
    EXPECT_EQ(out.Options, "keep");
}

TEST(SkinTransfer, StringsStopAtTheirFields)
{
    // Fields filled to the last byte without a NUL: each ends at its field, not in the next one.
    std::string rec(SkinTransferRecordSize, 'x');
    rec[0] = char(0x00);
    rec[1] = char(0xA4);
    rec[2] = rec[3] = 0;
    std::fill(rec.begin() + kTransferNameOffset, rec.begin() + kTransferDirOffset, 'N');
    std::fill(rec.begin() + kTransferDirOffset, rec.begin() + kTransferOptionsOffset, 'D');
    std::fill(rec.begin() + kTransferOptionsOffset, rec.end(), 'O');
    SkinTransferData out;
    ASSERT_TRUE(ReadSkinTransferRecord(rec.data(), rec.size(), out));
    EXPECT_EQ(out.Name, std::string(128, 'N'));
    EXPECT_EQ(out.Directory, std::string(513, 'D'));
    EXPECT_EQ(out.Options, std::string(30001, 'O'));
    // A NUL ends a string early; what follows it in the field is ignored.
    rec[kTransferNameOffset + 3] = 0;
    ASSERT_TRUE(ReadSkinTransferRecord(rec.data(), rec.size(), out));
    EXPECT_EQ(out.Name, "NNN");
    // Writing cuts over-long strings to their fields.
    std::string cut = WriteSkinTransferRecord({std::string(300, 'a'), "d", "o"});
    ASSERT_TRUE(ReadSkinTransferRecord(cut.data(), cut.size(), out));
    EXPECT_EQ(out.Name, std::string(128, 'a'));
    EXPECT_EQ(out.Directory, "d");
}
