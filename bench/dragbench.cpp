// Drags as the viewer lives them: 40 motion events 40 ms apart, the main
// loop's 10 ms ticks between them, on
//
// - circles_chain_999: a Circles layer whose Spacing follows a chain of 999
//   Noise layers (a quarter of a second a picture without the input
//   planes);
// - noise_chain_1000: 1,000 Noise layers, each driving the Cutoff of the
//   one above, which reads its input at every pixel, so nothing is kept
//   across a pan: the coarse pictures at work;
// - default: the start-up Noise layer, light;
// - warp_chain_30: 30 layers, each driving the one above (a Noise layer's
//   Cutoff, a Warp's Source), the 15th from the top a Warp whose Warp X and
//   Warp Y follow two Noise layers of views of their own, so that the 15
//   layers below it are read at moved points;
// - noise_chain_30: 30 Noise layers, the chain as deep without the Warp.
//
// Each is dragged twice: a pan (5 pixels a move) and a Shift-drag of the
// first variable (Radius, or Cutoff; a pixel a move). Counters:
// pictures_per_s and full_per_s, the pictures shown between the first and
// the last move, per second of the drag; full_moves, how many of the 40
// moves were followed by a full picture before the next one;
// last_to_full_ms, the time from the last move to the tick that shows the
// full picture of the final state; coarse_step, the largest step shown.
//
// With copies=1 the viewer keeps recovery copies meanwhile (in a folder of
// its own under /tmp), its keeper ticking before the picture as in the
// viewer: a snapshot a second on the loop, written on the writer thread.
#include "app/layercontrols.h"
#include "app/recovery/recoverykeeper.h"
#include "app/mousemodes.h"
#include "app/viewerlayout.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include "tests/support/noisechain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int moves = 40;
constexpr auto movePeriod = std::chrono::milliseconds(40);
constexpr auto tickPeriod = std::chrono::milliseconds(10);

enum Scene { CirclesChain, NoiseChain, DefaultScene, WarpChain30, NoiseChain30 };

std::unique_ptr<Renderable> warpChain()
{
    std::unique_ptr<Renderable> top = noiseChain(14);
    Renderable* middle = top.get();
    while (Renderable* input = middle->variables[0].getInputLayer()) middle = input;
    Renderable* warp = createLayer(6);
    middle->attachInput(0, warp);
    warp->attachInput(0, noiseChain(15).release());
    for (int i : {1, 2}) {
        Renderable* field = createLayer(0);
        warp->attachInput(i, field);
        field->setVariable(0, 0);   // the whole noise, within [0, 1]
        field->setView(5.0f * static_cast<float>(i), 3.0f - 4.0f * static_cast<float>(i), 35, 35);
    }
    warp->setVariable(3, 0.05f);
    return top;
}

std::unique_ptr<Renderable> build(Scene scene)
{
    switch (scene) {
    case CirclesChain: return circlesOverChain(999);
    case NoiseChain: return noiseChain(1000);
    case WarpChain30: return warpChain();
    case NoiseChain30: return noiseChain(30);
    case DefaultScene: break;
    }
    return std::unique_ptr<Renderable>(createLayer(0));
}

