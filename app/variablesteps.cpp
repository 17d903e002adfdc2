#include "app/variablesteps.h"

#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <cmath>
#include <string>

void VariableSteps::step(int direction)
{
    const Renderable* layer = controls.currentLayer;
    if (!layer || direction == 0) return;
    const int i = controls.selectedVariable();
    if (i < 0 || i >= layer->variableCount) return;
    const LayerVariable& variable = layer->variables[i];
    if (!open) {
        controls.history.begin(std::string(direction > 0 ? "Page Up " : "Page Down ") + variable.getName());
        open = true;
    }
    if (wholeNumberSelected()) {
        moveWhole(direction > 0 ? 1 : -1);
        return;
    }
    controls.adjustSelectedVariable(static_cast<float>(direction) * (variable.getMaxValue() - variable.getMinValue()) /
                                    static_cast<float>(stepsPerRange));
}

void VariableSteps::end()
{
    if (!open) return;
    open = false;
    controls.history.commit();
}

bool VariableSteps::wholeNumberSelected() const
{
    const Renderable* layer = controls.currentLayer;
    return layer && isWholeNumber(layer->typeId, controls.selectedVariable());
}

void VariableSteps::moveWhole(int steps)
{
    Renderable* layer = controls.currentLayer;
    const int i = controls.selectedVariable();
    if (!layer || i < 0 || i >= layer->variableCount || steps == 0) return;
    // Set, not added: a sum in floats could fall short of the whole number.
    layer->setVariable(i, std::trunc(layer->variables[i].getValue()) + static_cast<float>(steps));
    controls.redrawRequested = true;
    controls.refreshVariable();
}
