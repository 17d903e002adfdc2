#pragma once
// Float to integer conversions that are defined for every input.
//
// A plain cast is undefined behaviour when the value is NaN or outside the
// target range, and a view panned or zoomed far from the origin produces such
// values. These helpers truncate toward zero exactly like a cast wherever the
// value fits, and saturate elsewhere (NaN gives 0).
#include <climits>
#include <cmath>
#include <cstdint>

inline int saturatingTrunc(double v)
{
    if (!(v == v)) return 0;                          // NaN
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

// The grey byte of a layer value: the low 8 bits of trunc(value x 255), so
// values outside [0, 1] wrap (-0.5 gives 129, 1.5 gives 126). Values so large
// that their truncation is a multiple of 256 give 0, and so do NaN and
// infinities.
inline std::uint8_t greyByte(float value)
{
    const double scaled = static_cast<double>(value) * 255.0;
    if (!(std::fabs(scaled) < 9.2e18)) return 0;      // NaN, infinite, or beyond int64
    return static_cast<std::uint8_t>(static_cast<std::int64_t>(scaled) & 0xff);
}
