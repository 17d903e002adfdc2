#include "layers/composition.h"

#include "layers/layerclone.h"
#include "layers/layercompare.h"
#include "layers/renderable.h"


Composition::Composition() = default;
Composition::Composition(std::unique_ptr<Renderable> t, const SceneSettings& s) : tree(std::move(t)), settings(s) {}
Composition::Composition(const CompositionView& view)
    : tree(view.tree ? cloneLayerTree(*view.tree) : nullptr), settings(view.settings)
{
}
Composition::Composition(const Composition& other) : Composition(other.view()) {}
Composition& Composition::operator=(const Composition& other)
{
    if (this != &other) *this = Composition(other);
    return *this;
}
Composition::Composition(Composition&& other) noexcept = default;
Composition& Composition::operator=(Composition&& other) noexcept = default;
Composition::~Composition() = default;

bool sameComposition(const CompositionView& a, const CompositionView& b)
{
    return a.settings == b.settings && sameLayerTree(a.tree, b.tree);
}
