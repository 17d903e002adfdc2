#include "imageoutput/deflate.h"

#include <algorithm>
#include <isa-l/igzip_lib.h>

namespace fastdeflate {

namespace {

constexpr int compressionLevel = 1;
// The most given to the deflater at once, in and out: it counts in 32 bits.
constexpr std::size_t maxPart = std::size_t(1) << 30;
// The room kept free at the end of the output before every call.
constexpr std::size_t slack = 65536;

} // namespace

std::array<std::uint8_t, 6> streamEnd(std::uint32_t adler)
{
    return {0x03, 0x00, static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
            static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)};
}

struct Deflater::State {
    isal_zstream stream;
    std::vector<std::uint8_t> levelBuffer = std::vector<std::uint8_t>(ISAL_DEF_LVL1_DEFAULT);   // the work space
};

Deflater::Deflater(bool zlib) : state(new State)
{
    isal_zstream& s = state->stream;
    isal_deflate_init(&s);
    s.level = compressionLevel;
    s.level_buf = state->levelBuffer.data();
    s.level_buf_size = static_cast<std::uint32_t>(state->levelBuffer.size());
    s.gzip_flag = zlib ? IGZIP_ZLIB : IGZIP_DEFLATE;
}

Deflater::~Deflater() = default;

bool Deflater::add(const std::uint8_t* data, std::size_t size, Flush flush)
{
    isal_zstream& s = state->stream;
    // Room for the input as it comes, usually: then the loop grows it once.
    if (out.size() - used < size + size / 16 + slack) out.resize(used + size + size / 16 + slack);
    std::size_t offset = 0;
    do {
        const std::size_t part = std::min(size - offset, maxPart);
        s.next_in = const_cast<std::uint8_t*>(data) + offset;
        s.avail_in = static_cast<std::uint32_t>(part);
        offset += part;
        const bool last = offset == size;
        s.end_of_stream = last && flush == Flush::finish;
        s.flush = last && flush == Flush::sync ? SYNC_FLUSH : NO_FLUSH;
        const int ended = !last || flush == Flush::none ? -1 : flush == Flush::sync ? ZSTATE_NEW_HDR : ZSTATE_END;
        do {
            if (out.size() - used < slack) out.resize(out.size() + out.size() / 2 + slack);
            s.next_out = out.data() + used;
            s.avail_out = static_cast<std::uint32_t>(std::min(out.size() - used, maxPart));
            if (isal_deflate(&s) != COMP_OK) return false;
            used = static_cast<std::size_t>(s.next_out - out.data());
        } while (s.avail_in > 0 || s.avail_out == 0 ||
                 (ended >= 0 && static_cast<int>(s.internal_state.state) != ended));
    } while (offset < size);
    return true;
}

std::vector<std::uint8_t> Deflater::take()
{
    out.resize(used);
    used = 0;
    return std::move(out);
}

} // namespace fastdeflate
