#include "layers/layerclone.h"

#include "layers/layertypetable.h"
#include "layers/renderable.h"

#include <cstring>

std::unique_ptr<Renderable> cloneLayerTree(const Renderable& source)
{
    // The factory makes the right subclass and its variables; everything the
    // user can change is then copied over what it set up.
    std::unique_ptr<Renderable> copy(createLayer(source.typeId));
    if (!copy) return nullptr;
    copy->controls = source.controls;
    copy->textureWidth = source.textureWidth;
    copy->textureHeight = source.textureHeight;
    copy->x = source.x;
    copy->y = source.y;
    copy->zoomx = source.zoomx;
    copy->zoomy = source.zoomy;
    copy->viewReference = source.viewReference;
    copy->mapping = source.mapping;
    copy->inverse = source.inverse;
    copy->variableCount = source.variableCount;
    for (int i = 0; i < source.variableCount; ++i) {
        const LayerVariable& from = source.variables[i];
        LayerVariable& to = copy->variables[i];
        to.owner = copy.get();
        std::memcpy(to.name, from.name, sizeof to.name);
        to.minValue = from.minValue;
        to.maxValue = from.maxValue;
        to.overrideValue = from.overrideValue;
        to.removeInputLayer();
        if (from.inputLayer) {
            std::unique_ptr<Renderable> input = cloneLayerTree(*from.inputLayer);
            if (input) to.setInputLayer(input.release());
        }
    }
    return copy;
}
