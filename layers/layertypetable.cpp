#include "layers/layertypetable.h"

#include "generators/circles.h"
#include "generators/noiseslice.h"
#include "generators/squareoverlay.h"

const char LayerTypeTable::names[LayerTypeTable::count][100] = {"Noise", "Squares", "Circles"};

Renderable* createLayer(int typeId)
{
    if (typeId < 0 || typeId >= LayerTypeTable::count) return nullptr;
    Renderable* layer = nullptr;
    switch (typeId) {
    case 0: layer = new NoiseSlice(typeId); break;
    case 1: layer = new SquareOverlay(typeId); break;
    case 2: layer = new Circles(typeId); break;
    default: return nullptr;   // a TypeID in the table without a class
    }
    layer->setup();
    return layer;
}

std::size_t layerObjectBytes(int typeId)
{
    switch (typeId) {
    case 0: return sizeof(NoiseSlice);
    case 1: return sizeof(SquareOverlay);
    case 2: return sizeof(Circles);
    default: return 0;
    }
}
