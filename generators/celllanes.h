#pragma once
// The Cells layer's value: the distance from a point to the nearest and the
// second nearest of the feature points of the 3 x 3 unit cells around it,
// once as the scalar definition valueAt uses and once as a row kernel on
// SIMD lanes that repeats it bit for bit (compiled for every instruction
// set, dispatched at run time; see layers/simdtargets.h).
#include "generators/noisetables.h"
#include "generators/patternlanes.h"

#include <cmath>
#include <limits>

namespace celllanes {

using Tables = GradientNoise::noisetables::TableSet;

// Beyond 2^24 floats no longer tell one cell from the next; points there
// (and NaN) have the value 0.
constexpr float cellLimit = 16777216.0f;

// A cell's feature point sits at its centre plus jitter times this offset,
// within (-0.5, 0.5), hashed from the permutation.
inline float jitterOffset(int hash)
{
    const float u = static_cast<float>(hash) / 255.0f;
    return u - 0.5f;
}

// F1 + e (F2 - 2 F1), clamped, where F1 and F2 are the distances from
// (xpos, ypos) to the nearest and second nearest feature points of the
// 3 x 3 cells around it; the cells' hashes use lattice column
// column(i) and row row(j) (each within 0..255) for cell (i, j), and the
// permutation of tables.
template <class Column, class Row>
float cellValueOnLattice(const Tables& tables, float xpos, float ypos, float jit, float e, Column column, Row row)
{
    const std::uint8_t* permutation = tables.permutation;
    if (!(std::fabs(xpos) < cellLimit) || !(std::fabs(ypos) < cellLimit)) return 0.0f;
    const int ci = static_cast<int>(std::floor(xpos));
    const int cj = static_cast<int>(std::floor(ypos));
    float d1 = std::numeric_limits<float>::infinity();
    float d2 = d1;
    for (int dj = -1; dj <= 1; ++dj)
        for (int di = -1; di <= 1; ++di) {
            const int a = column(ci + di);
            const int b = row(cj + dj);
            const int h1 = permutation[a + permutation[b]];
            const int h2 = permutation[h1 + 7];
            const float u = jit * jitterOffset(h1);
            const float w = jit * jitterOffset(h2);
            const float fx = (static_cast<float>(ci + di) + 0.5f) + u;
            const float fy = (static_cast<float>(cj + dj) + 0.5f) + w;
            const float dx = fx - xpos;
            const float dy = fy - ypos;
            const float d = dx * dx + dy * dy;
            if (d < d1) {
                d2 = d1;
                d1 = d;
            } else if (d < d2) {
                d2 = d;
            }
        }
    const float f1 = std::sqrt(d1);
    const float f2 = std::sqrt(d2);
    float t = f2 - f1;
    t = t - f1;
    t = t * e;
    return patternlanes::clampUnit(f1 + t);
}

// The Cells layer's value at layer point (xpos, ypos) for Jitter jit and
// Edges e. Edges 0 gives round cells darkest at their points, Edges 1 the
// lines where two cells meet.
inline float cellValue(const Tables& tables, float xpos, float ypos, float jit, float e)
{
    const auto lattice = [](int i) { return i & 255; };
    return cellValueOnLattice(tables, xpos, ypos, jit, e, lattice, lattice);
}

// i mod n within 0 .. n - 1, for n >= 1.
inline int wrapIndex(int i, int n)
{
    const int r = i % n;
    return r < 0 ? r + n : r;
}

// The seamless Cells value at cell coordinates (u, v): the cells' indices
// wrap over nx columns and ny rows, so the pattern repeats every nx cells
// along u and ny along v.
inline float wrappedCellValue(const Tables& tables, float u, float v, float jit, float e, int nx, int ny)
{
    const auto column = [nx](int i) { return wrapIndex(i, nx) & 255; };
    const auto row = [ny](int j) { return wrapIndex(j, ny) & 255; };
    return cellValueOnLattice(tables, u, v, jit, e, column, row);
}

// Seamless, the cells are fitted to the view: n = the extent rounded (halves
// up, at least 1) cells across it, each extent / n wide, their indices
// wrapping over n.
struct FittedCells {
    int nx, ny;
    float width, height;

    static int across(float extent)
    {
        const float n = std::floor(extent + 0.5f);
        if (!(n >= 1.0f)) return 1;
        return n < 1e9f ? static_cast<int>(n) : 1000000000;
    }

    FittedCells(float extentX, float extentY)
        : nx(across(extentX)), ny(across(extentY)), width(extentX / static_cast<float>(nx)),
          height(extentY / static_cast<float>(ny))
    {
    }

    // The seamless Cells value at layer point (xpos, ypos).
    float value(const Tables& tables, float xpos, float ypos, float jit, float e) const
    {
        return wrappedCellValue(tables, xpos / width, ypos / height, jit, e, nx, ny);
    }
};

// out[k] = cellValue(tables, xpos[k], ypos, jit[k * jitStep], e[k * eStep]):
// a step of 0 reads one value for the whole run. out may be xpos.
void cellsRow(const Tables& tables, const float* xpos, float ypos, const float* jit, int jitStep, const float* e,
              int eStep, int count, float* out);

// The same for seamless cells: out[k] = cells.value(tables, xpos[k], ypos,
// jit[k * jitStep], e[k * eStep]). out may be xpos.
void fittedCellsRow(const Tables& tables, const FittedCells& cells, const float* xpos, float ypos, const float* jit,
                    int jitStep, const float* e, int eStep, int count, float* out);

// The same at points, each with its own ypos[k]: out[k] = cellValue(tables,
// xpos[k], ypos[k], ..), and cells.value(..) for seamless cells. out may be
// xpos.
void cellsPoints(const Tables& tables, const float* xpos, const float* ypos, const float* jit, int jitStep,
                 const float* e, int eStep, int count, float* out);
void fittedCellsPoints(const Tables& tables, const FittedCells& cells, const float* xpos, const float* ypos,
                       const float* jit, int jitStep, const float* e, int eStep, int count, float* out);

} // namespace celllanes
