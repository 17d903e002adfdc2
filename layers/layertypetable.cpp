#include "layers/layertypetable.h"

#include "generators/blend.h"
#include "generators/cellnoise.h"
#include "generators/circles.h"
#include "generators/combine.h"
#include "generators/fractalnoise.h"
#include "generators/gradient.h"
#include "generators/noiseslice.h"
#include "generators/ridgednoise.h"
#include "generators/squareoverlay.h"
#include "generators/terrace.h"
#include "generators/warp.h"

const char LayerTypeTable::names[LayerTypeTable::count][100] = {"Noise", "Squares", "Circles", "Fractal",
                                                              "Cells", "Blend",   "Warp",    "Ridged",
                                                              "Terrace", "Combine", "Gradient"};

namespace {

// Each type's class, by TypeID: what creating a layer makes and what its
// object takes, read from one row, so a new type cannot have one without the
// other.
struct TypeClass {
    Renderable* (*make)(int typeId);
    std::size_t bytes;
};

template <class Layer>
constexpr TypeClass typeClass()
{
    return {[](int typeId) -> Renderable* { return new Layer(typeId); }, sizeof(Layer)};
}

constexpr TypeClass typeClasses[] = {typeClass<NoiseSlice>(),   typeClass<SquareOverlay>(), typeClass<Circles>(),
                                     typeClass<FractalNoise>(), typeClass<CellNoise>(),     typeClass<Blend>(),
                                     typeClass<Warp>(),         typeClass<RidgedNoise>(),   typeClass<Terrace>(),
                                     typeClass<Combine>(),      typeClass<Gradient>()};
static_assert(sizeof typeClasses / sizeof typeClasses[0] == LayerTypeTable::count, "a class for every type");

} // namespace

Renderable* createLayer(int typeId)
{
    if (typeId < 0 || typeId >= LayerTypeTable::count) return nullptr;
    Renderable* layer = typeClasses[typeId].make(typeId);
    layer->setup();
    return layer;
}

std::size_t layerObjectBytes(int typeId)
{
    if (typeId < 0 || typeId >= LayerTypeTable::count) return 0;
    return typeClasses[typeId].bytes;
}
