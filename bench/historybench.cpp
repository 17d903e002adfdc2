// What an undo step costs: the copy taken when an edit begins, the
// comparison when it is done, and an undo (a copy for redo, the old tree
// handed back), for compositions from one layer to a chain of thousands.
// The counter "bytes" is what one step holds against the 64 MiB bound.
#include "app/history/edithistory.h"
#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<Renderable> chain(int layers)
{
    std::unique_ptr<Renderable> base(createLayer(2));
    Renderable* layer = base.get();
    for (int i = 1; i < layers; ++i) {
        Renderable* input = createLayer(i % 3);
        layer->attachInput(0, input);
        layer = input;
    }
    return base;
}

void EditStep(benchmark::State& state)
{
    LayerControls controls;
    controls.setViewportSize(400, 470);
    std::unique_ptr<Renderable> live = chain(static_cast<int>(state.range(0)));
    EditHistory history;
    float value = 0.0f;
    for (auto _ : state) {
        history.begin({live.get()}, LayerLocation(), "Adjust");
        live->variables[0].overrideValue = value += 0.001f;
        benchmark::DoNotOptimize(history.commit({live.get()}, LayerLocation()));
    }
    state.counters["bytes"] = static_cast<double>(EditHistory::measure({live.get()}));
    state.counters["steps_kept"] = static_cast<double>(history.undoCount());
}

void UndoRedo(benchmark::State& state)
{
    LayerControls controls;
    controls.setViewportSize(400, 470);
    std::unique_ptr<Renderable> live = chain(static_cast<int>(state.range(0)));
    EditHistory history;
    history.begin({live.get()}, LayerLocation(), "Adjust");
    live->variables[0].overrideValue = 0.25f;
    history.commit({live.get()}, LayerLocation());
    for (auto _ : state) {
        live = std::move(history.undo({live.get()}).composition.tree);
        live = std::move(history.redo({live.get()}).composition.tree);
    }
}

} // namespace

BENCHMARK(EditStep)->Arg(1)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(UndoRedo)->Arg(1)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);
