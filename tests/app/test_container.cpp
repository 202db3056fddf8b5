// The document container: payload layout, round trips, error reporting and
// the safe replacement of files on save.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "app/ContentContainer.h"
#include "support/GuiTest.h"

namespace {

// Inflates a whole zlib stream with zlib directly, independent of the code under test.
std::string InflateAll(const std::string& packed)
{
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    std::string out;
    char buf[4096];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = uInt(packed.size());
    int rc;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buf, sizeof buf - z.avail_out);
    } while (rc == Z_OK);
    EXPECT_EQ(rc, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the zlib stream";
    inflateEnd(&z);
    return out;
}

// Deflates an arbitrary payload, so that tests can build damaged containers.
std::string DeflateRaw(const std::string& payload)
{
    uLongf size = compressBound(uLong(payload.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(payload.data()), uLong(payload.size()), 9),
              Z_OK);
    out.resize(size);
    return out;
}

std::string LengthField(int64_t n)
{
    std::string s(8, '\0');
    for (int i = 0; i < 8; ++i) s[i] = char(uint64_t(n) >> (8 * i));
    return s;
}

std::string Utf8(const String& s) { return StringToUtf8(s); }

// A fresh folder under the temporary folder, removed with its files.
class TempFolder {
public:
    const String& Path() const { return dir_.Path(); }

