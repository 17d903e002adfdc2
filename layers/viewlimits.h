#pragma once
// The range in which every view of every layer is kept.
//
// Single precision cannot hold a small extent far from the origin (at a
// centre of 1e7 an extent of 0.1 rounds away and the mapping's rectangle
// becomes empty), and an extent grown without bound overflows to infinity,
// after which zooming yields NaN. Views are therefore clamped on every change,
// and the scene reader applies the same rule to what a file holds. Inside
// these ranges nothing is altered.
namespace viewlimits {

constexpr float minExtent = 0.1f;
constexpr float maxExtent = 1e6f;
constexpr float maxCentre = 1e5f;

// An extent within [minExtent, maxExtent]; NaN becomes minExtent.
inline float clampExtent(float e)
{
    if (!(e >= minExtent)) return minExtent;          // also catches NaN
    if (e > maxExtent) return maxExtent;
    return e;
}

// A centre coordinate within [-maxCentre, maxCentre]; NaN becomes 0.
inline float clampCentre(float c)
{
    if (c != c) return 0.0f;
    if (c > maxCentre) return maxCentre;
    if (c < -maxCentre) return -maxCentre;
    return c;
}

} // namespace viewlimits
