#include "app/layerpath.h"

#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <algorithm>

namespace layerpath {

namespace {

std::string typeName(const Renderable& layer)
{
    if (layer.typeId >= 0 && layer.typeId < LayerTypeTable::count) return LayerTypeTable::names[layer.typeId];
    return "Layer";
}

// The name of the parent's variable that layer drives.
std::string drivenVariable(const Renderable& layer)
{
    const Renderable* parent = layer.parent;
    for (int i = 0; parent && i < parent->variableCount; ++i)
        if (parent->variables[i].getInputLayer() == &layer) return parent->variables[i].getName();
    return "?";
}

} // namespace

std::vector<Step> stepsTo(Renderable* layer)
{
    std::vector<Step> steps;
    for (Renderable* l = layer; l; l = l->parent)
        steps.push_back({l, l->parent ? drivenVariable(*l) + ": " + typeName(*l) : typeName(*l)});
    std::reverse(steps.begin(), steps.end());
    return steps;
}

std::string text(const std::vector<Step>& steps)
{
    std::string joined;
    for (const Step& step : steps) {
        if (!joined.empty()) joined += " \u203a ";
        joined += step.text;
    }
    return joined;
}

} // namespace layerpath
