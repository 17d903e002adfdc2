#include "imageoutput/imagerender.h"

#include "layers/layerpath.h"
#include "layers/renderable.h"
#include "layers/rowkernels.h"
#include "layers/rowloop.h"
#include "layers/saturate.h"
#include "layers/workerpool.h"
#include "persistence/atomicfile.h"
#include "imageoutput/exrencoder.h"
#include "imageoutput/tiffencoder.h"
#include "shaders/glslsource.h"
#include "shaders/webpage.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

// The bytes evaluated and encoded at a time: about a MiB for each
// processor, so that all of them have work and the progress moves often,
// and at most 32 MiB, so that a huge export stays small.
std::size_t batchBytes(int threads)
{
    const std::size_t perThread = std::size_t(1) << 20;
    return std::min(std::max(perThread * static_cast<std::size_t>(threads), std::size_t(2) << 20),
                    std::size_t(32) << 20);
}

// The order of a 16-bit sample's bytes in what is written: PNG and PGM
// store them big-endian, a heightmap little-endian, a TIFF and memory in the
// machine's order.
enum class Order { native, big, little };

// Stores count 16-bit samples step bytes apart from out, in order: the one
// place where 16-bit samples become bytes. out may be the samples' own bytes.
void put16(const std::uint16_t* samples, std::size_t count, std::uint8_t* out, Order order, std::size_t step = 2)
{
    if (order == Order::native && step == 2) {
        if (out != reinterpret_cast<const std::uint8_t*>(samples)) std::memcpy(out, samples, 2 * count);
        return;
    }
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint16_t s = samples[k];
        std::uint8_t* at = out + k * step;
        if (order == Order::native) {
            std::memcpy(at, &s, sizeof s);
        } else {
            at[order == Order::big ? 0 : 1] = static_cast<std::uint8_t>(s >> 8);
            at[order == Order::big ? 1 : 0] = static_cast<std::uint8_t>(s);
        }
    }
}

// The samples of layer values, one channel among interleaved ones (or the
// only one): area pixel (c, r) at out[r * rowBytes + (c * channels +
// channel) * size]. The one sink of every file and of memory.
class ChannelSamples : public rowloop::Sink {
public:
    enum class Kind { grey8, big16, little16, native16, float32 };
    ChannelSamples(void* out, std::size_t rowBytes, Kind kind, int channels = 1, int channel = 0)
        : out_(static_cast<std::uint8_t*>(out)), rowBytes_(rowBytes), kind_(kind),
          size_(kind == Kind::grey8 ? 1 : kind == Kind::float32 ? 4 : 2), step_(channels * size_),
          first_(channel * size_)
    {
    }
    void take(int row, int column, int count, const float* values) override
    {
        std::uint8_t* at = out_ + static_cast<std::size_t>(row) * rowBytes_ + static_cast<std::size_t>(column) * step_ + first_;
        if (kind_ == Kind::grey8) {
            if (step_ == 1) rowkernels::greyBytes(values, count, at);
            else for (int k = 0; k < count; ++k) at[k * step_] = greyByte(values[k]);
        } else if (kind_ == Kind::float32) {
            for (int k = 0; k < count; ++k) std::memcpy(at + k * step_, values + k, sizeof(float));
        } else {
            std::uint16_t samples[Renderable::rowChunk];
            for (int k = 0; k < count; ++k) samples[k] = imagewriter::sample16(values[k]);
            put16(samples, static_cast<std::size_t>(count), at,
                  kind_ == Kind::big16 ? Order::big : kind_ == Kind::little16 ? Order::little : Order::native, step_);
        }
    }
    // A constant channel over rows x columns: 0, or full white.
    void fill(int rows, int columns, bool white)
    {
        float values[Renderable::rowChunk];
        std::fill(values, values + Renderable::rowChunk, white ? 1.0f : 0.0f);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; c += Renderable::rowChunk) take(r, c, std::min(Renderable::rowChunk, columns - c), values);
    }

private:
    std::uint8_t* out_;
    std::size_t rowBytes_;
    Kind kind_;
    std::size_t size_, step_, first_;
};