// Ticks until the picture on screen is the final one.
void settle(LayerControls& controls)
{
    while (controls.redrawRequested || controls.picture.renderer.pending()) {
        controls.tick();
        std::this_thread::sleep_for(tickPeriod);
    }
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void Drag(benchmark::State& state)
{
    const Scene scene = static_cast<Scene>(state.range(0));
    const bool adjust = state.range(1) != 0;
    LayerControls controls;
    controls.setViewportSize(viewerlayout::drawingAreaWidth, viewerlayout::drawingAreaHeight);
    controls.setBaseLayer(build(scene).release());
    settle(controls);
    std::unique_ptr<RecoveryKeeper> keeper;
    char folder[] = "/tmp/patternlens-dragbench-XXXXXX";
    if (state.range(2) != 0 && mkdtemp(folder)) keeper = std::make_unique<RecoveryKeeper>(folder);

    double shownPerSecond = 0, fullPerSecond = 0, fullMoves = 0, lastToFull = 0, worstLastToFull = 0;
    int largestStep = 1;
    for (auto _ : state) {
        // The shell's own path: a press, moves, a release (one undo step).
        MouseMode mode = MouseMode::None;
        int lastX = 0, lastY = 0;
        const int modifiers = adjust ? mousemodes::shiftBit : 0;
        mousemodes::applyButton(mode, lastX, lastY, mousemodes::leftButton, mousemodes::buttonDown, 200, 100, modifiers);
        controls.history.dragModeChanged(MouseMode::None, mode);
        const MouseMode dragging = mode;

        int shown = 0, full = 0, movesAnswered = 0;
        bool fullSinceMove = false;
        const Clock::time_point start = Clock::now();
        Clock::time_point lastMove = start;
        for (int i = 0; i < moves; ++i) {
            lastMove = start + i * movePeriod;
            std::this_thread::sleep_until(lastMove);
            if (fullSinceMove) ++movesAnswered;
            fullSinceMove = false;
            const int x = adjust ? 200 : 200 - 5 * (i + 1);
            const int y = adjust ? 100 + (i + 1) : 100;
            mousemodes::applyMotion(mode, lastX, lastY, x, y, controls);
            // The ticks until the next move.
            const Clock::time_point next = lastMove + movePeriod;
            for (Clock::time_point tick = lastMove; i + 1 < moves && tick + tickPeriod <= next; tick += tickPeriod) {
                if (keeper) keeper->tick(controls);
                if (controls.tick()) {
                    ++shown;
                    largestStep = std::max(largestStep, controls.picture.picture.step);
                    if (controls.picture.picture.step == 1) {
                        ++full;
                        fullSinceMove = true;
                    }
                }
                std::this_thread::sleep_until(tick + tickPeriod);
            }
        }
        const double dragSeconds = seconds(lastMove - start);
        // The last move: its full picture.
        for (;;) {
            const bool changed = controls.tick();
            if (changed && controls.picture.picture.step == 1 && !controls.redrawRequested && !controls.picture.renderer.pending()) break;
            if (changed) largestStep = std::max(largestStep, controls.picture.picture.step);
            std::this_thread::sleep_for(tickPeriod);
        }
        const double took = seconds(Clock::now() - lastMove);
        ++movesAnswered;   // the last one, once resting
        mousemodes::applyButton(mode, lastX, lastY, mousemodes::leftButton, mousemodes::buttonUp, 0, 0, 0);
        controls.history.dragModeChanged(dragging, mode);

        shownPerSecond += shown / dragSeconds;
        fullPerSecond += full / dragSeconds;
        fullMoves += movesAnswered;
        lastToFull += took;
        worstLastToFull = std::max(worstLastToFull, took);
        state.SetIterationTime(dragSeconds + took);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["pictures_per_s"] = shownPerSecond / n;
    state.counters["full_per_s"] = fullPerSecond / n;
    state.counters["full_moves"] = fullMoves / n;
    state.counters["last_to_full_ms"] = lastToFull / n * 1e3;
    state.counters["worst_last_to_full_ms"] = worstLastToFull * 1e3;
    state.counters["coarse_step"] = largestStep;
    if (keeper) {
        keeper->cleanExit();
        keeper.reset();
        std::system((std::string("rm -rf ") + folder).c_str());
    }
}

} // namespace

BENCHMARK(Drag)
    ->Name("Drag")
    ->ArgNames({"scene", "shift", "copies"})
    ->ArgsProduct({{CirclesChain, NoiseChain, DefaultScene, WarpChain30, NoiseChain30}, {0, 1}, {0}})
    ->Args({CirclesChain, 0, 1})
    ->Args({NoiseChain, 0, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
