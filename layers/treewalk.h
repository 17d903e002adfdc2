#pragma once
// The walks over a tree of layers: every layer once, or two trees side by
// side. A chain of input layers may be as deep as a scene file allows
// (scenelimits.h), so they keep their own stack instead of recursing.
#include "layers/renderable.h"

#include <type_traits>
#include <utility>
#include <vector>

namespace treewalk {

// Visits top and every layer below it in tree order: a layer, then the
// subtree of its first variable's input, then the second's, and so on.
// visit(layer, depth) gets depth 0 for top. Layer is Renderable or const
// Renderable.
template <class Layer, class Visit>
void forEach(Layer* top, const Visit& visit)
{
    static_assert(std::is_same_v<std::remove_const_t<Layer>, Renderable>, "a walk over layers");
    if (!top) return;
    // The next layer on top: inputs are pushed last to first.
    std::vector<std::pair<Layer*, int>> pending{{top, 0}};
    while (!pending.empty()) {
        const auto [layer, depth] = pending.back();
        pending.pop_back();
        visit(*layer, depth);
        for (int i = layer->variableCount - 1; i >= 0; --i)
            if (Layer* input = layer->variables[i].getInputLayer()) pending.push_back({input, depth + 1});
    }
}

// Walks two trees side by side, in tree order: visit(a, b) for the tops,
// then for the inputs of the same variable wherever both layers have one.
// A visit that returns false ends the walk, and paired returns false.
template <class Visit>
bool paired(const Renderable& a, const Renderable& b, const Visit& visit)
{
    std::vector<std::pair<const Renderable*, const Renderable*>> pending{{&a, &b}};
    while (!pending.empty()) {
        const auto [u, v] = pending.back();
        pending.pop_back();
        if (!visit(*u, *v)) return false;
        for (int i = std::min(u->variableCount, v->variableCount) - 1; i >= 0; --i) {
            const Renderable* x = u->variables[i].getInputLayer();
            const Renderable* y = v->variables[i].getInputLayer();
            if (x && y) pending.push_back({x, y});
        }
    }
    return true;
}

} // namespace treewalk