// Runs job(row, first, count) over the columns [0, columns) of rows
// [0, rows) in pieces on threads: runs of whole rows, or of part of a row
// when the rows are too few to share out.
template <typename Job>
void shareRuns(int rows, int columns, rowloop::Threads threads, const Job& job)
{
    struct Context {
        const Job* job;
        int rows, columns, rowsPerTask, piecesPerRow, columnsPerPiece;
    };
    const int wanted = 4 * WorkerPool::instance().threadCount();
    Context context{&job, rows, columns, (rows + wanted - 1) / wanted, 1, columns};
    if (rows < wanted) {
        context.piecesPerRow = std::max(1, std::min((wanted + rows - 1) / rows, columns / 4096));
        context.columnsPerPiece = (columns + context.piecesPerRow - 1) / context.piecesPerRow;
    }
    const int tasks = context.piecesPerRow > 1 ? rows * context.piecesPerRow
                                               : (rows + context.rowsPerTask - 1) / context.rowsPerTask;
    rowloop::share(
        tasks,
        [](void* c, int index) {
            const auto* ctx = static_cast<const Context*>(c);
            if (ctx->piecesPerRow > 1) {
                const int first = index % ctx->piecesPerRow * ctx->columnsPerPiece;
                (*ctx->job)(index / ctx->piecesPerRow, first, std::min(ctx->columnsPerPiece, ctx->columns - first));
                return;
            }
            const int first = index * ctx->rowsPerTask;
            for (int r = first; r < std::min(first + ctx->rowsPerTask, ctx->rows); ++r) (*ctx->job)(r, 0, ctx->columns);
        },
        &context, threads);
}

