#include "imageoutput/exrencoder.h"

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfIO.h>
#include <OpenEXR/ImfOutputFile.h>
#include <OpenEXR/ImfThreading.h>
#include <Imath/half.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>
#include <vector>

namespace imagewriter {

// OpenEXR's output stream over the open file: positions count from where
// the image begins. A failed write throws, as OpenEXR expects, and is also
// remembered, for the offset table that OpenEXR writes as the file closes
// and whose errors it keeps to itself.
class ExrEncoder::Stream : public Imf::OStream {
public:
    explicit Stream(std::FILE* file) : Imf::OStream("image"), file_(file), start_(ftello(file)) {}

    void write(const char c[], int n) override
    {
        if (n > 0 && std::fwrite(c, 1, static_cast<std::size_t>(n), file_) != static_cast<std::size_t>(n)) fail();
    }
    std::uint64_t tellp() override
    {
        const off_t at = ftello(file_);
        if (at < 0) fail();
        return static_cast<std::uint64_t>(at - start_);
    }
    void seekp(std::uint64_t position) override
    {
        if (fseeko(file_, static_cast<off_t>(position) + start_, SEEK_SET) != 0) fail();
    }

    const std::string& error() const { return error_; }

private:
    [[noreturn]] void fail()
    {
        if (error_.empty()) error_ = std::strerror(errno ? errno : EIO);
        throw std::runtime_error(error_);
    }

    std::FILE* file_;
    off_t start_;
    std::string error_;
};

struct ExrEncoder::File {
    File(Stream& stream, const Imf::Header& header, int threads) : out(stream, header, threads) {}
    Imf::OutputFile out;
};

ExrEncoder::ExrEncoder(std::FILE* f, int w, int h, const Region& r, bool hf, int t)
    : file(f), wholeWidth(w), wholeHeight(h), region(r), half(hf), threads(t)
{
}

ExrEncoder::~ExrEncoder() = default;

namespace {

// An OpenEXR error as a reason; a failed write says what the system said.
std::string reason(const std::exception& e, const std::string& streamError)
{
    return streamError.empty() ? e.what() : streamError;
}

} // namespace

std::string ExrEncoder::begin()
{
    // OpenEXR compresses blocks of 16 rows and counts a block's bytes in an
    // int.
    const long long sampleBytes = half ? 2 : 4, blockRows = 16;
    const long long widest = std::numeric_limits<int>::max() / (blockRows * sampleBytes);
    if (region.width > widest)
        return "an EXR image of " + std::string(half ? "halves" : "floats") + " is at most " + std::to_string(widest) +
               " pixels wide";
    const Imath::Box2i display(Imath::V2i(0, 0), Imath::V2i(wholeWidth - 1, wholeHeight - 1));
    const Imath::Box2i data(Imath::V2i(region.x, region.y),
                            Imath::V2i(region.x + region.width - 1, region.y + region.height - 1));
    Imf::Header header(display, data, 1.0f, Imath::V2f(0, 0), 1.0f, Imf::INCREASING_Y, Imf::ZIP_COMPRESSION);
    header.channels().insert("Y", Imf::Channel(half ? Imf::HALF : Imf::FLOAT));
    stream.reset(new Stream(file));
    try {
        // The line blocks are compressed on OpenEXR's own pool.
        if (Imf::globalThreadCount() < threads) Imf::setGlobalThreadCount(threads);
        output.reset(new File(*stream, header, threads));
    } catch (const std::exception& e) {
        return reason(e, stream->error());
    }
    return {};
}

std::string ExrEncoder::writeRows(const float* rows, int count)
{
    if (count <= 0) return {};
    if (!output) return "the image was not begun";
    if (count > region.height - rowsWritten) return "more rows than the image has";
    // The slice's origin is the band's first pixel. Halves are rounded
    // from the floats to the nearest, ties to even.
    const Imath::V2i origin(region.x, region.y + rowsWritten);
    const std::size_t samples = static_cast<std::size_t>(region.width) * static_cast<std::size_t>(count);
    std::vector<Imath::half> halves;
    Imf::FrameBuffer frame;
    if (half) {
        halves.assign(rows, rows + samples);
        frame.insert("Y", Imf::Slice::Make(Imf::HALF, halves.data(), origin, region.width, count, sizeof(Imath::half)));
    } else {
        frame.insert("Y", Imf::Slice::Make(Imf::FLOAT, rows, origin, region.width, count, sizeof(float)));
    }
    try {
        output->out.setFrameBuffer(frame);
        output->out.writePixels(count);
    } catch (const std::exception& e) {
        return reason(e, stream->error());
    }
    rowsWritten += count;
    return {};
}

std::string ExrEncoder::finish()
{
    if (rowsWritten != region.height) return "the image is missing rows";
    // Closing writes the table of line offsets.
    try {
        output.reset();
    } catch (const std::exception& e) {
        return reason(e, stream->error());
    }
    return stream->error();
}

} // namespace imagewriter
