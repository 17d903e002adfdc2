// Copy and paste of layers as scene text: the controller's side of the
// desktop's clipboard.
//
// What is copied is what "Save to XML" would write for a composition whose
// base layer is the current layer, so the text can go to a text editor or a
// chat, and back, and be rendered as it is. What is pasted passes through the
// scene reader with all its limits, and a paste whose result would break
// them is refused too: every composition can still be saved and loaded.
// A refused paste changes nothing and says why in the reader's words.
#include "app/layercontrols.h"

#include "app/clipboard.h"
#include "app/editstep.h"
#include "layers/layercompare.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
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

std::string typeName(const Renderable& layer)
{
    const int type = layer.typeId;
    return type >= 0 && type < LayerTypeTable::count ? LayerTypeTable::names[type] : "layer";
}

} // namespace

void LayerControls::onCopy()
{
    if (!currentLayer || !clipboard) return;
    Renderable* const layer = currentLayer;
    clipboard->offer(scenefile::text(&layer, 1, sceneSettings));
    reportOutcome("Copied " + typeName(*layer) + " (" + counttext::layers(countLayers(layer)) + ") as scene text");
}

void LayerControls::onCut()
{
    if (!currentLayer || !clipboard) return;
    Renderable* const parent = currentLayer->parent;
    if (!parent) {
        onCopy();   // the base layer stays: a composition has one
        return;
    }
    int index = 0;
    while (index < parent->variableCount && parent->variables[index].getInputLayer() != currentLayer) ++index;
    if (index == parent->variableCount) return;
    Renderable* const layer = currentLayer;
    clipboard->offer(scenefile::text(&layer, 1, sceneSettings));
    const std::string what = typeName(*layer) + " (" + counttext::layers(countLayers(layer)) + ")";
    const std::string variable = parent->variables[index].getName();
    {
        EditStep step(*this, "Cut");
        LayerLocation where = currentLocation();
        where.path.pop_back();
        where.variable = index;
        currentLayer = parent;
        parent->variables[index].removeInputLayer();
        showLocation(where);
    }
    reportOutcome("Cut " + what + " from " + variable + " as scene text");
}

scenefile::ReadResult LayerControls::readClipboardScene()
{
    std::string text, error;
    if (!clipboard->fetch(&text, &error)) {
        reportOutcome("Could not paste: " + error);
        return {};
    }
    // Through the same reader and limits as a file.
    scenefile::ReadResult read = scenefile::parse(text);
    if (!read.baseLayer) reportOutcome("Could not paste: " + read.error);
    return read;
}

void LayerControls::onPaste()
{
    if (!currentLayer || !clipboard) return;
    const int index = selectedVariable();
    if (index < 0 || index >= currentLayer->variableCount) {
        reportOutcome("Could not paste: this layer has no variable to take an input layer");
        return;
    }
    scenefile::ReadResult read = readClipboardScene();
    if (!read.baseLayer) return;
    // The result is built on a copy and measured as the reader would
    // measure its file before the composition shown is touched.
    const LayerLocation where = currentLocation();
    Composition result(composition());
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
        reportOutcome("Could not paste: the composition would be " + refused);
        return;
    }
    const std::string variable = currentLayer->variables[index].getName();
    {
        EditStep step(*this, "Paste");
        installComposition(std::move(result), where);
    }
    reportOutcome("Pasted " + what + " as the input of " + variable);
}

void LayerControls::onPasteComposition()
{
    if (!clipboard) return;
    scenefile::ReadResult read = readClipboardScene();
    if (!read.baseLayer) return;
    if (!mayReplaceComposition()) return;
    const long long layers = countLayers(read.baseLayer.get());
    {
        EditStep step(*this, "Paste scene");
        sceneSettings = read.settings;
        setBaseLayer(read.baseLayer.release());
        // Untitled and in no file: Save asks where, and undo brings back
        // the scene's file from before.
        history.openScene("", /*saved=*/false);
    }
    reportOutcome("Pasted a scene (" + counttext::layers(layers) + ") as the whole composition");
}
