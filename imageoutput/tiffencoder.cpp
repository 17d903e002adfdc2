#include "imageoutput/tiffencoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <new>
#include <vector>

#include <isa-l/igzip_lib.h>
#include <sys/stat.h>
#include <tiffio.h>

namespace {

// A strip of about this many bytes: large enough to compress well, small
// enough that a band holds several for the processors to share.
constexpr std::size_t stripBytes = std::size_t(1) << 18;

// Files whose pixels pass this need 64-bit offsets.
constexpr unsigned long long classicLimit = 1ULL << 31;

// ISA-L's level 1, as for PNG: fast, and a little larger than zlib's default.
constexpr int compressionLevel = 1;

// libtiff's file operations on the open file; offsets count from where the
// image begins.
struct Handle {
    std::FILE* file;
    off_t start;
};

tmsize_t readProc(thandle_t h, void* data, tmsize_t size)
{
    auto* handle = static_cast<Handle*>(h);
    return static_cast<tmsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), handle->file));
}

tmsize_t writeProc(thandle_t h, void* data, tmsize_t size)
{
    auto* handle = static_cast<Handle*>(h);
    const std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(size), handle->file);
    return written == static_cast<std::size_t>(size) ? size : -1;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    auto* handle = static_cast<Handle*>(h);
    const off_t base = whence == SEEK_SET ? handle->start : 0;
    if (fseeko(handle->file, static_cast<off_t>(offset) + base, whence) != 0) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(ftello(handle->file) - handle->start);
}

int closeProc(thandle_t)
{
    return 0;   // the file belongs to the caller
}

toff_t sizeProc(thandle_t h)
{
    auto* handle = static_cast<Handle*>(h);
    std::fflush(handle->file);
    struct stat st;
    if (fstat(fileno(handle->file), &st) != 0) return 0;
    return static_cast<toff_t>(st.st_size - handle->start);
}

int mapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapProc(thandle_t, void*, toff_t) {}

} // namespace

namespace imagewriter {

struct TiffEncoder::Strip {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::vector<std::uint8_t> out;   // a zlib stream
    bool failed = false;
};

TiffEncoder::TiffEncoder(std::FILE* f, int w, int h, int d, rowloop::Threads t)
    : file(f), width(w), height(h), depth(d), threads(t)
{
    const std::size_t row = rowBytes();
    rowsPerStrip = static_cast<int>(std::min<std::size_t>(std::max<std::size_t>(1, stripBytes / std::max<std::size_t>(row, 1)),
                                                          static_cast<std::size_t>(std::max(height, 1))));
}

TiffEncoder::~TiffEncoder()
{
    if (tiff) {
        delete static_cast<Handle*>(TIFFClientdata(tiff));
        TIFFCleanup(tiff);   // an unfinished file: nothing more is written
    }
}

int TiffEncoder::onError(TIFF*, void* self, const char* module, const char* format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    auto* encoder = static_cast<TiffEncoder*>(self);
    encoder->error = std::string(module ? module : "TIFF") + ": " + text;
    return 1;   // handled: nothing is printed
}

std::string TiffEncoder::failure(const char* what)
{
    if (!error.empty()) return error;
    return std::string(what) + ": " + std::strerror(errno ? errno : EIO);
}

std::string TiffEncoder::begin()
{
    if (width <= 0 || height <= 0) return "the image is empty";
    if (depth != 8 && depth != 16 && depth != 32) return "the depth must be 8, 16 or 32";
    const bool big = static_cast<unsigned long long>(rowBytes()) * static_cast<unsigned long long>(height) > classicLimit;
    auto* handle = new Handle{file, ftello(file)};
    TIFFOpenOptions* openOptions = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(openOptions, onError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(openOptions, [](TIFF*, void*, const char*, const char*, va_list) { return 1; },
                                         nullptr);
    tiff = TIFFClientOpenExt("image", big ? "w8" : "w", handle, readProc, writeProc, seekProc, closeProc, sizeProc,
                             mapProc, unmapProc, openOptions);
    TIFFOpenOptionsFree(openOptions);
    if (!tiff) {
        delete handle;
        return failure("cannot begin the TIFF");
    }
    const bool ok =
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) &&
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height)) &&
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, depth) &&
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, depth == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT) &&
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(rowsPerStrip));
    return ok ? std::string() : failure("cannot set the TIFF's fields");
}

