// A read-only stream that inflates zlib data read from another stream, entry
// by entry: after the end of one compressed stream the source is left on the
// first byte behind it, so the next record can be read from there.
#pragma once
#include <memory>

#include "classlib/Classes.h"

// The text of a zlib result code: 2 "need dictionary" ... -6 "incompatible version".
String ZLibErrorText(int code);

class TCustomZStream : public TStream {
    DECLARE_CLASS(TCustomZStream, TStream)
public:
    ~TCustomZStream() override;
    TNotifyEvent OnProgress;   // after every refill of the input buffer

protected:
    explicit TCustomZStream(TStream& source);
    void Progress() { if (OnProgress) OnProgress(this); }

    static constexpr int InputBufferSize = 65536;
    TStream& source_;
    int64_t sourcePos_;                 // where the next compressed byte is read
    struct ZState;
    std::unique_ptr<ZState> z_;         // zlib's inflate state and the input buffer
};

class TZDecompressionStream : public TCustomZStream {
    DECLARE_CLASS(TZDecompressionStream, TCustomZStream)
public:
    // Starts at the source's current position; EZDecompressionError when zlib cannot start.
    explicit TZDecompressionStream(TStream& source);
    ~TZDecompressionStream() override;

    // Inflates up to count bytes; fewer when the compressed data end or the source runs out.
    // Damaged data raise EZDecompressionError with zlib's text and code.
    int64_t Read(void* buffer, int64_t count) override;
    // Always raises EZDecompressionError "Invalid ZStream operation!".
    int64_t Write(const void* buffer, int64_t count) override;
    // Offset 0 from the beginning restarts at the data's first byte; forward
    // moves read and discard; offset 0 from the end reads to the end. Any other
    // move raises "Invalid ZStream operation!". Returns the bytes produced so far.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

private:
    int64_t startPos_;    // the source position of the compressed data's first byte
    int64_t produced_ = 0;
    bool ended_ = false;
    void Discard(int64_t count);
};
