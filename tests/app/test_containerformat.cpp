// The document container's byte format: payload layout, round trips, line
// breaks, damaged data and the bound on a document's size. Pure C++ over zlib:
// built for Windows and natively (sanitizers).
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "app/ContentContainer.h"
#include "support/ContainerBytes.h"

namespace {

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

// ---- size bound ----------------------------------------------------------

TEST(ContainerSize, DeclaredLengthAboveTheBoundIsRefused)
{
    for (int64_t n : {int64_t(kMaxDocumentSize) + 1, int64_t(0x40000000), int64_t(0x7FFFFFFF), int64_t(1) << 62}) {
        try {
            UnpackDocument(DeflateRaw(LengthField(n) + "abc"));
            FAIL() << "no exception for length " << n;
        } catch (const EDocumentTooLarge& e) {
            EXPECT_EQ(e.Message(), DocumentTooLargeText());
        }
    }
    EXPECT_EQ(Utf8(DocumentTooLargeText()), "Документ слишком большой: в нем больше 64 МБ текста");
    // Callers that know only read errors still catch it.
    EXPECT_THROW(UnpackDocument(DeflateRaw(LengthField(int64_t(kMaxDocumentSize) + 1))), EReadError);
}

TEST(ContainerSize, InflationBombStopsAtTheLengthField)
{
    // 1 GiB of text in about a megabyte: refused before it is inflated.
    std::string bomb = ZeroBomb(int64_t(1) << 30, 1024);
    EXPECT_LT(bomb.size(), size_t(2) << 20);
    EXPECT_THROW(UnpackDocument(bomb), EDocumentTooLarge);
    // The same stream damaged right after its first megabyte: a reader that
    // went on inflating would report the damage instead.
    std::string cut = ZeroBomb(int64_t(1) << 30, 1024, true);
    EXPECT_THROW(UnpackDocument(cut), EDocumentTooLarge);
    // A stream that declares its real, allowed size is read in full.
    std::string fine = ZeroBomb(int64_t(3) << 20, 3);
    std::string text = UnpackDocument(fine);
    EXPECT_EQ(text.size(), size_t(3) << 20);
    EXPECT_EQ(text.find_first_not_of('\0'), std::string::npos);
}

TEST(ContainerSize, TheBoundItselfStillRoundTrips)
{
    std::string text(size_t(kMaxDocumentSize), 'a');
    for (size_t i = 0; i < text.size(); i += 4099) text[i] = char('0' + i % 10);
    std::string packed = PackDocument(text);
    EXPECT_EQ(UnpackDocument(packed), text);
    text += 'z';
    // One byte more could not be read back: saving refuses it with the same error.
    EXPECT_THROW(PackDocument(text), EDocumentTooLarge);
}

}  // namespace
