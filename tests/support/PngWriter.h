// A small PNG writer for tests, fuzz seeds and benchmarks: every colour type
// and depth, Adam7, all five filters, any extra chunks. No <windows.h>.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PngSpec {
    int width = 0, height = 0;
    int bitDepth = 8;
    int colorType = 6;
    bool interlaced = false;
    // The image's unfiltered rows, packed as in the format (samples big-endian,
    // sub-byte pixels from the most significant bits), no filter bytes.
    std::vector<uint8_t> rows;
    // Filter type of each row: -1 cycles through 0..4.
    int filter = -1;
    // Raw chunks written after IHDR and before the image data ("PLTE", "tRNS", ...).
    std::vector<std::pair<std::string, std::string>> before;
    std::vector<std::pair<std::string, std::string>> after;   // after the image data, before IEND
    int idatSplit = 0;   // > 0: image data cut into chunks of this many bytes
};

int PngChannels(int colorType);
size_t PngRowBytes(int width, int bitDepth, int colorType);
// One chunk: length, type, data, CRC.
std::string PngChunk(const std::string& type, const std::string& data);
std::string PngSignature();
std::string PngHeaderData(int width, int height, int bitDepth, int colorType, bool interlaced);
std::string WritePng(const PngSpec& spec);
// A pseudo-random but fixed pattern of rows for the given format.
std::vector<uint8_t> PatternRows(int width, int height, int bitDepth, int colorType, uint32_t seed = 1);
