#include "layers/layercompare.h"

#include "layers/layerfields.h"
#include "layers/renderable.h"

#include <cstring>
#include <type_traits>
#include <vector>

namespace {

// Floats bit for bit, names up to their end, everything else by value.
struct SameField {
    bool& same;
    template <typename F, typename T>
    void operator()(F, const T& a, const T& b) const
    {
        if constexpr (layerfields::walks<F>(layerfields::compare)) {
            if constexpr (std::is_floating_point_v<T>) same = same && std::memcmp(&a, &b, sizeof a) == 0;
            else if constexpr (std::is_array_v<T>) same = same && std::strncmp(a, b, sizeof a) == 0;
            else same = same && a == b;
        }
    }
};

bool sameLayer(const Renderable& a, const Renderable& b)
{
    bool same = true;
    layerfields::forEachLayerField(SameField{same}, a, b);
    for (int i = 0; same && i < a.variableCount; ++i) {
        const LayerVariable& u = a.variables[i];
        const LayerVariable& v = b.variables[i];
        layerfields::forEachVariableField(SameField{same}, u, v);
        same = same && (u.getInputLayer() == nullptr) == (v.getInputLayer() == nullptr);
    }
    return same;
}
} // namespace

bool sameLayerTree(const Renderable* a, const Renderable* b)
{
    // Pairs still to compare, walked without recursion: a chain of input
    // layers may be as deep as a scene file allows.
    std::vector<std::pair<const Renderable*, const Renderable*>> pending{{a, b}};
    while (!pending.empty()) {
        const auto [u, v] = pending.back();
        pending.pop_back();
        if (!u || !v) {
            if (u != v) return false;
            continue;
        }
        if (!sameLayer(*u, *v)) return false;
        for (int i = 0; i < u->variableCount; ++i)
            if (const Renderable* input = u->variables[i].getInputLayer())
                pending.push_back({input, v->variables[i].getInputLayer()});
    }
    return true;
}

long long countLayers(const Renderable* layer)
{
    long long count = 0;
    std::vector<const Renderable*> pending;
    if (layer) pending.push_back(layer);
    while (!pending.empty()) {
        const Renderable* l = pending.back();
        pending.pop_back();
        ++count;
        for (int i = 0; i < l->variableCount; ++i)
            if (const Renderable* input = l->variables[i].getInputLayer()) pending.push_back(input);
    }
    return count;
}
