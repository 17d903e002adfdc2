// Texture rebuilds (fillPixels) of typical compositions at the drawing-area
// size and at an export size, through the plain per-pixel evaluation
// (fillPixelsReference) and through the fast one (fillPixels: rows, SIMD
// noise, all processors). Wall-clock time, since the fast one is threaded;
// the CPU column is the whole process's, all threads together, which a
// shared machine disturbs less.
#include "app/layercontrols.h"
#include "app/viewerlayout.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/simdtargets.h"
#include "tests/support/seamlessscene.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace {

enum class Scene {
    noise,
    squares,
    circles,
    depth3,
    fractal5,
    cellEdges,
    ridged5,
    terraceFractal5,
    combineNoiseCells,
    radialGradient,
    warpedFractal
};
enum class Path { reference, fast };

// Layers take their texture size from the controller when they are made.
std::unique_ptr<Renderable> makeScene(Scene scene, int width, int height)
{
    static LayerControls controls;
    controls.setViewportSize(width, height);
    switch (scene) {
    case Scene::noise: return std::unique_ptr<Renderable>(createLayer(0));
    case Scene::squares: return std::unique_ptr<Renderable>(createLayer(1));
    case Scene::circles: return std::unique_ptr<Renderable>(createLayer(2));
    case Scene::depth3: {
        // Circles whose Spacing follows a Noise layer whose Cutoff follows
        // a Squares layer.
        std::unique_ptr<Renderable> circles(createLayer(2));
        Renderable* noise = createLayer(0);
        circles->attachInput(1, noise);
        noise->attachInput(0, createLayer(1));
        return circles;
    }
    case Scene::fractal5: {
        std::unique_ptr<Renderable> fractal(createLayer(3));
        fractal->setVariable(0, 5);   // Octaves
        return fractal;
    }
    case Scene::cellEdges: {
        std::unique_ptr<Renderable> cells(createLayer(4));
        cells->setVariable(1, 1);   // Edges
        return cells;
    }
    case Scene::warpedFractal: {
        // A 5-octave Fractal warped by two Noise layers of different views,
        // Amount 0.05: the Fractal is read at moved points.
        std::unique_ptr<Renderable> warp(createLayer(6));
        Renderable* fractal = createLayer(3);
        warp->attachInput(0, fractal);
        fractal->setVariable(0, 5);
        for (int i : {1, 2}) {
            Renderable* noise = createLayer(0);
            warp->attachInput(i, noise);
            noise->setVariable(0, 0);   // (n + 1) / 2: the whole noise within [0, 1]
            noise->setView(7.0f * static_cast<float>(i), -3.0f * static_cast<float>(i), 30, 30);
        }
        warp->setVariable(3, 0.05f);
        return warp;
    }
    case Scene::ridged5: {
        std::unique_ptr<Renderable> ridged(createLayer(7));
        ridged->setVariable(0, 5);   // Octaves
        return ridged;
    }
    case Scene::terraceFractal5: {
        std::unique_ptr<Renderable> terrace(createLayer(8));
        terrace->attachInput(0, makeScene(Scene::fractal5, width, height).release());   // Source
        return terrace;
    }
    case Scene::combineNoiseCells: {
        std::unique_ptr<Renderable> combine(createLayer(9));
        combine->setVariable(2, 5);   // Mode: Difference
        combine->attachInput(0, createLayer(0));
        combine->attachInput(1, createLayer(4));
        return combine;
    }
    case Scene::radialGradient: return std::unique_ptr<Renderable>(createLayer(10));   // radial at the start
    }
    return nullptr;
}

void Fill(benchmark::State& state, Scene scene, Path path, int width, int height)
{
    std::unique_ptr<Renderable> layer = makeScene(scene, width, height);
    layer->fillPixels();   // allocates the pixels and starts the workers
    for (auto _ : state) {
        if (path == Path::fast)
            layer->fillPixels();
        else
            layer->fillPixelsReference();
        benchmark::DoNotOptimize(layer->pixels.data());
        benchmark::ClobberMemory();
    }
}

// The fast rebuild with the kernels forced onto one target.
void FillOn(benchmark::State& state, Scene scene, int width, int height, simdtargets::Target target)
{
    simdtargets::Forced forced(target);
    Fill(state, scene, Path::fast, width, height);
}

constexpr int areaWidth = viewerlayout::drawingAreaWidth;
constexpr int areaHeight = viewerlayout::drawingAreaHeight;
constexpr int exportWidth = 4000;
constexpr int exportHeight = 4700;

// Two layers filled in turn within each iteration, so that both see the
// same machine: the iteration time is the second's; "ratio" is the second's
// wall-clock time over the first's, "cpu_ratio" the same for the process's
// CPU time, which a shared machine disturbs less.
void sideBySide(benchmark::State& state, Renderable& first, Renderable& second)
{
    first.fillPixels();
    second.fillPixels();
    using Clock = std::chrono::steady_clock;
    double firstSeconds = 0, secondSeconds = 0;
    std::clock_t firstCpu = 0, secondCpu = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const std::clock_t startCpu = std::clock();
        first.fillPixels();
        const auto middle = Clock::now();
        const std::clock_t middleCpu = std::clock();
        second.fillPixels();
        const auto end = Clock::now();
        const std::clock_t endCpu = std::clock();
        benchmark::ClobberMemory();
        firstSeconds += std::chrono::duration<double>(middle - start).count();
        secondSeconds += std::chrono::duration<double>(end - middle).count();
        firstCpu += middleCpu - startCpu;
        secondCpu += endCpu - middleCpu;
        state.SetIterationTime(std::chrono::duration<double>(end - middle).count());
    }
    state.counters["first_ms"] = benchmark::Counter(firstSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = secondSeconds / firstSeconds;
    state.counters["cpu_ratio"] = static_cast<double>(secondCpu) / static_cast<double>(firstCpu);
}

