#include "generators/gradientnoise.h"

#include "generators/noisetables.h"
#include "layers/saturate.h"

#include <climits>

namespace GradientNoise {

namespace {
// Padded as every TableSet's permutation is (noisetables.h).
alignas(64) const std::uint8_t paddedPermutation[512 + noisetables::permutationPad] = {
    GRADIENTNOISE_PERMUTATION_VALUES,
    GRADIENTNOISE_PERMUTATION_VALUES
};
} // namespace

const std::uint8_t (&permutation)[512] = *reinterpret_cast<const std::uint8_t(*)[512]>(paddedPermutation);

namespace noisetables {
alignas(64) const std::int32_t permutation32[512] = {GRADIENTNOISE_PERMUTATION_VALUES,
                                                     GRADIENTNOISE_PERMUTATION_VALUES};
} // namespace noisetables

namespace {

// The rank table follows wholly from its rule, so it is computed rather than
// typed in: a valid row is one whose ranks are 0, 1, 2, 3 in some order (a
// transitive set of comparisons); any cycle leaves a repeated rank.
struct CornerRankTable {
    std::uint8_t rows[64][4] = {};
    constexpr CornerRankTable()
    {
        for (int k = 0; k < 64; ++k) {
            const int xy = (k >> 5) & 1, xz = (k >> 4) & 1, yz = (k >> 3) & 1;
            const int xw = (k >> 2) & 1, yw = (k >> 1) & 1, zw = k & 1;
            const int rank[4] = {
                xy + xz + xw,
                (1 - xy) + yz + yw,
                (1 - xz) + (1 - yz) + zw,
                (1 - xw) + (1 - yw) + (1 - zw),
            };
            int seen = 0;
            for (int r : rank) seen |= 1 << r;
            if (seen != 0xf) continue;
            for (int c = 0; c < 4; ++c) rows[k][c] = static_cast<std::uint8_t>(rank[c]);
        }
    }
};

constexpr CornerRankTable rankTable;

// Single-precision values of the skew and unskew factors.
using noisetables::F2;
using noisetables::G2;
constexpr float F3 = static_cast<float>(1.0 / 3.0);
constexpr float G3 = static_cast<float>(1.0 / 6.0);
using noisetables::F4;
using noisetables::G4;

// Lattice coordinate reduced into 0..255; & on the two's complement int is the
// non-negative remainder for negative coordinates too.
inline int latticeIndex(int i) { return i & 255; }

// Coordinate sums are formed in 64 bits: saturated lattice coordinates would
// overflow an int sum, and wherever the int sum fits the float is the same.
inline float latticeSum(long long sum) { return static_cast<float>(sum); }

float gradientDot(int hash, float x)
{
    const int h = hash & 15;
    float g = 1.0f + static_cast<float>(h & 7);
    if (h & 8) g = -g;
    return g * x;
}

float gradientDot(int hash, float x, float y)
{
    const int h = hash & 7;
    const float u = h < 4 ? x : y;
    const float v = h < 4 ? y : x;
    return ((h & 1) ? -u : u) + ((h & 2) ? -2.0f * v : 2.0f * v);
}

float gradientDot(int hash, float x, float y, float z)
{
    const int h = hash & 15;
    const float u = h < 8 ? x : y;
    const float v = h < 4 ? y : (h == 12 || h == 14) ? x : z;
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

float gradientDot(int hash, float x, float y, float z, float w)
{
    const int h = hash & 31;
    const float u = h < 24 ? x : y;
    const float v = h < 16 ? y : z;
    const float t = h < 8 ? z : w;
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v) + ((h & 4) ? -t : t);
}

// (reach - d^2)^4 times the gradient, or 0 outside the corner's reach.
inline float contribution2(int hash, float dx, float dy)
{
    float a = 0.5f - dx * dx - dy * dy;
    if (a < 0.0f) return 0.0f;
    a *= a;
    return a * a * gradientDot(hash, dx, dy);
}

inline float contribution3(int hash, float dx, float dy, float dz)
{
    float a = 0.6f - dx * dx - dy * dy - dz * dz;
    if (a < 0.0f) return 0.0f;
    a *= a;
    return a * a * gradientDot(hash, dx, dy, dz);
}

inline float contribution4(int hash, float dx, float dy, float dz, float dw)
{
    float a = 0.6f - dx * dx - dy * dy - dz * dz - dw * dw;
    if (a < 0.0f) return 0.0f;
    a *= a;
    return a * a * gradientDot(hash, dx, dy, dz, dw);
}

} // namespace

const std::uint8_t (&cornerRank)[64][4] = rankTable.rows;

int latticeFloor(float v)
{
    const int t = saturatingTrunc(v);
    if (v > 0) return t;
    return t == INT_MIN ? INT_MIN : t - 1;
}

float sample1(float x)
{
    const int i0 = latticeFloor(x);
    const float x0 = x - static_cast<float>(i0);
    const float x1 = x0 - 1.0f;
    const int ii = latticeIndex(i0);

    float a0 = 1.0f - x0 * x0;
    a0 *= a0;
    const float n0 = a0 * a0 * gradientDot(permutation[ii], x0);

    float a1 = 1.0f - x1 * x1;
    a1 *= a1;
    const float n1 = a1 * a1 * gradientDot(permutation[ii + 1], x1);

    return 0.25f * (n0 + n1);
}

float sample2(float x, float y)
{
    return sample2(noisetables::defaultTables(), x, y);
}

float sample2(const noisetables::TableSet& tables, float x, float y)
{
    const std::uint8_t* permutation = tables.permutation;
    const float s = (x + y) * F2;
    const int i = latticeFloor(x + s);
    const int j = latticeFloor(y + s);
    const float t = latticeSum(static_cast<long long>(i) + j) * G2;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);

