#include "generators/squareoverlay.h"

#include "generators/cellmath.h"
#include "generators/celllanes.h"

namespace {

// Whether a point at (u, v) within its cell lies inside a square of side w.
inline bool insideOfWidth(float u, float v, float w)
{
    return u > 0 && v > 0 && u < w && v < w;
}

} // namespace

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
    return insideOfWidth(u, v, w);
}

void SquareOverlay::valueRow(int y, int x0, int count, float* out) const
{
    // out holds the layer x coordinates until each is replaced by its value.
    layerRowX(x0, count, out);
    const float ypos = layerRowY(y);
    const float v = wrapPositive(ypos, cellSize);

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
            // layerToWindow computes each coordinate from its own axis alone.
            int cx = 0, cy = 0;
            mapping.layerToWindow(snapToCell(out[k], cellSize), yy, cx, cy);
            if (k == 0 || cx != lastCx) {
                value = width.getValueAt(cx, cy);
                lastCx = cx;
            }
            w[k] = value;
        }
    }

    int k = 0;
#if defined(__SSE2__)
    const __m128 zero = _mm_setzero_ps();
    const __m128 vv = _mm_set1_ps(v);
    for (; k + 4 <= count; k += 4) {
        const __m128 x = _mm_loadu_ps(out + k);
        const __m128 side = _mm_loadu_ps(w + k);
        int exact = 0;
        const __m128 u = celllanes::wrapPositive4(x, _mm_set1_ps(cellSize), &exact);
        const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(u, zero), _mm_cmpgt_ps(vv, zero)),
                                         _mm_and_ps(_mm_cmplt_ps(u, side), _mm_cmplt_ps(vv, side)));
        if (exact == 0xf) {
            _mm_storeu_ps(out + k, celllanes::oneWhere(inside));
            continue;
        }
        alignas(16) float xs[4];
        _mm_store_ps(xs, x);
        _mm_storeu_ps(out + k, celllanes::oneWhere(inside));
        for (int l = 0; l < 4; ++l)
            if (!(exact & (1 << l)))
                out[k + l] = insideOfWidth(wrapPositive(xs[l], cellSize), v, w[k + l]) ? 1.0f : 0.0f;
    }
#endif
    for (; k < count; ++k) out[k] = insideOfWidth(wrapPositive(out[k], cellSize), v, w[k]) ? 1.0f : 0.0f;
}
