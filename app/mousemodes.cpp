#include "app/mousemodes.h"

#include "app/layercontrols.h"

namespace mousemodes {

const char* const panText = "Move mouse to pan the current layer";
const char* const zoomText = "Move mouse to change zoom level of the current layer";
const char* const adjustText = "Move mouse to adjust parameter of the current layer";

const char* applyButton(MouseMode& mode, int& lastX, int& lastY, int button, int state, int x, int y,
                        int modifiers)
{
    if (state != buttonDown) {
        // Any release ends the drag, also of a button that did not start it.
        mode = MouseMode::None;
        return "";
    }
    lastX = x;
    lastY = y;
    if (button == rightButton) {
        mode = MouseMode::Zoom;   // whatever modifiers are held
        return zoomText;
    }
    if (button != leftButton) return "";   // middle, wheel and extra buttons keep the mode
    if (modifiers & shiftBit) {
        mode = MouseMode::Adjust;            // Shift wins over Ctrl
        return adjustText;
    }
    if (modifiers & ctrlBit) {
        mode = MouseMode::Zoom;
        return zoomText;
    }
    mode = MouseMode::Pan;
    return panText;
}

void applyMotion(MouseMode mode, int& lastX, int& lastY, int x, int y, LayerControls& controls)
{
    if (mode == MouseMode::None) return;
    const int dx = lastX - x;
    const int dy = y - lastY;
    lastX = x;
    lastY = y;
    switch (mode) {
    case MouseMode::Pan: controls.panCurrentLayer(dx, dy); break;
    case MouseMode::Zoom: controls.zoomCurrentLayer(dy); break;
    case MouseMode::Adjust:
        if (controls.variableSteps.wholeNumberSelected()) {
            // Whole steps: the pixels short of the next one stay in the
            // drag, measured from where the last step was taken.
            const int steps = dy / adjustPixelsPerUnit;   // toward zero
            lastY = y - (dy - steps * adjustPixelsPerUnit);
            controls.variableSteps.moveWhole(steps);
        } else {
            controls.adjustSelectedVariable(adjustDelta(dy));
        }
        break;
    case MouseMode::None: break;
    }
}

float adjustDelta(int dy)
{
    return static_cast<float>(dy / static_cast<double>(adjustPixelsPerUnit));
}

} // namespace mousemodes
