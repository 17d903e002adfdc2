#pragma once
// Deflate for the image writers, by ISA-L at its level 1: on these pictures
// about a quarter larger than zlib's default level at a small part of its
// time (zlib's fastest choice, run-length matches only, takes a third more
// time for files a tenth smaller; ISA-L's level 0 saves little time and
// loses much more). PNG's rows and TIFF's strips both go through it.
//
// A zlib stream may also be made of pieces compressed apart, all processors
// at once: each piece is raw deflate that ends with a sync flush, which
// leaves it on a byte boundary, so the pieces are simply laid end to end
// between zlibHeader and streamEnd, with the checksums of the pieces
// combined (adler32_combine).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fastdeflate {

// A zlib stream's first two bytes: deflate with a 32 KiB window; the level
// bits only inform, and the check bits make the pair a multiple of 31.
constexpr std::array<std::uint8_t, 2> zlibHeader = {0x78, 0x01};

// The end of a stream of sync-flushed pieces: an empty final block with
// fixed codes, then the Adler-32 of everything compressed, big-endian.
std::array<std::uint8_t, 6> streamEnd(std::uint32_t adler);

// How an add ends its input.
enum class Flush {
    none,     // more input follows
    sync,     // the output so far ends on a byte boundary (a piece's end)
    finish,   // the stream ends (with its zlib checksum, for a zlib stream)
};

class Deflater {
public:
    // zlib: a whole zlib stream, header and checksum included; else raw
    // deflate.
    explicit Deflater(bool zlib);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses size bytes onto the end of the output, which grows as
    // needed; inputs of any size (the deflater itself counts in 32 bits).
    // False when the deflater fails. Throws std::bad_alloc.
    bool add(const std::uint8_t* data, std::size_t size, Flush flush);
    // The output so far, handed over; the deflater starts an empty one.
    std::vector<std::uint8_t> take();

private:
    struct State;
    std::unique_ptr<State> state;
    std::vector<std::uint8_t> out;   // the output, valid up to used
    std::size_t used = 0;
};

} // namespace fastdeflate
