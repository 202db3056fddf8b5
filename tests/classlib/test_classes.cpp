// String lists and streams: line breaks in Text, file streams' errors with
// their stable texts, short reads, memory streams.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/Classes.h"
#include "support/GuiTest.h"

namespace {

TEST(StringListTest, AddInsertDeletePutAndBounds)
{
    TStringList sl;
    int changes = 0;
    sl.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(sl.Add(L"b"), 0);
    EXPECT_EQ(sl.Add(L"d"), 1);
    sl.Insert(0, L"a");
    sl.Insert(2, L"c");
    ASSERT_EQ(sl.Count(), 4);
    EXPECT_EQ(sl[0] + sl[1] + sl[2] + sl[3], L"abcd");
    sl.Put(1, L"B");
    sl.Delete(3);
    EXPECT_EQ(sl.Text(), L"a\r\nB\r\nc\r\n");
    EXPECT_EQ(changes, 6);
    EXPECT_EQ(sl.IndexOf(L"b"), 1);   // case-insensitive
    EXPECT_EQ(sl.IndexOf(L"z"), -1);
    EXPECT_THROW(sl.Get(3), EListError);
    EXPECT_THROW(sl.Get(-1), EListError);
    EXPECT_THROW(sl.Insert(5, L"x"), EListError);
    EXPECT_THROW(sl.Delete(3), EListError);
    EXPECT_EQ(sl.Count(), 3);
}

TEST(StringListTest, TextEndsEveryLineWithCrLf)
{
    TStringList sl;
    EXPECT_EQ(sl.Text(), L"");
    sl.Add(L"");
    EXPECT_EQ(sl.Text(), L"\r\n");
    sl.Add(L"Привет");
    EXPECT_EQ(sl.Text(), L"\r\nПривет\r\n");
}

TEST(StringListTest, SetTextSplitsEveryKindOfBreak)
{
    TStringList sl;
    sl.SetText(L"a\r\nb\nc\rd\n\re");
    ASSERT_EQ(sl.Count(), 5);
    EXPECT_EQ(sl[0], L"a");
    EXPECT_EQ(sl[1], L"b");
    EXPECT_EQ(sl[2], L"c");
    EXPECT_EQ(sl[3], L"d");   // LF CR is one break
    EXPECT_EQ(sl[4], L"e");

    sl.SetText(L"x\r\n\r\ny\r\n");   // an empty line in between, no empty line at the end
    ASSERT_EQ(sl.Count(), 3);
    EXPECT_EQ(sl[1], L"");
    EXPECT_EQ(sl[2], L"y");

    sl.SetText(L"x\n\ny");   // two LFs are two breaks
    EXPECT_EQ(sl.Count(), 3);
    sl.SetText(L"");
    EXPECT_EQ(sl.Count(), 0);
}

TEST(StringListTest, SaveAndLoadFileInAnsi)
{
    TempDir dir;
    TStringList sl;
    sl.Add(L"Тальвера");
    sl.Add(L"line 2");
    String file = dir.Path() + L"list.txt";
    sl.SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), "\xD2\xE0\xEB\xFC\xE2\xE5\xF0\xE0\r\nline 2\r\n");
    TStringList back;
    back.LoadFromFile(file);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[0], L"Тальвера");
    EXPECT_THROW(back.LoadFromFile(dir.Path() + L"none.txt"), EFOpenError);
    EXPECT_EQ(back.Count(), 2);   // a failed load keeps the list
}

TEST(FileStreamTest, OpenAndCreateErrorsHaveStableTexts)
{
    TempDir dir;
    String missing = dir.Path() + L"нет.txt";
    try {
        TFileStream f(missing, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), L"Не удается открыть файл \"" + missing + L"\"");
        EXPECT_STREQ(e.ClassName(), L"EFOpenError");
    }
    String bad = dir.Path() + L"no folder\\x.bin";
    try {
        TFileStream f(bad, fmCreate);
        FAIL() << "created a file in a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), L"Не удается создать файл \"" + bad + L"\"");
    }
    // Both are stream errors, so one handler can catch them.
    EXPECT_THROW(TFileStream(missing, fmOpenReadWrite), EStreamError);
}

TEST(FileStreamTest, WriteSeekReadAndShortRead)
{
    TempDir dir;
    String name = dir.Path() + L"data.bin";
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("0123456789", 10);
        EXPECT_EQ(f.Size(), 10);
    }
    auto f = std::make_unique<TFileStream>(name, fmOpenRead | fmShareDenyWrite);
    char buf[16] = {};
    f->SetPosition(4);
    f->ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "456");
    EXPECT_EQ(f->Position(), 7);
    try {
        f->ReadBuffer(buf, 5);
        FAIL() << "short read not reported";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), L"Ошибка чтения потока");
    }
    f->SetPosition(0);
    EXPECT_EQ(f->ReadAll(), "0123456789");
    // While it is open denying writes, it cannot be created anew.
    EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
    f.reset();
    // A create of an existing name truncates.
    { TFileStream g(name, fmCreate); }
    EXPECT_EQ(ReadBytes(name), "");
}

TEST(MemoryStreamTest, ReadWriteSeekCopyAndFiles)
{
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Size(), 5);
    m.Seek(-2, TSeekOrigin::soEnd);
    m.WriteBuffer("LOWORLD", 7);   // grows past the end
    EXPECT_EQ(m.Data(), "helLOWORLD");
    m.SetPosition(0);
    char b[4];
    m.ReadBuffer(b, 3);
    EXPECT_EQ(std::string(b, 3), "hel");
    m.SetPosition(8);
    EXPECT_THROW(m.ReadBuffer(b, 4), EReadError);
    EXPECT_EQ(m.Seek(-100, TSeekOrigin::soCurrent), 0);

    TMemoryStream copy;
    copy.CopyFrom(m, 0);
    EXPECT_EQ(copy.Data(), m.Data());
    m.SetPosition(3);
    TMemoryStream part;
    part.CopyFrom(m, 4);
    EXPECT_EQ(part.Data(), "LOWO");
    TMemoryStream tooMuch;
    m.SetPosition(8);
    EXPECT_THROW(tooMuch.CopyFrom(m, 5), EReadError);

    TempDir dir;
    String f = dir.Path() + L"m.bin";
    copy.SaveToFile(f);
    TMemoryStream loaded;
    loaded.LoadFromFile(f);
    EXPECT_EQ(loaded.Data(), "helLOWORLD");
    EXPECT_EQ(loaded.Position(), 0);
    EXPECT_THROW(loaded.LoadFromFile(dir.Path() + L"none"), EFOpenError);
    EXPECT_EQ(loaded.Data(), "helLOWORLD");
}

}  // namespace
