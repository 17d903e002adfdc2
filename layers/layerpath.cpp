#include "layers/layerpath.h"

#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <algorithm>

namespace layerpath {

namespace {

// The index of the parent's variable that layer drives, or -1.
int drivenIndex(const Renderable& layer)
{
    const Renderable* parent = layer.parent;
    for (int i = 0; parent && i < parent->variableCount; ++i)
        if (parent->variables[i].getInputLayer() == &layer) return i;
    return -1;
}

// Where a path has got to, for its error messages.
std::string levelName(const Renderable& layer, const std::string& pathSoFar)
{
    if (pathSoFar.empty()) return "the base layer (" + typeName(layer) + ")";
    return "the " + typeName(layer) + " layer at '" + pathSoFar + "'";
}

std::string namesLeadingOn(const Renderable& layer)
{
    std::string names;
    for (int i = 0; i < layer.variableCount; ++i) {
        if (!layer.variables[i].getInputLayer()) continue;
        if (!names.empty()) names += ", ";
        names += layer.variables[i].getName();
    }
    return names.empty() ? "none, it has no input layers" : names;
}

} // namespace

std::string typeName(const Renderable& layer)
{
    if (layer.typeId >= 0 && layer.typeId < LayerTypeTable::count) return LayerTypeTable::names[layer.typeId];
    return "Layer";
}

std::string stepText(const Renderable& layer)
{
    if (!layer.parent) return typeName(layer);
    const int i = drivenIndex(layer);
    return (i < 0 ? std::string("?") : std::string(layer.parent->variables[i].getName())) + ": " + typeName(layer);
}

std::vector<Step> stepsTo(Renderable* layer)
{
    std::vector<Step> steps;
    for (Renderable* l = layer; l; l = l->parent) steps.push_back({l, stepText(*l)});
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

std::string variablePath(const Renderable& layer)
{
    std::vector<std::string> names;
    for (const Renderable* l = &layer; l->parent; l = l->parent) {
        const int i = drivenIndex(*l);
        names.push_back(i < 0 ? "?" : l->parent->variables[i].getName());
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) path += (path.empty() ? "" : "/") + *name;
    return path;
}

const Renderable* find(const Renderable& base, const std::string& path, std::string* error)
{
    const Renderable* layer = &base;
    std::string sofar;
    std::size_t start = 0;
    while (!path.empty() && start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string name = path.substr(start, slash - start);
        int index = -1;
        for (int i = 0; i < layer->variableCount && index < 0; ++i)
            if (name == layer->variables[i].getName()) index = i;
        const Renderable* input = index >= 0 ? layer->variables[index].getInputLayer() : nullptr;
        if (!input) {
            if (error) {
                *error = (index < 0 ? levelName(*layer, sofar) + " has no variable '" + name + "'"
                                    : "'" + name + "' of " + levelName(*layer, sofar) + " has no input layer") +
                         "; names with an input layer there: " + namesLeadingOn(*layer);
            }
            return nullptr;
        }
        sofar += (sofar.empty() ? "" : "/") + name;
        layer = input;
        start = slash + 1;
    }
    return layer;
}

} // namespace layerpath
