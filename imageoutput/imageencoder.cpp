#include "imageoutput/imageencoder.h"

#include "imageoutput/deflate.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

namespace {

// A piece is a run of rows (or of a row's bytes) compressed on its own.
// Smaller pieces share the work out more evenly; larger ones compress a
// little better (each starts with an empty dictionary).
constexpr std::size_t pieceBytes = std::size_t(1) << 19;

constexpr std::size_t maxChunkData = std::size_t(1) << 30;   // PNG allows up to 2^31 - 1

void putBig32(std::uint8_t* out, std::uint32_t v)
{
    out[0] = static_cast<std::uint8_t>(v >> 24);
    out[1] = static_cast<std::uint8_t>(v >> 16);
    out[2] = static_cast<std::uint8_t>(v >> 8);
    out[3] = static_cast<std::uint8_t>(v);
}

// Each filter writes its type byte and the filtered row into out and returns
// the row's cost: the sum of the filtered bytes taken as signed numbers, the
// smaller the better the row tends to compress. The loops are kept free of
// branches, so that the compiler can run them on vector lanes, and the sums
// narrow: rows of over 2^25 bytes wrap them, which at worst picks a filter
// that compresses less.
inline unsigned magnitude(std::uint8_t filtered)
{
    return static_cast<unsigned>(std::abs(static_cast<int>(static_cast<std::int8_t>(filtered))));
}

// before: the step bytes before the row's first (a row in parts), or null
// for none (zeros, as at a row's start).
std::uint32_t filterSub(const std::uint8_t* __restrict row, std::size_t n, std::size_t step,
                        const std::uint8_t* __restrict before, std::uint8_t* __restrict out)
{
    out[0] = 1;
    std::uint32_t cost = 0;
    for (std::size_t i = 0; i < step && i < n; ++i)
        cost += magnitude(out[1 + i] = static_cast<std::uint8_t>(row[i] - (before ? before[i] : 0)));
    for (std::size_t i = step; i < n; ++i) {
        const std::uint8_t d = static_cast<std::uint8_t>(row[i] - row[i - step]);
        out[1 + i] = d;
        cost += magnitude(d);
    }
    return cost;
}

std::uint32_t filterUp(const std::uint8_t* __restrict row, const std::uint8_t* __restrict above, std::size_t n,
                       std::uint8_t* __restrict out)
{
    out[0] = 2;
    std::uint32_t cost = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t d = static_cast<std::uint8_t>(row[i] - above[i]);
        out[1 + i] = d;
        cost += magnitude(d);
    }
    return cost;
}

std::uint32_t filterPaeth(const std::uint8_t* __restrict row, const std::uint8_t* __restrict above, std::size_t n,
                          std::size_t step, std::uint8_t* __restrict out)
{
    out[0] = 4;
    std::uint32_t cost = 0;
    for (std::size_t i = 0; i < step && i < n; ++i) cost += magnitude(out[1 + i] = static_cast<std::uint8_t>(row[i] - above[i]));
    for (std::size_t i = step; i < n; ++i) {
        // The neighbour nearest to left + above - upper left, in that order
        // when tied.
        // 16-bit lanes hold every difference of bytes.
        const std::int16_t a = row[i - step], b = above[i], c = above[i - step];
        const std::int16_t pa = static_cast<std::int16_t>(std::abs(b - c));
        const std::int16_t pb = static_cast<std::int16_t>(std::abs(a - c));
        const std::int16_t pc = static_cast<std::int16_t>(std::abs(a + b - 2 * c));
        const std::int16_t predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        const std::uint8_t d = static_cast<std::uint8_t>(row[i] - predictor);
        out[1 + i] = d;
        cost += magnitude(d);
    }
    return cost;
}

