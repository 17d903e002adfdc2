#include "imageoutput/imagerender.h"

#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "layers/workerpool.h"
#include "persistence/atomicfile.h"
#include "imageoutput/exrencoder.h"
#include "imageoutput/tiffencoder.h"

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

// Values into a block of floats, area pixel (c, r) at out[r * stride + c].
class FloatBlock : public rowloop::Sink {
public:
    FloatBlock(float* out, std::size_t stride) : out_(out), stride_(stride) {}
    void take(int row, int column, int count, const float* values) override
    {
        std::copy(values, values + count, out_ + static_cast<std::size_t>(row) * stride_ + column);
    }

private:
    float* out_;
    std::size_t stride_;
};

// Runs job(first, count) over rows [0, rows) in pieces on threads.
template <typename Job>
void shareRows(int rows, rowloop::Threads threads, const Job& job)
{
    struct Context {
        const Job* job;
        int rows, perTask;
    };
    const int tasks = std::max(1, std::min(rows, 4 * WorkerPool::instance().threadCount()));
    Context context{&job, rows, (rows + tasks - 1) / tasks};
    rowloop::share(
        (rows + context.perTask - 1) / context.perTask,
        [](void* c, int index) {
            const auto* ctx = static_cast<const Context*>(c);
            const int first = index * ctx->perTask;
            (*ctx->job)(first, std::min(ctx->perTask, ctx->rows - first));
        },
        &context, threads);
}

// 16-bit samples as a PNG stores them, big-endian, in place.
void toBigEndian(std::uint16_t* samples, std::size_t count)
{
    auto* bytes = reinterpret_cast<std::uint8_t*>(samples);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint16_t s = samples[k];
        bytes[2 * k] = static_cast<std::uint8_t>(s >> 8);
        bytes[2 * k + 1] = static_cast<std::uint8_t>(s);
    }
}


// Evaluates picture pixels (columns[c], rows[r]) into block[r * stride + c],
// rows counted from the top, one area for every run of neighbouring pixels;
// false once loop's stop is set.
bool evaluatePicked(const Renderable& layer, const std::vector<int>& columns, const std::vector<int>& rows,
                    float* block, std::size_t stride, const rowloop::Options& loop)
{
    for (std::size_t r = 0; r < rows.size();) {
        std::size_t rowRun = 1;
        while (r + rowRun < rows.size() && rows[r + rowRun] == rows[r] + static_cast<int>(rowRun)) ++rowRun;
        for (std::size_t c = 0; c < columns.size();) {
            std::size_t columnRun = 1;
            while (c + columnRun < columns.size() && columns[c + columnRun] == columns[c] + static_cast<int>(columnRun))
                ++columnRun;
            rowloop::Area area;
            area.x0 = columns[c];
            area.y0 = layer.textureHeight - 1 - rows[r];
            area.columns = static_cast<int>(columnRun);
            area.rows = static_cast<int>(rowRun);
            area.downward = true;
            FloatBlock sink(block + r * stride + c, stride);
            if (!rowloop::evaluate(layer, area, sink, loop)) return false;
            c += columnRun;
        }
        r += rowRun;
    }
    return true;
}

bool wholeImage(const imagewriter::Region& region)
{
    return region.x == 0 && region.y == 0 && region.width == 0 && region.height == 0;
}

// Samples in the machine's byte order, area pixel (c, r) at
// out[r * rowBytes + sizeof(T) * c].
template <typename T, T (*convert)(float)>
class MemorySamples : public rowloop::Sink {
public:
    MemorySamples(void* out, std::size_t rowBytes) : out_(static_cast<std::uint8_t*>(out)), rowBytes_(rowBytes) {}
    void take(int row, int column, int count, const float* values) override
    {
        T* samples = reinterpret_cast<T*>(out_ + static_cast<std::size_t>(row) * rowBytes_) + column;
        for (int k = 0; k < count; ++k) samples[k] = convert(values[k]);
    }

private:
    std::uint8_t* out_;
    std::size_t rowBytes_;
};

float sameValue(float value)
{
    return value;
}

