#pragma once
// The values of the shaping layer types Terrace, Combine and Gradient, each
// once as the scalar definition that valueAt uses and once as a kernel on
// SIMD lanes that repeats it bit for bit over a run of points (compiled for
// every instruction set, dispatched at run time; see layers/simdtargets.h).
// Ridged, an octave sum like Fractal's, lives beside it in patternlanes.h.
//
// All arithmetic is in float in the order written: no fused multiply-add,
// comparisons and selects rather than min/max.
#include "generators/patternlanes.h"

#include <cmath>

namespace shapinglanes {

using patternlanes::clampUnit;

// The whole number a variable's value c stands for, within [lo, hi]: lo
// unless c >= lo (so NaN gives lo), hi if c >= hi, otherwise c truncated
// toward zero.
inline int wholeNumber(float c, int lo, int hi)
{
    if (!(c >= static_cast<float>(lo))) return lo;
    if (c >= static_cast<float>(hi)) return hi;
    return static_cast<int>(c);
}

constexpr int maxSteps = 32;

// The Terrace layer's value for Source s between Low lo and High hi in k
// steps (1 <= k <= maxSteps): s brought from [lo, hi] to [0, 1], clamped,
// then floored to one of k levels from 0 to 1. One step leaves the
// stretched Source as it is (a levels control).
inline float terrace(float s, float lo, float hi, int k)
{
    float t = s - lo;
    const float d = hi - lo;
    t = t / d;
    t = clampUnit(t);
    if (k < 2) return t;
    const float u = t * static_cast<float>(k);
    float i = std::floor(u);
    if (i > static_cast<float>(k - 1)) i = static_cast<float>(k - 1);
    return i / static_cast<float>(k - 1);
}

// Combine's modes, by the whole number of its Mode variable.
enum Mode { add, subtract, multiply, minimum, maximum, difference, screen, modeCount };
extern const char* const modeNames[modeCount];   // "Add" .. "Screen"

// The Combine layer's value: A and B combined by mode m (0 .. 6), clamped.
inline float combine(float a, float b, int m)
{
    float v = 0.0f;
    switch (m) {
    case add: v = a + b; break;
    case subtract: v = a - b; break;
    case multiply: v = a * b; break;
    case minimum: v = a < b ? a : b; break;
    case maximum: v = a > b ? a : b; break;
    case difference: {
        const float t = a - b;
        v = t > 0 ? t : 0 - t;
        break;
    }
    default: {   // screen
        float t = 1 - a;
        const float w = 1 - b;
        t = t * w;
        v = 1 - t;
        break;
    }
    }
    return clampUnit(v);
}

// Gradient's shapes, by the whole number of its Shape variable.
enum Shape { alongX, alongY, radial, shapeCount };
extern const char* const shapeNames[shapeCount];   // "Along x", "Along y", "Radial"

// The gradient's geometry fills the default view (centre (0, 0), extents
// 20): x from -10 to 10, y from -10 at the bottom of the picture (texture
// row 0) to -30 at its top, the middle at (0, -20).
//
// The Gradient layer's value at layer point (X, Y) for shape m (0 .. 2) and
// Softness e: g rises from 0 at one edge of the view to 1 at the other
// (along x, along y towards the top), or from 0 at a radius of 10 to 1 in
// the middle (radial); clamped. Then v is 0 where g is, 1 where g >= e and
// g / e between: Softness 1 keeps g, less gives a plateau with a soft rim,
// 0 a hard mask. A Softness of 1 or more, or NaN, counts as 1.
inline float gradient(float X, float Y, int m, float e)
{
    float g = 0.0f;
    if (m == alongX) {
        g = X + 10;
        g = g / 20;
    } else if (m == alongY) {
        g = -10 - Y;
        g = g / 20;
    } else {
        const float dx = X;
        const float dy = Y + 20;
        float d = dx * dx;
        const float t = dy * dy;
        d = d + t;
        d = std::sqrt(d);
        g = d / 10;
        g = 1 - g;
    }
    g = clampUnit(g);
    if (!(e < 1)) e = 1;
    if (g == 0) return 0.0f;
    if (g >= e) return 1.0f;
    return g / e;
}

// Seamless, the gradient's point is brought into the one period the
// picture shows: X into [left, left + zx) by wrapPositive from the layer's
// left edge, Y likewise downward from top, the y of texture row 0; zx and zy
// are the layer's extents.
inline float wrapX(float X, float left, float zx)
{
    return left + wrapPositive(X - left, zx);
}
inline float wrapY(float Y, float top, float zy)
{
    return top - wrapPositive(top - Y, zy);
}

// The kernels. Each input is read at values[k * step]: step 1 for a value
// per point, 0 for one value for the whole run. out may be any input.

// out[k] = terrace(s[k], lo[k], hi[k], wholeNumber(steps[k], 1, maxSteps)).
void terraceRow(const float* s, int sStep, const float* lo, int loStep, const float* hi, int hiStep,
                const float* steps, int stepsStep, int count, float* out);

// out[k] = combine(a[k], b[k], wholeNumber(mode[k], 0, 6)).
void combineRow(const float* a, int aStep, const float* b, int bStep, const float* mode, int modeStep, int count,
                float* out);

// out[k] = gradient(X[k], Y[k], wholeNumber(shape[k], 0, 2), softness[k]).
void gradientRow(const float* X, int xStep, const float* Y, int yStep, const float* shape, int shapeStep,
                 const float* softness, int softnessStep, int count, float* out);

} // namespace shapinglanes