// Filters one row. A grey row takes, per row, the filter of least cost
// among Sub, Up and Paeth (Paeth wins on smooth noise, Sub on runs, Up on
// edges). A colour row (RGB or RGBA: a normal map, a ramp, packed channels)
// takes Up alone: the three trials cost more than deflating the row, and on
// these smooth pictures Up compresses as well as the choice or better (the
// cost favours Paeth, which the fast deflate does not). above is the row above, or zeros for the first
// row of the image. trials holds three rows of n + 1 bytes; returns the one
// chosen.
const std::uint8_t* filterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t n, int bpp,
                              std::uint8_t* trials)
{
    const std::size_t step = static_cast<std::size_t>(bpp);
    std::uint8_t* sub = trials;
    std::uint8_t* up = trials + (n + 1);
    std::uint8_t* paethRow = trials + 2 * (n + 1);
    if (bpp >= 3) {
        filterUp(row, above, n, up);
        return up;
    }
    const std::uint32_t costs[3] = {filterSub(row, n, step, nullptr, sub), filterUp(row, above, n, up),
                                    filterPaeth(row, above, n, step, paethRow)};
    int best = 0;
    for (int k = 1; k < 3; ++k)
        if (costs[k] < costs[best]) best = k;
    return trials + static_cast<std::size_t>(best) * (n + 1);
}

} // namespace

namespace imagewriter {

// Rows compressed on their own, or the bytes of a part of one row.
struct ImageEncoder::Piece {
    const std::uint8_t* rows = nullptr;
    int count = 0;                         // rows; 0 for a part of a row
    std::size_t rowBytes = 0;              // of each row, or of the part
    int bytesPerPixel = 1;
    // Rows: the row above the first one (null: zeros, the image's top).
    // A part: the pixel before it (null: none, the part starts its row).
    const std::uint8_t* above = nullptr;
    std::vector<std::uint8_t> out;         // raw deflate data, ending on a byte boundary
    unsigned long adler = 1;
    std::size_t filteredBytes = 0;
    bool failed = false;
};

void ImageEncoder::compressPiece(void* context, int index)
{
    auto& piece = static_cast<std::vector<ImageEncoder::Piece>*>(context)->at(static_cast<std::size_t>(index));
    // Runs on the pool's threads, where nothing may escape.
    try {
        compress(piece);
    } catch (const std::bad_alloc&) {
        piece.failed = true;
    }
}

void ImageEncoder::compress(Piece& piece)
{
    const std::size_t n = piece.rowBytes;
    fastdeflate::Deflater deflater(false);
    piece.adler = 1;   // Adler-32 of nothing
    if (piece.count == 0) {
        // A part of a row is filtered by Sub, which needs no row above; the
        // row's first part carries its filter byte.
        std::vector<std::uint8_t> filtered(n + 1);
        filterSub(piece.rows, n, static_cast<std::size_t>(piece.bytesPerPixel), piece.above, filtered.data());
        const std::size_t skip = piece.above ? 1 : 0;
        piece.filteredBytes = n + 1 - skip;
        piece.adler = isal_adler32(1, filtered.data() + skip, static_cast<std::uint64_t>(piece.filteredBytes));
        piece.failed = !deflater.add(filtered.data() + skip, piece.filteredBytes, fastdeflate::Flush::sync);
        piece.out = deflater.take();
        return;
    }
    std::vector<std::uint8_t> trials(3 * (n + 1));
    piece.filteredBytes = (n + 1) * static_cast<std::size_t>(piece.count);
    std::vector<std::uint8_t> zeros;
    const std::uint8_t* above = piece.above;
    if (!above) {
        zeros.assign(n, 0);
        above = zeros.data();
    }
    for (int r = 0; r < piece.count && !piece.failed; ++r) {
        const std::uint8_t* row = piece.rows + static_cast<std::size_t>(r) * n;
        const std::uint8_t* filtered = filterRow(row, above, n, piece.bytesPerPixel, trials.data());
        above = row;
        piece.adler = isal_adler32(static_cast<std::uint32_t>(piece.adler), filtered, n + 1);
        const bool last = r + 1 == piece.count;
        piece.failed = !deflater.add(filtered, n + 1, last ? fastdeflate::Flush::sync : fastdeflate::Flush::none);
    }
    piece.out = deflater.take();
}

const OutputSuffix outputSuffixes[] = {
    {".png", Format::Png, "images"},
    {".pgm", Format::Pgm, "images"},
    {".exr", Format::Exr, "images"},
    {".tif", Format::Tiff, "images"},
    {".tiff", Format::Tiff, "images"},
    {".r16", Format::Raw, "heightmaps"},
    {".raw", Format::Raw, "heightmaps"},
    {".glsl", Format::Glsl, "shaders"},
    {".html", Format::Html, "pages"},
};
const int outputSuffixCount = static_cast<int>(sizeof outputSuffixes / sizeof outputSuffixes[0]);

bool formatForSuffix(const std::string& path, Format* format)
{
    for (const OutputSuffix& row : outputSuffixes) {
        const std::size_t n = std::strlen(row.suffix);
        if (path.size() <= n) continue;   // a name, not only a suffix
        bool same = true;
        for (std::size_t i = 0; i < n && same; ++i)
            same = std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) == row.suffix[i];
        if (same) {
            *format = row.format;
            return true;
        }
    }
    return false;
}

