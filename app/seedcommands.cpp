#include "app/seedcommands.h"

#include "app/history/editstep.h"
#include "app/layercontrols.h"
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

void SeedCommands::build(ui::ControlWindow& w, ui::Panel* panel)
{
    seedField = w.add_edittext_to_panel(panel, "Seed", -1, [this](int) { onSeedField(); });
    seedField->set_shares_row(true);   // "New seed" beside it
    newSeedButton = w.add_button_to_panel(panel, "New seed", -1, [this](int) { onNewSeed(); });
}

void SeedCommands::show(const Renderable* layer)
{
    if (seedField) seedField->set_text(layer ? std::to_string(layer->seed) : std::string());
}

void SeedCommands::onSeedField()
{
    Renderable* layer = controls.currentLayer;
    if (!layer || !seedField) return;
    std::uint32_t seed = 0;
    if (!layerxml::parseSeed(seedField->get_text().c_str(), &seed)) {
        show(layer);
        controls.infoLine.report("Seed: seed must be a whole number from 0 to 4294967295");
        return;
    }
    seedField->set_text(std::to_string(seed));   // leading zeros dropped
    if (seed == layer->seed) return;              // the same value is no step
    EditStep step(controls.history, "Seed");
    layer->seed = seed;
    controls.redrawRequested = true;
}

void SeedCommands::onNewSeed()
{
    Renderable* layer = controls.currentLayer;
    if (!layer) return;
    EditStep step(controls.history, "New seed");
    layer->seed = newSeedBesides(layer->seed);
    show(layer);
    controls.redrawRequested = true;
}
