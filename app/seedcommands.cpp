// The current layer's seed in the panel: "Seed" and "New seed" (Ctrl+G).
// Each change is one undoable step; the picture and the tree's previews
// follow as after any edit.
#include "app/layercontrols.h"

#include "app/editstep.h"
#include "layers/renderable.h"
#include "persistence/layerxml.h"
#include "ui/controls.h"

#include <cstdint>
#include <random>
#include <string>

namespace {

// Uniform over 1 .. 4294967295, never current.
std::uint32_t newSeedBesides(std::uint32_t current)
{
    static std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::uint32_t> pick(1, 4294967295u);
    std::uint32_t seed = pick(generator);
    while (seed == current) seed = pick(generator);
    return seed;
}

} // namespace

void LayerControls::onSeedField()
{
    if (!currentLayer || !seedField) return;
    std::uint32_t seed = 0;
    if (!layerxml::parseSeed(seedField->get_text().c_str(), &seed)) {
        seedField->set_text(std::to_string(currentLayer->seed));
        reportOutcome("Seed: seed must be a whole number from 0 to 4294967295");
        return;
    }
    seedField->set_text(std::to_string(seed));   // leading zeros dropped
    if (seed == currentLayer->seed) return;       // the same value is no step
    EditStep step(*this, "Seed");
    currentLayer->seed = seed;
    redrawRequested = true;
}

void LayerControls::onNewSeed()
{
    if (!currentLayer) return;
    EditStep step(*this, "New seed");
    currentLayer->seed = newSeedBesides(currentLayer->seed);
    if (seedField) seedField->set_text(std::to_string(currentLayer->seed));
    redrawRequested = true;
}