    std::vector<String> Files() const
    {
        std::vector<String> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((Path() + L"*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            String n = fd.cFileName;
            if (n != L"." && n != L"..") names.push_back(n);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        return names;
    }

private:
    TempDir dir_{L"talvera-container"};
};

void WriteBytes(const String& name, const std::string& bytes)
{
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    CloseHandle(h);
    ASSERT_EQ(done, bytes.size());
}

}  // namespace

// ---- payload layout ------------------------------------------------------

TEST(ContainerFormat, AbcPayloadIsLengthThenText)
{
    std::string packed = PackDocument("abc");
    const std::string expected("\x03\x00\x00\x00\x00\x00\x00\x00" "abc", 11);
    EXPECT_EQ(InflateAll(packed), expected);
}

TEST(ContainerFormat, HeaderIsLevelNineWithFullWindow)
{
    std::string packed = PackDocument("abc");
    ASSERT_GE(packed.size(), 6u);
    EXPECT_EQ(uint8_t(packed[0]), 0x78);
    EXPECT_EQ(uint8_t(packed[1]), 0xDA);
}

TEST(ContainerFormat, LengthFieldIsLittleEndianForLongTexts)
{
    std::string text(70000 + 258, 'x');   // crosses the 64 KB buffer
    for (size_t i = 0; i < text.size(); ++i) text[i] = char('a' + i * 7 % 26);
    std::string payload = InflateAll(PackDocument(text));
    ASSERT_EQ(payload.size(), 8 + text.size());
    EXPECT_EQ(payload.substr(0, 8), LengthField(int64_t(text.size())));
    EXPECT_EQ(payload.substr(8), text);
}

TEST(ContainerFormat, EmptyTextIsZeroLength)
{
    std::string packed = PackDocument("");
    EXPECT_EQ(InflateAll(packed), std::string(8, '\0'));
    EXPECT_EQ(UnpackDocument(packed), "");
}

// ---- round trips ---------------------------------------------------------

TEST(ContainerRoundTrip, CyrillicAnsiTextIsKeptByteForByte)
{
    std::string text = StringToAnsi(L"Вопрос №1\r\n`A) Ответ с буквой Ё и ё\r\n");
    ASSERT_EQ(uint8_t(text[0]), 0xC2) << "the ANSI code page should be 1251";
    EXPECT_EQ(UnpackDocument(PackDocument(text)), text);
}

TEST(ContainerRoundTrip, AllByteValuesSurvive)
{
    std::string text;
    for (int i = 0; i < 256 * 3; ++i) text += char(i & 0xFF);
    EXPECT_EQ(UnpackDocument(PackDocument(text)), text);
}

TEST(ContainerRoundTrip, LargeTextAcrossManyBuffers)
{
    std::string text;
    uint32_t seed = 12345;
    for (int i = 0; i < 300000; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += char(seed >> 24);   // poorly compressible
    }
    EXPECT_EQ(UnpackDocument(PackDocument(text)), text);
}

TEST(ContainerRoundTrip, TrailingDataAfterTheTextAreNotExamined)
{
    // A payload longer than 8 + N: the surplus is ignored.
    std::string packed = DeflateRaw(LengthField(2) + "okGARBAGE");
    EXPECT_EQ(UnpackDocument(packed), "ok");
    // Bytes after the end of the zlib stream are not looked at either.
    EXPECT_EQ(UnpackDocument(PackDocument("xyz") + "tail"), "xyz");
}

TEST(ContainerRoundTrip, LfOnlyTextComesBackWithCrLf)
{
    std::string stored = UnpackDocument(PackDocument("---\n1) Q\n`A) a\nB) b\n---\n"));
    EXPECT_EQ(stored, "---\n1) Q\n`A) a\nB) b\n---\n") << "the container itself keeps the bytes";
    EXPECT_EQ(NormalizeLineBreaks(stored), "---\r\n1) Q\r\n`A) a\r\nB) b\r\n---\r\n");
}

// ---- line breaks ---------------------------------------------------------

TEST(LineBreaks, EachKindBecomesCrLf)
{
    EXPECT_EQ(NormalizeLineBreaks("a\rb"), "a\r\nb");
    EXPECT_EQ(NormalizeLineBreaks("a\nb"), "a\r\nb");
    EXPECT_EQ(NormalizeLineBreaks("a\n\rb"), "a\r\nb");
    EXPECT_EQ(NormalizeLineBreaks("a\r\nb"), "a\r\nb");
}

TEST(LineBreaks, RunsOfBreaksCountOneByOne)
{
    EXPECT_EQ(NormalizeLineBreaks("\r\r"), "\r\n\r\n");
    EXPECT_EQ(NormalizeLineBreaks("\n\n"), "\r\n\r\n");
    EXPECT_EQ(NormalizeLineBreaks("\r\n\r\n"), "\r\n\r\n");
    EXPECT_EQ(NormalizeLineBreaks("\n\r\n"), "\r\n\r\n");   // LF CR pair, then a lone LF
    EXPECT_EQ(NormalizeLineBreaks("\r\n\n"), "\r\n\r\n");
    EXPECT_EQ(NormalizeLineBreaks("x\r"), "x\r\n");
    EXPECT_EQ(NormalizeLineBreaks(""), "");
}

// ---- damaged data --------------------------------------------------------

TEST(ContainerErrors, PlainTextFailsWithZlibMessage)
{
    try {
        UnpackDocument("Это просто текст, а не контейнер.\r\n");
        FAIL() << "no exception";
    } catch (const EZDecompressionError& e) {
        EXPECT_EQ(Utf8(e.Message()), "incorrect header check");
    }
}

TEST(ContainerErrors, CorruptDeflateDataFailWithZlibMessage)
{
    std::string packed = PackDocument(std::string(1000, 'q'));
    packed[2] = char(0xFF);   // block type 3 does not exist
    try {
        UnpackDocument(packed);
        FAIL() << "no exception";
    } catch (const EZDecompressionError& e) {
        EXPECT_EQ(Utf8(e.Message()), "invalid block type");
    }
}

TEST(ContainerErrors, ShortPayloadIsAReadError)
{
    std::string packed = DeflateRaw(LengthField(10) + "abc");
    try {
        UnpackDocument(packed);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), ReadErrorText());
    }
    EXPECT_THROW(UnpackDocument(DeflateRaw(std::string(5, '\0'))), EReadError) << "length field cut short";
}

TEST(ContainerErrors, TruncatedStreamIsAReadError)
{
    std::string text(5000, 'z');
    for (size_t i = 0; i < text.size(); ++i) text[i] = char(i * 31 % 251);
    std::string packed = PackDocument(text);
    EXPECT_THROW(UnpackDocument(packed.substr(0, packed.size() / 2)), EReadError);
    EXPECT_THROW(UnpackDocument(packed.substr(0, 2)), EReadError);
    EXPECT_THROW(UnpackDocument(""), EReadError);
}

TEST(ContainerErrors, NegativeLengthIsAReadError)
{
    EXPECT_THROW(UnpackDocument(DeflateRaw(LengthField(-1) + "abc")), EReadError);
    EXPECT_THROW(UnpackDocument(DeflateRaw(LengthField(INT64_MIN) + "abc")), EReadError);
}

