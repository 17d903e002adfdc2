// The commands behind the panel's buttons that walk and edit the layer tree.
#include "app/layercontrols.h"

#include "app/history/editstep.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

void LayerControls::onChangeBase()
{
    EditStep step(history, "Change base");
    Renderable* layer = createLayer(selectedType());
    if (layer) setBaseLayer(layer);
}

void LayerControls::onAssignInputLayer()
{
    EditStep step(history, "Assign input layer");
    if (!currentLayer) return;
    const int i = selectedVariable();
    if (i < 0 || i >= currentLayer->variableCount) return;
    Renderable* layer = createLayer(selectedType());
    if (!layer) return;
    currentLayer->attachInput(i, layer);
    applySettings(*layer, sceneSettings);
    goToLayer(layer);
}

void LayerControls::onRemoveInputLayer()
{
    EditStep step(history, "Remove input layer");
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
    goToLayer(currentLayer->variables[i].getInputLayer());
}

void LayerControls::onGoToParent()
{
    if (!currentLayer) return;
    goToLayer(currentLayer->parent);
}
