#include "app/variablesteps.h"

#include "app/layercontrols.h"
#include "layers/renderable.h"

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
    controls.adjustSelectedVariable(static_cast<float>(direction) * (variable.getMaxValue() - variable.getMinValue()) /
                                    static_cast<float>(stepsPerRange));
}

void VariableSteps::end()
{
    if (!open) return;
    open = false;
    controls.history.commit();
}
