#pragma once
// The viewer's drawing area takes a new size: the controller's part of a
// window resize. The layers' part is layers/viewresize.h.
#include "layers/composition.h"

class LayerControls;

namespace viewresize {

// The window's drawing area is now width x height (clamped to 1 x 1): the
// controller takes it as the size of new layers and every base layer's tree
// is resized keeping its scale. Returns false, and asks for nothing, when the
// size is the one the controller already has; else asks for a new picture.
bool resizeDrawingArea(LayerControls& controls, int width, int height);

// The scene's settings as the viewer writes them (a file, the clipboard):
// with the drawing area the views are shown in now, which a render that
// keeps the aspect scales from (none when the controller shows no picture).
SceneSettings settingsAsWritten(const LayerControls& controls);

} // namespace viewresize
