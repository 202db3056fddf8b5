// libFuzzer harness: the inflating stream over arbitrary bytes. The input is
// read as entries back to back, with forward seeks, a restart and a seek to the
// end mixed in; zlib errors are expected, anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/graphics/ZlibStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream source(std::string(reinterpret_cast<const char*>(data), size));
    char buf[4096];
    for (int entry = 0; entry < 4; ++entry) {
        int64_t start = source.Position();
        try {
            TZDecompressionStream z(source);
            int64_t total = 0;
            for (int i = 0; i < 64; ++i) {
                int64_t n = z.Read(buf, 1 + (i * 997) % int64_t(sizeof buf));
                if (n <= 0) break;
                total += n;
                if (total > (int64_t(16) << 20)) break;   // bounded work per input
            }
            if (size % 3 == 0) {
                z.Seek(0, TSeekOrigin::soBeginning);
                z.Seek(int64_t(size % 512), TSeekOrigin::soCurrent);
            }
            if (size % 5 == 0 && size < 4096) z.Seek(0, TSeekOrigin::soEnd);
        } catch (const EZDecompressionError&) {
            return 0;
        } catch (const EReadError&) {
            return 0;
        }
        if (source.Position() <= start) break;
    }
    return 0;
}
