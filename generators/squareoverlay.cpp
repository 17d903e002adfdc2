#include "generators/squareoverlay.h"

#include "generators/cellmath.h"

void SquareOverlay::createVariables()
{
    variables[0].init(this, "Width", 2.0f, 5.0f, 0.001f);
    variableCount = 1;
}

float SquareOverlay::valueAt(int x, int y) const
{
    return insideSquare(x, y) ? 1.0f : 0.0f;
}

bool SquareOverlay::insideSquare(int x, int y) const
{
    float xpos = static_cast<float>(x);
    float ypos = static_cast<float>(y);
    mapping.windowToLayer(xpos, ypos);

    // The Width is read once per cell, at the pixel of the cell's corner, so
    // a driven Width still gives every square a single side. Snapping goes
    // toward the origin while wrapping goes down, so for negative coordinates
    // the Width comes from the neighbouring cell's corner (visible only when
    // the Width is driven).
    const float xx = snapToCell(xpos, cellSize);
    const float yy = snapToCell(ypos, cellSize);
    int cx = 0, cy = 0;
    mapping.layerToWindow(xx, yy, cx, cy);
    const float w = variables[0].getValueAt(cx, cy);

    const float u = wrapPositive(xpos, cellSize);
    const float v = wrapPositive(ypos, cellSize);
    return u > 0 && v > 0 && u < w && v < w;
}