// The row loop's options of a render: its stop and its threads. Every sink
// here writes each run to its own place, so the rows may go in pieces.
rowloop::Options loopOptions(const imagewriter::RenderOptions& options)
{
    rowloop::Options loop;
    loop.stop = options.stop;
    loop.threads = options.threads;
    loop.rowsInPieces = true;
    return loop;
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
            ChannelSamples sink(block + r * stride + c, stride * sizeof(float), ChannelSamples::Kind::float32);
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

// A rectangle of the region written at a time: whole rows, or a part of
// one row.
struct Band {
    int top, rows, left, columns;
};

// The pixels of band in the order a file holds them: the texture's last row
// first.
rowloop::Area imageRows(const Renderable& layer, const imagewriter::Region& region, const Band& band)
{
    rowloop::Area area;
    area.x0 = region.x + band.left;
    area.y0 = layer.textureHeight - 1 - (region.y + band.top);
    area.columns = band.columns;
    area.rows = band.rows;
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
    if (format == Format::Glsl || format == Format::Html) return {};   // no samples
    if (format == Format::Raw && options.depth != 16) return "a .r16 or .raw heightmap holds 16-bit samples (depth 16)";
    if (format == Format::Exr && options.depth != 16 && options.depth != 32)
        return "an EXR image holds 32- or 16-bit floats (depth 32 or 16)";
    if (values && options.depth != 8 && options.depth != 16 && options.depth != 32)
        return "the depth must be 8, 16 or 32";
    if (!values && options.depth != 8 && options.depth != 16) return "the depth must be 8 or 16";
    return {};
}

int bytesPerPixel(Format format, const RenderOptions& options)
{
    if (format == Format::Glsl || format == Format::Html) return 0;   // no pixels
    const int channels = options.view.kind != ViewAs::Kind::grey && format == Format::Png ? 3 : 1;
    return channels * options.depth / 8;
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

// How the region goes to the file: bands of whole rows, each a multiple of
// a unit of rows (a TIFF's strips); or, when one row is more than a band may
// hold and the format allows it, one row at a time in parts of columns.
struct Bands {
    int rows = 1;
    int columns = 0;      // of a part; the region's width for whole rows
    bool parts = false;
};

// The bands of region for pixels of pixelBytes in what a band holds.
Bands bandsFor(std::size_t pixelBytes, int unit, const Region& region, bool partsAllowed, const RenderOptions& options)
{
    const std::size_t batch =
        options.bandBytes > 0 ? options.bandBytes : batchBytes(WorkerPool::instance().threadCount());
    const std::size_t rowBytes = pixelBytes * static_cast<std::size_t>(region.width);
    Bands bands;
    if (partsAllowed && rowBytes > batch) {
        bands.columns = static_cast<int>(std::max<std::size_t>(1, batch / pixelBytes));
        bands.parts = bands.columns < region.width;
    }
    if (!bands.parts) {
        const std::size_t fit = std::max<std::size_t>(1, batch / rowBytes);
        const std::size_t rounded = (fit + unit - 1) / unit * unit;
        bands.rows = static_cast<int>(std::min<std::size_t>(rounded, static_cast<std::size_t>(region.height)));
        bands.columns = region.width;
    }
    return bands;
}

// Evaluates band of region into sink, on the threads the options name;
// false once the options' stop is set.
bool evaluateBand(const Renderable& layer, const Region& region, const Band& band, rowloop::Sink& sink,
                  const RenderOptions& options)
{
    return rowloop::evaluate(layer, imageRows(layer, region, band), sink, loopOptions(options));
}

// Steps through the region a band at a time (steps by what is left, so
// that the last step cannot overflow an int), with the progress after each
// band of whole rows.
template <typename WriteBand>
std::string forEachBand(const Region& region, const Bands& bands, const RenderOptions& options, const WriteBand& write)
{
    for (int top = 0; top < region.height; top += std::min(bands.rows, region.height - top)) {
        const int rows = std::min(bands.rows, region.height - top);
        for (int left = 0; left < region.width; left += std::min(bands.columns, region.width - left)) {
            const std::string error = write(Band{top, rows, left, std::min(bands.columns, region.width - left)});
            if (!error.empty()) return error;
        }
        if (options.progress && !options.progress(top + rows, region.height)) return "cancelled";
    }
    return {};
}

// A band's bytes to the encoder: whole rows, or the part of a row.
template <typename Encoder>
std::string writeBand(Encoder& encoder, const Bands& bands, const Band& band, const std::uint8_t* bytes)
{
    return bands.parts ? encoder.writeColumns(bytes, band.columns) : encoder.writeRows(bytes, band.rows);
}

std::string streamGrey(const Renderable& layer, const Region& region, Format format, std::FILE* file,
                       const RenderOptions& options)
{
    ImageEncoder encoder(file, format, region.width, region.height, options.depth, 1, options.threads);
    std::string error = encoder.begin();
    if (!error.empty()) return error;
    const std::size_t pixelBytes = static_cast<std::size_t>(options.depth / 8);
    const Bands bands = bandsFor(pixelBytes, 1, region, true, options);
    const std::size_t rowBytes = pixelBytes * static_cast<std::size_t>(bands.columns);
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(bands.rows));
    ChannelSamples sink(pixels.data(), rowBytes,
                        options.depth == 8 ? ChannelSamples::Kind::grey8 : ChannelSamples::Kind::big16);
    error = forEachBand(region, bands, options, [&](const Band& band) {
        if (!evaluateBand(layer, region, band, sink, options)) return std::string("cancelled");
        return writeBand(encoder, bands, band, pixels.data());
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
        // OpenEXR takes whole rows.
        const Bands bands = bandsFor(sizeof(float), 1, region, false, options);
        std::vector<float> values(static_cast<std::size_t>(region.width) * static_cast<std::size_t>(bands.rows));
        ChannelSamples sink(values.data(), sizeof(float) * static_cast<std::size_t>(region.width),
                            ChannelSamples::Kind::float32);
        error = forEachBand(region, bands, options, [&](const Band& band) {
            if (!evaluateBand(layer, region, band, sink, options)) return std::string("cancelled");
            return encoder.writeRows(values.data(), band.rows);
        });
        return error.empty() ? encoder.finish() : error;
    }
    TiffEncoder encoder(file, region.width, region.height, options.depth, options.threads);
    std::string error = encoder.begin();
    if (!error.empty()) return error;
    const std::size_t pixelBytes = static_cast<std::size_t>(options.depth / 8);
    // A row goes in parts only as a strip of its own.
    const Bands bands = bandsFor(pixelBytes, encoder.stripRows(), region, encoder.stripRows() == 1, options);
    const std::size_t rowBytes = pixelBytes * static_cast<std::size_t>(bands.columns);
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(bands.rows));
    // The TIFF declares the machine's byte order.
    ChannelSamples sink(pixels.data(), rowBytes,
                        options.depth == 32   ? ChannelSamples::Kind::float32
                        : options.depth == 16 ? ChannelSamples::Kind::native16
                                              : ChannelSamples::Kind::grey8);
    error = forEachBand(region, bands, options, [&](const Band& band) {
        if (!evaluateBand(layer, region, band, sink, options)) return std::string("cancelled");
        return writeBand(encoder, bands, band, pixels.data());
    });
    return error.empty() ? encoder.finish() : error;
}

// A normal map or a colour ramp as an RGB PNG.
std::string streamColour(const Renderable& layer, const Region& region, std::FILE* file, const RenderOptions& options)
{
    ImageEncoder encoder(file, Format::Png, region.width, region.height, options.depth, 3, options.threads);
    std::string error = encoder.begin();
    if (!error.empty()) return error;
    const bool deep = options.depth == 16;
    const std::size_t pixelBytes = deep ? 6 : 3;
    const Bands bands = bandsFor(pixelBytes, 1, region, true, options);
    const std::size_t width = static_cast<std::size_t>(bands.columns);
    const std::size_t rowBytes = pixelBytes * width;
    std::vector<std::uint8_t> rgb(rowBytes * static_cast<std::size_t>(bands.rows));
    auto* rgb16 = reinterpret_cast<std::uint16_t*>(rgb.data());

    if (options.view.kind == ViewAs::Kind::ramp) {
        std::vector<float> values(width * static_cast<std::size_t>(bands.rows));
        ChannelSamples sink(values.data(), sizeof(float) * width, ChannelSamples::Kind::float32);
        const ColourRamp& ramp = options.view.ramp;
        error = forEachBand(region, bands, options, [&](const Band& band) {
            if (!evaluateBand(layer, region, band, sink, options)) return std::string("cancelled");
            shareRuns(band.rows, band.columns, options.threads, [&](int r, int first, int n) {
                const float* v = values.data() + static_cast<std::size_t>(r) * width + first;
                const std::size_t at = static_cast<std::size_t>(r) * width + static_cast<std::size_t>(first);
                const std::size_t count = static_cast<std::size_t>(n);
                if (deep) {
                    ramp.row16(v, count, rgb16 + 3 * at);
                    put16(rgb16 + 3 * at, 3 * count, rgb.data() + 6 * at, Order::big);
                } else {
                    ramp.row8(v, count, rgb.data() + 3 * at);
                }
            });
            return writeBand(encoder, bands, band, rgb.data());
        });
        return error.empty() ? encoder.finish() : error;
    }

    // Each band is evaluated with a frame of one pixel: the rows above and
    // below it and the columns beside it, from the whole picture, so tiles
    // rendered apart see the same neighbours.
    const bool wrap = layer.seamless;
    const std::size_t stride = width + 2;
    std::vector<float> block(stride * static_cast<std::size_t>(bands.rows + 2));
    std::vector<int> columns, rows;
    error = forEachBand(region, bands, options, [&](const Band& band) {
        columns.resize(static_cast<std::size_t>(band.columns) + 2);
        for (std::size_t c = 0; c < columns.size(); ++c)
            columns[c] = static_cast<int>(normalmap::neighbour(
                static_cast<long long>(region.x) + band.left - 1 + static_cast<long long>(c), layer.textureWidth, wrap));
        rows.resize(static_cast<std::size_t>(band.rows) + 2);
        for (std::size_t r = 0; r < rows.size(); ++r)
            rows[r] = static_cast<int>(normalmap::neighbour(
                static_cast<long long>(region.y) + band.top - 1 + static_cast<long long>(r), layer.textureHeight, wrap));
        if (!evaluatePicked(layer, columns, rows, block.data(), stride, loopOptions(options)))
            return std::string("cancelled");
        shareRuns(band.rows, band.columns, options.threads, [&](int r, int first, int n) {
            const float* centre = block.data() + static_cast<std::size_t>(r + 1) * stride + first;
            const float* above = centre - stride + 1;
            const float* below = centre + stride + 1;
            const std::size_t at = static_cast<std::size_t>(r) * width + static_cast<std::size_t>(first);
            const std::size_t count = static_cast<std::size_t>(n);
            if (deep) {
                normalmap::row16(above, centre, below, count, options.view.normal, rgb16 + 3 * at);
                put16(rgb16 + 3 * at, 3 * count, rgb.data() + 6 * at, Order::big);
            } else {
                normalmap::row8(above, centre, below, count, options.view.normal, rgb.data() + 3 * at);
            }
        });
        return writeBand(encoder, bands, band, rgb.data());
    });
    return error.empty() ? encoder.finish() : error;
}

// A heightmap: the 16-bit samples alone, little-endian, the top row first.
std::string streamRaw(const Renderable& layer, const Region& region, std::FILE* file, const RenderOptions& options)
{
    const Bands bands = bandsFor(2, 1, region, true, options);
    const std::size_t rowBytes = 2 * static_cast<std::size_t>(bands.columns);
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(bands.rows));
    ChannelSamples sink(rows.data(), rowBytes, ChannelSamples::Kind::little16);
    return forEachBand(region, bands, options, [&](const Band& band) {
        if (!evaluateBand(layer, region, band, sink, options)) return std::string("cancelled");
        const std::size_t size = 2 * static_cast<std::size_t>(band.columns) * static_cast<std::size_t>(band.rows);
        return std::fwrite(rows.data(), 1, size, file) == size ? std::string() : std::string(std::strerror(errno ? errno : EIO));
    });
}