TEST(ContainerErrors, HugeLengthIsAReadErrorWithoutAllocating)
{
    // Were the declared length reserved up front, this would throw
    // std::bad_alloc or length_error instead of the read error.
    EXPECT_THROW(UnpackDocument(DeflateRaw(LengthField(int64_t(1) << 62) + "abc")), EReadError);
    EXPECT_THROW(UnpackDocument(DeflateRaw(LengthField(int64_t(0x7FFFFFFF)) + "abc")), EReadError);
    EXPECT_THROW(UnpackDocument(DeflateRaw(LengthField(int64_t(0x40000000)) + "abc")), EReadError);
}

// ---- files ---------------------------------------------------------------

TEST(ContainerFiles, SaveThenLoad)
{
    TempFolder dir;
    String name = dir.Path() + L"Вариант 1.txt";
    std::string text = StringToAnsi(L"---\r\n1) Что такое байт?\r\n`A) 8 бит\r\n---\r\n");
    SaveDocumentFile(name, text);
    EXPECT_EQ(LoadDocumentFile(name), text);
    std::string raw = ReadFileBytes(name);
    EXPECT_EQ(InflateAll(raw), LengthField(int64_t(text.size())) + text);
    EXPECT_EQ(dir.Files(), std::vector<String>{L"Вариант 1.txt"});
}

TEST(ContainerFiles, SaveOverExistingFileReplacesIt)
{
    TempFolder dir;
    String name = dir.Path() + L"report";
    WriteBytes(name, std::string(100000, 'o'));   // longer than the new content
    SaveDocumentFile(name, "new");
    EXPECT_EQ(ReadFileBytes(name), PackDocument("new"));
    EXPECT_EQ(LoadDocumentFile(name), "new");
    EXPECT_EQ(dir.Files().size(), 1u);
}

TEST(ContainerFiles, MissingFolderIsACreateError)
{
    TempFolder dir;
    String name = dir.Path() + L"нет такой папки\\file.txt";
    try {
        SaveDocumentFile(name, "abc");
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), FileCreateErrorText(name));
    }
    EXPECT_TRUE(dir.Files().empty());
}

TEST(ContainerFiles, IllegalNameIsACreateError)
{
    TempFolder dir;
    for (const wchar_t* bad : {L"a?b", L"a*b", L"a|b", L"a<b>"}) {
        String name = dir.Path() + bad;
        EXPECT_THROW(SaveDocumentFile(name, "abc"), EFCreateError) << Utf8(bad);
    }
    EXPECT_THROW(SaveDocumentFile(L"", "abc"), EFCreateError);
    EXPECT_TRUE(dir.Files().empty()) << "temporary files were left behind";
}

TEST(ContainerFiles, LockedTargetKeepsOldContent)
{
    TempFolder dir;
    String name = dir.Path() + L"test.txt";
    std::string old = PackDocument("old text");
    WriteBytes(name, old);
    HANDLE lock = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_THROW(SaveDocumentFile(name, "new text"), EFCreateError);
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(name), old);
    EXPECT_EQ(dir.Files(), std::vector<String>{L"test.txt"}) << "temporary files were left behind";
}

TEST(ContainerFiles, ReadOnlyTargetKeepsOldContent)
{
    TempFolder dir;
    String name = dir.Path() + L"test.txt";
    WriteBytes(name, "plain old bytes");
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(SaveDocumentFile(name, "new text"), EFCreateError);
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(name), "plain old bytes");
    EXPECT_EQ(dir.Files().size(), 1u);
}

TEST(ContainerFiles, FolderAsTargetIsACreateError)
{
    TempFolder dir;
    String name = dir.Path() + L"Отчеты";
    ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
    EXPECT_THROW(SaveDocumentFile(name, "x"), EFCreateError);
    EXPECT_EQ(GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(dir.Files(), std::vector<String>{L"Отчеты"});
}

TEST(ContainerFiles, MissingFileIsAnOpenError)
{
    TempFolder dir;
    String name = dir.Path() + L"нет.txt";
    try {
        LoadDocumentFile(name);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), FileOpenErrorText(name));
    }
    EXPECT_THROW(ReadFileBytes(name), EFOpenError);
}

TEST(ContainerFiles, PlainTextFileFailsWithZlibMessage)
{
    TempFolder dir;
    String name = dir.Path() + L"plain.txt";
    WriteBytes(name, "---\r\n1) Q\r\n");
    EXPECT_EQ(ReadFileBytes(name), "---\r\n1) Q\r\n");
    try {
        LoadDocumentFile(name);
        FAIL() << "no exception";
    } catch (const EZDecompressionError& e) {
        EXPECT_EQ(Utf8(e.Message()), "incorrect header check");
    }
}