    // Which triangle of the skewed cell: a tie goes to the upper one.
    const int i1 = x0 > y0 ? 1 : 0;
    const int j1 = x0 > y0 ? 0 : 1;

    const float x1 = x0 - static_cast<float>(i1) + G2;
    const float y1 = y0 - static_cast<float>(j1) + G2;
    const float x2 = x0 - 1.0f + 2.0f * G2;
    const float y2 = y0 - 1.0f + 2.0f * G2;

    const int ii = latticeIndex(i);
    const int jj = latticeIndex(j);
    const float n0 = contribution2(permutation[ii + permutation[jj]], x0, y0);
    const float n1 = contribution2(permutation[ii + i1 + permutation[jj + j1]], x1, y1);
    const float n2 = contribution2(permutation[ii + 1 + permutation[jj + 1]], x2, y2);

    return noisetables::scale2 * (n0 + n1 + n2);
}

float sample3(float x, float y, float z)
{
    const float s = (x + y + z) * F3;
    const int i = latticeFloor(x + s);
    const int j = latticeFloor(y + s);
    const int k = latticeFloor(z + s);
    const float t = latticeSum(static_cast<long long>(i) + j + k) * G3;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);
    const float z0 = z - (static_cast<float>(k) - t);

    // Steps of the second and third corners: along the largest offset first,
    // then the two largest.
    int i1, j1, k1, i2, j2, k2;
    if (x0 >= y0) {
        if (y0 >= z0)      { i1 = 1; j1 = 0; k1 = 0; i2 = 1; j2 = 1; k2 = 0; }
        else if (x0 >= z0) { i1 = 1; j1 = 0; k1 = 0; i2 = 1; j2 = 0; k2 = 1; }
        else               { i1 = 0; j1 = 0; k1 = 1; i2 = 1; j2 = 0; k2 = 1; }
    } else {
        if (y0 < z0)       { i1 = 0; j1 = 0; k1 = 1; i2 = 0; j2 = 1; k2 = 1; }
        else if (x0 < z0)  { i1 = 0; j1 = 1; k1 = 0; i2 = 0; j2 = 1; k2 = 1; }
        else               { i1 = 0; j1 = 1; k1 = 0; i2 = 1; j2 = 1; k2 = 0; }
    }

    const float x1 = x0 - static_cast<float>(i1) + G3;
    const float y1 = y0 - static_cast<float>(j1) + G3;
    const float z1 = z0 - static_cast<float>(k1) + G3;
    const float x2 = x0 - static_cast<float>(i2) + 2.0f * G3;
    const float y2 = y0 - static_cast<float>(j2) + 2.0f * G3;
    const float z2 = z0 - static_cast<float>(k2) + 2.0f * G3;
    const float x3 = x0 - 1.0f + 3.0f * G3;
    const float y3 = y0 - 1.0f + 3.0f * G3;
    const float z3 = z0 - 1.0f + 3.0f * G3;

    const int ii = latticeIndex(i);
    const int jj = latticeIndex(j);
    const int kk = latticeIndex(k);
    const float n0 = contribution3(permutation[ii + permutation[jj + permutation[kk]]], x0, y0, z0);
    const float n1 = contribution3(permutation[ii + i1 + permutation[jj + j1 + permutation[kk + k1]]], x1, y1, z1);
    const float n2 = contribution3(permutation[ii + i2 + permutation[jj + j2 + permutation[kk + k2]]], x2, y2, z2);
    const float n3 = contribution3(permutation[ii + 1 + permutation[jj + 1 + permutation[kk + 1]]], x3, y3, z3);

    return 32.0f * (n0 + n1 + n2 + n3);
}

