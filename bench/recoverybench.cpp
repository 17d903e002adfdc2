// Recovery copies of a 1,000-layer composition (noise_chain_1000):
//
// - RecoverySnapshot: what the main loop pays when a copy falls due: the
//   comparison with the last copy (which differs by one pan) and the exact
//   copy of the tree handed to the writer thread;
// - RecoveryWrite: what the writer thread then does: the document with exact
//   numbers and reference views, written atomically into a folder under /tmp
//   (unnamed file, fsync, link, rename, fsync of the folder).
#include "app/layercontrols.h"
#include "app/viewerlayout.h"
#include "layers/layercompare.h"
#include "persistence/atomicfile.h"
#include "persistence/scenefile.h"

#include "tests/support/noisechain.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

void RecoverySnapshot(benchmark::State& state)
{
    LayerControls controls;
    controls.setViewportSize(viewerlayout::drawingAreaWidth, viewerlayout::drawingAreaHeight);
    controls.setBaseLayer(noiseChain(1000).release());
    auto last = std::make_shared<const Composition>(controls.composition());
    controls.panCurrentLayer(1, 0);
    for (auto _ : state) {
        if (!sameComposition(last->ref(), controls.composition()))
            benchmark::DoNotOptimize(std::make_shared<const Composition>(controls.composition()));
    }
}

void RecoveryWrite(benchmark::State& state)
{
    LayerControls controls;
    controls.setViewportSize(viewerlayout::drawingAreaWidth, viewerlayout::drawingAreaHeight);
    controls.setBaseLayer(noiseChain(1000).release());
    const Composition copy(controls.composition());
    char folder[] = "/tmp/patternlens-recoverybench-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no folder");
        return;
    }
    const std::string path = std::string(folder) + "/viewer.xml";
    scenefile::CopyOrigin origin{true, "/home/user/scene.xml", "2026-12-07T19:45:12Z", ""};
    std::size_t bytes = 0;
    for (auto _ : state) {
        Renderable* tree = copy.tree.get();
        const std::string text = scenefile::copyText(&tree, 1, copy.settings, origin);
        bytes = text.size();
        atomicfile::replace(path, [&text](std::FILE* f) {
            return std::fwrite(text.data(), 1, text.size(), f) == text.size() ? "" : "short write";
        });
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    std::system((std::string("rm -rf ") + folder).c_str());
}

} // namespace

BENCHMARK(RecoverySnapshot)->Name("RecoverySnapshot/noise_chain_1000")->Unit(benchmark::kMillisecond);
BENCHMARK(RecoveryWrite)->Name("RecoveryWrite/noise_chain_1000")->Unit(benchmark::kMillisecond)->UseRealTime();
