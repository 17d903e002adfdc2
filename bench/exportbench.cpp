// Exports: a Noise layer rendered into a file at 4000 x 4700, as
// patternlens-render and the viewer's export write it (bands of rows, the
// file replaced atomically), in each format and depth; and the encoders
// alone, fed rows already rendered. The PNG and PGM cases of one run give the
// price of compression.
#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "imageoutput/imageencoder.h"
#include "imageoutput/imagerender.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int width = 4000;
constexpr int height = 4700;

std::unique_ptr<Renderable> noiseLayer()
{
    static LayerControls controls;
    controls.setViewportSize(width, height);
    return std::unique_ptr<Renderable>(createLayer(0));
}

std::string scratchPath(const char* suffix)
{
    return "/tmp/patternlens-exportbench-" + std::to_string(getpid()) + suffix;
}

void Export(benchmark::State& state, const char* suffix, int depth)
{
    const std::unique_ptr<Renderable> layer = noiseLayer();
    const std::string path = scratchPath(suffix);
    imagewriter::RenderOptions options;
    options.depth = depth;
    for (auto _ : state) {
        const std::string error = imagewriter::renderToFile(*layer, path, options);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(state.iterations() * std::int64_t(width) * height * (depth / 8));
}

// A normal map or a colour ramp of the same layer, as an 8-bit RGB PNG.
void ExportView(benchmark::State& state, const char* view)
{
    const std::unique_ptr<Renderable> layer = noiseLayer();
    const std::string path = scratchPath(".png");
    imagewriter::RenderOptions options;
    std::string error;
    if (!ViewAs::parse(view, &options.view, &error)) state.SkipWithError(error.c_str());
    for (auto _ : state) {
        error = imagewriter::renderToFile(*layer, path, options);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(state.iterations() * std::int64_t(width) * height * 3);
}

void Encode(benchmark::State& state, imagewriter::Format format, int depth)
{
    // The rendered rows, made once.
    const std::unique_ptr<Renderable> layer = noiseLayer();
    const std::string source = scratchPath(".source.pgm");
    imagewriter::RenderOptions options;
    options.depth = depth;
    imagewriter::renderToFile(*layer, source, options);
    std::vector<std::uint8_t> rows(std::size_t(width) * height * (depth / 8));
    std::FILE* in = std::fopen(source.c_str(), "rb");
    std::fseek(in, -static_cast<long>(rows.size()), SEEK_END);
    if (std::fread(rows.data(), 1, rows.size(), in) != rows.size()) state.SkipWithError("no source image");
    std::fclose(in);
    std::remove(source.c_str());

    const std::string path = scratchPath(".encoded");
    const std::size_t rowBytes = std::size_t(width) * (depth / 8);
    constexpr int batch = 1024;
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        imagewriter::ImageEncoder encoder(out, format, width, height, depth);
        std::string error = encoder.begin();
        for (int top = 0; top < height && error.empty(); top += batch)
            error = encoder.writeRows(rows.data() + top * rowBytes, std::min(batch, height - top));
        if (error.empty()) error = encoder.finish();
        std::fclose(out);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(state.iterations() * std::int64_t(rows.size()));
}

} // namespace

BENCHMARK_CAPTURE(Export, noise_4000x4700_pgm8, ".pgm", 8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Export, noise_4000x4700_png8, ".png", 8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Export, noise_4000x4700_pgm16, ".pgm", 16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Export, noise_4000x4700_png16, ".png", 16)->Unit(benchmark::kMillisecond)->UseRealTime();
// Float images and the colour outputs, beside the grey PNGs above.
BENCHMARK_CAPTURE(Export, noise_4000x4700_tif32, ".tif", 32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Export, noise_4000x4700_exr32, ".exr", 32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ExportView, noise_4000x4700_normal8, "normal 10 opengl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ExportView, noise_4000x4700_ramp8, "ramp terrain")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Encode, noise_4000x4700_pgm8, imagewriter::Format::Pgm, 8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Encode, noise_4000x4700_png8, imagewriter::Format::Png, 8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Encode, noise_4000x4700_pgm16, imagewriter::Format::Pgm, 16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Encode, noise_4000x4700_png16, imagewriter::Format::Png, 16)->Unit(benchmark::kMillisecond)->UseRealTime();
