// The icon file format (.ico) read without the platform: the directory, the
// choice of an image for a wanted size, and a check that the chosen image's
// bytes can hold what its header claims (a device-independent bitmap with its
// colour and mask rows, or an embedded PNG). The icon graphic hands only
// checked bytes to the platform. No <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct IconDirEntry {
    int width = 0, height = 0;   // from the directory (0 there means 256)
    int bitCount = 0;            // from the directory; may be 0
    uint32_t offset = 0, size = 0;
};

struct IconImageInfo {
    bool png = false;            // an embedded PNG rather than a bitmap
    int width = 0, height = 0;   // of the image itself (bitmap: half the header's height)
    int bitCount = 0;
};

// Reads the directory of an icon file (type 1). Every entry must lie inside the
// data. Answers false with a reason for anything else.
bool ParseIconDirectory(const uint8_t* data, size_t size, std::vector<IconDirEntry>& entries, std::string* error);
// Checks the image bytes of one entry and describes them.
bool CheckIconImage(const uint8_t* image, size_t size, IconImageInfo& info, std::string* error);
// The entry to use for a wanted size: an exact size with the most colours,
// else the smallest larger one, else the largest; -1 without entries.
int ChooseIconEntry(const std::vector<IconDirEntry>& entries, int wantWidth, int wantHeight);
