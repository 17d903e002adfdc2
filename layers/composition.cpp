#include "layers/composition.h"

#include "layers/layerclone.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"
#include "layers/treewalk.h"

#include <vector>

void applySettings(Renderable& tree, const SceneSettings& settings)
{
    treewalk::forEach(&tree, [&settings](Renderable& layer, int) { layer.seamless = settings.seamless; });
}

void addToSeeds(Renderable& tree, std::uint32_t n)
{
    if (n == 0) return;
    std::vector<Renderable*> pending{&tree};   // no recursion: a chain may be deep
    while (!pending.empty()) {
        Renderable* layer = pending.back();
        pending.pop_back();
        layer->seed += n;   // unsigned: modulo 2^32
        for (int i = 0; i < layer->variableCount; ++i)
            if (Renderable* input = layer->variables[i].getInputLayer()) pending.push_back(input);
    }
}

void Composition::addToSeeds(std::uint32_t n)
{
    if (tree) ::addToSeeds(*tree, n);
}

Composition::Composition() = default;
Composition::Composition(std::unique_ptr<Renderable> t, const SceneSettings& s) : tree(std::move(t)), settings(s)
{
    if (tree) applySettings(*tree, settings);
}
Composition::Composition(const CompositionRef& ref)
    : tree(ref.tree ? cloneLayerTree(*ref.tree) : nullptr), settings(ref.settings)
{
    if (tree) applySettings(*tree, settings);
}
Composition::Composition(const Composition& other) : Composition(other.ref()) {}
Composition& Composition::operator=(const Composition& other)
{
    if (this != &other) *this = Composition(other);
    return *this;
}
Composition::Composition(Composition&& other) noexcept = default;
Composition& Composition::operator=(Composition&& other) noexcept = default;
Composition::~Composition() = default;

bool sameComposition(const CompositionRef& a, const CompositionRef& b)
{
    return a.settings == b.settings && sameLayerTree(a.tree, b.tree);
}