std::string outputSuffixList()
{
    // Each kind's suffixes, "A, B or C kind", the kinds joined as a list.
    std::string list;
    for (int i = 0; i < outputSuffixCount;) {
        int end = i;
        while (end < outputSuffixCount && std::strcmp(outputSuffixes[end].kind, outputSuffixes[i].kind) == 0) ++end;
        if (i > 0) list += end == outputSuffixCount ? " or " : ", ";
        for (int k = i; k < end; ++k) {
            if (k > i) list += k + 1 == end ? " or " : ", ";
            list += outputSuffixes[k].suffix;
        }
        list += std::string(" ") + outputSuffixes[i].kind;
        i = end;
    }
    return list;
}

Format formatFor(const std::string& path)
{
    Format format = Format::Png;
    formatForSuffix(path, &format);
    return format;
}

ImageEncoder::ImageEncoder(std::FILE* f, Format fmt, int w, int h, int d, int c, rowloop::Threads t)
    : file(f), format(fmt), width(w), height(h), depth(d), channels(c), threads(t)
{
}

ImageEncoder::~ImageEncoder() = default;

std::string ImageEncoder::writeBytes(const void* data, std::size_t size)
{
    if (size && std::fwrite(data, 1, size, file) != size) return std::strerror(errno ? errno : EIO);
    return {};
}

std::string ImageEncoder::writeChunk(const char type[4], const std::uint8_t* data, std::size_t size)
{
    std::string error;
    std::size_t offset = 0;
    do {
        const std::size_t part = std::min(size - offset, maxChunkData);
        std::uint8_t head[8];
        putBig32(head, static_cast<std::uint32_t>(part));
        std::memcpy(head + 4, type, 4);
        std::uint8_t tail[4];
        uLong crc = crc32(0, head + 4, 4);
        if (part) crc = crc32_z(crc, data + offset, part);   // a null buffer would restart the sum
        putBig32(tail, static_cast<std::uint32_t>(crc));
        if (!(error = writeBytes(head, 8)).empty() || !(error = writeBytes(data + offset, part)).empty() ||
            !(error = writeBytes(tail, 4)).empty())
            return error;
        offset += part;
    } while (offset < size);
    return {};
}

std::string ImageEncoder::begin()
{
    if (width <= 0 || height <= 0) return "the image is empty";
    if (depth != 8 && depth != 16) return "the depth must be 8 or 16";
    if (format != Format::Png && format != Format::Pgm) return "not a PNG or PGM image";
    if (channels != 1 && ((channels != 3 && channels != 4) || format != Format::Png))
        return "colour is written as PNG only";
    if (format == Format::Pgm) {
        char header[64];
        const int n = std::snprintf(header, sizeof header, "P5\n%d %d\n%d\n", width, height, depth == 8 ? 255 : 65535);
        return writeBytes(header, static_cast<std::size_t>(n));
    }
    static const std::uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::string error = writeBytes(signature, 8);
    if (!error.empty()) return error;
    std::uint8_t ihdr[13];
    putBig32(ihdr, static_cast<std::uint32_t>(width));
    putBig32(ihdr + 4, static_cast<std::uint32_t>(height));
    ihdr[8] = static_cast<std::uint8_t>(depth);
    ihdr[9] = channels == 4 ? 6 : channels == 3 ? 2 : 0;   // RGBA, RGB or greyscale
    ihdr[10] = 0;   // deflate
    ihdr[11] = 0;   // adaptive filtering
    ihdr[12] = 0;   // not interlaced
    error = writeChunk("IHDR", ihdr, sizeof ihdr);
    if (!error.empty()) return error;
    return writeChunk("IDAT", fastdeflate::zlibHeader.data(), fastdeflate::zlibHeader.size());
}

