#include "tools/imageencoder.h"

#include "layers/workerpool.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <zlib.h>

namespace {

// A piece is a run of rows compressed on its own. Smaller pieces share the
// work out more evenly; larger ones compress a little better (each starts
// with an empty dictionary).
constexpr std::size_t pieceBytes = std::size_t(1) << 19;

// Run-length matches only (distance one row back comes from the filters, not
// the matcher): on filtered pictures this gives files smaller than zlib's
// fastest level and about a sixth larger than its default, at a fraction of
// the default's time. The level only has to be above 0.
constexpr int compressionLevel = 1;
constexpr int compressionStrategy = Z_RLE;

constexpr std::size_t maxChunkData = std::size_t(1) << 30;   // PNG allows up to 2^31 - 1

void putBig32(std::uint8_t* out, std::uint32_t v)
{
    out[0] = static_cast<std::uint8_t>(v >> 24);
    out[1] = static_cast<std::uint8_t>(v >> 16);
    out[2] = static_cast<std::uint8_t>(v >> 8);
    out[3] = static_cast<std::uint8_t>(v);
}

inline std::uint8_t paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    if (pb <= pc) return static_cast<std::uint8_t>(b);
    return static_cast<std::uint8_t>(c);
}

// The sum of the filtered bytes taken as signed numbers: the smaller, the
// better the row tends to compress.
inline unsigned long long cost(const std::uint8_t* bytes, std::size_t n)
{
    unsigned long long sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += static_cast<unsigned>(std::abs(static_cast<std::int8_t>(bytes[i])));
    return sum;
}

// Filters one row into out (filter type byte, then the row), choosing per
// row among Sub, Up and Paeth the filter of least cost (Paeth wins on smooth
// noise, Sub on runs, Up on edges). above is the row above, or zeros for the
// first row of the image.
void filterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t n, int bpp,
               std::uint8_t* out, std::uint8_t* scratch)
{
    const std::size_t step = static_cast<std::size_t>(bpp);
    auto sub = [&](std::uint8_t* d) {
        for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(row[i] - (i >= step ? row[i - step] : 0));
    };
    auto up = [&](std::uint8_t* d) {
        for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(row[i] - above[i]);
    };
    auto paethRow = [&](std::uint8_t* d) {
        for (std::size_t i = 0; i < step && i < n; ++i) d[i] = static_cast<std::uint8_t>(row[i] - above[i]);
        for (std::size_t i = step; i < n; ++i)
            d[i] = static_cast<std::uint8_t>(row[i] - paeth(row[i - step], above[i], above[i - step]));
    };
    std::uint8_t* best = out + 1;
    out[0] = 1;
    sub(best);
    unsigned long long bestCost = cost(best, n);
    auto consider = [&](std::uint8_t type, auto&& filter) {
        filter(scratch);
        const unsigned long long c = cost(scratch, n);
        if (c < bestCost) {
            bestCost = c;
            std::memcpy(best, scratch, n);
            out[0] = type;
        }
    };
    consider(2, up);
    consider(4, paethRow);
}

} // namespace

