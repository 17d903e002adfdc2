#include "layers/layerclone.h"

#include "layers/layerfields.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"

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
inline std::size_t heapBytes(const std::string& s)
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

} // namespace

std::unique_ptr<Renderable> cloneLayerTree(const Renderable& source)
{
    // The factory makes the right subclass and its variables; the listed
    // fields are then copied over what it set up.
    std::unique_ptr<Renderable> copy(createLayer(source.typeId));
    if (!copy) return nullptr;
    layerfields::forEachLayerField(CopyField{}, source, *copy);
    for (int i = 0; i < source.variableCount; ++i) {
        const LayerVariable& from = source.variables[i];
        LayerVariable& to = copy->variables[i];
        to.owner = copy.get();
        layerfields::forEachVariableField(CopyField{}, from, to);
        to.removeInputLayer();
        if (from.getInputLayer()) {
            std::unique_ptr<Renderable> input = cloneLayerTree(*from.getInputLayer());
            if (input) to.setInputLayer(input.release());
        }
    }
    return copy;
}

std::size_t copyBytes(const Renderable* tree)
{
    std::size_t total = 0;
    std::vector<const Renderable*> pending;   // no recursion: a chain may be deep
    if (tree) pending.push_back(tree);
    while (!pending.empty()) {
        const Renderable& layer = *pending.back();
        pending.pop_back();
        total += layerObjectBytes(layer.typeId);
        layerfields::forEachLayerField(CountBytes{total}, layer);
        for (int i = 0; i < layer.variableCount; ++i) {
            layerfields::forEachVariableField(CountBytes{total}, layer.variables[i]);
            if (const Renderable* input = layer.variables[i].getInputLayer()) pending.push_back(input);
        }
    }
    return total;
}
