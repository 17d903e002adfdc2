#include "layers/layerclone.h"

#include "layers/layerfields.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/treewalk.h"

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

struct CopyField {
    template <typename F, typename T>
    void operator()(F, const T& from, T& to) const
    {
        if constexpr (layerfields::walks<F>(layerfields::copy)) {
            if constexpr (std::is_array_v<T>) std::memcpy(to, from, sizeof to);
            else to = from;
        }
    }
};

// What a copied field allocates beside its layer object.
template <typename T>
std::size_t heapBytes(const T&)
{
    return 0;
}
template <typename T, typename A>
std::size_t heapBytes(const std::vector<T, A>& v)
{
    return v.size() * sizeof(T);
}
// No listed field is a string today; one added later is counted.
[[maybe_unused]] inline std::size_t heapBytes(const std::string& s)
{
    return s.size();
}

struct CountBytes {
    std::size_t& total;
    template <typename F, typename T>
    void operator()(F, const T& field) const
    {
        if constexpr (layerfields::walks<F>(layerfields::copy)) total += heapBytes(field);
    }
};

// One layer's listed fields and variables, without its inputs. The factory
// makes the right subclass and its variables; the listed fields are then
// copied over what it set up.
std::unique_ptr<Renderable> cloneLayer(const Renderable& source)
{
    std::unique_ptr<Renderable> copy(createLayer(source.typeId));
    if (!copy) return nullptr;
    layerfields::forEachLayerField(CopyField{}, source, *copy);
    for (int i = 0; i < source.variableCount; ++i) {
        LayerVariable& to = copy->variables[i];
        to.owner = copy.get();
        layerfields::forEachVariableField(CopyField{}, source.variables[i], to);
        to.removeInputLayer();
    }
    return copy;
}
} // namespace

std::unique_ptr<Renderable> cloneLayerTree(const Renderable& source)
{
    std::unique_ptr<Renderable> top = cloneLayer(source);
    if (!top) return nullptr;
    // Each copied layer gets copies of its inputs, walked without recursion:
    // a chain may be as deep as a scene file allows.
    std::vector<std::pair<const Renderable*, Renderable*>> pending{{&source, top.get()}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (int i = 0; i < from->variableCount; ++i)
            if (const Renderable* input = from->variables[i].getInputLayer())
                if (std::unique_ptr<Renderable> copy = cloneLayer(*input)) {
                    pending.push_back({input, copy.get()});
                    to->variables[i].setInputLayer(copy.release());
                }
    }
    return top;
}

std::size_t copyBytes(const Renderable* tree)
{
    std::size_t total = 0;
    treewalk::forEach(tree, [&total](const Renderable& layer, int) {
        total += layerObjectBytes(layer.typeId);
        layerfields::forEachLayerField(CountBytes{total}, layer);
        for (int i = 0; i < layer.variableCount; ++i) layerfields::forEachVariableField(CountBytes{total}, layer.variables[i]);
    });
    return total;
}
