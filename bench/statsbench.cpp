// What the viewer's statistics cost beside the render they follow: the
// minimum, maximum, mean and histogram of a layer over the drawing area
// (layerstats::measure evaluates every pixel again, as floats), next to the
// texture rebuild (fillPixels) of the same layer. Wall-clock time: both are
// threaded.
#include "app/layercontrols.h"
#include "app/layerstats.h"
#include "app/viewerlayout.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<Renderable> makeLayer(bool deep)
{
    static LayerControls controls;
    controls.setViewportSize(viewerlayout::drawingAreaWidth, viewerlayout::drawingAreaHeight);
    if (!deep) return std::unique_ptr<Renderable>(createLayer(0));
    std::unique_ptr<Renderable> circles(createLayer(2));
    Renderable* noise = createLayer(0);
    circles->attachInput(1, noise);
    noise->attachInput(0, createLayer(1));
    return circles;
}

void Stats(benchmark::State& state, bool deep)
{
    std::unique_ptr<Renderable> layer = makeLayer(deep);
    layer->fillPixels();   // starts the workers
    for (auto _ : state) benchmark::DoNotOptimize(layerstats::measure(*layer));
}

void Render(benchmark::State& state, bool deep)
{
    std::unique_ptr<Renderable> layer = makeLayer(deep);
    layer->fillPixels();
    for (auto _ : state) {
        layer->fillPixels();
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK_CAPTURE(Render, noise_area, false)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stats, noise_area, false)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, depth3_area, true)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stats, depth3_area, true)->UseRealTime()->Unit(benchmark::kMillisecond);