// The pixels of region in the order a file holds them: the texture's last
// row first.
rowloop::Area imageRows(const Renderable& layer, const imagewriter::Region& region, int top, int rows)
{
    rowloop::Area area;
    area.x0 = region.x;
    area.y0 = layer.textureHeight - 1 - (region.y + top);
    area.columns = region.width;
    area.rows = rows;
    area.downward = true;
    return area;
}

} // namespace

namespace imagewriter {

std::uint16_t sample16(float value)
{
    if (!(value > 0.0f)) return 0;   // NaN too
    if (value >= 1.0f) return 65535;
    return static_cast<std::uint16_t>(std::lround(static_cast<double>(value) * 65535.0));
}

std::string optionsError(Format format, const RenderOptions& options)
{
    const bool values = format == Format::Exr || format == Format::Tiff;
    if (options.view.kind != ViewAs::Kind::grey && format != Format::Png)
        return "normal maps and colour ramps are written as PNG only";
    if (format == Format::Exr && options.depth != 16 && options.depth != 32)
        return "an EXR image holds 32- or 16-bit floats (depth 32 or 16)";
    if (values && options.depth != 8 && options.depth != 16 && options.depth != 32)
        return "the depth must be 8, 16 or 32";
    if (!values && options.depth != 8 && options.depth != 16) return "the depth must be 8 or 16";
    return {};
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

// The rows evaluated a band at a time: a multiple of unit, at most the
// region's height.
int bandRows(std::size_t rowBytes, int unit, int height)
{
    const std::size_t fit = std::max<std::size_t>(1, batchBytes(WorkerPool::instance().threadCount()) / rowBytes);
    const std::size_t rounded = (fit + unit - 1) / unit * unit;
    return static_cast<int>(std::min<std::size_t>(rounded, static_cast<std::size_t>(height)));
}

// The row loop's options of a render: its stop and its threads.
rowloop::Options loopOptions(const RenderOptions& options)
{
    rowloop::Options loop;
    loop.stop = options.stop;
    loop.threads = options.threads;
    return loop;
}

// Evaluates count rows of region from top into sink, on the threads the
// options name; false once the options' stop is set.
bool evaluateBand(const Renderable& layer, const Region& region, int top, int count, rowloop::Sink& sink,
                  const RenderOptions& options)
{
    return rowloop::evaluate(layer, imageRows(layer, region, top, count), sink, loopOptions(options));
}

// Steps through the region's rows a band at a time (steps by what is left,
// so that the last step cannot overflow an int), with the progress after
// each.
template <typename WriteBand>
std::string forEachBand(const Region& region, int rowsPerBand, const RenderOptions& options, const WriteBand& write)
{
    for (int top = 0; top < region.height; top += std::min(rowsPerBand, region.height - top)) {
        const int rows = std::min(rowsPerBand, region.height - top);
        const std::string error = write(top, rows);
        if (!error.empty()) return error;
        if (options.progress && !options.progress(top + rows, region.height)) return "cancelled";
    }
    return {};
}

std::string streamGrey(const Renderable& layer, const Region& region, Format format, std::FILE* file,
                       const RenderOptions& options)
{
    ImageEncoder encoder(file, format, region.width, region.height, options.depth, 1, options.threads);
    std::string error = encoder.begin();
    if (!error.empty()) return error;
    const std::size_t rowBytes = encoder.rowBytes();
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(bandRows(rowBytes, 1, region.height)));
    rowloop::GreyBytes greys(rows.data(), rowBytes);
    Samples16 samples(rows.data(), rowBytes);
    rowloop::Sink& sink = options.depth == 8 ? static_cast<rowloop::Sink&>(greys) : samples;
    error = forEachBand(region, bandRows(rowBytes, 1, region.height), options, [&](int top, int count) {
        if (!evaluateBand(layer, region, top, count, sink, options)) return std::string("cancelled");
        return encoder.writeRows(rows.data(), count);
    });
    return error.empty() ? encoder.finish() : error;
}

// The values themselves: floats in an EXR or a TIFF, or the samples of a
// 16- or 8-bit TIFF.
std::string streamValues(const Renderable& layer, const Region& region, Format format, std::FILE* file,
                         const RenderOptions& options)
{
    const int threads = WorkerPool::instance().threadCount();
    if (format == Format::Exr) {
        ExrEncoder encoder(file, layer.textureWidth, layer.textureHeight, region, options.depth == 16, threads);
        std::string error = encoder.begin();
        if (!error.empty()) return error;
        const std::size_t rowFloats = static_cast<std::size_t>(region.width);
        const int perBand = bandRows(rowFloats * sizeof(float), 1, region.height);
        std::vector<float> values(rowFloats * static_cast<std::size_t>(perBand));
        FloatBlock sink(values.data(), rowFloats);
        error = forEachBand(region, perBand, options, [&](int top, int count) {
            if (!evaluateBand(layer, region, top, count, sink, options)) return std::string("cancelled");
            return encoder.writeRows(values.data(), count);
        });
        return error.empty() ? encoder.finish() : error;
    }
    TiffEncoder encoder(file, region.width, region.height, options.depth, options.threads);
    std::string error = encoder.begin();
    if (!error.empty()) return error;
    const std::size_t rowBytes = encoder.rowBytes();
    const int perBand = bandRows(rowBytes, encoder.stripRows(), region.height);
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(perBand));
    // The TIFF declares the machine's byte order.
    MemorySamples<float, sameValue> floats(rows.data(), rowBytes);
    MemorySamples<std::uint16_t, sample16> samples(rows.data(), rowBytes);
    rowloop::GreyBytes greys(rows.data(), rowBytes);
    rowloop::Sink& sink = options.depth == 32 ? static_cast<rowloop::Sink&>(floats)
                          : options.depth == 16 ? static_cast<rowloop::Sink&>(samples)
                                                : greys;
    error = forEachBand(region, perBand, options, [&](int top, int count) {
        if (!evaluateBand(layer, region, top, count, sink, options)) return std::string("cancelled");
        return encoder.writeRows(rows.data(), count);
    });
    return error.empty() ? encoder.finish() : error;
}

