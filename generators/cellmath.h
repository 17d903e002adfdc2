#pragma once
// Cell arithmetic shared by the tiling layer types.
//
// Quotients are truncated toward zero into an int, as everywhere in the
// patterns. Far from the origin a quotient can exceed the int range (or be
// NaN); saturatingTrunc keeps that defined, and wherever the quotient fits the
// results are those of a plain truncation.
#include "layers/saturate.h"

#include <climits>

// The position of a inside its cell of size b, measured from the cell's
// lower edge: [0, b) for a >= 0 and (0, b] for a < 0 when b > 0, so a
// negative whole multiple of b gives b, not 0. b = 0 gives 0.
inline float wrapPositive(float a, float b)
{
    if (b == 0) return 0.0f;
    const int q = saturatingTrunc(a / b);
    // |INT_MIN| has no int; the next value down serves, as saturation is
    // already inexact there.
    const long long k = q == INT_MIN ? INT_MAX : (q < 0 ? -q : q);
    if (a >= 0) return a - b * static_cast<float>(k);
    return a + b * static_cast<float>(k + 1);
}

// The multiple of b on the origin side of a (-2 snaps to 0, -7 to -5 for
// b = 5): the corner of a's cell nearest the origin. b = 0 gives 0.
inline float snapToCell(float a, float b)
{
    if (b == 0) return 0.0f;
    return static_cast<float>(saturatingTrunc(a / b)) * b;
}