const char* const textRegionError = "a shader or a page shows the whole picture: it takes no region";

std::string shader(const Renderable& layer, const RenderOptions& options)
{
    glslsource::Options glsl;
    glsl.es = options.es;
    glsl.sceneName = options.sceneName;
    glsl.layerPath = layerpath::variablePath(layer);
    glsl.width = layer.textureWidth;
    glsl.height = layer.textureHeight;
    return glslsource::source(layer, glsl);
}

std::string writeText(std::FILE* file, const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) return std::strerror(errno ? errno : EIO);
    return {};
}

std::string streamBands(const Renderable& layer, Format format, std::FILE* file, const RenderOptions& options)
{
    if (layer.textureWidth <= 0 || layer.textureHeight <= 0) return "the image is empty";
    std::string error = optionsError(format, options);
    if (!error.empty()) return error;
    Region region = options.region;
    if (wholeImage(region)) region = {0, 0, layer.textureWidth, layer.textureHeight};
    if (!(error = regionError(region, layer.textureWidth, layer.textureHeight)).empty()) return error;
    if (format == Format::Glsl || format == Format::Html) {
        if (!wholeImage(options.region)) return textRegionError;
        return writeText(file, format == Format::Glsl ? shader(layer, options) : webpage::write(layer, options.sceneName));
    }
    if (format == Format::Raw) return streamRaw(layer, region, file, options);
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
    ChannelSamples sink(out, rowBytes,
                        samples == Samples::grey8    ? ChannelSamples::Kind::grey8
                        : samples == Samples::uint16 ? ChannelSamples::Kind::native16
                                                     : ChannelSamples::Kind::float32);
    RenderOptions options;
    options.stop = stop;
    return rowloop::evaluate(layer, imageRows(layer, region, {0, region.height, 0, region.width}), sink,
                             loopOptions(options))
               ? ""
               : "cancelled";
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
        if (format == Format::Glsl || format == Format::Html) return textRegionError;
        const std::string error = regionError(options.region, layer.textureWidth, layer.textureHeight);
        if (!error.empty()) return error;
    }
    return atomicfile::replace(path, [&](std::FILE* file) { return renderToStream(layer, format, file, options); });
}