// The seamless Noise layer (second) against the flat one at the export size.
void SeamlessNoiseFill(benchmark::State& state)
{
    std::unique_ptr<Renderable> flat = makeScene(Scene::noise, exportWidth, exportHeight);
    std::unique_ptr<Renderable> seamless = makeScene(Scene::noise, exportWidth, exportHeight);
    applySeamless(*seamless, true);
    sideBySide(state, *flat, *seamless);
}

// The seamless Cells layer (second) against the flat one, Edges 1: the same
// lanes on fitted, wrapping cells.
void SeamlessCellsFill(benchmark::State& state)
{
    std::unique_ptr<Renderable> flat = makeScene(Scene::cellEdges, 2000, 2000);
    std::unique_ptr<Renderable> seamless = makeScene(Scene::cellEdges, 2000, 2000);
    applySeamless(*seamless, true);
    sideBySide(state, *flat, *seamless);
}

// A seeded Noise layer (second) against seed 0 at the export size: its own
// tables, the same work.
void SeededNoiseFill(benchmark::State& state)
{
    std::unique_ptr<Renderable> plain = makeScene(Scene::noise, exportWidth, exportHeight);
    std::unique_ptr<Renderable> seeded = makeScene(Scene::noise, exportWidth, exportHeight);
    seeded->seed = 4294967295u;
    sideBySide(state, *plain, *seeded);
}

// A chain of 10 Noise layers, each driving the Cutoff of the one above, with
// 10 seeds (second) against the same chain at seed 0: ten table sets in the
// cache rather than one.
std::unique_ptr<Renderable> noiseChain(std::uint32_t firstSeed)
{
    static LayerControls controls;
    controls.setViewportSize(areaWidth * 2, areaHeight * 2);
    std::unique_ptr<Renderable> top(createLayer(0));
    Renderable* layer = top.get();
    for (std::uint32_t k = 0; k < 10; ++k) {
        layer->seed = firstSeed ? firstSeed + k : 0;
        if (k == 9) break;
        Renderable* input = createLayer(0);
        layer->attachInput(0, input);
        layer = input;
    }
    return top;
}

void SeededChainFill(benchmark::State& state)
{
    std::unique_ptr<Renderable> plain = noiseChain(0);
    std::unique_ptr<Renderable> seeded = noiseChain(1);
    sideBySide(state, *plain, *seeded);
}

} // namespace

BENCHMARK(SeamlessNoiseFill)->Name("Fill/seamless_noise_4000x4700_fast")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SeamlessCellsFill)->Name("Fill/seamless_cells_edges_2000x2000_fast")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SeededNoiseFill)->Name("Fill/seeded_noise_4000x4700_fast")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SeededChainFill)->Name("Fill/seeded_chain10_800x940_fast")->UseManualTime()->Unit(benchmark::kMillisecond);

#define PL_FILL(name, scene, width, height)                                                              \
    BENCHMARK_CAPTURE(Fill, name##_reference, scene, Path::reference, width, height)                     \
        ->UseRealTime()                                                                                  \
        ->MeasureProcessCPUTime()                                                                        \
        ->Unit(benchmark::kMillisecond);                                                                 \
    BENCHMARK_CAPTURE(Fill, name##_fast, scene, Path::fast, width, height)                               \
        ->UseRealTime()                                                                                  \
        ->MeasureProcessCPUTime()                                                                        \
        ->Unit(benchmark::kMillisecond)

PL_FILL(noise_400x470, Scene::noise, areaWidth, areaHeight);
PL_FILL(squares_400x470, Scene::squares, areaWidth, areaHeight);
PL_FILL(circles_400x470, Scene::circles, areaWidth, areaHeight);
PL_FILL(depth3_400x470, Scene::depth3, areaWidth, areaHeight);
PL_FILL(noise_4000x4700, Scene::noise, exportWidth, exportHeight);
PL_FILL(fractal5_2000x2000, Scene::fractal5, 2000, 2000);
PL_FILL(cells_edges_2000x2000, Scene::cellEdges, 2000, 2000);
PL_FILL(depth3_4000x4700, Scene::depth3, exportWidth, exportHeight);
PL_FILL(warped_fractal5_2000x2000, Scene::warpedFractal, 2000, 2000);
PL_FILL(ridged5_2000x2000, Scene::ridged5, 2000, 2000);
PL_FILL(terrace_fractal5_2000x2000, Scene::terraceFractal5, 2000, 2000);
PL_FILL(combine_noise_cells_2000x2000, Scene::combineNoiseCells, 2000, 2000);
PL_FILL(radial_gradient_2000x2000, Scene::radialGradient, 2000, 2000);

// Fill/noise_4000x4700_fast_on/<target>, one per target this build and
// processor have.
namespace {
const bool registeredTargets = [] {
    struct OnTarget {
        const char* name;
        Scene scene;
        int width, height;
    };
    const OnTarget scenes[] = {{"noise_4000x4700", Scene::noise, exportWidth, exportHeight},
                               {"fractal5_2000x2000", Scene::fractal5, 2000, 2000},
                               {"cells_edges_2000x2000", Scene::cellEdges, 2000, 2000},
                               {"warped_fractal5_2000x2000", Scene::warpedFractal, 2000, 2000}};
    for (const OnTarget& s : scenes)
        for (const simdtargets::Target& target : simdtargets::available())
            benchmark::RegisterBenchmark((std::string("Fill/") + s.name + "_fast_on/" + target.name).c_str(), FillOn,
                                         s.scene, s.width, s.height, target)
                ->UseRealTime()
                ->MeasureProcessCPUTime()
                ->Unit(benchmark::kMillisecond);
    return true;
}();
} // namespace
