#pragma once
// The layer types' value tests, each once as the scalar definition that
// valueAt uses and once as a row kernel on SIMD lanes that repeats it bit for
// bit (compiled for every instruction set, dispatched at run time; see
// layers/simdtargets.h).
#include "generators/cellmath.h"
#include "generators/noisetables.h"
#include "generators/seamless.h"

#include <cmath>
#include <cstdint>

namespace patternlanes {

// The noise tables of a layer's seed, which every noise pattern reads.
using Tables = GradientNoise::noisetables::TableSet;

// v brought into [0, 1]: 1 unless v < 1, then 0 unless v > 0. Written as
// comparisons, not min/max, so NaN gives 1 on every target.
inline float clampUnit(float v)
{
    if (!(v < 1.0f)) v = 1.0f;
    if (!(v > 0.0f)) v = 0.0f;
    return v;
}

// The Noise layer's value for noise n under Cutoff cut: the part at or below
// the Cutoff is 0, the part above it stretched so that h = 1 gives 1.
inline float cutNoise(float n, float cut)
{
    const float h = (n + 1.0f) * 0.5f;
    if (!(h > cut)) return 0.0f;
    // At Cutoff 1 the factor is infinite; the clamp brings the rare noise
    // values above 1 to exactly 1.
    return clampUnit((h - cut) * (1.0f / (1.0f - cut)));
}

// The Fractal layer's number of octaves for an Octaves value c: its whole
// part within 1 .. 8, and 1 for NaN.
inline int octaveCount(float c)
{
    if (!(c >= 1.0f)) return 1;
    if (c >= 8.0f) return 8;
    return static_cast<int>(c);
}

// Octave coordinates at or beyond 2^24 (or NaN) contribute no noise: there
// floats no longer resolve a lattice cell.
constexpr float octaveLimit = 16777216.0f;

// What an octave adds of its noise n: n itself (Fractal), or n folded into
// a ridge (Ridged).
enum class Fold { noise, ridge };

// The Ridged layer's fold, (1 - |n|)^2, highest where the noise crosses 0:
// a = n, or 0 - n where n < 0; r = 1 - a; r r.
inline float ridge(float n)
{
    const float a = n < 0.0f ? 0.0f - n : n;
    const float r = 1.0f - a;
    return r * r;
}

// The Fractal layer's sum of oct octaves of sample2 at layer point
// (xpos, ypos), divided by the sum of their amplitudes: octave k samples at
// (xpos f + 17 k, ypos f + 31 k) with f = lac^k and weighs by gain^k. The
// offsets keep the octaves from sharing the noise's zero at the origin. An
// octave whose point is not within the limit has the noise 0. With
// Fold::ridge each octave adds ridge(n) in place of n: the Ridged layer's
// sum before its clamp.
float fractalSum(const Tables& tables, float xpos, float ypos, int oct, float lac, float gain, Fold fold = Fold::noise);

// Seamless, the Fractal layer's octaves come from the seamless noise:
// octave k samples the view's torus scaled by its frequency f (circles of
// radii rx f and ry f, still one turn per extent), at
// (rx f cx + 17 k, rx f sx + 17 k, ry f cy + 31 k, ry f sy + 31 k) for the
// turns (cx, sx) of x and (cy, sy) of y, and its noise is
// seamless::gainClamped of sample4 there, or 0 where a coordinate is not
// below 2^24. The rest is fractalSum's.
float torusFractalSum(const Tables& tables, seamless::Turn tx, float rx, seamless::Turn ty, float ry, int oct, float lac,
                      float gain, Fold fold = Fold::noise);
// The same for a row: out[k] = torusFractalSum((cosines[k], sines[k]), rx,
// ty, ry, oct[k], lac[k], gain[k], fold), the octaves on the 4-D noise
// kernel.
// out may be cosines.
void torusFractalSumRow(const Tables& tables, const float* cosines, const float* sines, float rx, seamless::Turn ty,
                        float ry, const std::uint8_t* oct, const float* lac, const float* gain, int count, float* out,
                        Fold fold = Fold::noise);
// The same for points: out[k] = torusFractalSum(turnOf(xpos[k], extentX),
// radiusOf(extentX), turnOf(ypos[k], extentY), radiusOf(extentY), oct[k],
// lac[k], gain[k], fold). out may be xpos.
void torusFractalSumPoints(const Tables& tables, const float* xpos, const float* ypos, float extentX, float extentY,
                           const std::uint8_t* oct, const float* lac, const float* gain, int count, float* out,
                           Fold fold = Fold::noise);

// The Blend layer's value: a + (b - a) m, clamped.
inline float blend(float a, float b, float m)
{
    float t = b - a;
    t = t * m;
    return clampUnit(a + t);
}

// Whether a point at (u, v) within its cell lies strictly inside the square
// of side w in the cell's lower corner.
inline bool insideSquareOfSide(float u, float v, float w)
{
    return u > 0 && v > 0 && u < w && v < w;
}

// Whether layer point (xpos, ypos) lies strictly inside its cell's disc of
// radius r, the cells being 2r + s wide.
inline bool insideDisc(float xpos, float ypos, float r, float s)
{
    const float period = 2.0f * r + s;
    const float du = wrapPositive(xpos, period) - r;
    const float dv = wrapPositive(ypos, period) - r;
    return r * r > du * du + dv * dv;
}

// values[k] = cutNoise(values[k], cut[k]).
void cutNoiseRow(const float* cut, int count, float* values);
// values[k] = cutNoise(values[k], cut): one Cutoff for the whole run.
void cutNoiseRow(float cut, int count, float* values);

// The Fractal layer's octaves of a row, on SIMD lanes: out[k] =
// fractalSum(xpos[k], ypos, oct[k], lac[k], gain[k], fold) bit for bit, oct[k]
// within 1 .. 8. The 2-D noise kernel samples each octave, fractalRun
// points at a time. out may be xpos.
constexpr int fractalRun = 256;
void fractalSumRow(const Tables& tables, const float* xpos, float ypos, const std::uint8_t* oct, const float* lac,
                   const float* gain, int count, float* out, Fold fold = Fold::noise);
// The same with one oct, lac and gain for the whole run.
void fractalSumRow(const Tables& tables, const float* xpos, float ypos, int oct, float lac, float gain, int count,
                   float* out, Fold fold = Fold::noise);

// values[k] = clampUnit(values[k]).
void clampUnitRow(int count, float* values);

// The same at points: out[k] = fractalSum(xpos[k], ypos[k], oct[k], lac[k],
// gain[k], fold), and with one oct, lac and gain for all points. out may be
// xpos.
void fractalSumPoints(const Tables& tables, const float* xpos, const float* ypos, const std::uint8_t* oct,
                      const float* lac, const float* gain, int count, float* out, Fold fold = Fold::noise);
void fractalSumPoints(const Tables& tables, const float* xpos, const float* ypos, int oct, float lac, float gain,
                      int count, float* out, Fold fold = Fold::noise);

// out[k] = blend(a[k], b[k], m[k]). out may be any of the inputs.
void blendRow(const float* a, const float* b, const float* m, int count, float* out);

// out[k] = 1 if insideSquareOfSide(wrapPositive(xpos[k], cellSize), v,
// width[k]), else 0. out may be xpos.
void insideSquaresRow(const float* xpos, float v, float cellSize, const float* width, int count, float* out);

// The same at points: out[k] = 1 if insideSquareOfSide(wrapPositive(xpos[k],
// cellX), wrapPositive(ypos[k], cellY), width[k]), else 0. out may be xpos.
void insideSquaresPoints(const float* xpos, const float* ypos, float cellX, float cellY, const float* width, int count,
                         float* out);

// out[k] = 1 if insideDisc(xpos[k], ypos, radius[k], spacing[k]), else 0.
// out may be xpos.
void insideDiscsRow(const float* xpos, float ypos, const float* radius, const float* spacing, int count,
                    float* out);
// The same at points, ypos[k] for each. out may be xpos.
void insideDiscsPoints(const float* xpos, const float* ypos, const float* radius, const float* spacing, int count,
                       float* out);

// The Warp layer. Its points move by at most this much: a moved point whose
// coordinate is not below it in magnitude (or NaN) reads no Source.
constexpr float warpLimit = 16777216.0f;

// The point q that a Warp reads its Source at, for the point (px, py), Warp
// X and Warp Y wx and wy, Amount a and the picture's width w: each
// coordinate moves by (2 (wx - 0.5)) a w, in this order. False where the
// Source is not read (q beyond warpLimit or NaN).
inline bool warpedPoint(float px, float py, float wx, float wy, float a, float w, float& qx, float& qy)
{
    const float s = a * w;
    float dx = wx - 0.5f;
    dx = dx + dx;
    dx = dx * s;
    qx = px + dx;
    float dy = wy - 0.5f;
    dy = dy + dy;
    dy = dy * s;
    qy = py + dy;
    return std::fabs(qx) < warpLimit && std::fabs(qy) < warpLimit;
}

// warpedPoint for count points: wx and wy become qx and qy, and read[k] is
// 1 where the Source is read and 0 where it is not; there q becomes (0, 0),
// a point every Source evaluates quickly. py and amount are read as one
// value when their step is 0. read may be amount when amountStep is 1.
void warpPoints(const float* px, const float* py, int pyStep, float* wx, float* wy, const float* amount,
                int amountStep, float width, int count, float* read);

// The Warp's values from the Source's values at its points: clamped where
// read[k] is 1, 0 where it is 0.
void warpValues(const float* read, int count, float* values);

} // namespace patternlanes
