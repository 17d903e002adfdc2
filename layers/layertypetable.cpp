#include "layers/layertypetable.h"

#include "generators/blend.h"
#include "generators/cellnoise.h"
#include "generators/circles.h"
#include "generators/fractalnoise.h"
#include "generators/noiseslice.h"
#include "generators/squareoverlay.h"

const char LayerTypeTable::names[LayerTypeTable::count][100] = {"Noise", "Squares", "Circles", "Fractal",
                                                              "Cells", "Blend"};

const unsigned LayerTypeTable::wholeNumberVariables[LayerTypeTable::count] = {
    0, 0, 0,
    wholeNumber(0),   // Fractal: Octaves
    0, 0};

bool isWholeNumber(int typeId, int variableIndex)
{
    if (typeId < 0 || typeId >= LayerTypeTable::count || variableIndex < 0 || variableIndex >= 32) return false;
    return (LayerTypeTable::wholeNumberVariables[typeId] & LayerTypeTable::wholeNumber(variableIndex)) != 0;
}

Renderable* createLayer(int typeId)
{
    if (typeId < 0 || typeId >= LayerTypeTable::count) return nullptr;
    Renderable* layer = nullptr;
    switch (typeId) {
    case 0: layer = new NoiseSlice(typeId); break;
    case 1: layer = new SquareOverlay(typeId); break;
    case 2: layer = new Circles(typeId); break;
    case 3: layer = new FractalNoise(typeId); break;
    case 4: layer = new CellNoise(typeId); break;
    case 5: layer = new Blend(typeId); break;
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
