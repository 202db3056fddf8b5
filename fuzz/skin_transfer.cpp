// Fuzz harness for the skin editor's hand-over record (bytes any process can
// send with WM_COPYDATA). Checks: nothing is read outside the input, a record
// is taken only when it is whole and signed, and each string fits its field.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "skin/model/SkinTransfer.h"
#include "skin/graphics/Constants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so any read past it is seen.
    std::vector<uint8_t> bytes(data, data + size);
    SkinTransferData out;
    bool taken = ReadSkinTransferRecord(bytes.empty() ? nullptr : bytes.data(), bytes.size(), out);
    if (taken && (size < SkinTransferRecordSize || std::memcmp(bytes.data(), "\x00\xA4\x00\x00", 4) != 0))
        std::abort();
    if (taken && (out.Name.size() > kTransferNameSize || out.Directory.size() > kTransferDirSize ||
                  out.Options.size() > kTransferOptionsSize))
        std::abort();
    if (taken && (out.Name.find('\0') != std::string::npos || out.Options.find('\0') != std::string::npos))
        std::abort();
    // Small inputs are also tried as the start of a record (padded with zeros, signed).
    if (size < SkinTransferRecordSize) {
        std::vector<uint8_t> padded(SkinTransferRecordSize, 0);
        std::memcpy(padded.data() + 4, data, std::min(size, padded.size() - 4));
        padded[1] = 0xA4;
        if (!ReadSkinTransferRecord(padded.data(), padded.size(), out))
            std::abort();
        SkinTransferData again;
        std::string rec = WriteSkinTransferRecord(out);
        if (!ReadSkinTransferRecord(rec.data(), rec.size(), again) || again.Name != out.Name ||
            again.Directory != out.Directory || again.Options != out.Options)
            std::abort();   // what is read back is what was written
    }
    return 0;
}
