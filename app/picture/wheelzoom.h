#pragma once
// The mouse wheel over the drawing area zooms the current layer, and with it
// the whole tree below it, by the factor of a zoom drag of notchPixels (wheel
// up zooms in), about the pointer: the layer point under it stays there.
class LayerControls;

namespace wheelzoom {

// freeglut reports the wheel as these buttons when no wheel callback is set.
constexpr int wheelUpButton = 3;
constexpr int wheelDownButton = 4;
constexpr int notchPixels = 24;

// The vertical drag, in pixels, that one notch of button stands for: down
// (positive, zooming in) for wheel up, up for wheel down; 0 for any other
// button.
int dragPixels(int button);

// A button event at (x, y) in the drawing area: a wheel notch (the press;
// GLUT sends a release right after it) zooms the current layer. Returns
// whether it was one.
bool apply(int button, int state, int x, int y, LayerControls& controls);

} // namespace wheelzoom
