#pragma once
// Layer values as a TIFF image that streams in a band of rows at a time: one
// sample a pixel, 32-bit IEEE floats or 16- or 8-bit unsigned integers,
// deflated strip by strip. The strips of a band are compressed on the worker
// pool, all processors at once, at the render's priority, as the PNG
// writer's pieces are, and handed to libtiff raw; libtiff lays out the file
// and its directory. Past 2 GiB of pixels the file is a BigTIFF, whose
// offsets have 64 bits.
#include "layers/rowloop.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

typedef struct tiff TIFF;

namespace imagewriter {

class TiffEncoder {
public:
    // depth: 32 (floats), 16 or 8. Samples come in the machine's byte
    // order, which the file then declares. threads: those the render's rows
    // are evaluated on, which the compression shares.
    TiffEncoder(std::FILE* file, int width, int height, int depth, rowloop::Threads threads = rowloop::Threads::pool);
    ~TiffEncoder();
    TiffEncoder(const TiffEncoder&) = delete;
    TiffEncoder& operator=(const TiffEncoder&) = delete;

    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * (depth / 8); }
    // Rows of a strip: every writeRows but the last takes a multiple of it.
    int stripRows() const { return rowsPerStrip; }

    // Each returns an empty string on success, else the reason.
    std::string begin();
    std::string writeRows(const std::uint8_t* rows, int count);
    std::string finish();

private:
    struct Strip;
    static void compressStrip(void* strips, int index);
    static int onError(TIFF*, void* self, const char* module, const char* format, va_list arguments);
    std::string failure(const char* what);

    std::FILE* file;
    int width, height, depth;
    rowloop::Threads threads;
    int rowsPerStrip;
    int rowsWritten = 0;
    TIFF* tiff = nullptr;
    long start = 0;
    std::string error;   // the last error libtiff reported
};

} // namespace imagewriter
