// The inflating stream: back-to-back entries in one source, seeking, damaged
// and truncated data, and restarting an entry that begins inside its source.
#include <gtest/gtest.h>

#include <zlib.h>

#include "skin/graphics/ZlibStream.h"

namespace {
std::string Deflate(const std::string& data, int level = 9)
{
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                        uLong(data.size()), level),
              Z_OK);
    out.resize(size);
    return out;
}

// Text that compresses, long enough to need several input buffers when stored.
std::string Payload(size_t n, unsigned seed)
{
    std::string s;
    s.reserve(n);
    uint32_t x = seed;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += char('a' + (x >> 16) % 26);
        if ((x >> 8) % 7 == 0) s += ' ';
    }
    s.resize(n);
    return s;
}

std::string ReadAllOf(TStream& s, size_t chunk)
{
    std::string out;
    std::string buf(chunk, '\0');
    for (;;) {
        int64_t n = s.Read(buf.data(), int64_t(chunk));
        if (n <= 0) break;
        out.append(buf, 0, size_t(n));
    }
    return out;
}

String MessageOf(const std::function<void()>& f, int* code = nullptr)
{
    try {
        f();
    } catch (const EZDecompressionError& e) {
        if (code) *code = e.ErrorCode();
        return e.Message();
    }
    return L"(no error)";
}
}  // namespace

TEST(ZDecompressionStream, BackToBackEntriesFromOneSource)
{
    const std::string first = Payload(200000, 1), second = Payload(3000, 2);
    // Level 0 keeps the first entry larger than one 64 KiB input buffer.
    TMemoryStream source(Deflate(first, 0) + Deflate(second) + "TAIL");
    int refills = 0;
    {
        TZDecompressionStream z(source);
        z.OnProgress = [&](TObject* sender) {
            EXPECT_EQ(sender, &z);
            ++refills;
        };
        EXPECT_EQ(ReadAllOf(z, 7000), first);
    }
    EXPECT_GE(refills, 4);
    {
        TZDecompressionStream z(source);
        EXPECT_EQ(ReadAllOf(z, 1 << 20), second);
    }
    // The source stands on the first byte behind the second entry.
    char tail[4];
    ASSERT_EQ(source.Read(tail, 4), 4);
    EXPECT_EQ(std::string(tail, 4), "TAIL");
}

TEST(ZDecompressionStream, SeekingForwardToTheEndAndBack)
{
    const std::string data = Payload(50000, 3);
    TMemoryStream source(Deflate(data));
    TZDecompressionStream z(source);
    EXPECT_EQ(z.Seek(1000, TSeekOrigin::soCurrent), 1000);
    char c;
    ASSERT_EQ(z.Read(&c, 1), 1);
    EXPECT_EQ(c, data[1000]);
    EXPECT_EQ(z.Seek(20000, TSeekOrigin::soBeginning), 20000);
    ASSERT_EQ(z.Read(&c, 1), 1);
    EXPECT_EQ(c, data[20000]);
    EXPECT_EQ(z.Position(), 20001);

    // Offset 0 from the end gives the uncompressed size and stays at the end.
    EXPECT_EQ(z.Seek(0, TSeekOrigin::soEnd), int64_t(data.size()));
    EXPECT_EQ(z.Read(&c, 1), 0);
    EXPECT_EQ(z.Position(), int64_t(data.size()));

    // Backwards (other than to the start) and non-zero from the end are refused.
    EXPECT_EQ(MessageOf([&] { z.Seek(10, TSeekOrigin::soBeginning); }), L"Invalid ZStream operation!");
    EXPECT_EQ(MessageOf([&] { z.Seek(-1, TSeekOrigin::soCurrent); }), L"Invalid ZStream operation!");
    EXPECT_EQ(MessageOf([&] { z.Seek(-5, TSeekOrigin::soEnd); }), L"Invalid ZStream operation!");
    EXPECT_EQ(MessageOf([&] { z.Write("x", 1); }), L"Invalid ZStream operation!");

    // Back to the start: everything again.
    EXPECT_EQ(z.Seek(0, TSeekOrigin::soBeginning), 0);
    EXPECT_EQ(ReadAllOf(z, 4096), data);
}

