#pragma once
// Greyscale (or RGB) images encoded as they stream in, a batch of rows at a time: PNG
// (8 or 16 bits) or binary PGM (maxval 255 or 65535). Only the batch in hand
// is held, so an image of any height costs the memory of a few rows.
//
// A PNG's rows are filtered and deflated in pieces on the worker pool, all
// processors at once (at the priority of the render it writes), by ISA-L's
// fast deflate: the pieces still make the one zlib stream PNG wants
// (imageoutput/deflate.h).
#include "layers/rowloop.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace imagewriter {

// Exr and Tiff hold the layer's values (imageoutput/exrencoder.h,
// imageoutput/tiffencoder.h); ImageEncoder writes Png and Pgm. Raw is the
// 16-bit samples alone, little-endian (a heightmap); Glsl and Html are the
// layer's shader and web page (shaders/).
enum class Format { Png, Pgm, Exr, Tiff, Raw, Glsl, Html };

// The suffixes the renderer writes, each with its format, compared without
// case. A new output format adds its row here; the usage error that lists
// them and formatFor both read this table.
struct OutputSuffix {
    const char* suffix;
    Format format;
    const char* kind;   // what the suffix names, for messages: "images"
};
extern const OutputSuffix outputSuffixes[];
extern const int outputSuffixCount;

// The format of a path by its suffix; false when the suffix is none of the
// table's (or the path has none).
bool formatForSuffix(const std::string& path, Format* format);
// The table's suffixes for a message, kind by kind: ".png, .pgm, .exr, .tif
// or .tiff images, .r16 or .raw heightmaps, .glsl shaders or .html pages".
std::string outputSuffixList();
// The format a path asks for: its suffix's, Png when it has none of ours.
Format formatFor(const std::string& path);

class ImageEncoder {
public:
    // PNG and PGM both keep each side below 2^31.
    static constexpr long long maxSide = 2147483647LL;

    // depth is 8 or 16; samples of 16 bits come big-endian, as both formats
    // store them. channels: 1 (grey), 3 (RGB) or 4 (RGBA); colour in PNG
    // only. threads: those the render's rows are evaluated on, which the
    // deflate shares.
    ImageEncoder(std::FILE* file, Format format, int width, int height, int depth, int channels = 1,
                 rowloop::Threads threads = rowloop::Threads::pool);
    ~ImageEncoder();
    ImageEncoder(const ImageEncoder&) = delete;
    ImageEncoder& operator=(const ImageEncoder&) = delete;

    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * channels * (depth / 8); }

    // Each returns an empty string on success, else the reason. begin writes
    // the header, writeRows the next count rows (rowBytes() each, top row
    // first), finish the end of the file once every row has been written.
    std::string begin();
    std::string writeRows(const std::uint8_t* rows, int count);
    // The next count pixels of the row being written, for rows too wide to
    // hold whole: an image comes in whole rows or in parts of rows
    // throughout. Rows in parts are filtered by Sub alone, which needs no
    // row above.
    std::string writeColumns(const std::uint8_t* pixels, int count);
    std::string finish();

private:
    struct Piece;
    static void compressPiece(void* pieces, int index);
    static void compress(Piece& piece);
    std::string writeBytes(const void* data, std::size_t size);
    std::string writeChunk(const char type[4], const std::uint8_t* data, std::size_t size);
    // Compresses the pieces on the worker pool and writes them in order.
    std::string writePieces(std::vector<Piece>& pieces);

    std::FILE* file;
    Format format;
    int width, height, depth, channels;
    rowloop::Threads threads;
    int rowsWritten = 0;
    int columnsWritten = 0;                  // of the row in parts being written
    bool inParts = false;
    // Whole rows: the last row of the previous batch, which filters its
    // first. Rows in parts: the last pixel of the previous part.
    std::vector<std::uint8_t> previousRow;
    unsigned long adler = 1;                 // of all filtered rows so far
};

} // namespace imagewriter