void TiffEncoder::compressStrip(void* context, int index)
{
    Strip& strip = static_cast<std::vector<Strip>*>(context)->at(static_cast<std::size_t>(index));
    // Runs on the pool's threads, where nothing may escape.
    try {
        isal_zstream stream;
        isal_deflate_init(&stream);
        std::vector<std::uint8_t> levelBuffer(ISAL_DEF_LVL1_DEFAULT);
        stream.level = compressionLevel;
        stream.level_buf = levelBuffer.data();
        stream.level_buf_size = static_cast<std::uint32_t>(levelBuffer.size());
        stream.gzip_flag = IGZIP_ZLIB;   // TIFF's deflate strips are zlib streams
        stream.end_of_stream = 1;
        stream.flush = NO_FLUSH;
        // Stored blocks bound what deflate can make of incompressible bytes.
        strip.out.resize(strip.size + strip.size / 16 + 1024);
        stream.next_in = const_cast<std::uint8_t*>(strip.data);
        stream.avail_in = static_cast<std::uint32_t>(strip.size);
        stream.next_out = strip.out.data();
        stream.avail_out = static_cast<std::uint32_t>(strip.out.size());
        while (stream.internal_state.state != ZSTATE_END) {
            if (isal_deflate(&stream) != COMP_OK) {
                strip.failed = true;
                return;
            }
            if (stream.avail_out == 0 && stream.internal_state.state != ZSTATE_END) {
                const std::size_t used = strip.out.size();
                strip.out.resize(used + used / 2 + 1024);
                stream.next_out = strip.out.data() + used;
                stream.avail_out = static_cast<std::uint32_t>(strip.out.size() - used);
            }
        }
        strip.out.resize(stream.total_out);
    } catch (const std::bad_alloc&) {
        strip.failed = true;
    }
}

std::string TiffEncoder::writeRows(const std::uint8_t* rows, int count)
{
    if (count <= 0) return {};
    if (!tiff) return "the image was not begun";
    if (count > height - rowsWritten) return "more rows than the image has";
    if (rowsWritten % rowsPerStrip != 0) return "rows must come in whole strips";
    const std::size_t row = rowBytes();
    // The deflater counts a strip's bytes in 32 bits; a strip is one row
    // at least.
    if (row > (std::size_t(1) << 30)) return "the rows are too wide for a TIFF strip";
    std::vector<Strip> strips(static_cast<std::size_t>((count + rowsPerStrip - 1) / rowsPerStrip));
    for (std::size_t k = 0; k < strips.size(); ++k) {
        const int first = static_cast<int>(k) * rowsPerStrip;
        strips[k].data = rows + static_cast<std::size_t>(first) * row;
        strips[k].size = static_cast<std::size_t>(std::min(rowsPerStrip, count - first)) * row;
    }
    rowloop::share(static_cast<int>(strips.size()), compressStrip, &strips, threads);
    const std::uint32_t firstStrip = static_cast<std::uint32_t>(rowsWritten / rowsPerStrip);
    for (std::size_t k = 0; k < strips.size(); ++k) {
        Strip& strip = strips[k];
        if (strip.failed) return "out of memory";
        if (TIFFWriteRawStrip(tiff, firstStrip + static_cast<std::uint32_t>(k), strip.out.data(),
                              static_cast<tmsize_t>(strip.out.size())) < 0)
            return failure("cannot write a strip");
        std::vector<std::uint8_t>().swap(strip.out);
    }
    rowsWritten += count;
    return {};
}

std::string TiffEncoder::finish()
{
    if (rowsWritten != height) return "the image is missing rows";
    // The directory goes after the strips.
    const bool written = TIFFWriteDirectory(tiff) != 0;
    auto* handle = static_cast<Handle*>(TIFFClientdata(tiff));
    TIFFCleanup(tiff);
    tiff = nullptr;
    delete handle;
    return written ? std::string() : failure("cannot write the TIFF's directory");
}

} // namespace imagewriter