// A normal map or a colour ramp as an RGB PNG.
std::string streamColour(const Renderable& layer, const Region& region, std::FILE* file, const RenderOptions& options)
{
    ImageEncoder encoder(file, Format::Png, region.width, region.height, options.depth, 3, options.threads);
    std::string error = encoder.begin();
    if (!error.empty()) return error;
    const std::size_t rowBytes = encoder.rowBytes();
    const std::size_t width = static_cast<std::size_t>(region.width);
    const int perBand = bandRows(rowBytes, 1, region.height);
    std::vector<std::uint8_t> rgb(rowBytes * static_cast<std::size_t>(perBand));
    const bool deep = options.depth == 16;
    auto* rgb16 = reinterpret_cast<std::uint16_t*>(rgb.data());

    if (options.view.kind == ViewAs::Kind::ramp) {
        std::vector<float> values(width * static_cast<std::size_t>(perBand));
        FloatBlock sink(values.data(), width);
        const ColourRamp& ramp = options.view.ramp;
        error = forEachBand(region, perBand, options, [&](int top, int count) {
            if (!evaluateBand(layer, region, top, count, sink, options)) return std::string("cancelled");
            shareRows(count, options.threads, [&](int first, int n) {
                for (int r = first; r < first + n; ++r) {
                    const float* v = values.data() + static_cast<std::size_t>(r) * width;
                    if (deep) {
                        ramp.row16(v, width, rgb16 + static_cast<std::size_t>(r) * 3 * width);
                        toBigEndian(rgb16 + static_cast<std::size_t>(r) * 3 * width, 3 * width);
                    } else {
                        ramp.row8(v, width, rgb.data() + static_cast<std::size_t>(r) * rowBytes);
                    }
                }
            });
            return encoder.writeRows(rgb.data(), count);
        });
        return error.empty() ? encoder.finish() : error;
    }

    // Each band is evaluated with a frame of one pixel: the rows above and
    // below it and the columns beside it, from the whole picture, so tiles
    // rendered apart see the same neighbours.
    const bool wrap = layer.seamless;
    const std::size_t stride = width + 2;
    std::vector<float> block(stride * static_cast<std::size_t>(perBand + 2));
    std::vector<int> columns(stride);
    for (std::size_t c = 0; c < stride; ++c)
        columns[c] = static_cast<int>(normalmap::neighbour(static_cast<long long>(region.x) - 1 + static_cast<long long>(c), layer.textureWidth, wrap));
    error = forEachBand(region, perBand, options, [&](int top, int count) {
        std::vector<int> rows(static_cast<std::size_t>(count) + 2);
        for (std::size_t r = 0; r < rows.size(); ++r)
            rows[r] = static_cast<int>(normalmap::neighbour(
                static_cast<long long>(region.y) + top - 1 + static_cast<long long>(r), layer.textureHeight, wrap));
        if (!evaluatePicked(layer, columns, rows, block.data(), stride, loopOptions(options)))
            return std::string("cancelled");
        shareRows(count, options.threads, [&](int first, int n) {
            for (int r = first; r < first + n; ++r) {
                const float* centre = block.data() + static_cast<std::size_t>(r + 1) * stride;
                const float* above = centre - stride + 1;
                const float* below = centre + stride + 1;
                if (deep) {
                    std::uint16_t* out = rgb16 + static_cast<std::size_t>(r) * 3 * width;
                    normalmap::row16(above, centre, below, width, options.view.normal, out);
                    toBigEndian(out, 3 * width);
                } else {
                    normalmap::row8(above, centre, below, width, options.view.normal,
                                    rgb.data() + static_cast<std::size_t>(r) * rowBytes);
                }
            }
        });
        return encoder.writeRows(rgb.data(), count);
    });
    return error.empty() ? encoder.finish() : error;
}

