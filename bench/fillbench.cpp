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

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>

namespace {

enum class Scene { noise, squares, circles, depth3, fractal5, cellEdges };
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

// The seamless Noise layer against the flat one at the export size, filled
// in turn within each iteration so that both see the same machine: the
// iteration time is the seamless fill's; "ratio" is the seamless fills'
// wall-clock time over the flat fills', "cpu_ratio" the same for the
// process's CPU time, which a shared machine disturbs less.
void SeamlessNoiseFill(benchmark::State& state)
{
    std::unique_ptr<Renderable> flat = makeScene(Scene::noise, exportWidth, exportHeight);
    std::unique_ptr<Renderable> seamless = makeScene(Scene::noise, exportWidth, exportHeight);
    seamless->setSeamless(true);
    flat->fillPixels();
    seamless->fillPixels();
    using Clock = std::chrono::steady_clock;
    double flatSeconds = 0, seamlessSeconds = 0;
    std::clock_t flatCpu = 0, seamlessCpu = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const std::clock_t startCpu = std::clock();
        flat->fillPixels();
        const auto middle = Clock::now();
        const std::clock_t middleCpu = std::clock();
        seamless->fillPixels();
        const auto end = Clock::now();
        const std::clock_t endCpu = std::clock();
        benchmark::ClobberMemory();
        flatSeconds += std::chrono::duration<double>(middle - start).count();
        seamlessSeconds += std::chrono::duration<double>(end - middle).count();
        flatCpu += middleCpu - startCpu;
        seamlessCpu += endCpu - middleCpu;
        state.SetIterationTime(std::chrono::duration<double>(end - middle).count());
    }
    state.counters["flat_ms"] = benchmark::Counter(flatSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = seamlessSeconds / flatSeconds;
    state.counters["cpu_ratio"] = static_cast<double>(seamlessCpu) / static_cast<double>(flatCpu);
}

} // namespace

BENCHMARK(SeamlessNoiseFill)->Name("Fill/seamless_noise_4000x4700_fast")->UseManualTime()->Unit(benchmark::kMillisecond);

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
                               {"cells_edges_2000x2000", Scene::cellEdges, 2000, 2000}};
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
