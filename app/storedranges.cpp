#include "app/storedranges.h"

#include "layers/layerpath.h"
#include "app/layertree.h"
#include "layers/renderable.h"

#include <cstdio>

namespace storedranges {

namespace {
std::string number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));   // as the panel's "Value:" shows it
    return text;
}
} // namespace

std::string note(Renderable* base)
{
    std::string first;
    long long others = 0;
    for (const layertree::Row& row : layertree::rows(base)) {
        const Renderable& layer = *row.layer;
        for (int i = 0; i < layer.variableCount; ++i) {
            const LayerVariable& v = layer.variables[i];
            // Outside: what a drag's clamp would change at once.
            if (!(v.getValue() < v.getMinValue() || v.getValue() > v.getMaxValue())) continue;
            if (!first.empty()) {
                ++others;
                continue;
            }
            const std::string path = layerpath::variablePath(layer);
            first = (path.empty() ? "" : path + "/") + v.getName() + " is " + number(v.getValue()) +
                    ", outside its range " + number(v.getMinValue()) + " to " + number(v.getMaxValue());
        }
    }
    if (first.empty() || others == 0) return first;
    return first + " (and " + std::to_string(others) + (others == 1 ? " other" : " others") + ")";
}

} // namespace storedranges