std::string ImageEncoder::writeRows(const std::uint8_t* rows, int count)
{
    if (count <= 0) return {};
    if (columnsWritten != 0) return "a row is partly written";
    if (count > height - rowsWritten) return "more rows than the image has";
    if (inParts) return "rows must come in parts throughout";
    std::string error;
    if (format == Format::Pgm) {
        error = writeBytes(rows, rowBytes() * static_cast<std::size_t>(count));
    } else {
        const std::size_t n = rowBytes();
        const int rowsPerPiece = static_cast<int>(std::max<std::size_t>(1, pieceBytes / (n + 1)));
        std::vector<Piece> pieces(static_cast<std::size_t>((count + rowsPerPiece - 1) / rowsPerPiece));
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            Piece& p = pieces[k];
            const int first = static_cast<int>(k) * rowsPerPiece;
            p.rows = rows + static_cast<std::size_t>(first) * n;
            p.above = first > 0 ? p.rows - n : (previousRow.empty() ? nullptr : previousRow.data());
            p.count = std::min(rowsPerPiece, count - first);
            p.rowBytes = n;
            p.bytesPerPixel = channels * depth / 8;
        }
        error = writePieces(pieces);
        if (error.empty())
            previousRow.assign(rows + static_cast<std::size_t>(count - 1) * n, rows + static_cast<std::size_t>(count) * n);
    }
    if (error.empty()) rowsWritten += count;
    return error;
}

std::string ImageEncoder::writeColumns(const std::uint8_t* pixels, int count)
{
    if (count <= 0) return {};
    if (rowsWritten >= height || count > width - columnsWritten) return "more pixels than the row has";
    if (rowsWritten > 0 && !inParts) return "rows must come whole throughout";
    inParts = true;
    const std::size_t pixel = static_cast<std::size_t>(channels) * (depth / 8);
    const std::size_t bytes = static_cast<std::size_t>(count) * pixel;
    std::string error;
    if (format == Format::Pgm) {
        error = writeBytes(pixels, bytes);
    } else {
        // Pieces of whole pixels; the first one's pixel before it is the
        // last one of the part before, unless the part starts the row.
        const std::size_t perPiece = std::max<std::size_t>(1, pieceBytes / pixel) * pixel;
        std::vector<Piece> pieces((bytes + perPiece - 1) / perPiece);
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            Piece& p = pieces[k];
            p.rows = pixels + k * perPiece;
            p.rowBytes = std::min(perPiece, bytes - k * perPiece);
            p.above = k > 0 ? p.rows - pixel : columnsWritten > 0 ? previousRow.data() : nullptr;
            p.bytesPerPixel = static_cast<int>(pixel);
        }
        error = writePieces(pieces);
        if (error.empty()) previousRow.assign(pixels + bytes - pixel, pixels + bytes);
    }
    if (!error.empty()) return error;
    columnsWritten += count;
    if (columnsWritten == width) {
        columnsWritten = 0;
        ++rowsWritten;
    }
    return {};
}

std::string ImageEncoder::writePieces(std::vector<Piece>& pieces)
{
    rowloop::share(static_cast<int>(pieces.size()), compressPiece, &pieces, threads);
    for (Piece& p : pieces) {
        if (p.failed) return "out of memory";
        adler = adler32_combine(adler, p.adler, static_cast<z_off_t>(p.filteredBytes));
        const std::string error = writeChunk("IDAT", p.out.data(), p.out.size());
        if (!error.empty()) return error;
        std::vector<std::uint8_t>().swap(p.out);
    }
    return {};
}

std::string ImageEncoder::finish()
{
    if (rowsWritten != height) return "the image is missing rows";
    if (format == Format::Pgm) return {};
    // The checksum of every filtered row ends the stream.
    const std::array<std::uint8_t, 6> end = fastdeflate::streamEnd(static_cast<std::uint32_t>(adler));
    std::string error = writeChunk("IDAT", end.data(), end.size());
    if (!error.empty()) return error;
    return writeChunk("IEND", nullptr, 0);
}

} // namespace imagewriter
