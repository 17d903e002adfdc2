#include "layers/layercompare.h"

#include "layers/layerfields.h"
#include "layers/renderable.h"
#include "layers/treewalk.h"

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
    if (!a || !b) return a == b;
    // sameLayer compares which variables have inputs, so the paired walk
    // meets every layer of both trees.
    return treewalk::paired(*a, *b, [](const Renderable& u, const Renderable& v) { return sameLayer(u, v); });
}

long long countLayers(const Renderable* layer)
{
    long long count = 0;
    treewalk::forEach(layer, [&count](const Renderable&, int) { ++count; });
    return count;
}
