#include "imageoutput/tiffencoder.h"

#include "imageoutput/deflate.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <new>
#include <vector>

#include <sys/stat.h>
#include <tiffio.h>
#include <zlib.h>

namespace imagewriter {

// libtiff's file operations on the open file; offsets count from where the
// image begins. It lives as long as the encoder, so libtiff's cleanup of an
// unfinished file, which flushes through it, finds it there.
struct TiffHandle {
    std::FILE* file;
    off_t start;
    bool abandoned = false;   // the file is given up: nothing more is written
    std::string error;        // why the first write that failed failed
};

} // namespace imagewriter

namespace {

// A strip of about this many bytes: large enough to compress well, small
// enough that a band holds several for the processors to share.
constexpr std::size_t stripBytes = std::size_t(1) << 18;

// Files whose pixels pass this need 64-bit offsets.
constexpr unsigned long long classicLimit = 1ULL << 31;


tmsize_t readProc(thandle_t h, void* data, tmsize_t size)
{
    auto* handle = static_cast<imagewriter::TiffHandle*>(h);
    return static_cast<tmsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), handle->file));
}

tmsize_t writeProc(thandle_t h, void* data, tmsize_t size)
{
    auto* handle = static_cast<imagewriter::TiffHandle*>(h);
    if (handle->abandoned) return -1;
    const std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(size), handle->file);
    if (written == static_cast<std::size_t>(size)) return size;
    if (handle->error.empty()) handle->error = std::strerror(errno ? errno : EIO);
    return -1;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    auto* handle = static_cast<imagewriter::TiffHandle*>(h);
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
    auto* handle = static_cast<imagewriter::TiffHandle*>(h);
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

// A strip's bytes compressed on their own: a whole strip as a zlib stream,
// or a piece of a row in parts as raw deflate ending in a sync flush.
struct TiffEncoder::Strip {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool piece = false;
    std::vector<std::uint8_t> out;
    std::uint32_t adler = 1;   // of a piece's bytes
    bool failed = false;
};

TiffEncoder::TiffEncoder(std::FILE* f, int w, int h, int d, rowloop::Threads t, int c)
    : file(f), width(w), height(h), depth(d), threads(t), channels(c)
{
    const std::size_t row = rowBytes();
    rowsPerStrip = static_cast<int>(std::min<std::size_t>(std::max<std::size_t>(1, stripBytes / std::max<std::size_t>(row, 1)),
                                                          static_cast<std::size_t>(std::max(height, 1))));
}

TiffEncoder::~TiffEncoder()
{
    if (!tiff) return;
    // An unfinished file (a failed write, a cancel): nothing more is written.
    handle->abandoned = true;
    TIFFCleanup(tiff);
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
    // A failed write says what the system said, as the other formats do.
    if (handle && !handle->error.empty()) return handle->error;
    if (!error.empty()) return error;
    return std::string(what) + ": " + std::strerror(errno ? errno : EIO);
}

std::string TiffEncoder::begin()
{
    if (width <= 0 || height <= 0) return "the image is empty";
    if (depth != 8 && depth != 16 && depth != 32) return "the depth must be 8, 16 or 32";
    if (channels != 1 && channels != 3 && channels != 4) return "a TIFF has 1, 3 or 4 samples a pixel";
    const bool big = static_cast<unsigned long long>(rowBytes()) * static_cast<unsigned long long>(height) > classicLimit;
    handle.reset(new TiffHandle{file, ftello(file), false, {}});
    TIFFOpenOptions* openOptions = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(openOptions, onError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(openOptions, [](TIFF*, void*, const char*, const char*, va_list) { return 1; },
                                         nullptr);
    tiff = TIFFClientOpenExt("image", big ? "w8" : "w", handle.get(), readProc, writeProc, seekProc, closeProc, sizeProc,
                             mapProc, unmapProc, openOptions);
    TIFFOpenOptionsFree(openOptions);
    if (!tiff) return failure("cannot begin the TIFF");
    const bool ok =
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) &&
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height)) &&
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels) && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, depth) &&
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, depth == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT) &&
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB) &&
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(rowsPerStrip));
    const std::uint16_t alpha[1] = {EXTRASAMPLE_UNASSALPHA};
    if (ok && channels == 4 && !TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, alpha))
        return failure("cannot set the TIFF's fields");
    return ok ? std::string() : failure("cannot set the TIFF's fields");
}

void TiffEncoder::compressStrip(void* context, int index)
{
    Strip& strip = static_cast<std::vector<Strip>*>(context)->at(static_cast<std::size_t>(index));
    // Runs on the pool's threads, where nothing may escape.
    try {
        // TIFF's deflate strips are zlib streams.
        fastdeflate::Deflater deflater(!strip.piece);
        strip.failed = !deflater.add(strip.data, strip.size, strip.piece ? fastdeflate::Flush::sync : fastdeflate::Flush::finish);
        strip.out = deflater.take();
        if (strip.piece) strip.adler = static_cast<std::uint32_t>(adler32_z(1, strip.data, strip.size));
    } catch (const std::bad_alloc&) {
        strip.failed = true;
    }
}