namespace {

// The region of the channels' images, all of one size: the whole, or as
// given.
Region packedRegion(const std::vector<Channel>& channels, const Region& wanted)
{
    for (const Channel& c : channels)
        if (c.layer) return wholeImage(wanted) ? Region{0, 0, c.layer->textureWidth, c.layer->textureHeight} : wanted;
    return wanted;
}

// The layers' size, or an error: packed channels need at least one layer.
std::string channelsError(const std::vector<Channel>& channels)
{
    if (channels.size() != 3 && channels.size() != 4) return "packed channels are three (RGB) or four (RGBA)";
    const Renderable* first = nullptr;
    for (const Channel& c : channels) {
        if (!c.layer) continue;
        if (c.layer->textureWidth <= 0 || c.layer->textureHeight <= 0) return "the image is empty";
        if (!first) first = c.layer;
        if (c.layer->textureWidth != first->textureWidth || c.layer->textureHeight != first->textureHeight)
            return "the packed layers differ in size";
    }
    return first ? std::string() : "packed channels need a layer";
}

// Each channel's band into its place among the pixels.
bool evaluateChannels(const std::vector<Channel>& channels, const Region& region, const Band& band,
                      std::uint8_t* rows, std::size_t rowBytes, ChannelSamples::Kind kind, const RenderOptions& options)
{
    const int n = static_cast<int>(channels.size());
    for (int k = 0; k < n; ++k) {
        ChannelSamples sink(rows, rowBytes, kind, n, k);
        if (!channels[k].layer) sink.fill(band.rows, band.columns, channels[k].white);
        else if (!evaluateBand(*channels[k].layer, region, band, sink, options)) return false;
    }
    return true;
}

std::string streamPacked(const std::vector<Channel>& channels, Format format, std::FILE* file,
                         const RenderOptions& options)
{
    const Region region = packedRegion(channels, options.region);
    const int n = static_cast<int>(channels.size());
    const bool png = format == Format::Png;
    ImageEncoder pngEncoder(file, Format::Png, region.width, region.height, options.depth, n, options.threads);
    TiffEncoder tiffEncoder(file, region.width, region.height, options.depth, options.threads, n);
    std::string error = png ? pngEncoder.begin() : tiffEncoder.begin();
    if (!error.empty()) return error;
    const std::size_t pixelBytes = static_cast<std::size_t>(n) * (options.depth / 8);
    const Bands bands = bandsFor(pixelBytes, png ? 1 : tiffEncoder.stripRows(), region, png || tiffEncoder.stripRows() == 1,
                                 options);
    const std::size_t rowBytes = pixelBytes * static_cast<std::size_t>(bands.columns);
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(bands.rows));
    // A PNG stores 16-bit samples big-endian; the TIFF declares the machine's
    // order.
    const ChannelSamples::Kind kind = options.depth == 8 ? ChannelSamples::Kind::grey8
                                      : png              ? ChannelSamples::Kind::big16
                                                         : ChannelSamples::Kind::native16;
    error = forEachBand(region, bands, options, [&](const Band& band) {
        if (!evaluateChannels(channels, region, band, rows.data(), rowBytes, kind, options))
            return std::string("cancelled");
        return png ? writeBand(pngEncoder, bands, band, rows.data()) : writeBand(tiffEncoder, bands, band, rows.data());
    });
    if (!error.empty()) return error;
    return png ? pngEncoder.finish() : tiffEncoder.finish();
}

} // namespace