std::string streamBands(const Renderable& layer, Format format, std::FILE* file, const RenderOptions& options)
{
    if (layer.textureWidth <= 0 || layer.textureHeight <= 0) return "the image is empty";
    std::string error = optionsError(format, options);
    if (!error.empty()) return error;
    Region region = options.region;
    if (wholeImage(region)) region = {0, 0, layer.textureWidth, layer.textureHeight};
    if (!(error = regionError(region, layer.textureWidth, layer.textureHeight)).empty()) return error;
    if (format == Format::Exr || format == Format::Tiff) return streamValues(layer, region, format, file, options);
    if (options.view.kind != ViewAs::Kind::grey) return streamColour(layer, region, file, options);
    return streamGrey(layer, region, format, file, options);
}

} // namespace

std::string renderToMemory(const Renderable& layer, Samples samples, void* out, std::size_t rowBytes,
                           const Region& wanted, const std::atomic<bool>* stop)
{
    if (layer.textureWidth <= 0 || layer.textureHeight <= 0) return "the image is empty";
    const Region region = wholeImage(wanted) ? Region{0, 0, layer.textureWidth, layer.textureHeight} : wanted;
    const std::string error = regionError(region, layer.textureWidth, layer.textureHeight);
    if (!error.empty()) return error;
    rowloop::GreyBytes greys(static_cast<std::uint8_t*>(out), rowBytes);
    MemorySamples<std::uint16_t, sample16> values16(out, rowBytes);
    MemorySamples<float, sameValue> values32(out, rowBytes);
    rowloop::Sink& sink = samples == Samples::grey8    ? static_cast<rowloop::Sink&>(greys)
                          : samples == Samples::uint16 ? static_cast<rowloop::Sink&>(values16)
                                                       : values32;
    rowloop::Options options;
    options.stop = stop;
    return rowloop::evaluate(layer, imageRows(layer, region, 0, region.height), sink, options) ? "" : "cancelled";
}

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
    const Format format = formatFor(path);
    const std::string optionError = optionsError(format, options);
    if (!optionError.empty()) return optionError;
    if (!wholeImage(options.region)) {
        const std::string error = regionError(options.region, layer.textureWidth, layer.textureHeight);
        if (!error.empty()) return error;
    }
    return atomicfile::replace(path, [&](std::FILE* file) { return renderToStream(layer, format, file, options); });
}

} // namespace imagewriter
