#include "app/picture/wheelzoom.h"

#include "app/history/editstep.h"
#include "app/layercontrols.h"
#include "app/mousemodes.h"

namespace wheelzoom {

int dragPixels(int button)
{
    if (button == wheelUpButton) return notchPixels;
    if (button == wheelDownButton) return -notchPixels;
    return 0;
}

bool apply(int button, int state, int x, int y, LayerControls& controls)
{
    const int dy = dragPixels(button);
    if (dy == 0 || state != mousemodes::buttonDown) return false;
    EditStep step(controls.history, "Zoom");   // each notch is an undo step of its own
    controls.picture.zoomAt(dy, x, y);
    return true;
}

} // namespace wheelzoom