float sample4(float x, float y, float z, float w)
{
    return sample4(noisetables::defaultTables(), x, y, z, w);
}

float sample4(const noisetables::TableSet& tables, float x, float y, float z, float w)
{
    const std::uint8_t* permutation = tables.permutation;
    const float s = (x + y + z + w) * F4;
    const int i = latticeFloor(x + s);
    const int j = latticeFloor(y + s);
    const int k = latticeFloor(z + s);
    const int l = latticeFloor(w + s);
    const float t = latticeSum(static_cast<long long>(i) + j + k + l) * G4;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);
    const float z0 = z - (static_cast<float>(k) - t);
    const float w0 = w - (static_cast<float>(l) - t);

    const int order = (x0 > y0 ? 32 : 0) + (x0 > z0 ? 16 : 0) + (y0 > z0 ? 8 : 0) +
                      (x0 > w0 ? 4 : 0) + (y0 > w0 ? 2 : 0) + (z0 > w0 ? 1 : 0);
    const std::uint8_t* rank = cornerRank[order];

    // Corner n steps every coordinate whose rank is at least 4 - n.
    int step[3][4];
    for (int n = 0; n < 3; ++n)
        for (int c = 0; c < 4; ++c) step[n][c] = rank[c] >= 3 - n ? 1 : 0;

    float offset[5][4] = {{x0, y0, z0, w0}};
    const float origin[4] = {x0, y0, z0, w0};
    for (int n = 0; n < 3; ++n) {
        const float shift = static_cast<float>(n + 1) * G4;
        for (int c = 0; c < 4; ++c) offset[n + 1][c] = origin[c] - static_cast<float>(step[n][c]) + shift;
    }
    const float lastShift = 4.0f * G4;
    for (int c = 0; c < 4; ++c) offset[4][c] = origin[c] - 1.0f + lastShift;

    const int ii = latticeIndex(i);
    const int jj = latticeIndex(j);
    const int kk = latticeIndex(k);
    const int ll = latticeIndex(l);
    auto hash = [&](int di, int dj, int dk, int dl) {
        return permutation[ii + di + permutation[jj + dj + permutation[kk + dk + permutation[ll + dl]]]];
    };

    float sum = contribution4(hash(0, 0, 0, 0), x0, y0, z0, w0);
    for (int n = 0; n < 3; ++n) {
        const int* d = step[n];
        const float* o = offset[n + 1];
        sum = sum + contribution4(hash(d[0], d[1], d[2], d[3]), o[0], o[1], o[2], o[3]);
    }
    sum = sum + contribution4(hash(1, 1, 1, 1), offset[4][0], offset[4][1], offset[4][2], offset[4][3]);

    return 27.0f * sum;
}

} // namespace GradientNoise
