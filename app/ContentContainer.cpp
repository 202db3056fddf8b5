// Container packing and unpacking over zlib; see ContentContainer.h.
#include "app/ContentContainer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr size_t kLengthSize = 8;

String ZlibMessage(const z_stream& z, int code)
{
    const char* msg = z.msg ? z.msg : zError(code);
    String out;
    for (const char* p = msg; p && *p; ++p) out += wchar_t(static_cast<unsigned char>(*p));
    return out;
}

// Ends a zlib stream when it goes out of scope, whatever path leaves the function.
struct DeflateGuard {
    z_stream* z;
    ~DeflateGuard() { deflateEnd(z); }
};
struct InflateGuard {
    z_stream* z;
    ~InflateGuard() { inflateEnd(z); }
};

}  // namespace

String DocumentTooLargeText()
{
    return L"Документ слишком большой: в нем больше " + IntToStr((long long)(kMaxDocumentSize >> 20)) +
           L" МБ текста";
}

std::string PackDocument(std::string_view text)
{
    if (uint64_t(text.size()) > kMaxDocumentSize) throw EDocumentTooLarge(DocumentTooLargeText());
    z_stream z{};
    int rc = deflateInit(&z, 9);   // deflate, 15 window bits, memory level 8, default strategy
    if (rc != Z_OK) throw EZCompressionError(ZlibMessage(z, rc));
    DeflateGuard guard{&z};

    unsigned char header[kLengthSize];
    uint64_t n = uint64_t(int64_t(text.size()));
    for (size_t i = 0; i < kLengthSize; ++i) header[i] = static_cast<unsigned char>(n >> (8 * i));

    std::string out;
    std::vector<unsigned char> buffer(kBufferSize);

    // Feeds one piece of input through the 64 KB output buffer.
    auto feed = [&](const unsigned char* data, size_t size, int flush) {
        z.next_in = const_cast<unsigned char*>(data);
        z.avail_in = uInt(size);
        for (;;) {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            int r = deflate(&z, flush);
            if (r == Z_STREAM_ERROR || (r < 0 && r != Z_BUF_ERROR))
                throw EZCompressionError(ZlibMessage(z, r));
            out.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - z.avail_out);
            if (flush == Z_FINISH) {
                if (r == Z_STREAM_END) return;
            } else if (z.avail_in == 0 && z.avail_out != 0) {
                return;
            }
        }
    };

    feed(header, kLengthSize, Z_NO_FLUSH);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t left = text.size();
    while (left > 0) {
        size_t piece = left < kBufferSize ? left : kBufferSize;
        feed(p, piece, Z_NO_FLUSH);
        p += piece;
        left -= piece;
    }
    feed(nullptr, 0, Z_FINISH);
    return out;
}

std::string UnpackDocument(std::string_view stream)
{
    z_stream z{};
    int rc = inflateInit(&z);
    if (rc != Z_OK) throw EZDecompressionError(ZlibMessage(z, rc));
    InflateGuard guard{&z};

    const unsigned char* in = reinterpret_cast<const unsigned char*>(stream.data());
    size_t inLeft = stream.size();

    std::vector<unsigned char> buffer(kBufferSize);
    unsigned char header[kLengthSize];
    size_t headerHave = 0;
    uint64_t want = 0;   // text bytes still expected, known once the header is complete
    std::string text;

    for (;;) {
        if (z.avail_in == 0 && inLeft > 0) {
            size_t piece = inLeft < kBufferSize ? inLeft : kBufferSize;
            z.next_in = const_cast<unsigned char*>(in);
            z.avail_in = uInt(piece);
            in += piece;
            inLeft -= piece;
        }
        // Once the length is known, the text is inflated straight into the
        // string, whose room doubles only with the data actually inflated,
        // never by the declared length.
        const bool direct = headerHave == kLengthSize;
        const size_t have = text.size();
        if (direct) {
            size_t room = size_t(std::min<uint64_t>(want, std::max(kBufferSize, have)));
            text.resize(have + room);
            z.next_out = reinterpret_cast<unsigned char*>(text.data()) + have;
            z.avail_out = uInt(room);
        } else {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
        }
        const size_t room = z.avail_out;
        int r = inflate(&z, Z_NO_FLUSH);
        if (r == Z_NEED_DICT) r = Z_DATA_ERROR;
        if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) throw EZDecompressionError(ZlibMessage(z, r));

        if (direct) {
            size_t got = room - z.avail_out;
            text.resize(have + got);
            want -= got;
            if (want == 0) return text;   // the rest of the stream is not examined
        }
        const unsigned char* out = buffer.data();
        size_t got = direct ? 0 : buffer.size() - z.avail_out;
        while (got > 0) {
            if (headerHave < kLengthSize) {
                size_t take = std::min(got, kLengthSize - headerHave);
                std::memcpy(header + headerHave, out, take);
                headerHave += take;
                out += take;
                got -= take;
                if (headerHave == kLengthSize) {
                    uint64_t raw = 0;
                    for (size_t i = 0; i < kLengthSize; ++i) raw |= uint64_t(header[i]) << (8 * i);
                    int64_t n = int64_t(raw);
                    // A negative length cannot come from a real document, a huge one
                    // is refused before anything is inflated for it.
                    if (n < 0) throw EReadError(ReadErrorText());
                    if (uint64_t(n) > kMaxDocumentSize) throw EDocumentTooLarge(DocumentTooLargeText());
                    want = uint64_t(n);
                    if (want == 0) return text;
                    // Room for what the input can plausibly hold (text deflates
                    // to about a quarter), so that a normal document is not
                    // copied over and over as it grows; a stream that claims
                    // more grows with the data it really has.
                    text.reserve(size_t(std::min<uint64_t>(want, uint64_t(stream.size()) * 4 + kBufferSize)));
                }
                continue;
            }
            // The text that came with the length, in the same buffer.
            size_t take = size_t(std::min<uint64_t>(got, want));
            text.append(reinterpret_cast<const char*>(out), take);
            want -= take;
            if (want == 0) return text;   // the rest of the stream is not examined
            got = 0;
        }

        bool noProgress = r == Z_BUF_ERROR || (z.avail_in == 0 && inLeft == 0 && z.avail_out != 0);
        if (r == Z_STREAM_END || noProgress) throw EReadError(ReadErrorText());
    }
}

std::string NormalizeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            char pair = c == '\r' ? '\n' : '\r';
            if (i + 1 < text.size() && text[i + 1] == pair) ++i;
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}