namespace imagewriter {

struct ImageEncoder::Piece {
    const std::uint8_t* rows = nullptr;
    const std::uint8_t* above = nullptr;   // the row above the first one
    int count = 0;
    std::size_t rowBytes = 0;
    int bytesPerPixel = 1;
    std::vector<std::uint8_t> out;         // raw deflate data, ending on a byte boundary
    unsigned long adler = 1;
    std::size_t filteredBytes = 0;
    bool failed = false;
};

void ImageEncoder::compressPiece(void* context, int index)
{
    auto& piece = static_cast<std::vector<ImageEncoder::Piece>*>(context)->at(static_cast<std::size_t>(index));
    const std::size_t n = piece.rowBytes;
    z_stream z{};
    if (deflateInit2(&z, compressionLevel, Z_DEFLATED, -15, 8, compressionStrategy) != Z_OK) {
        piece.failed = true;
        return;
    }
    std::vector<std::uint8_t> filtered(n + 1), scratch(n);
    piece.filteredBytes = (n + 1) * static_cast<std::size_t>(piece.count);
    piece.out.resize(static_cast<std::size_t>(deflateBound(&z, piece.filteredBytes)) + 64);
    piece.adler = adler32(0, nullptr, 0);
    std::vector<std::uint8_t> zeros;
    const std::uint8_t* above = piece.above;
    if (!above) {
        zeros.assign(n, 0);
        above = zeros.data();
    }
    for (int r = 0; r < piece.count && !piece.failed; ++r) {
        const std::uint8_t* row = piece.rows + static_cast<std::size_t>(r) * n;
        filterRow(row, above, n, piece.bytesPerPixel, filtered.data(), scratch.data());
        above = row;
        piece.adler = adler32_z(piece.adler, filtered.data(), filtered.size());
        const bool last = r + 1 == piece.count;
        std::size_t offset = 0;
        // zlib counts input in 32 bits: very wide rows go in parts.
        do {
            const std::size_t part = std::min(filtered.size() - offset, maxChunkData);
            z.next_in = filtered.data() + offset;
            z.avail_in = static_cast<uInt>(part);
            offset += part;
            const int flush = last && offset == filtered.size() ? Z_SYNC_FLUSH : Z_NO_FLUSH;
            do {
                const std::size_t used = z.total_out;
                if (piece.out.size() - used < 65536) piece.out.resize(piece.out.size() + piece.out.size() / 2 + 65536);
                z.next_out = piece.out.data() + used;
                z.avail_out = static_cast<uInt>(std::min(piece.out.size() - used, maxChunkData));
                const int rc = deflate(&z, flush);
                if (rc != Z_OK && rc != Z_BUF_ERROR) {
                    piece.failed = true;
                    break;
                }
            } while (z.avail_in > 0 || z.avail_out == 0);
        } while (offset < filtered.size() && !piece.failed);
    }
    piece.out.resize(z.total_out);
    deflateEnd(&z);
}

ImageEncoder::ImageEncoder(std::FILE* f, Format fmt, int w, int h, int d)
    : file(f), format(fmt), width(w), height(h), depth(d)
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
    ihdr[9] = 0;    // greyscale
    ihdr[10] = 0;   // deflate
    ihdr[11] = 0;   // adaptive filtering
    ihdr[12] = 0;   // not interlaced
    error = writeChunk("IHDR", ihdr, sizeof ihdr);
    if (!error.empty()) return error;
    // The zlib header: deflate with a 32 KiB window; the level bits only
    // inform, and the check bits make the pair a multiple of 31.
    static const std::uint8_t zlibHeader[2] = {0x78, 0x01};
    return writeChunk("IDAT", zlibHeader, 2);
}

std::string ImageEncoder::writeRows(const std::uint8_t* rows, int count)
{
    if (count <= 0) return {};
    if (count > height - rowsWritten) return "more rows than the image has";
    std::string error;
    if (format == Format::Pgm)
        error = writeBytes(rows, rowBytes() * static_cast<std::size_t>(count));
    else
        error = writePngRows(rows, count);
    if (error.empty()) rowsWritten += count;
    return error;
}

std::string ImageEncoder::writePngRows(const std::uint8_t* rows, int count)
{
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
        p.bytesPerPixel = depth / 8;
    }
    WorkerPool::instance().run(static_cast<int>(pieces.size()), compressPiece, &pieces);

    for (Piece& p : pieces) {
        if (p.failed) return "out of memory";
        adler = adler32_combine(adler, p.adler, static_cast<z_off_t>(p.filteredBytes));
        const std::string error = writeChunk("IDAT", p.out.data(), p.out.size());
        if (!error.empty()) return error;
        std::vector<std::uint8_t>().swap(p.out);
    }
    previousRow.assign(rows + static_cast<std::size_t>(count - 1) * n, rows + static_cast<std::size_t>(count) * n);
    return {};
}

std::string ImageEncoder::finish()
{
    if (rowsWritten != height) return "the image is missing rows";
    if (format == Format::Pgm) return {};
    // An empty final block with fixed codes closes the deflate stream; the
    // checksum of every filtered row follows.
    std::uint8_t end[6] = {0x03, 0x00};
    putBig32(end + 2, static_cast<std::uint32_t>(adler));
    std::string error = writeChunk("IDAT", end, sizeof end);
    if (!error.empty()) return error;
    return writeChunk("IEND", nullptr, 0);
}

} // namespace imagewriter
