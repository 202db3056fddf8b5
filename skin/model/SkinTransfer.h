// The record an external skin editor hands over with WM_COPYDATA (WParam 7):
// signature, skin name, skin folder and options text, single-byte strings in
// fixed fields. Any process can send it, so it is read only when the bytes
// hold a whole record, and each string stops at its field's end. Free of
// <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct SkinTransferData {
    std::string Name;        // at most 128 bytes
    std::string Directory;   // at most 513 bytes
    std::string Options;     // at most 30,001 bytes (INI lines, CR LF)
};

// Field offsets and sizes of the record (30,646 bytes, little-endian).
constexpr size_t kTransferNameOffset = 4, kTransferNameSize = 128;
constexpr size_t kTransferDirOffset = 132, kTransferDirSize = 513;
constexpr size_t kTransferOptionsOffset = 645, kTransferOptionsSize = 30001;
constexpr int32_t kTransferSignature = 0xA400;

// False (out untouched) when data is null, shorter than the record or has
// another signature. Each string ends at its first NUL or at its field's end.
bool ReadSkinTransferRecord(const void* data, size_t size, SkinTransferData& out);
// A record as an editor sends it (strings cut to their fields).
std::string WriteSkinTransferRecord(const SkinTransferData& data, int32_t signature = kTransferSignature);
