// The commands behind the panel's buttons that walk and edit the layer tree.
#include "app/layercontrols.h"

#include "app/editstep.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

void LayerControls::onChangeBase()
{
    EditStep step(*this, "Change base");
    Renderable* layer = createLayer(selectedType());
    if (layer) setBaseLayer(layer);
}

void LayerControls::onAssignInputLayer()
{
    EditStep step(*this, "Assign input layer");
    if (!currentLayer) return;
    const int i = selectedVariable();
    if (i < 0 || i >= currentLayer->variableCount) return;
    Renderable* layer = createLayer(selectedType());
    if (!layer) return;
    currentLayer->attachInput(i, layer);
    applySettings(*layer, sceneSettings);
    currentLayer = layer;
    refreshPanel();
    redrawRequested = true;
}

void LayerControls::onRemoveInputLayer()
{
    EditStep step(*this, "Remove input layer");
    if (!currentLayer) return;
    const int i = selectedVariable();
    if (i < 0 || i >= currentLayer->variableCount) return;
    currentLayer->variables[i].removeInputLayer();
    refreshVariable();
    redrawRequested = true;
}

void LayerControls::onEditInputLayer()
{
    if (!currentLayer) return;
    const int i = selectedVariable();
    if (i < 0 || i >= currentLayer->variableCount) return;
    Renderable* input = currentLayer->variables[i].getInputLayer();
    if (!input) return;
    currentLayer = input;
    refreshPanel();
    redrawRequested = true;
}

void LayerControls::onGoToParent()
{
    if (!currentLayer || !currentLayer->parent) return;
    currentLayer = currentLayer->parent;
    refreshPanel();
    redrawRequested = true;
}
