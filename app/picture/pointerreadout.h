#pragma once
// What the info line says while the pointer rests over the drawing area:
// the layer coordinates under it and the current layer's value there, the
// float before it becomes a byte.
#include <string>

class LayerControls;
class Renderable;

namespace pointerreadout {

// The texture pixel (i, j) shown at window point (x, y) of a drawing area
// areaWidth x areaHeight (origin top left, y downwards; texture row 0 is at
// the bottom). False when the point is outside the area.
bool pixelAt(const Renderable& layer, int x, int y, int areaWidth, int areaHeight, int* i, int* j);

// The tile preview: 2 x 2 tiles of tileWidth x tileHeight from the area's
// lower left corner. The point (tx, ty) within the tile under window point
// (x, y), origin top left; false outside the tiles.
bool tilePointAt(int x, int y, int areaWidth, int areaHeight, int tileWidth, int tileHeight, int* tx, int* ty);

// "x 3.2500  y -1.5000  value 0.7312" for texture pixel (i, j): the layer
// point the pixel's value is computed at, and that value.
std::string text(const Renderable& layer, int i, int j);

} // namespace pointerreadout

// The readout itself: the pointer over the drawing area with no drag
// running puts the layer point and value there into the info line.
class PointerReadout {
public:
    explicit PointerReadout(LayerControls& controls) : controls(controls) {}

    // The pointer at (x, y) in the drawing area (origin top left). Outside
    // the area, the info line goes back to the last outcome.
    void show(int x, int y);
    void clear();

private:
    LayerControls& controls;
    int pointerX = -1, pointerY = -1;   // where the readout was last asked for
};
