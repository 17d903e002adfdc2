#pragma once
// Tables and constants shared by the scalar noise and its SIMD lanes, so
// that both compute with the very same numbers.
#include <cstdint>

// Entries 0..255 of the permutation: the reference permutation of Perlin's
// improved noise. Each table repeats it once.
#define GRADIENTNOISE_PERMUTATION_VALUES \
    151, 160, 137, 91, 90, 15, 131, 13, 201, 95, 96, 53, 194, 233, 7, 225, 140, 36, 103, 30, 69, 142, \
    8, 99, 37, 240, 21, 10, 23, 190, 6, 148, 247, 120, 234, 75, 0, 26, 197, 62, 94, 252, 219, 203,     \
    117, 35, 11, 32, 57, 177, 33, 88, 237, 149, 56, 87, 174, 20, 125, 136, 171, 168, 68, 175, 74,     \
    165, 71, 134, 139, 48, 27, 166, 77, 146, 158, 231, 83, 111, 229, 122, 60, 211, 133, 230, 220,     \
    105, 92, 41, 55, 46, 245, 40, 244, 102, 143, 54, 65, 25, 63, 161, 1, 216, 80, 73, 209, 76, 132,   \
    187, 208, 89, 18, 169, 200, 196, 135, 130, 116, 188, 159, 86, 164, 100, 109, 198, 173, 186, 3,    \
    64, 52, 217, 226, 250, 124, 123, 5, 202, 38, 147, 118, 126, 255, 82, 85, 212, 207, 206, 59, 227,  \
    47, 16, 58, 17, 182, 189, 28, 42, 223, 183, 170, 213, 119, 248, 152, 2, 44, 154, 163, 70, 221,    \
    153, 101, 155, 167, 43, 172, 9, 129, 22, 39, 253, 19, 98, 108, 110, 79, 113, 224, 232, 178, 185,  \
    112, 104, 218, 246, 97, 228, 251, 34, 242, 193, 238, 210, 144, 12, 191, 179, 162, 241, 81, 51,    \
    145, 235, 249, 14, 239, 107, 49, 192, 214, 31, 181, 199, 106, 157, 184, 84, 204, 176, 115, 121,   \
    50, 45, 127, 4, 150, 254, 138, 236, 205, 93, 222, 114, 67, 29, 24, 72, 243, 141, 128, 195, 78,    \
    66, 215, 61, 156, 180

namespace GradientNoise {
namespace noisetables {

// The permutation and p(a, b) = permutation[a + permutation[b]], indices mod
// 256, from which the look-up tables below are built at compile time.
inline constexpr std::uint8_t permutationValues[256] = {GRADIENTNOISE_PERMUTATION_VALUES};

constexpr std::uint8_t hashAt(int a, int b)
{
    return permutationValues[(a + permutationValues[b & 255]) & 255];
}

// Single-precision skew and unskew factors of the 2-D lattice, and the final
// scale of the 2-D sum.
constexpr float F2 = static_cast<float>((1.7320508075688772 - 1.0) / 2.0);
constexpr float G2 = static_cast<float>((3.0 - 1.7320508075688772) / 6.0);
constexpr float scale2 = 45.231f;

// Single-precision skew and unskew factors of the 4-D lattice.
constexpr float F4 = static_cast<float>((2.2360679774997898 - 1.0) / 4.0);
constexpr float G4 = static_cast<float>((5.0 - 2.2360679774997898) / 20.0);

// The hashes of all four corners of lattice cell (a, b) in one word:
// cellHash[a * 256 + b] holds, from the low byte up, the hashes of corners
// (a, b), (a + 1, b), (a, b + 1) and (a + 1, b + 1), indices taken mod 256,
// each reduced to the three bits that choose the gradient.
// One look-up serves the three corners a point needs: one gather per vector
// of points, rather than three from a table of single hashes.
constexpr int cellCount = 256 * 256;
extern const std::uint32_t (&cellHash)[cellCount];

// The same words laid out by rows of b: cellRows[b][a] is
// cellHash[(a mod 256) * 256 + (b mod 256)]. Each row runs cellRowPad
// entries past a = 255 and a row 256 repeats row 0, so that one unaligned
// load of up to cellRowPad words from any (a, b) in 0..255 reads the cells
// (a, b), (a + 1, b), ... and (a, b + 1), ... follows in the next row:
// points of one row of pixels mostly fall into such a strip of cells.
constexpr int cellRowPad = 16;
constexpr int cellRowLength = 256 + cellRowPad;
extern const std::uint32_t (&cellRows)[257][cellRowLength];

// With p(a, b) = permutation[a + permutation[b]], indices mod 256 (which
// gives the doubled permutation's entries), pairHash[a * 256 + b] holds from
// the low byte up p(a, b), p(a + 1, b), p(a, b + 1) and p(a + 1, b + 1).
// A 4-D corner's hash, four nested look-ups, is p(i, j + p(k, l)): one
// look-up of (k, l) serves the five corners of a point's cell, and one more
// per corner finishes its hash.
constexpr int pairCount = 256 * 256;
extern const std::uint32_t (&pairHash)[pairCount];

// The permutation as ints, for the gathers of the Cells lanes.
extern const std::int32_t permutation32[512];

// Every table a layer's noise reads, for one seed (seedtables.h): its
// permutation P and the tables derived from P exactly as the ones above are
// from the reference permutation. Every noise function and row kernel takes
// one, so that a layer's pattern is its seed's everywhere.
struct TableSet {
    std::uint32_t seed = 0;
    // P followed by P again (entry k is P[k mod 256]), then permutationPad
    // more bytes, so that a 32-bit load from any entry stays inside.
    const std::uint8_t* permutation = nullptr;
    // The derived tables, all present or all null: null where the cache's
    // bound left no room for them, and the kernels gather from permutation
    // instead (slower, the same values).
    const std::int32_t* permutation32 = nullptr;   // 512 entries
    const std::uint32_t* cellHash = nullptr;       // cellCount entries
    const std::uint32_t (*cellRows)[cellRowLength] = nullptr;   // 257 rows
    const std::uint32_t* pairHash = nullptr;       // pairCount entries

    bool derived() const { return pairHash != nullptr; }
};
constexpr int permutationPad = 4;

// Seed 0: the reference permutation and the tables above, built at compile
// time.
const TableSet& defaultTables();

} // namespace noisetables
} // namespace GradientNoise
