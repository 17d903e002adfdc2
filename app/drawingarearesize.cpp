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

SceneSettings settingsAsWritten(const LayerControls& controls)
{
    SceneSettings settings = controls.sceneSettings;
    // A controller that shows no picture (headless, without a texture
    // backend) has no drawing area anyone designed in: it records none.
    if (controls.textureBackend && controls.viewportWidth > 0 && controls.viewportHeight > 0)
        settings.drawingArea = {controls.viewportWidth, controls.viewportHeight};
    return settings;
}

} // namespace viewresize