TEST(ZDecompressionStream, RestartOfAnEntryThatBeginsInsideItsSource)
{
    const std::string data = Payload(9000, 4);
    const std::string header = "HEADER-BYTES-BEFORE-THE-ENTRY";
    TMemoryStream source(header + Deflate(data));
    source.SetPosition(int64_t(header.size()));
    TZDecompressionStream z(source);
    std::string head(100, '\0');
    ASSERT_EQ(z.Read(head.data(), 100), 100);
    EXPECT_EQ(z.Seek(0, TSeekOrigin::soBeginning), 0);
    // Inflating starts again at the entry's first byte, not at the source's.
    EXPECT_EQ(ReadAllOf(z, 333), data);
    EXPECT_EQ(z.Seek(0, TSeekOrigin::soEnd), int64_t(data.size()));
}

TEST(ZDecompressionStream, DamagedTruncatedAndForeignData)
{
    const std::string data = Payload(30000, 5);
    std::string packed = Deflate(data);

    std::string damaged = packed;
    for (size_t i = 10; i < damaged.size() && i < 60; ++i) damaged[i] = char(damaged[i] ^ 0x5A);
    TMemoryStream bad(damaged);
    TZDecompressionStream z1(bad);
    int code = 0;
    EXPECT_EQ(MessageOf([&] { ReadAllOf(z1, 4096); }, &code), L"data error");
    EXPECT_EQ(code, Z_DATA_ERROR);

    // A source that ends early gives a short read, no error.
    TMemoryStream cut(packed.substr(0, packed.size() / 2));
    TZDecompressionStream z2(cut);
    std::string out(data.size(), '\0');
    int64_t n = z2.Read(out.data(), int64_t(out.size()));
    EXPECT_GT(n, 0);
    EXPECT_LT(n, int64_t(data.size()));
    EXPECT_EQ(out.substr(0, size_t(n)), data.substr(0, size_t(n)));
    EXPECT_THROW(z2.ReadBuffer(out.data(), 10), EReadError);

    // Bytes that are no zlib stream at all.
    TMemoryStream text(std::string("plain text, not compressed"));
    TZDecompressionStream z3(text);
    EXPECT_EQ(MessageOf([&] { ReadAllOf(z3, 64); }, &code), L"data error");
    EXPECT_EQ(code, Z_DATA_ERROR);

    // A stream that asks for a preset dictionary cannot be inflated and must not hang.
    std::string dictStream;
    {
        z_stream d{};
        deflateInit(&d, 9);
        const char dict[] = "dictionary";
        deflateSetDictionary(&d, reinterpret_cast<const Bytef*>(dict), sizeof dict - 1);
        dictStream.resize(256);
        d.next_in = reinterpret_cast<Bytef*>(const_cast<char*>("dictionary dictionary"));
        d.avail_in = 21;
        d.next_out = reinterpret_cast<Bytef*>(dictStream.data());
        d.avail_out = 256;
        deflate(&d, Z_FINISH);
        dictStream.resize(d.total_out);
        deflateEnd(&d);
    }
    TMemoryStream dictSource(dictStream);
    TZDecompressionStream z4(dictSource);
    EXPECT_EQ(MessageOf([&] { ReadAllOf(z4, 64); }, &code), L"data error");

    // An empty source reads nothing.
    TMemoryStream empty;
    TZDecompressionStream z5(empty);
    char c;
    EXPECT_EQ(z5.Read(&c, 1), 0);
}

TEST(ZDecompressionStream, ErrorTexts)
{
    EXPECT_EQ(ZLibErrorText(2), L"need dictionary");
    EXPECT_EQ(ZLibErrorText(1), L"stream end");
    EXPECT_EQ(ZLibErrorText(0), L"ok");
    EXPECT_EQ(ZLibErrorText(-1), L"file error");
    EXPECT_EQ(ZLibErrorText(-3), L"data error");
    EXPECT_EQ(ZLibErrorText(-4), L"insufficient memory");
    EXPECT_EQ(ZLibErrorText(-6), L"incompatible version");
    EXPECT_NE(ZLibErrorText(-7), L"");
    EXPECT_NE(ZLibErrorText(3), L"");
}