std::string packError(Format format, const std::vector<Channel>& channels, const RenderOptions& options)
{
    if (format != Format::Png && format != Format::Tiff) return "packed channels are written as PNG or TIFF";
    if (options.depth != 8 && options.depth != 16) return "packed channels hold 8 or 16 bits (depth 8 or 16)";
    if (options.view.kind != ViewAs::Kind::grey) return "packed channels hold grey pictures";
    std::string error = channelsError(channels);
    if (!error.empty() || wholeImage(options.region)) return error;
    const Region whole = packedRegion(channels, Region());
    return regionError(options.region, whole.width, whole.height);
}

std::string renderPackedToFile(const std::vector<Channel>& channels, const std::string& path,
                               const RenderOptions& options)
{
    const Format format = formatFor(path);
    const std::string error = packError(format, channels, options);
    if (!error.empty()) return error;
    return atomicfile::replace(path, [&](std::FILE* file) {
        try {
            return streamPacked(channels, format, file, options);
        } catch (const std::bad_alloc&) {
            return std::string("out of memory");
        }
    });
}

std::string renderPackedToMemory(const std::vector<Channel>& channels, Samples samples, void* out,
                                 std::size_t rowBytes, const Region& wanted, const std::atomic<bool>* stop)
{
    std::string error = channelsError(channels);
    if (!error.empty()) return error;
    const Region region = packedRegion(channels, wanted);
    const Region whole = packedRegion(channels, Region());
    if (!(error = regionError(region, whole.width, whole.height)).empty()) return error;
    RenderOptions options;
    options.stop = stop;
    const ChannelSamples::Kind kind = samples == Samples::grey8    ? ChannelSamples::Kind::grey8
                                      : samples == Samples::uint16 ? ChannelSamples::Kind::native16
                                                                   : ChannelSamples::Kind::float32;
    return evaluateChannels(channels, region, {0, region.height, 0, region.width}, static_cast<std::uint8_t*>(out),
                            rowBytes, kind, options)
               ? ""
               : "cancelled";
}

} // namespace imagewriter
