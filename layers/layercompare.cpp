#include "layers/layercompare.h"

#include "layers/renderable.h"

#include <cstring>
#include <vector>

namespace {
bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameLayer(const Renderable& a, const Renderable& b)
{
    if (a.typeId != b.typeId || a.inverse != b.inverse || a.variableCount != b.variableCount) return false;
    if (!sameBits(a.x, b.x) || !sameBits(a.y, b.y) || !sameBits(a.zoomx, b.zoomx) || !sameBits(a.zoomy, b.zoomy))
        return false;
    // The view other sizes show: a pan there and back may leave the view
    // and still move the reference.
    const Renderable::ViewReference &r = a.viewReference, &q = b.viewReference;
    if (!sameBits(r.x, q.x) || !sameBits(r.y, q.y) || !sameBits(r.zoomx, q.zoomx) || !sameBits(r.zoomy, q.zoomy) ||
        r.width != q.width || r.height != q.height)
        return false;
    for (int i = 0; i < a.variableCount; ++i) {
        const LayerVariable& u = a.variables[i];
        const LayerVariable& v = b.variables[i];
        if (std::strncmp(u.name, v.name, LayerVariable::nameCapacity) != 0) return false;
        if (!sameBits(u.minValue, v.minValue) || !sameBits(u.maxValue, v.maxValue) ||
            !sameBits(u.overrideValue, v.overrideValue))
            return false;
        if ((u.inputLayer == nullptr) != (v.inputLayer == nullptr)) return false;
    }
    return true;
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
            if (u->variables[i].inputLayer) pending.push_back({u->variables[i].inputLayer, v->variables[i].inputLayer});
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
            if (l->variables[i].inputLayer) pending.push_back(l->variables[i].inputLayer);
    }
    return count;
}
