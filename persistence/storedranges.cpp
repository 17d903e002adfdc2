#include "persistence/storedranges.h"

#include "layers/layerpath.h"
#include "layers/renderable.h"
#include "layers/treewalk.h"

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

std::string note(const Renderable* base)
{
    std::string first;
    long long others = 0;
    treewalk::forEach(base, [&](const Renderable& layer, int) {
        for (int i = 0; i < layer.variableCount; ++i) {
            const LayerVariable& v = layer.variables[i];
            // Outside: what a drag's clamp would change at once, and NaN.
            if (v.getValue() >= v.getMinValue() && v.getValue() <= v.getMaxValue()) continue;
            if (!first.empty()) {
                ++others;
                continue;
            }
            const std::string path = layerpath::variablePath(layer);
            first = (path.empty() ? "" : path + "/") + v.getName() + " is " + number(v.getValue()) +
                    ", outside its range " + number(v.getMinValue()) + " to " + number(v.getMaxValue());
        }
    });
    if (first.empty() || others == 0) return first;
    return first + " (and " + std::to_string(others) + (others == 1 ? " other" : " others") + ")";
}

} // namespace storedranges
