#include "skin/model/SkinTransfer.h"

#include <algorithm>
#include <cstring>

#include "skin/graphics/Constants.h"

static_assert(kTransferOptionsOffset + kTransferOptionsSize == SkinTransferRecordSize);

namespace {

std::string Field(const char* at, size_t size)
{
    const void* nul = std::memchr(at, 0, size);
    return std::string(at, nul ? size_t(static_cast<const char*>(nul) - at) : size);
}

void Put(std::string& rec, size_t offset, size_t size, const std::string& s)
{
    std::memcpy(rec.data() + offset, s.data(), std::min(size, s.size()));
}

}  // namespace

bool ReadSkinTransferRecord(const void* data, size_t size, SkinTransferData& out)
{
    if (!data || size < SkinTransferRecordSize)
        return false;
    const char* rec = static_cast<const char*>(data);
    uint32_t raw = uint32_t(uint8_t(rec[0])) | uint32_t(uint8_t(rec[1])) << 8 | uint32_t(uint8_t(rec[2])) << 16 |
                   uint32_t(uint8_t(rec[3])) << 24;
    if (int32_t(raw) != kTransferSignature)
        return false;
    out.Name = Field(rec + kTransferNameOffset, kTransferNameSize);
    out.Directory = Field(rec + kTransferDirOffset, kTransferDirSize);
    out.Options = Field(rec + kTransferOptionsOffset, kTransferOptionsSize);
    return true;
}

std::string WriteSkinTransferRecord(const SkinTransferData& data, int32_t signature)
{
    std::string rec(SkinTransferRecordSize, '\0');
    uint32_t s = uint32_t(signature);
    for (int i = 0; i < 4; ++i)
        rec[size_t(i)] = char((s >> (8 * i)) & 0xFF);
    Put(rec, kTransferNameOffset, kTransferNameSize, data.Name);
    Put(rec, kTransferDirOffset, kTransferDirSize, data.Directory);
    Put(rec, kTransferOptionsOffset, kTransferOptionsSize, data.Options);
    return rec;
}
