#include "skin/graphics/ZlibStream.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace {
const wchar_t* const zErrors[] = {
    L"need dictionary", L"stream end", L"ok", L"file error", L"stream error",
    L"data error", L"insufficient memory", L"buffer error", L"incompatible version",
};

const wchar_t* const invalidOperation = L"Invalid ZStream operation!";

// zlib takes its memory from the program's allocator.
voidpf ZAlloc(voidpf, uInt items, uInt size) { return std::calloc(items, size); }
void ZFree(voidpf, voidpf address) { std::free(address); }
}  // namespace

String ZLibErrorText(int code)
{
    int index = 2 - code;
    if (index < 0 || index >= int(sizeof zErrors / sizeof zErrors[0])) return L"unknown zlib error " + std::to_wstring(code);
    return zErrors[index];
}

struct TCustomZStream::ZState {
    z_stream z{};
    unsigned char input[InputBufferSize];
};

TCustomZStream::TCustomZStream(TStream& source)
    : source_(source), sourcePos_(source.Position()), z_(std::make_unique<ZState>())
{
    z_->z.zalloc = ZAlloc;
    z_->z.zfree = ZFree;
    z_->z.opaque = nullptr;
    z_->z.next_in = z_->input;
    z_->z.avail_in = 0;
}

TCustomZStream::~TCustomZStream() = default;

TZDecompressionStream::TZDecompressionStream(TStream& source) : TCustomZStream(source), startPos_(sourcePos_)
{
    int r = inflateInit(&z_->z);
    if (r < 0) throw EZDecompressionError(ZLibErrorText(r), r);
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&z_->z); }

int64_t TZDecompressionStream::Read(void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    z_stream& z = z_->z;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    int64_t left = count;
    if (source_.Position() != sourcePos_) source_.SetPosition(sourcePos_);
    while (left > 0 && !ended_) {
        if (z.avail_in == 0) {
            int64_t n = source_.Read(z_->input, InputBufferSize);
            if (n <= 0) break;
            z.next_in = z_->input;
            z.avail_in = uInt(n);
            sourcePos_ = source_.Position();
            Progress();
        }
        // zlib counts in 32 bits; large requests go in slices.
        uInt slice = left > int64_t(1u << 30) ? (1u << 30) : uInt(left);
        z.next_out = out;
        z.avail_out = slice;
        int r = inflate(&z, Z_NO_FLUSH);
        uInt made = slice - z.avail_out;
        out += made;
        left -= made;
        if (r == Z_STREAM_END) {
            ended_ = true;
        } else if (r < 0 && !(r == Z_BUF_ERROR && made == 0 && z.avail_in == 0)) {
            throw EZDecompressionError(ZLibErrorText(r), r);
        } else if (r == Z_NEED_DICT) {
            // No dictionary is ever supplied: the data cannot be inflated.
            throw EZDecompressionError(ZLibErrorText(Z_DATA_ERROR), Z_DATA_ERROR);
        }
    }
    if (ended_ && z.avail_in > 0) {
        // Hand the bytes behind the compressed data back to the source.
        sourcePos_ = source_.Seek(-int64_t(z.avail_in), TSeekOrigin::soCurrent);
        z.avail_in = 0;
    }
    int64_t done = count - left;
    produced_ += done;
    return done;
}

int64_t TZDecompressionStream::Write(const void*, int64_t) { throw EZDecompressionError(invalidOperation); }

void TZDecompressionStream::Discard(int64_t count)
{
    unsigned char buf[8192];
    while (count > 0) {
        int64_t n = Read(buf, count < int64_t(sizeof buf) ? count : int64_t(sizeof buf));
        if (n <= 0) break;
        count -= n;
    }
}

int64_t TZDecompressionStream::Seek(int64_t offset, TSeekOrigin origin)
{
    if (origin == TSeekOrigin::soBeginning && offset == 0) {
        // Restart at the first byte of this stream's data (which need not be
        // the first byte of the source).
        inflateReset(&z_->z);
        z_->z.next_in = z_->input;
        z_->z.avail_in = 0;
        sourcePos_ = startPos_;
        source_.SetPosition(startPos_);
        produced_ = 0;
        ended_ = false;
        return 0;
    }
    if (origin == TSeekOrigin::soCurrent && offset >= 0) {
        Discard(offset);
    } else if (origin == TSeekOrigin::soBeginning && offset >= produced_) {
        Discard(offset - produced_);
    } else if (origin == TSeekOrigin::soEnd && offset == 0) {
        unsigned char buf[8192];
        while (Read(buf, sizeof buf) > 0) {
        }
    } else {
        throw EZDecompressionError(invalidOperation);
    }
    return produced_;
}
