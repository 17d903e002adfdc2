#pragma once
// Comparing floats bit for bit, as the fast paths promise: the same bits,
// or both NaN (a NaN's sign and payload carry no meaning).
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace floatbits {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

inline std::uint32_t bitsOf(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

inline float floatOf(std::uint32_t b)
{
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

inline bool sameFloat(float a, float b)
{
    return (std::isnan(a) && std::isnan(b)) || bitsOf(a) == bitsOf(b);
}

} // namespace floatbits
