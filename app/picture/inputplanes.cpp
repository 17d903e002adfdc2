#include "app/picture/inputplanes.h"

#include "layers/layercompare.h"
#include "layers/treewalk.h"

#include <vector>

namespace {
// sameLayerTree leaves out the texture size, which the input's mapping, and
// so its values, depend on as much as on its view.
bool sameTextureSizes(const Renderable& a, const Renderable& b)
{
    return treewalk::paired(a, b, [](const Renderable& u, const Renderable& v) {
        return u.textureWidth == v.textureWidth && u.textureHeight == v.textureHeight;
    });
}

bool sameInput(const Renderable* a, const Renderable* b)
{
    return a && b && sameLayerTree(a, b) && sameTextureSizes(*a, *b);
}
} // namespace

unsigned InputPlanes::attach(Composition& composition)
{
    Renderable& copy = *composition.tree;
    const Renderable* before = composition.settings == source.settings ? source.tree.get() : nullptr;
    unsigned kept = 0;
    for (int i = 0; i < Renderable::maxVariables; ++i) {
        LayerVariable& variable = copy.variables[i];
        // An input read at moved points (a Warp's Source) has no plane.
        const Renderable* input =
            i < copy.variableCount && copy.readsInputAtPixels(i) ? variable.inputLayer.get() : nullptr;
        if (!input) {
            planes[i].reset();
            continue;
        }
        int x0 = 0, y0 = 0;
        copy.inputOrigin(i, x0, y0);
        const InputPlane* old = planes[i].get();
        const bool same = old && before && i < before->variableCount && old->x0() == x0 && old->y0() == y0 &&
                          old->width() == copy.textureWidth && old->height() == copy.textureHeight &&
                          sameInput(input, before->variables[i].inputLayer.get());
        if (same) kept |= 1u << i;
        else planes[i] = std::make_unique<InputPlane>(x0, y0, copy.textureWidth, copy.textureHeight);
        variable.plane = planes[i].get();
    }
    // The planes now belong to the copy; the old tree only answers for what
    // they held.
    if (source.tree)
        for (LayerVariable& variable : source.tree->variables) variable.plane = nullptr;
    return kept;
}

Composition InputPlanes::keep(Composition copy)
{
    Composition old = std::move(source);
    source = std::move(copy);
    return old;
}

void InputPlanes::clear()
{
    if (source.tree)
        for (LayerVariable& variable : source.tree->variables) variable.plane = nullptr;
    source = Composition();
    for (auto& plane : planes) plane.reset();
}
