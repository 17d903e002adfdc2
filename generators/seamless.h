#pragma once
// Seamless patterns: with the scene's "Seamless" switch on, every layer's
// pattern repeats over its own view, so moving a layer's centre by its extent
// gives the same picture and a texture joins its own edges. A layer type says
// how it repeats in its valueAt and valueRow, under Renderable::seamless.
//
// Noise: the 4-D noise on a torus whose two circles have the extents as
// circumferences (features keep their size), times noiseGain, clamped to
// [-1, 1]. Squares and Circles: their period fitted to a whole number of
// periods across each extent.
#include <cmath>
#include <memory>
#include <vector>

class WindowMapping;
namespace GradientNoise::noisetables {
struct TableSet;
}

namespace seamless {

// Where a layer coordinate lies on the circle of one extent: the cosine and
// sine of 2 pi t, t = c / e - floor(c / e), formed in double from the
// absolute coordinate (so a pan moves the pattern) by the C library and
// rounded to float. Every path, per pixel and per row, uses these values.
struct Turn {
    float cosine = 1.0f;
    float sine = 0.0f;
};
Turn turnOf(float coordinate, float extent);

// The radius of the circle whose circumference is the extent, in float.
float radiusOf(float extent);

// The 4-D noise on the torus has less contrast than the 2-D noise. Measured
// once over 5 million points (2000 views, centres within +-1000, extents
// from 1 to 3162 units, 50 x 50 points each): standard deviations 0.299 on
// the torus, 0.549 flat. Times 2 and clamped, the torus gives 0.532, 97% of
// the flat noise's (1.8 gave 91%, 2.1 the same 100% with more of it clamped).
// tests/unit/seamless_test.cpp keeps the two within 10%.
constexpr float noiseGain = 2.0f;

// gain * n, clamped to [-1, 1]; NaN stays NaN.
inline float gainClamped(float n)
{
    float v = noiseGain * n;
    if (v > 1.0f) v = 1.0f;
    if (v < -1.0f) v = -1.0f;
    return v;
}

// The seamless noise at the torus point of turns tx and ty on circles of
// radii rx and ry: gainClamped(sample4(rx cos, rx sin, ry cos, ry sin)),
// on the permutation of tables.
float torusNoise(const GradientNoise::noisetables::TableSet& tables, Turn tx, float rx, Turn ty, float ry);
// The same for a row on SIMD lanes, bit for bit: column k's turn is
// (cosines[k], sines[k]), the row's is ty. out may be cosines or sines.
void torusNoiseRow(const GradientNoise::noisetables::TableSet& tables, const float* cosines, const float* sines,
                   float rx, Turn ty, float ry, int count, float* out);
// The same at layer points (xpos[k], ypos[k]) of a view of extents extentX
// and extentY: out[k] = torusNoise(turnOf(xpos[k], extentX),
// radiusOf(extentX), turnOf(ypos[k], extentY), radiusOf(extentY)). out may
// be xpos or ypos.
void torusNoisePoints(const GradientNoise::noisetables::TableSet& tables, const float* xpos, const float* ypos,
                      float extentX, float extentY, int count, float* out);

// The period that fits a whole number of times across the extent: the
// extent divided by the nearest whole number of periods (halves up), at
// least 1. A period that does not fit even once, or is not a number, gives
// the extent itself.
inline float fittedPeriod(float extent, float period)
{
    const float n = extent / period + 0.5f;
    return extent / (n >= 1.0f ? std::floor(n) : 1.0f);
}

// The turns of the columns of a layer's texture, computed once per view and
// shared by every row of a render (sine and cosine cost more than the noise).
// Rows are evaluated on several threads at once: the table is replaced whole
// and read through an atomic shared pointer. A texture wider than
// maxTableColumns has no table (it would take 12 bytes a column): its turns
// are computed as they are read, which costs what the table would for the
// few rows an image that wide has.
class ColumnTurns {
public:
    static constexpr int maxTableColumns = 1 << 22;

    // cosines[k], sines[k] = turnOf(xs[k], extent), where xs are the layer x
    // of columns x0, x0 + step, .. x0 + (count - 1) * step under mapping.
    // Columns of the texture come from the table; any other (an input read
    // beside the texture) is computed. cosines may be xs.
    void turns(const WindowMapping& mapping, int width, float extent, const float* xs, int x0, int count,
               float* cosines, float* sines, int step = 1) const;

private:
    struct Table {
        float extent = 0;
        std::vector<float> xs, cosines, sines;
    };
    mutable std::shared_ptr<const Table> table;
};

} // namespace seamless
