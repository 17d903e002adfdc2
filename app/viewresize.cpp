#include "app/viewresize.h"

#include "app/layercontrols.h"
#include "layers/renderable.h"

namespace viewresize {

namespace {

template <class Visit>
void forEachLayer(Renderable& layer, const Visit& visit)
{
    visit(layer);
    for (int i = 0; i < layer.variableCount; ++i)
        if (Renderable* input = layer.variables[i].getInputLayer()) forEachLayer(*input, visit);
}

void setTextureSize(Renderable& layer, int width, int height)
{
    layer.textureWidth = width;
    layer.textureHeight = height;
    // The next render allocates the buffer of the new size.
    layer.pixels.clear();
    layer.pixels.shrink_to_fit();
}

// extent x newPixels / oldPixels in double, narrowed once: the units per
// pixel stay as close as single precision allows.
float scaledExtent(float extent, int oldPixels, int newPixels)
{
    if (oldPixels <= 0) return extent;
    return static_cast<float>(static_cast<double>(extent) * newPixels / oldPixels);
}

} // namespace

Size clampedSize(int width, int height)
{
    return {width > 1 ? width : 1, height > 1 ? height : 1};
}

void resizeKeepingScale(Renderable& root, int width, int height)
{
    const Size size = clampedSize(width, height);
    forEachLayer(root, [&](Renderable& layer) {
        const float zoomX = scaledExtent(layer.zoomx, layer.textureWidth, size.width);
        const float zoomY = scaledExtent(layer.zoomy, layer.textureHeight, size.height);
        setTextureSize(layer, size.width, size.height);
        layer.setView(layer.x, layer.y, zoomX, zoomY);
    });
}

void resizeKeepingView(Renderable& root, int width, int height)
{
    const Size size = clampedSize(width, height);
    forEachLayer(root, [&](Renderable& layer) {
        setTextureSize(layer, size.width, size.height);
        layer.updateMapping();
    });
}

bool resizeDrawingArea(LayerControls& controls, int width, int height)
{
    const Size size = clampedSize(width, height);
    if (size.width == controls.viewportWidth && size.height == controls.viewportHeight) return false;
    controls.setViewportSize(size.width, size.height);
    for (int i = 0; i < controls.baseLayerCount; ++i)
        if (controls.baseLayers[i]) resizeKeepingScale(*controls.baseLayers[i], size.width, size.height);
    controls.redrawRequested = true;
    return true;
}

} // namespace viewresize
