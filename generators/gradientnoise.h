#pragma once
// Simplex gradient noise in one to four dimensions.
//
// Deterministic: no state, so the same point always gives the same value.
// The 2-D and 4-D noise read the permutation of a table set
// (noisetables.h): each seed has its own, and the forms without one read
// seed 0's, the reference permutation. All arithmetic is single
// precision in a fixed order, so results are bit-exact across builds (the
// project compiles with -ffp-contract=off for this).
#include <cstdint>

namespace GradientNoise {
namespace noisetables {
struct TableSet;
}

float sample1(float x);
float sample2(float x, float y);                    // about [-1, 1]; the Noise layer's field
float sample3(float x, float y, float z);
float sample4(float x, float y, float z, float w);
float sample2(const noisetables::TableSet& tables, float x, float y);
float sample4(const noisetables::TableSet& tables, float x, float y, float z, float w);

// sample2 of many points at once, on SIMD lanes: out[k] = sample2(xs[k], ys[k])
// for k < count, bit for bit, on every instruction set (simdtargets.h).
// out may be xs or ys (evaluation in place).
// Each batch and row function comes with the table set to read (that of
// a layer's seed) and without (seed 0's).
void sample2Batch(const float* xs, const float* ys, int count, float* out);
void sample2Batch(const noisetables::TableSet& tables, const float* xs, const float* ys, int count, float* out);
// The same along a row: out[k] = sample2(xs[k], y). out may be xs.
void sample2Row(const float* xs, float y, int count, float* out);
void sample2Row(const noisetables::TableSet& tables, const float* xs, float y, int count, float* out);

// sample4 of many points at once, on SIMD lanes: out[k] = sample4(xs[k],
// ys[k], zs[k], ws[k]), bit for bit, on every instruction set. out may be an
// input.
void sample4Batch(const float* xs, const float* ys, const float* zs, const float* ws, int count, float* out);
void sample4Batch(const noisetables::TableSet& tables, const float* xs, const float* ys, const float* zs,
                  const float* ws, int count, float* out);
// A row of the seamless noise's torus, the last two coordinates fixed,
// scaling and clamping on the lanes: out[k] = sample4(scale * xs[k],
// scale * ys[k], z, w) times gain (at least 0), then brought within [-1, 1]
// by a comparison and a select each way (NaN stays NaN); a negative gain
// leaves sample4 as it is, neither scaled nor clamped. out may be xs or ys.
void sample4TorusRow(const noisetables::TableSet& tables, const float* xs, const float* ys, float scale, float z,
                     float w, float gain, int count, float* out);
// The same with z and w for each point: out[k] from sample4(scale * xs[k],
// scale * ys[k], zs[k], ws[k]). out may be any input.
void sample4TorusPoints(const noisetables::TableSet& tables, const float* xs, const float* ys, float scale,
                        const float* zs, const float* ws, float gain, int count, float* out);

// The pieces below are internal to the noise; they are declared here so the
// tests can pin them down.

// trunc(v) for v > 0, trunc(v) - 1 otherwise: one less than floor at 0 and at
// negative whole numbers. Saturates instead of overflowing far outside the
// int range, and NaN gives -1, so every input has a defined result.
int latticeFloor(float v);

// Entries 0..255 are the reference permutation of 0..255; 256..511 repeat
// them, so lattice index (0..255) + step (0 or 1) + earlier entry (0..255)
// never needs a further reduction. Seed 0's table set reads it.
extern const std::uint8_t (&permutation)[512];

// For the six comparison bits of a 4-D offset (bit 5 x>y, 4 x>z, 3 y>z,
// 2 x>w, 1 y>w, 0 z>w): the rank of x, y, z, w, or all zeros for the 40 bit
// patterns no real ordering produces.
extern const std::uint8_t (&cornerRank)[64][4];

} // namespace GradientNoise
