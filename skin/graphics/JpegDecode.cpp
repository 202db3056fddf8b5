#include "skin/graphics/JpegDecode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "classlib/SysUtils.h"

namespace {
struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
};

struct Progress {
    jpeg_progress_mgr pub;
};

// Damaged data: remember the message and leave the decoder.
void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt but decodable data) are not shown anywhere.
void OutputMessage(j_common_ptr) {}

// A progressive file of endless scans would take forever: stop at a sane number.
void ProgressMonitor(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > 500) {
            auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
            std::snprintf(err->message, sizeof err->message, "Too many scans in the JPEG data");
            std::longjmp(err->jump, 1);
        }
    }
}

// All work between setjmp and a possible longjmp; no object with a destructor lives here.
bool DecodeInto(jpeg_decompress_struct& cinfo, ErrorManager& err, const uint8_t* data, size_t size,
                const JpegAllocator& allocate, int64_t maxPixels)
{
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(&cinfo);
    Progress progress{};
    progress.pub.progress_monitor = ProgressMonitor;
    cinfo.progress = &progress.pub;
    cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_calc_output_dimensions(&cinfo);
    if (!ImageSizeFits(cinfo.output_width, cinfo.output_height, maxPixels)) {
        std::snprintf(err.message, sizeof err.message, "JPEG picture too large (%ux%u)", cinfo.output_width,
                      cinfo.output_height);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const int width = int(cinfo.output_width), height = int(cinfo.output_height);
    ptrdiff_t stride = 0;
    uint8_t* bits = allocate(width, height, stride);
    if (!bits) {
        std::snprintf(err.message, sizeof err.message, "no memory for the picture (%dx%d)", width, height);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = bits + stride * ptrdiff_t(cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (cmyk) {
        // Adobe writes CMYK inverted: each byte already is 255 - ink.
        for (int y = 0; y < height; ++y)
            for (uint8_t* p = bits + stride * y; p < bits + stride * y + ptrdiff_t(width) * 4; p += 4) {
                unsigned c = p[0], m = p[1], ye = p[2], k = p[3];
                p[0] = uint8_t(ye * k / 255);
                p[1] = uint8_t(m * k / 255);
                p[2] = uint8_t(c * k / 255);
                p[3] = 255;
            }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}
}  // namespace

void DecodeJpeg(const uint8_t* data, size_t size, const JpegAllocator& allocate, int64_t maxPixels)
{
    if (!data || size == 0) throw EInvalidGraphic(L"JPEG data are empty");
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    ErrorManager err;
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    bool ok = DecodeInto(cinfo, err, data, size, allocate, maxPixels);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        std::string message(err.message);
        throw EInvalidGraphic(L"Invalid JPEG data: " + String(message.begin(), message.end()));
    }
}

void DecodeJpeg(const uint8_t* data, size_t size, JpegPixels& out, int64_t maxPixels)
{
    out.Width = out.Height = 0;
    out.Bgra.clear();
    JpegAllocator toVector = [&out](int width, int height, ptrdiff_t& stride) -> uint8_t* {
        stride = ptrdiff_t(width) * 4;
        try {
            out.Bgra.assign(size_t(stride) * size_t(height), 0);
        } catch (...) {
            return nullptr;
        }
        out.Width = width;
        out.Height = height;
        return out.Bgra.data();
    };
    try {
        DecodeJpeg(data, size, toVector, maxPixels);
    } catch (...) {
        out.Width = out.Height = 0;
        out.Bgra.clear();
        throw;
    }
}
