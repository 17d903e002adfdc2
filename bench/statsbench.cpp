// What the viewer's statistics cost: the minimum, maximum, mean and
// histogram of a layer over the drawing area, gathered from the values of
// the render itself (a second sink of fillPixels), next to the same render
// without them. Wall-clock time: both are threaded.
#include "app/layercontrols.h"
#include "app/picture/layerstats.h"
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

void RenderWithStats(benchmark::State& state, bool deep)
{
    std::unique_ptr<Renderable> layer = makeLayer(deep);
    layer->fillPixels();   // starts the workers
    for (auto _ : state) {
        layerstats::Accumulator values(layer->textureHeight);
        layer->fillPixels({}, &values);
        benchmark::DoNotOptimize(values.result());
    }
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
BENCHMARK_CAPTURE(RenderWithStats, noise_area, false)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, depth3_area, true)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RenderWithStats, depth3_area, true)->UseRealTime()->Unit(benchmark::kMillisecond);
