#include "generators/squareoverlay.h"

#include "generators/cellmath.h"
#include "generators/patternlanes.h"
#include "generators/seamless.h"
#include "layers/saturate.h"

#include <cmath>

namespace {

// Seamless, the pixel of the lower corner of a point's cell, both found by
// floors: as the view moves by whole cells the corner moves with it, pixel
// for pixel, on either side of the origin.
void fittedCorner(const WindowMapping& m, float xpos, float ypos, float cellX, float cellY, int& cx, int& cy)
{
    const float xx = std::floor(xpos / cellX) * cellX;
    const float yy = std::floor(ypos / cellY) * cellY;
    cx = saturatingTrunc(std::floor((xx - m.layerLeft) / m.layerWidth * m.windowWidth));
    cy = saturatingTrunc(std::floor((yy - m.layerTop) / m.layerSpan * m.windowHeight));
}

} // namespace

void SquareOverlay::createVariables()
{
    variables[0].init(this, "Width", 2.0f, 5.0f, 0.001f);
    variableCount = 1;
}

float SquareOverlay::valueAtPoint(float px, float py) const
{
    return insideSquare(px, py) ? 1.0f : 0.0f;
}

void SquareOverlay::widthPixel(float xpos, float ypos, int& cx, int& cy) const
{
    if (seamless) {
        fittedCorner(mapping, xpos, ypos, seamless::fittedPeriod(zoomx, cellSize), seamless::fittedPeriod(zoomy, cellSize),
                     cx, cy);
        return;
    }
    // The Width is read once per cell, at the pixel of the cell's corner, so
    // a driven Width still gives every square a single side. Snapping goes
    // toward the origin while wrapping goes down, so for negative coordinates
    // the Width comes from the neighbouring cell's corner (visible only when
    // the Width is driven).
    mapping.layerToWindow(snapToCell(xpos, cellSize), snapToCell(ypos, cellSize), cx, cy);
}

bool SquareOverlay::insideSquare(float px, float py) const
{
    float xpos = px;
    float ypos = py;
    mapping.windowToLayer(xpos, ypos);
    // The corner is a whole pixel wherever the point lies.
    int cx = 0, cy = 0;
    widthPixel(xpos, ypos, cx, cy);
    const float w = variables[0].getValueAt(cx, cy);
    const float cellX = seamless ? seamless::fittedPeriod(zoomx, cellSize) : cellSize;
    const float cellY = seamless ? seamless::fittedPeriod(zoomy, cellSize) : cellSize;
    return patternlanes::insideSquareOfSide(wrapPositive(xpos, cellX), wrapPositive(ypos, cellY), w);
}

void SquareOverlay::valueRow(int y, int x0, int count, float* out, int step) const
{
    // out holds the layer x coordinates until each is replaced by its value.
    layerRowX(x0, count, out, step);
    const float ypos = layerRowY(y);
    const float cellX = seamless ? seamless::fittedPeriod(zoomx, cellSize) : cellSize;
    const float cellY = seamless ? seamless::fittedPeriod(zoomy, cellSize) : cellSize;
    const float v = wrapPositive(ypos, cellY);

    // The Width is read at another pixel than the one computed, so a driven
    // Width is asked pixel by pixel; evaluation is pure, so a corner pixel is
    // asked again only when it changes.
    float w[rowChunk];
    const LayerVariable& width = variables[0];
    if (!width.getInputLayer()) {
        for (int k = 0; k < count; ++k) w[k] = width.getValue();
    } else {
        const float yy = snapToCell(ypos, cellSize);
        int lastCx = 0;
        float value = 0.0f;
        for (int k = 0; k < count; ++k) {
            // Both corners compute each coordinate from its own axis alone.
            int cx = 0, cy = 0;
            if (seamless)
                fittedCorner(mapping, out[k], ypos, cellX, cellY, cx, cy);
            else
                mapping.layerToWindow(snapToCell(out[k], cellSize), yy, cx, cy);
            if (k == 0 || cx != lastCx) {
                value = width.getValueAt(cx, cy);
                lastCx = cx;
            }
            w[k] = value;
        }
    }

    patternlanes::insideSquaresRow(out, v, cellX, w, count, out);
}

void SquareOverlay::valuePoints(const float* px, const float* py, int count, float* out) const
{
    // out holds the layer x coordinates until each is replaced by its value.
    float ys[rowChunk], w[rowChunk];
    layerPoints(px, py, count, out, ys);
    const LayerVariable& width = variables[0];
    if (!width.getInputLayer()) {
        for (int k = 0; k < count; ++k) w[k] = width.getValue();
    } else {
        int lastCx = 0, lastCy = 0;
        float value = 0.0f;
        for (int k = 0; k < count; ++k) {
            int cx = 0, cy = 0;
            widthPixel(out[k], ys[k], cx, cy);
            if (k == 0 || cx != lastCx || cy != lastCy) {
                value = width.getValueAt(cx, cy);
                lastCx = cx;
                lastCy = cy;
            }
            w[k] = value;
        }
    }
    const float cellX = seamless ? seamless::fittedPeriod(zoomx, cellSize) : cellSize;
    const float cellY = seamless ? seamless::fittedPeriod(zoomy, cellSize) : cellSize;
    patternlanes::insideSquaresPoints(out, ys, cellX, cellY, w, count, out);
}
