// Containers made byte by byte with zlib itself, independent of the code
// under test: whole payloads, length fields and streams that inflate far
// beyond their size. No <windows.h>: the format tests build natively too.
#pragma once
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>

#include "classlib/SysUtils.h"

// Inflates a whole zlib stream with zlib directly, independent of the code under test.
inline std::string InflateAll(const std::string& packed)
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
inline std::string DeflateRaw(const std::string& payload)
{
    uLongf size = compressBound(uLong(payload.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(payload.data()), uLong(payload.size()), 9),
              Z_OK);
    out.resize(size);
    return out;
}

inline std::string LengthField(int64_t n)
{
    std::string s(8, '\0');
    for (int i = 0; i < 8; ++i) s[i] = char(uint64_t(n) >> (8 * i));
    return s;
}

inline std::string Utf8(const String& s) { return StringToUtf8(s); }

// A valid zlib stream whose payload is the length field `declared` followed
// by `zeroMiB` (at least 2) MiB of zero bytes; it is about 1/1000 of the
// payload in size.
// With cutAfterFirstMiB the stream holds only the length and the first MiB of
// zeros and then a block of a type that does not exist, so a reader that
// inflates past its first buffer meets a data error.
inline std::string ZeroBomb(int64_t declared, int zeroMiB, bool cutAfterFirstMiB = false)
{
    const std::string mib(size_t(1) << 20, '\0');
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, 9), Z_OK);
    std::string out;
    auto run = [&](const std::string& in, int flush) {
        std::string piece(deflateBound(&z, uLong(in.size())) + 64, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = uInt(in.size());
        z.next_out = reinterpret_cast<Bytef*>(piece.data());
        z.avail_out = uInt(piece.size());
        int rc = deflate(&z, flush);
        EXPECT_TRUE(rc == Z_OK || rc == Z_STREAM_END);
        EXPECT_EQ(z.avail_in, 0u);
        piece.resize(piece.size() - z.avail_out);
        return piece;
    };
    std::string head = LengthField(declared);
    out = run(head + mib, Z_FULL_FLUSH);
    if (cutAfterFirstMiB) {
        deflateEnd(&z);
        return out + "\xFF\xFF\xFF\xFF";   // BTYPE 3
    }
    // A full flush forgets the history, so each further MiB compresses to the
    // same bytes: deflate one and repeat it.
    std::string block = run(mib, Z_FULL_FLUSH);
    for (int i = 1; i < zeroMiB; ++i) out += block;
    out += run(std::string(), Z_FINISH);
    deflateEnd(&z);
    // The trailer holds the checksum of what deflate saw; put in the one of
    // the whole payload.
    uLong sum = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(head.data()), uInt(head.size()));
    const uLong mibSum = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(mib.data()), uInt(mib.size()));
    for (int i = 0; i < zeroMiB; ++i) sum = adler32_combine(sum, mibSum, z_off_t(mib.size()));
    for (int i = 0; i < 4; ++i) out[out.size() - 4 + size_t(i)] = char(sum >> (24 - 8 * i));
    return out;
}
