#include "app/clipboardcommands.h"

#include "app/layercontrols.h"

#include "app/clipboard.h"
#include "app/drawingarearesize.h"
#include "app/history/editstep.h"
#include "persistence/storedranges.h"
#include "layers/layercompare.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "ui/controls.h"
#include "persistence/counttext.h"
#include "persistence/scenefile.h"

namespace {

// The layer that path leads to from base, or null.
Renderable* layerAt(Renderable* base, const std::vector<int>& path)
{
    Renderable* layer = base;
    for (int i : path) {
        if (!layer || i < 0 || i >= layer->variableCount) return nullptr;
        layer = layer->variables[i].getInputLayer();
    }
    return layer;
}

// What a load adds to its message: the values stored outside their ranges,
// then what the reader took leniently; "" when neither.
std::string notes(const std::string& outside, const std::string& warning)
{
    return (outside.empty() ? "" : "; " + outside) + (warning.empty() ? "" : "; " + warning);
}

std::string typeName(const Renderable& layer)
{
    const int type = layer.typeId;
    return type >= 0 && type < LayerTypeTable::count ? LayerTypeTable::names[type] : "layer";
}

} // namespace

void ClipboardCommands::onCopy()
{
    if (!controls.currentLayer || !clipboard) return;
    Renderable* const layer = controls.currentLayer;
    clipboard->offer(scenefile::text(&layer, 1, viewresize::settingsAsWritten(controls)));
    controls.infoLine.report("Copied " + typeName(*layer) + " (" + counttext::layers(countLayers(layer)) + ") as scene text");
}

void ClipboardCommands::onCut()
{
    if (!controls.currentLayer || !clipboard) return;
    Renderable* const parent = controls.currentLayer->parent;
    if (!parent) {
        onCopy();   // the base layer stays: a composition has one
        return;
    }
    int index = 0;
    while (index < parent->variableCount && parent->variables[index].getInputLayer() != controls.currentLayer) ++index;
    if (index == parent->variableCount) return;
    Renderable* const layer = controls.currentLayer;
    clipboard->offer(scenefile::text(&layer, 1, viewresize::settingsAsWritten(controls)));
    const std::string what = typeName(*layer) + " (" + counttext::layers(countLayers(layer)) + ")";
    const std::string variable = parent->variables[index].getName();
    {
        EditStep step(controls.history, "Cut");
        LayerLocation where = controls.history.currentLocation();
        where.path.pop_back();
        where.variable = index;
        controls.currentLayer = parent;
        parent->variables[index].removeInputLayer();
        controls.history.showLocation(where);
    }
    controls.infoLine.report("Cut " + what + " from " + variable + " as scene text");
}

scenefile::ReadResult ClipboardCommands::readClipboardScene()
{
    std::string text, error;
    if (!clipboard->fetch(&text, &error)) {
        controls.infoLine.report("Could not paste: " + error);
        return {};
    }
    // Through the same reader and limits as a file.
    scenefile::ReadResult read = scenefile::parse(text);
    if (!read.baseLayer) controls.infoLine.report("Could not paste: " + read.error);
    return read;
}

void ClipboardCommands::onPaste()
{
    if (!controls.currentLayer || !clipboard) return;
    const int index = controls.selectedVariable();
    if (index < 0 || index >= controls.currentLayer->variableCount) {
        controls.infoLine.report("Could not paste: this layer has no variable to take an input layer");
        return;
    }
    scenefile::ReadResult read = readClipboardScene();
    if (!read.baseLayer) return;
    // The result is built on a copy and measured as the reader would
    // measure its file before the composition shown is touched.
    const LayerLocation where = controls.history.currentLocation();
    Composition result(controls.composition());
    Renderable* target = layerAt(result.tree.get(), where.path);
    if (!target) return;
    Renderable* pasted = read.baseLayer.release();
    const std::string what = typeName(*pasted) + " (" + counttext::layers(countLayers(pasted)) + ")";
    // With its own views, and evaluated by this scene's settings.
    target->variables[index].setInputLayer(pasted);
    applySettings(*pasted, result.settings);
    Renderable* const tree = result.tree.get();
    std::string refused = scenefile::refusal(scenefile::text(&tree, 1, result.settings));
    if (refused.compare(0, 9, "refused: ") == 0) refused.erase(0, 9);
    if (!refused.empty()) {
        controls.infoLine.report("Could not paste: the composition would be " + refused);
        return;
    }
    const std::string variable = controls.currentLayer->variables[index].getName();
    // What the pasted layers store outside their ranges, by their paths in
    // the composition, said once as a load says it.
    const std::string noted = notes(storedranges::note(pasted), read.warning);
    {
        EditStep step(controls.history, "Paste");
        controls.replaceComposition(std::move(result), where);
    }
    controls.infoLine.report("Pasted " + what + " as the input of " + variable + noted);
}

void ClipboardCommands::onPasteComposition()
{
    if (!clipboard) return;
    scenefile::ReadResult read = readClipboardScene();
    if (!read.baseLayer) return;
    if (!controls.history.mayReplaceComposition()) return;
    const long long layers = countLayers(read.baseLayer.get());
    {
        EditStep step(controls.history, "Paste scene");
        controls.sceneSettings = read.settings;
        controls.setBaseLayer(read.baseLayer.release());
        // Untitled and in no file: Save asks where, and undo brings back
        // the scene's file from before.
        controls.history.edits.openScene("", /*saved=*/false);
    }
    controls.infoLine.report("Pasted a scene (" + counttext::layers(layers) + ") as the whole composition" +
                             notes(storedranges::note(controls.baseLayer()), read.warning));
}

void ClipboardCommands::build(ui::ControlWindow& w)
{
    copyButton = w.add_button("Copy", [this](int) { onCopy(); });
    copyButton->set_shares_row(true);
    pasteButton = w.add_button("Paste", [this](int) { onPaste(); });
    pasteButton->set_shares_row(true);
}
