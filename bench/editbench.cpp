// What an edit costs the viewer's main loop on a heavy composition, a chain
// of 1,000 Noise layers (each driving the Cutoff of the one above) at the
// drawing-area size, and how soon the last of a burst of edits shows:
//
// - EditToNextFrame: an edit (a one-pixel pan) and the timer tick after it,
//   while renders run beside the loop. This is all the loop does before it
//   can draw its next frame. Counters: the worst case, and the renders
//   started, finished and stopped per edit. EditToNextFrameTreeOpen: the
//   same with the layer tree open on its first rows, whose previews start
//   whenever the picture is exact and stop at the next edit.
// - LastEditToFinalPicture: bursts of edits one tick apart; the time from
//   the last edit until the tick that hands over the final picture, and the
//   renders started, finished and stopped per burst.
// - SnapshotCopy: the copy of the tree each render starts from (part of a
//   tick that starts a render).
// - RenderOnTheLoop: one render on the calling thread, what every edit used
//   to cost the loop before renders left it.
#include "app/layercontrols.h"
#include "app/viewerlayout.h"
#include "layers/layerclone.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "ui/controls.h"

#include "tests/support/noisechain.h"
#include "tests/support/renderschedulerprobe.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int chainLength = 1000;
constexpr auto tickPeriod = std::chrono::milliseconds(10);

// A controller holding the chain as the viewer would after loading it.
struct HeavyViewer {
    HeavyViewer()
    {
        controls.setViewportSize(viewerlayout::drawingAreaWidth, viewerlayout::drawingAreaHeight);
        controls.setBaseLayer(noiseChain(chainLength).release());
        controls.column.build(column);
    }
    // The tree open on its first rows, as a viewer shows it.
    void openTree()
    {
        controls.column.onLayers();
        controls.column.layerList->set_visible(0, 4);
    }
    // Ticks until the picture on screen is the final one.
    void settle()
    {
        while (controls.redrawRequested || controls.picture.renderer.pending() || controls.column.tree.pending()) {
            controls.tick();
            std::this_thread::sleep_for(tickPeriod);
        }
    }
    ui::ControlWindow column;
    LayerControls controls;
};

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void editToNextFrame(benchmark::State& state, bool treeOpen)
{
    HeavyViewer viewer;
    if (treeOpen) viewer.openTree();
    viewer.settle();
    const RenderScheduler::Counts before = RenderSchedulerProbe::counts(viewer.controls.picture.renderer);
    double worst = 0;
    int direction = 1;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        viewer.controls.panCurrentLayer(direction, 0);
        viewer.controls.tick();
        const double took = seconds(Clock::now() - start);
        state.SetIterationTime(took);
        worst = std::max(worst, took);
        direction = -direction;
        std::this_thread::sleep_for(tickPeriod);   // the loop draws, and waits for the next event
    }
    viewer.settle();
    const RenderScheduler::Counts after = RenderSchedulerProbe::counts(viewer.controls.picture.renderer);
    const double edits = static_cast<double>(state.iterations());
    state.counters["worst_ms"] = worst * 1e3;
    state.counters["started_per_edit"] = static_cast<double>(after.started - before.started) / edits;
    state.counters["finished_per_edit"] = static_cast<double>(after.finished - before.finished) / edits;
    state.counters["stopped_per_edit"] = static_cast<double>(after.superseded - before.superseded) / edits;
}

void EditToNextFrame(benchmark::State& state)
{
    editToNextFrame(state, false);
}

void EditToNextFrameTreeOpen(benchmark::State& state)
{
    editToNextFrame(state, true);
}

// Opening the tree of the chain and closing it again: its rows, on the loop.
void OpenTree(benchmark::State& state)
{
    HeavyViewer viewer;
    viewer.settle();
    for (auto _ : state) {
        viewer.controls.column.onLayers();
        viewer.controls.column.onLayers();
    }
}

void LastEditToFinalPicture(benchmark::State& state)
{
    const int burst = static_cast<int>(state.range(0));
    HeavyViewer viewer;
    viewer.settle();
    const RenderScheduler::Counts before = RenderSchedulerProbe::counts(viewer.controls.picture.renderer);
    for (auto _ : state) {
        for (int i = 0; i < burst; ++i) {
            viewer.controls.panCurrentLayer(i % 2 ? -3 : 4, 1);
            if (i + 1 < burst) {
                viewer.controls.tick();
                std::this_thread::sleep_for(tickPeriod);
            }
        }
        const Clock::time_point lastEdit = Clock::now();
        for (;;) {
            const bool shown = viewer.controls.tick();
            if (shown && !viewer.controls.redrawRequested && !viewer.controls.picture.renderer.pending()) break;
            std::this_thread::sleep_for(tickPeriod);
        }
        state.SetIterationTime(seconds(Clock::now() - lastEdit));
    }
    const RenderScheduler::Counts after = RenderSchedulerProbe::counts(viewer.controls.picture.renderer);
    const double bursts = static_cast<double>(state.iterations());
    state.counters["started_per_burst"] = static_cast<double>(after.started - before.started) / bursts;
    state.counters["finished_per_burst"] = static_cast<double>(after.finished - before.finished) / bursts;
    state.counters["stopped_per_burst"] = static_cast<double>(after.superseded - before.superseded) / bursts;
}

void SnapshotCopy(benchmark::State& state)
{
    HeavyViewer viewer;
    for (auto _ : state) {
        std::unique_ptr<Renderable> copy = cloneLayerTree(*viewer.controls.currentLayer);
        benchmark::DoNotOptimize(copy.get());
    }
}

void RenderOnTheLoop(benchmark::State& state)
{
    HeavyViewer viewer;
    for (auto _ : state) {
        viewer.controls.currentLayer->fillPixels();
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(EditToNextFrame)->Name("EditToNextFrame/noise_chain_1000")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(EditToNextFrameTreeOpen)
    ->Name("EditToNextFrameTreeOpen/noise_chain_1000")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK(OpenTree)->Name("OpenTree/noise_chain_1000")->Unit(benchmark::kMillisecond);
BENCHMARK(LastEditToFinalPicture)
    ->Name("LastEditToFinalPicture/noise_chain_1000/burst")
    ->Arg(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(SnapshotCopy)->Name("SnapshotCopy/noise_chain_1000")->Unit(benchmark::kMillisecond);
BENCHMARK(RenderOnTheLoop)->Name("RenderOnTheLoop/noise_chain_1000")->UseRealTime()->Unit(benchmark::kMillisecond);
