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

// Each type's class, by TypeID: how a layer of it is made and what it
// allocates.
struct TypeClass {
    Renderable* (*make)(int typeId);
    std::size_t bytes;
};

template <class Type>
constexpr TypeClass typeClass()
{
    return {[](int typeId) -> Renderable* { return new Type(typeId); }, sizeof(Type)};
}

constexpr TypeClass classes[] = {typeClass<NoiseSlice>(),   typeClass<SquareOverlay>(), typeClass<Circles>(),
                                 typeClass<FractalNoise>(), typeClass<CellNoise>(),     typeClass<Blend>(),
                                 typeClass<Warp>(),         typeClass<RidgedNoise>(),   typeClass<Terrace>(),
                                 typeClass<Combine>(),      typeClass<Gradient>()};
static_assert(sizeof classes / sizeof classes[0] == LayerTypeTable::count, "a class for every TypeID");

} // namespace

Renderable* createLayer(int typeId)
{
    if (typeId < 0 || typeId >= LayerTypeTable::count) return nullptr;
    Renderable* layer = classes[typeId].make(typeId);
    layer->setup();
    return layer;
}

std::size_t layerObjectBytes(int typeId)
{
    return typeId >= 0 && typeId < LayerTypeTable::count ? classes[typeId].bytes : 0;
}
