#include "tools/imagerender.h"

#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "layers/workerpool.h"
#include "persistence/atomicfile.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

// The rows evaluated and encoded at a time: about a MiB for each processor,
// so that all of them have work and the progress moves often, and at most
// 32 MiB, so that a huge export stays small. One row at least, however wide.
std::size_t batchBytes(int threads)
{
    const std::size_t perThread = std::size_t(1) << 20;
    return std::min(std::max(perThread * static_cast<std::size_t>(threads), std::size_t(2) << 20),
                    std::size_t(32) << 20);
}

// The 16-bit samples of a band, big-endian, area pixel (c, r) at
// out[r * rowBytes + 2 * c].
class Samples16 : public rowloop::Sink {
public:
    Samples16(std::uint8_t* out, std::size_t rowBytes) : out_(out), rowBytes_(rowBytes) {}
    void take(int row, int column, int count, const float* values) override
    {
        std::uint8_t* bytes = out_ + static_cast<std::size_t>(row) * rowBytes_ + 2 * static_cast<std::size_t>(column);
        for (int k = 0; k < count; ++k) {
            const std::uint16_t s = imagewriter::sample16(values[k]);
            bytes[2 * k] = static_cast<std::uint8_t>(s >> 8);
            bytes[2 * k + 1] = static_cast<std::uint8_t>(s);
        }
    }

private:
    std::uint8_t* out_;
    std::size_t rowBytes_;
};

bool wholeImage(const imagewriter::Region& region)
{
    return region.x == 0 && region.y == 0 && region.width == 0 && region.height == 0;
}

} // namespace

namespace imagewriter {

std::uint16_t sample16(float value)
{
    if (!(value > 0.0f)) return 0;   // NaN too
    if (value >= 1.0f) return 65535;
    return static_cast<std::uint16_t>(std::lround(static_cast<double>(value) * 65535.0));
}

std::string regionError(const Region& region, int width, int height)
{
    if (region.width <= 0 || region.height <= 0) return "the region is empty";
    if (region.x < 0 || region.y < 0 || static_cast<long long>(region.x) + region.width > width ||
        static_cast<long long>(region.y) + region.height > height)
        return "the region " + std::to_string(region.x) + "," + std::to_string(region.y) + "," +
               std::to_string(region.width) + "," + std::to_string(region.height) + " lies outside the " +
               std::to_string(width) + "x" + std::to_string(height) + " image";
    return {};
}

namespace {

std::string streamBands(const Renderable& layer, Format format, std::FILE* file, const RenderOptions& options)
{
    if (layer.textureWidth <= 0 || layer.textureHeight <= 0) return "the image is empty";
    if (options.depth != 8 && options.depth != 16) return "the depth must be 8 or 16";
    Region region = options.region;
    if (wholeImage(region)) region = {0, 0, layer.textureWidth, layer.textureHeight};
    std::string error = regionError(region, layer.textureWidth, layer.textureHeight);
    if (!error.empty()) return error;

    ImageEncoder encoder(file, format, region.width, region.height, options.depth);
    if (!(error = encoder.begin()).empty()) return error;

    WorkerPool& pool = WorkerPool::instance();
    const std::size_t rowBytes = encoder.rowBytes();
    const int rowsPerBatch = static_cast<int>(
        std::min<std::size_t>(std::max<std::size_t>(1, batchBytes(pool.threadCount()) / rowBytes), region.height));
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(rowsPerBatch));
    rowloop::GreyBytes greys(rows.data(), rowBytes);
    Samples16 samples(rows.data(), rowBytes);
    rowloop::Sink& sink = options.depth == 8 ? static_cast<rowloop::Sink&>(greys) : samples;

    // Steps by what is left, so that the last step cannot overflow an int.
    for (int top = 0; top < region.height; top += std::min(rowsPerBatch, region.height - top)) {
        const int batchRows = std::min(rowsPerBatch, region.height - top);
        // The file shows the texture's last row first.
        rowloop::Area band;
        band.x0 = region.x;
        band.y0 = layer.textureHeight - 1 - (region.y + top);
        band.columns = region.width;
        band.rows = batchRows;
        band.downward = true;
        rowloop::Options loop;
        loop.stop = options.stop;
        loop.threads = options.threads;
        if (!rowloop::evaluate(layer, band, sink, loop)) return "cancelled";
        if (!(error = encoder.writeRows(rows.data(), batchRows)).empty()) return error;
        if (options.progress && !options.progress(top + batchRows, region.height)) return "cancelled";
    }
    return encoder.finish();
}

} // namespace

std::string renderToStream(const Renderable& layer, Format format, std::FILE* file, const RenderOptions& options)
{
    // A band of a very wide image may be more than the memory can hold.
    try {
        return streamBands(layer, format, file, options);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    }
}

std::string renderToFile(const Renderable& layer, const std::string& path, const RenderOptions& options)
{
    // Bad options are refused before any file is made.
    if (layer.textureWidth <= 0 || layer.textureHeight <= 0) return "the image is empty";
    if (options.depth != 8 && options.depth != 16) return "the depth must be 8 or 16";
    if (!wholeImage(options.region)) {
        const std::string error = regionError(options.region, layer.textureWidth, layer.textureHeight);
        if (!error.empty()) return error;
    }
    const Format format = formatFor(path);
    return atomicfile::replace(path, [&](std::FILE* file) { return renderToStream(layer, format, file, options); });
}

} // namespace imagewriter