std::string TiffEncoder::compress(std::vector<Strip>& strips)
{
    rowloop::share(static_cast<int>(strips.size()), compressStrip, &strips, threads);
    for (const Strip& strip : strips)
        if (strip.failed) return "out of memory";
    return {};
}

std::string TiffEncoder::appendToStrip(const std::uint8_t* data, std::size_t size)
{
    if (TIFFWriteRawStrip(tiff, static_cast<std::uint32_t>(rowsWritten), const_cast<std::uint8_t*>(data),
                          static_cast<tmsize_t>(size)) < 0)
        return failure("cannot write a strip");
    return {};
}

std::string TiffEncoder::writeRows(const std::uint8_t* rows, int count)
{
    if (count <= 0) return {};
    if (!tiff) return "the image was not begun";
    if (count > height - rowsWritten) return "more rows than the image has";
    if (rowsWritten % rowsPerStrip != 0) return "rows must come in whole strips";
    if (inParts) return "rows must come in parts throughout";
    const std::size_t row = rowBytes();
    std::vector<Strip> strips(static_cast<std::size_t>((count + rowsPerStrip - 1) / rowsPerStrip));
    for (std::size_t k = 0; k < strips.size(); ++k) {
        const int first = static_cast<int>(k) * rowsPerStrip;
        strips[k].data = rows + static_cast<std::size_t>(first) * row;
        strips[k].size = static_cast<std::size_t>(std::min(rowsPerStrip, count - first)) * row;
    }
    std::string error = compress(strips);
    if (!error.empty()) return error;
    const std::uint32_t firstStrip = static_cast<std::uint32_t>(rowsWritten / rowsPerStrip);
    for (std::size_t k = 0; k < strips.size(); ++k) {
        Strip& strip = strips[k];
        if (TIFFWriteRawStrip(tiff, firstStrip + static_cast<std::uint32_t>(k), strip.out.data(),
                              static_cast<tmsize_t>(strip.out.size())) < 0)
            return failure("cannot write a strip");
        std::vector<std::uint8_t>().swap(strip.out);
    }
    rowsWritten += count;
    return {};
}

std::string TiffEncoder::writeColumns(const std::uint8_t* pixels, int count)
{
    if (count <= 0) return {};
    if (!tiff) return "the image was not begun";
    if (rowsWritten >= height || count > width - columnsWritten) return "more pixels than the row has";
    if (rowsWritten > 0 && !inParts) return "rows must come whole throughout";
    if (rowsPerStrip != 1) return "only rows of a strip each come in parts";
    inParts = true;
    // The row's strip is one zlib stream of pieces compressed apart, each
    // appended to the strip as it comes.
    const std::size_t pixel = static_cast<std::size_t>(channels) * (depth / 8);
    const std::size_t bytes = static_cast<std::size_t>(count) * pixel;
    std::vector<Strip> pieces((bytes + stripBytes - 1) / stripBytes);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        pieces[k].data = pixels + k * stripBytes;
        pieces[k].size = std::min(stripBytes, bytes - k * stripBytes);
        pieces[k].piece = true;
    }
    std::string error = compress(pieces);
    if (error.empty() && columnsWritten == 0) {
        rowAdler = 1;
        error = appendToStrip(fastdeflate::zlibHeader.data(), fastdeflate::zlibHeader.size());
    }
    for (std::size_t k = 0; k < pieces.size() && error.empty(); ++k) {
        rowAdler = static_cast<std::uint32_t>(adler32_combine(rowAdler, pieces[k].adler, static_cast<z_off_t>(pieces[k].size)));
        error = appendToStrip(pieces[k].out.data(), pieces[k].out.size());
        std::vector<std::uint8_t>().swap(pieces[k].out);
    }
    if (!error.empty()) return error;
    columnsWritten += count;
    if (columnsWritten < width) return {};
    const std::array<std::uint8_t, 6> end = fastdeflate::streamEnd(rowAdler);
    if (!(error = appendToStrip(end.data(), end.size())).empty()) return error;
    columnsWritten = 0;
    ++rowsWritten;
    return {};
}

std::string TiffEncoder::finish()
{
    if (rowsWritten != height) return "the image is missing rows";
    // The directory goes after the strips.
    const bool written = TIFFWriteDirectory(tiff) != 0;
    TIFFCleanup(tiff);
    tiff = nullptr;
    return written ? std::string() : failure("cannot write the TIFF's directory");
}

} // namespace imagewriter
