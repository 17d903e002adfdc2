#include "app/drawingarearesize.h"

#include "app/layercontrols.h"
#include "layers/renderable.h"
#include "layers/viewresize.h"

namespace viewresize {

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
